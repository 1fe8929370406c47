#pragma once

#include "reading/codecs/decode_status.h"
#include "reading/codecs/exif_orientation.h"

namespace varnelo {

struct ConversionLoad;
class WorkBitmap;

/// Whether a file's first bytes are a JPEG XL codestream's or container's.
bool looksLikeJxl(FileBytes head);

/// Decodes the first frame of a JPEG XL file as stored (not turned): grey
/// pictures into 8 bits, the others into 24, deeper values scaled to 8;
/// an alpha channel is dropped, never blended. The file is handed to
/// libjxl a piece at a time, so a cancel stops it between pieces. libjxl
/// fills its groups in any order: the picture is decoded whole.
DecodeStatus decodeJxl(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                       ConversionLoad* conversion);

/// The orientation a JPEG XL file's header states.
Orientation jxlOrientation(FileBytes file);

} // namespace varnelo
