#pragma once

#include "base/work_bitmap.h"
#include "reading/codecs/decode_status.h"
#include "reading/codecs/exif_orientation.h"

#include <cstdint>
#include <string>

namespace varnelo {

struct ConversionLoad;

using PictureDecoder = DecodeStatus (*)(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                                        ConversionLoad* conversion);
using OrientationReader = Orientation (*)(FileBytes file);

/// The decoders built on the picture libraries (libwebp, libavif, libheif,
/// libtiff, libjxl), which live in a module of their own: those libraries
/// and the codecs they pull in take longer to load than most conversions
/// take, so a program loads them only once it reads such a picture.
struct PictureLibraries {
    /// kPictureLibrariesVersion of the module's build; the layout below.
    std::uint32_t version;
    PictureDecoder webp;
    PictureDecoder avif;
    PictureDecoder heif;
    PictureDecoder tiff;
    PictureDecoder jxl;
    OrientationReader avifOrientation;
    OrientationReader tiffOrientation;
    OrientationReader jxlOrientation;
};

/// Changes with the table's layout, and with any change of what the types
/// passed across mean: a module of another build is not used.
inline constexpr std::uint32_t kPictureLibrariesVersion = 2;

/// The name of the module's one entry, a function without arguments
/// returning the table.
inline constexpr const char* kPictureLibrariesEntry = "varnelo_picture_libraries";

/// Where the module is looked for: beside the program's folder, in the
/// library folder it is installed to (the build puts it there too).
std::string pictureLibrariesPath();

/// The module's table, loaded at the first call; nullptr when the module
/// is missing or of another build (why, in pictureLibrariesProblem).
/// Safe from any thread.
const PictureLibraries* pictureLibraries();
std::string pictureLibrariesProblem();

/// A decoder of a module's table, loading the module first; a missing
/// module gives DecodeStatus::LibraryMissing.
template <class Table, const Table* (*tableOf)(), PictureDecoder Table::*decoder>
DecodeStatus decodeFromModule(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                              ConversionLoad* conversion) {
    const Table* table = tableOf();
    if (table == nullptr) {
        picture.clear();
        return DecodeStatus::LibraryMissing;
    }
    return (table->*decoder)(file, picture, cancel, conversion);
}

/// A decoder of this module's table.
template <PictureDecoder PictureLibraries::*decoder>
DecodeStatus decodeWithLibraries(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                                 ConversionLoad* conversion) {
    return decodeFromModule<PictureLibraries, pictureLibraries, decoder>(file, picture, cancel,
                                                                         conversion);
}

/// An orientation reader of the module's table; upright without the module.
template <OrientationReader PictureLibraries::*reader>
Orientation orientationWithLibraries(FileBytes file) {
    const PictureLibraries* libraries = pictureLibraries();
    return libraries == nullptr ? Orientation::Upright : (libraries->*reader)(file);
}

} // namespace varnelo
