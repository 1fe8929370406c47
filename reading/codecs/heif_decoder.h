#pragma once

#include "reading/codecs/decode_status.h"

namespace varnelo {

struct ConversionLoad;
class WorkBitmap;

/// Whether a file's first bytes are a HEIF's (HEIC from phones among
/// them): an "ftyp" box with one of HEIF's brands and none of AVIF's.
bool looksLikeHeif(FileBytes head);

/// Decodes the primary picture of a HEIF file into a 24-bit picture,
/// deeper values scaled to 8; an alpha channel is dropped, never blended.
/// libheif turns it as its irot and imir boxes say, unless the conversion
/// keeps pictures as stored. libheif decodes the picture in one go, tiles
/// included, bounded by the picture limits; a cancel is seen before and
/// after.
DecodeStatus decodeHeif(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion);

} // namespace varnelo
