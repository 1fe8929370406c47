#include "reading/upright_picture.h"

#include "base/work_bitmap.h"

#include <atomic>
#include <cstring>

namespace varnelo {

namespace {

struct Point {
    int x;
    int y;
};

// The stored pixel that shows at (x, y) of the upright picture, for a
// stored picture of width × height.
Point storedPixel(Orientation orientation, int x, int y, int width, int height) {
    switch (orientation) {
    case Orientation::Upright:
        break;
    case Orientation::MirroredLeftRight:
        return {width - 1 - x, y};
    case Orientation::Rotated180:
        return {width - 1 - x, height - 1 - y};
    case Orientation::MirroredTopBottom:
        return {x, height - 1 - y};
    case Orientation::Transposed:
        return {y, x};
    case Orientation::RotatedClockwise:
        return {y, height - 1 - x};
    case Orientation::Transversed:
        return {width - 1 - y, height - 1 - x};
    case Orientation::RotatedAnticlockwise:
        return {width - 1 - y, x};
    }
    return {x, y};
}

} // namespace

DecodeStatus turnUpright(WorkBitmap& picture, Orientation orientation, DecodeCancel cancel) {
    if (orientation == Orientation::Upright || picture.isEmpty())
        return DecodeStatus::Ok;
    const int width = picture.width();
    const int height = picture.height();
    const bool swaps = swapsSides(orientation);
    WorkBitmap upright;
    if (!upright.allocate(swaps ? height : width, swaps ? width : height, picture.depth()))
        return DecodeStatus::OutOfMemory;
    upright.setColorTable(picture.colorTable());
    const auto pixelBytes = static_cast<std::size_t>(bytesPerPixel(picture.depth()));
    for (int y = 0; y < upright.height(); ++y) {
        // A row takes well under a millisecond, even of the largest picture.
        if (cancelled(cancel))
            return DecodeStatus::Cancelled;
        std::uint8_t* out = upright.row(y);
        for (int x = 0; x < upright.width(); ++x, out += pixelBytes) {
            const Point from = storedPixel(orientation, x, y, width, height);
            std::memcpy(out, picture.row(from.y) + static_cast<std::size_t>(from.x) * pixelBytes,
                        pixelBytes);
        }
    }
    picture = std::move(upright);
    return DecodeStatus::Ok;
}

} // namespace varnelo
