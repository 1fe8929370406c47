// The one entry of the module that holds the decoders built on the picture
// libraries; everything else in it stays hidden.
#include "engine/codecs/avif_decoder.h"
#include "engine/codecs/heif_decoder.h"
#include "engine/codecs/jxl_decoder.h"
#include "engine/codecs/picture_libraries.h"
#include "engine/codecs/tiff_decoder.h"
#include "engine/codecs/webp_decoder.h"

#include <new>

namespace {

using varnelo::ConversionLoad;
using varnelo::DecodeCancel;
using varnelo::DecodeStatus;
using varnelo::FileBytes;
using varnelo::Orientation;
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

template <varnelo::OrientationReader read>
Orientation guarded(FileBytes file) noexcept {
    try {
        return read(file);
    } catch (...) {
        return Orientation::Upright;
    }
}

constexpr varnelo::PictureLibraries kTable = {
    varnelo::kPictureLibrariesVersion, guarded<varnelo::decodeWebp>,
    guarded<varnelo::decodeAvif>,      guarded<varnelo::decodeHeif>,
    guarded<varnelo::decodeTiff>,      guarded<varnelo::decodeJxl>,
    guarded<varnelo::avifOrientation>, guarded<varnelo::tiffOrientation>,
    guarded<varnelo::jxlOrientation>,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const varnelo::PictureLibraries*
varnelo_picture_libraries() {
    return &kTable;
}
