#pragma once

#include "base/pass_progress.h"
#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/resize_picture.h"

#include <algorithm>

namespace varnelo::test {

/// A conversion load to a fixed size.
inline ConversionLoad loadTo(PictureSize size) {
    ConversionLoad conversion;
    conversion.sizeOf = [size](int, int) { return size; };
    return conversion;
}

/// A conversion load that divides each side, keeping at least 1.
inline ConversionLoad loadShrunkBy(int acrossBy, int downBy) {
    ConversionLoad conversion;
    conversion.sizeOf = [acrossBy, downBy](int width, int height) {
        return PictureSize{std::max(1, width / acrossBy), std::max(1, height / downBy)};
    };
    return conversion;
}

/// What loading whole and then resizing gives.
inline WorkBitmap resizedCopy(WorkBitmap picture, PictureSize size) {
    struct Quiet final : ProgressSink {
        void showProgress(const PassProgress& /*progress*/) override {}
    } quiet;
    if (!resizePicture(picture, size.width, size.height, quiet))
        picture.clear();
    return picture;
}

} // namespace varnelo::test
