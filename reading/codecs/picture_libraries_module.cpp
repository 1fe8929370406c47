// The one entry of the module that holds the decoders built on the picture
// libraries; everything else in it stays hidden.
#include "reading/codecs/avif_decoder.h"
#include "reading/codecs/guarded_decoder.h"
#include "reading/codecs/heif_decoder.h"
#include "reading/codecs/jxl_decoder.h"
#include "reading/codecs/picture_libraries.h"
#include "reading/codecs/tiff_decoder.h"
#include "reading/codecs/webp_decoder.h"

#include <new>

namespace {

using varnelo::ConversionLoad;
using varnelo::DecodeCancel;
using varnelo::DecodeStatus;
using varnelo::FileBytes;
using varnelo::Orientation;
using varnelo::WorkBitmap;

using varnelo::guardedDecoder;

// No exception leaves an orientation reader either.
template <varnelo::OrientationReader read>
Orientation guarded(FileBytes file) noexcept {
    try {
        return read(file);
    } catch (...) {
        return Orientation::Upright;
    }
}

constexpr varnelo::PictureLibraries kTable = {
    varnelo::kPictureLibrariesVersion,   guardedDecoder<varnelo::decodeWebp>,
    guardedDecoder<varnelo::decodeAvif>, guardedDecoder<varnelo::decodeHeif>,
    guardedDecoder<varnelo::decodeTiff>, guardedDecoder<varnelo::decodeJxl>,
    guarded<varnelo::avifOrientation>,   guarded<varnelo::tiffOrientation>,
    guarded<varnelo::jxlOrientation>,
};

} // namespace

// Of the type the program calls it as: a call through a pointer of
// another function type is undefined.
extern "C" __attribute__((visibility("default"))) const void* varnelo_picture_libraries() {
    return &kTable;
}
