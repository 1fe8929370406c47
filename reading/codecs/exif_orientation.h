#pragma once

#include "reading/codecs/decode_status.h"

#include <cstdint>

namespace varnelo {

/// How a camera says its picture is to be turned for showing, as EXIF's
/// Orientation tag numbers it: where the stored picture's first row and
/// first column go.
enum class Orientation : std::uint8_t {
    Upright = 1,
    MirroredLeftRight = 2,
    Rotated180 = 3,
    MirroredTopBottom = 4,
    Transposed = 5,           ///< mirrored left-right, then turned 90° counter-clockwise
    RotatedClockwise = 6,     ///< turned 90° clockwise for showing
    Transversed = 7,          ///< mirrored left-right, then turned 90° clockwise
    RotatedAnticlockwise = 8, ///< turned 90° counter-clockwise for showing
};

/// Whether showing the picture so swaps its width and height.
constexpr bool swapsSides(Orientation orientation) {
    return static_cast<int>(orientation) >= 5;
}

/// The Orientation tag of the first image directory of EXIF data (a TIFF
/// structure, from its byte-order mark on); Upright when it has none or
/// one outside 1 to 8, or the data is cut or malformed.
Orientation exifOrientation(FileBytes tiff);

/// The orientation a JPEG file's EXIF segment (APP1 "Exif") states.
Orientation jpegOrientation(FileBytes file);

/// The orientation a PNG file's eXIf chunk before its image data states.
Orientation pngOrientation(FileBytes file);

/// The orientation a WebP file's EXIF chunk states.
Orientation webpOrientation(FileBytes file);

} // namespace varnelo
