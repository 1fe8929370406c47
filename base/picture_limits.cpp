#include "base/picture_limits.h"

namespace varnelo {

bool pictureSizeAllowed(std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        return false;
    return width * height <= kMaxPicturePixels; // both ≤ 65535: no overflow
}

std::optional<std::size_t> pictureBufferSize(std::int64_t width, std::int64_t height,
                                             int bytesPerPixel) {
    if (!pictureSizeAllowed(width, height) || bytesPerPixel < 1 || bytesPerPixel > 8)
        return std::nullopt;
    return static_cast<std::size_t>(width * height * bytesPerPixel);
}

std::optional<std::size_t> paddedRowSize(std::int64_t width, int bitsPerPixel) {
    if (width < 1 || width > kMaxPictureSide || bitsPerPixel < 1 || bitsPerPixel > 64)
        return std::nullopt;
    const std::int64_t bits = width * bitsPerPixel;
    return static_cast<std::size_t>((bits + 31) / 32 * 4);
}

bool conversionSizeWithinLimits(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0)
        return true;
    return width <= kMaxConversionSide && height <= kMaxConversionSide &&
           width * height <= kMaxConversionPixels;
}

} // namespace varnelo
