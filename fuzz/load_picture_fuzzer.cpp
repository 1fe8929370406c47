// Feeds arbitrary bytes to one picture decoder, then reads every pixel and
// runs the preparation steps a conversion runs, so that a decoder that
// leaves an inconsistent picture behind is caught too. The bytes are
// decoded a second time as a conversion loads them, shrunk while decoding.
#include "base/pass_progress.h"
#include "base/work_bitmap.h"
#include "engine/reduce_depth.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "reading/resize_picture.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#ifndef VARNELO_FUZZ_PICTURE_TYPE
#error "define VARNELO_FUZZ_PICTURE_TYPE to a PictureType enumerator"
#endif

namespace {

class SilentProgress final : public varnelo::ProgressSink {
public:
    void showProgress(const varnelo::PassProgress& /*progress*/) override {}
};

} // namespace

namespace {

// The rows of a conversion that shrinks the picture go straight from the
// decoder to the resizer: the picture must come at exactly that size.
void loadShrunk(const std::uint8_t* data, std::size_t size) {
    using namespace varnelo;
    const int divisor = size > 0 ? 1 + data[size - 1] % 9 : 2;
    ConversionLoad conversion;
    conversion.sizeOf = [divisor](int width, int height) {
        return PictureSize{std::max(1, width / divisor), std::max(1, height / divisor)};
    };
    WorkBitmap picture;
    const DecodeStatus status = decodePicture(PictureType::VARNELO_FUZZ_PICTURE_TYPE, {data, size},
                                              picture, nullptr, &conversion);
    if (status != DecodeStatus::Ok) {
        if (!picture.isEmpty())
            __builtin_trap();
        return;
    }
    const PictureSize wanted = conversion.sizeOf(conversion.facts.width, conversion.facts.height);
    if (conversionSizeUsable(wanted) &&
        (picture.width() != wanted.width || picture.height() != wanted.height))
        __builtin_trap();
    if (!picture.isEmpty() &&
        picture.pixelColor(picture.width() - 1, picture.height() - 1) > 0xFFFFFFu)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnelo;
    loadShrunk(data, size);
    WorkBitmap picture;
    const DecodeStatus status =
        decodePicture(PictureType::VARNELO_FUZZ_PICTURE_TYPE, {data, size}, picture);
    if (status != DecodeStatus::Ok) {
        if (!picture.isEmpty())
            __builtin_trap(); // a failed decode must leave no picture
        return 0;
    }
    if (picture.isEmpty())
        __builtin_trap(); // success must deliver a picture
    // Huge pictures are legal and cheap to decode (a few bytes of RLE or
    // LZW can describe them), but reading all of them would only slow the
    // fuzzer down: their corners and a few rows are read instead.
    const bool small = std::int64_t{picture.width()} * picture.height() <= (1 << 22);
    const int rowStep = small ? 1 : std::max(1, picture.height() / 8);
    Rgb bits = 0;
    for (int y = 0; y < picture.height(); y += rowStep)
        for (int x = 0; x < picture.width(); ++x)
            bits |= picture.pixelColor(x, y);
    bits |= picture.pixelColor(picture.width() - 1, picture.height() - 1);
    if (bits > 0xFFFFFFu)
        __builtin_trap(); // colours are 24 bits

    if (small) {
        SilentProgress silent;
        if (resizePicture(picture, 7, 5, silent))
            (void)reduceDepth(picture, ColorDepth::Depth8);
    }
    return 0;
}
