// The one entry of the module that holds the PNG and GIF decoders and the
// PNG writer; everything else in it stays hidden.
#include "engine/codecs/gif_decoder.h"
#include "engine/codecs/png_bands.h"
#include "engine/codecs/png_decoder.h"
#include "engine/codecs/png_gif_libraries.h"
#include "engine/work_bitmap.h"

#include <new>

namespace {

using varnelo::ConversionLoad;
using varnelo::DecodeCancel;
using varnelo::DecodeStatus;
using varnelo::FileBytes;
using varnelo::WorkBitmap;

// The program around the module may have a C++ runtime of its own: no
// exception crosses between the two.
template <varnelo::PictureDecoder decode>
DecodeStatus guarded(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                     ConversionLoad* conversion) noexcept {
    try {
        return decode(file, picture, cancel, conversion);
    } catch (const std::bad_alloc&) {
        picture.clear();
        return DecodeStatus::OutOfMemory;
    } catch (...) {
        picture.clear();
        return DecodeStatus::Corrupt;
    }
}

bool writePng(varnelo::ByteSink& sink, int width, int height, varnelo::RowFormat format,
              const varnelo::RowSource& rowAt, int compressionLevel, int bands) noexcept {
    try {
        return varnelo::writePngInBands(sink, width, height, format, rowAt, compressionLevel,
                                        bands);
    } catch (...) {
        return false;
    }
}

DecodeStatus decodePng(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                       ConversionLoad* conversion) {
    return varnelo::decodePng(file, picture, cancel, conversion);
}

DecodeStatus decodeGif(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                       ConversionLoad* conversion) {
    return varnelo::decodeGif(file, picture, cancel, conversion);
}

constexpr varnelo::PngGifLibraries kTable = {
    varnelo::kPngGifLibrariesVersion,
    guarded<decodePng>,
    guarded<decodeGif>,
    writePng,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const varnelo::PngGifLibraries*
varnelo_png_gif_libraries() {
    return &kTable;
}
