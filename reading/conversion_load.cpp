#include "reading/conversion_load.h"

#include "base/pass_progress.h"
#include "base/picture_limits.h"
#include "reading/resize_picture.h"

#include <algorithm>

namespace varnelo {

bool memoryAllows(ConversionLoad* conversion, std::int64_t bytes) {
    const std::int64_t limit =
        conversion != nullptr ? conversion->memoryLimit : kDefaultMemoryLimit;
    if (bytes <= limit)
        return true;
    if (conversion != nullptr)
        conversion->memoryNeeded = std::max(conversion->memoryNeeded, bytes);
    return false;
}

bool conversionSizeUsable(PictureSize size) {
    return size.width >= 1 && size.height >= 1 &&
           conversionSizeWithinLimits(size.width, size.height);
}

bool conversionResizes(PictureSize size, int width, int height) {
    return conversionSizeUsable(size) && (size.width != width || size.height != height);
}

bool takenAsDecoded(PictureSize decoded, PictureSize size, int coarserBy) {
    if (coarserBy <= 1)
        return decoded.width == size.width && decoded.height == size.height;
    return std::int64_t{decoded.width} * coarserBy >= size.width &&
           std::int64_t{decoded.height} * coarserBy >= size.height &&
           std::int64_t{decoded.width} * decoded.height <= std::int64_t{size.width} * size.height;
}

PictureFacts factsOf(const WorkBitmap& picture) {
    return {picture.width(), picture.height(), picture.depth(),
            picture.isEmpty() ? Rgb{0} : picture.pixelColor(0, 0)};
}

namespace {

class NoStatus final : public ProgressSink {
public:
    void showProgress(const PassProgress& /*progress*/) override {}
};

} // namespace

DecodeStatus resizeAfterLoading(DecodeStatus status, WorkBitmap& picture,
                                ConversionLoad* conversion, DecodeCancel cancel) {
    if (status != DecodeStatus::Ok || conversion == nullptr)
        return status;
    conversion->facts = factsOf(picture);
    if (!conversion->sizeOf)
        return status;
    const PictureSize size = conversion->sizeOf(picture.width(), picture.height());
    if (!conversionResizes(size, picture.width(), picture.height()))
        return status;
    NoStatus quiet;
    if (!resizePicture(picture, size.width, size.height, quiet, cancel)) {
        picture.clear();
        return cancelled(cancel) ? DecodeStatus::Cancelled : DecodeStatus::OutOfMemory;
    }
    return status;
}

} // namespace varnelo
