#pragma once

#include "base/byte_sink.h"
#include "reading/codecs/picture_libraries.h"
#include "reading/codecs/row_source.h"

#include <cstdint>
#include <string>

namespace varnelo {

using PngBandWriter = bool (*)(ByteSink& sink, int width, int height, RowFormat format,
                               const RowSource& rowAt, int compressionLevel, int bands);

/// The PNG and GIF decoders and the PNG writer, which live in a module of
/// their own with libpng, giflib, zlib and ISA-L: loading those four took
/// as long as a small JPEG takes to become a document, and most
/// conversions need none of them.
struct PngGifLibraries {
    /// kPngGifLibrariesVersion of the module's build; the layout below.
    std::uint32_t version;
    PictureDecoder png;
    PictureDecoder gif;
    PngBandWriter writePngInBands;
};

/// Changes with the table's layout, and with any change of what the types
/// passed across mean: a module of another build is not used.
inline constexpr std::uint32_t kPngGifLibrariesVersion = 2;

/// The name of the module's one entry, a function without arguments
/// returning the table.
inline constexpr const char* kPngGifLibrariesEntry = "varnelo_png_gif_libraries";

std::string pngGifLibrariesPath();

/// The module's table, loaded at the first call; nullptr when the module
/// is missing or of another build (why, in pngGifLibrariesProblem). Safe
/// from any thread.
const PngGifLibraries* pngGifLibraries();
std::string pngGifLibrariesProblem();

/// A decoder of this module's table.
template <PictureDecoder PngGifLibraries::*decoder>
DecodeStatus decodeWithPngGifLibraries(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                                       ConversionLoad* conversion) {
    return decodeFromModule<PngGifLibraries, pngGifLibraries, decoder>(file, picture, cancel,
                                                                       conversion);
}

/// writePngInBands through the module; false, writing nothing, without it.
[[nodiscard]] bool writePngInBandsWithLibraries(ByteSink& sink, int width, int height,
                                                RowFormat format, const RowSource& rowAt,
                                                int compressionLevel, int bands);

} // namespace varnelo
