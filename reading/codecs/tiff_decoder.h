#pragma once

#include "reading/codecs/decode_status.h"
#include "reading/codecs/exif_orientation.h"

namespace varnelo {

struct ConversionLoad;
class WorkBitmap;

/// Whether a file's first bytes are a TIFF's (or a BigTIFF's) byte-order
/// mark and version.
bool looksLikeTiff(FileBytes head);

/// Decodes the first page of a TIFF file, in strips or tiles, of any of
/// libtiff's colour models and depths (1 to 16 bits, palette, grey, RGB,
/// CMYK, YCbCr): grey pictures into 8 bits, CMYK into 32 and every other
/// into 24, 16-bit values scaled to 8; an alpha channel is dropped, never
/// blended. The rows are read a strip or a row of tiles at a time, between
/// which a cancel is seen, and stream into the resizer for a conversion.
DecodeStatus decodeTiff(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion);

/// The orientation a TIFF's first directory states in its Orientation tag.
Orientation tiffOrientation(FileBytes file);

} // namespace varnelo
