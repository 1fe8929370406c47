// The one entry of the module that holds the PNG and GIF decoders and the
// PNG writer; everything else in it stays hidden.
#include "base/work_bitmap.h"
#include "reading/codecs/gif_decoder.h"
#include "reading/codecs/guarded_decoder.h"
#include "reading/codecs/png_bands.h"
#include "reading/codecs/png_decoder.h"
#include "reading/codecs/png_gif_libraries.h"

#include <new>

namespace {

using varnelo::ConversionLoad;
using varnelo::DecodeCancel;
using varnelo::DecodeStatus;
using varnelo::FileBytes;
using varnelo::WorkBitmap;

using varnelo::guardedDecoder;

// The program around the module may have a C++ runtime of its own: no
// exception crosses between the two.
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
    guardedDecoder<decodePng>,
    guardedDecoder<decodeGif>,
    writePng,
};

} // namespace

// Of the type the program calls it as: a call through a pointer of
// another function type is undefined.
extern "C" __attribute__((visibility("default"))) const void* varnelo_png_gif_libraries() {
    return &kTable;
}
