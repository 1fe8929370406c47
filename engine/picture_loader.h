#pragma once

#include "engine/codecs/decode_status.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace varnelo {

class WorkBitmap;

enum class PictureType : std::uint8_t { None, Bmp, Jpeg, Gif, Png };

/// The picture type a path names: the extension runs from the path's last
/// "." on, wherever that dot stands (so "my.bmp/picture" names a BMP), with
/// only A-Z folded to lower case. ".bmp", ".jpg", ".gif" and ".png" are
/// pictures; anything else is None.
PictureType pictureTypeOf(std::string_view path);

enum class LoadStatus : std::uint8_t {
    Loaded,    ///< the bitmap holds the picture
    Failed,    ///< a BMP, JPEG or GIF that could not be read: the bitmap is now empty
    PngFailed, ///< a PNG that could not be read: the bitmap keeps what it held
    Ignored,   ///< not a picture extension: nothing was read, the bitmap keeps what it held
};

struct LoadOutcome {
    LoadStatus status = LoadStatus::Ignored;
    DecodeStatus detail = DecodeStatus::Ok; ///< why a load failed
};

/// Loads the picture file at path into bitmap, choosing the decoder by the
/// extension alone. A PNG failure leaves the bitmap untouched so that the
/// caller can report it and go on with the picture it had; the other
/// formats leave an empty bitmap when they fail.
LoadOutcome loadPicture(const std::string& path, WorkBitmap& bitmap);

/// Decodes the bytes of a picture file of the given type into picture; on
/// failure the picture is empty. loadPicture's work once the file is read.
DecodeStatus decodePicture(PictureType type, FileBytes file, WorkBitmap& picture);

/// The largest file loadPicture reads: the largest uncompressed BMP inside
/// the picture limits, and some room for its headers.
inline constexpr std::size_t kMaxPictureFileBytes = (std::size_t{1} << 30) + (std::size_t{1} << 20);

} // namespace varnelo
