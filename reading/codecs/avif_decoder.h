#pragma once

#include "reading/codecs/decode_status.h"
#include "reading/codecs/exif_orientation.h"

namespace varnelo {

struct ConversionLoad;
class WorkBitmap;

/// Whether a file's first bytes are an AVIF's: an "ftyp" box with the
/// brand "avif" or "avis".
bool looksLikeAvif(FileBytes head);

/// Decodes an AVIF file (the first picture of a sequence) as stored, not
/// turned, into a 24-bit picture, deeper values scaled to 8; an alpha
/// channel is dropped, never blended. libavif decodes the picture in one
/// go, bounded by the picture limits; a cancel is seen before and after.
DecodeStatus decodeAvif(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion);

/// The turn and mirror an AVIF's irot and imir boxes state, as an orientation.
Orientation avifOrientation(FileBytes file);

/// The orientation HEIF's rotation (quarter turns anti-clockwise) then
/// mirroring (0 top and bottom, 1 left and right, -1 none) make.
Orientation heifTransformOrientation(int quarterTurns, int mirror);

} // namespace varnelo
