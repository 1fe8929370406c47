#include "reading/picture_rows.h"

#include "reading/arriving_rows.h"

#include <algorithm>
#include <system_error>

namespace varnelo {

PictureRows::PictureRows(WorkBitmap& picture, ConversionLoad* conversion)
    : picture_(picture), conversion_(conversion) {}

PictureRows::~PictureRows() {
    // A decoding that ended without finish (libjpeg's error exit) takes its
    // picture with it.
    beside_.reset();
    stopTelling();
}

void PictureRows::stopTelling() {
    if (telling_ != nullptr)
        telling_->stop();
    telling_ = nullptr;
}

namespace {

std::int64_t bytesOf(std::int64_t width, std::int64_t height, PixelDepth depth) {
    return width * height * bytesPerPixel(depth);
}

} // namespace

std::optional<PictureSize> PictureRows::conversionSize(int width, int height) const {
    if (conversion_ == nullptr || !conversion_->sizeOf)
        return std::nullopt;
    const PictureSize size = conversion_->sizeOf(width, height);
    if (!conversionResizes(size, width, height))
        return std::nullopt;
    return size;
}

PictureSize PictureRows::leastDecodedSize(PictureSize size) const {
    const int by = conversion_ == nullptr ? 1 : std::max(conversion_->coarserBy, 1);
    return {(size.width + by - 1) / by, (size.height + by - 1) / by};
}

bool PictureRows::keepsDecoded(PictureSize decoded, PictureSize size) const {
    return conversion_ != nullptr && conversion_->coarserBy > 1 && conversion_->keepCoarser &&
           takenAsDecoded(decoded, size, conversion_->coarserBy);
}

DecodeStatus PictureRows::allowed(std::int64_t rowBytes) {
    return memoryAllows(conversion_, rowBytes + besides_) ? DecodeStatus::Ok
                                                          : DecodeStatus::OverMemoryLimit;
}

DecodeStatus PictureRows::startWhole(int width, int height, PixelDepth depth) {
    beside_.reset();
    stopTelling();
    resizer_.reset();
    scratch_.clear();
    scaledByDecoder_ = false;
    own_ = {width, height};
    // A whole picture that converts is resized once it is loaded, into a
    // second one beside it.
    std::int64_t bytes = bytesOf(width, height, depth);
    if (const std::optional<PictureSize> size = conversionSize(width, height))
        bytes += bytesOf(size->width, size->height, depth);
    if (const DecodeStatus status = allowed(bytes); status != DecodeStatus::Ok)
        return status;
    return picture_.allocate(width, height, depth) ? DecodeStatus::Ok : DecodeStatus::OutOfMemory;
}

DecodeStatus PictureRows::startScaledByDecoder(PictureSize size, PixelDepth depth,
                                               PictureSize own) {
    beside_.reset();
    stopTelling();
    resizer_.reset();
    scratch_.clear();
    scaledByDecoder_ = true;
    own_ = own;
    if (const DecodeStatus status = allowed(bytesOf(size.width, size.height, depth));
        status != DecodeStatus::Ok)
        return status;
    return picture_.allocate(size.width, size.height, depth) ? DecodeStatus::Ok
                                                             : DecodeStatus::OutOfMemory;
}

DecodeStatus PictureRows::startStreamed(PictureSize size, int decodedWidth, int decodedHeight,
                                        PixelDepth depth, PictureSize own, int scratchRows,
                                        SourceExtent extent, bool beside) {
    beside_.reset();
    stopTelling();
    scaledByDecoder_ = false;
    // Beside, a ring of rows: the decoder writes some while the resizer
    // takes others. Only for a large result: a small one is resized in
    // less time than the thread and its hand-overs take.
    constexpr int kRingGroups = 4;
    constexpr std::int64_t kPixelsWorthAThread = 256 * 1024;
    beside = beside && std::int64_t{size.width} * size.height >= kPixelsWorthAThread;
    if (beside)
        scratchRows *= kRingGroups;
    own_ = own;
    // The resizer keeps its weights, a column's and a row's, and a few
    // rows scaled across; about twice the picture it makes at most.
    const std::int64_t target = bytesOf(size.width, size.height, depth);
    const std::int64_t bytes = bytesOf(decodedWidth, scratchRows, depth) + 3 * target +
                               16 * (std::int64_t{decodedWidth} + decodedHeight);
    if (const DecodeStatus status = allowed(bytes); status != DecodeStatus::Ok)
        return status;
    if (!scratch_.allocate(decodedWidth, scratchRows, depth) ||
        !picture_.allocate(size.width, size.height, depth))
        return DecodeStatus::OutOfMemory;
    resizer_ = std::make_unique<RowResizer>(decodedWidth, decodedHeight, picture_, extent);
    if (beside) {
        try {
            ArrivingRows* arriving = conversion_ != nullptr ? conversion_->arriving : nullptr;
            std::function<void(int)> told;
            if (arriving != nullptr)
                told = [arriving](int rows) { arriving->written(rows); };
            beside_ = std::make_unique<ResizingBeside>(*resizer_, scratch_, std::move(told));
            if (arriving != nullptr) {
                arriving->begin(picture_, own_);
                telling_ = arriving;
            }
        } catch (const std::system_error&) {
            // no thread to be had: resized between the decoder's rows
        }
    }
    return DecodeStatus::Ok;
}

void PictureRows::setColorTable(std::span<const Rgb> colors) {
    picture_.setColorTable(colors);
    scratch_.setColorTable(colors);
}

std::uint8_t* PictureRows::row(int y) {
    if (beside_)
        return beside_->row(y);
    return resizer_ ? scratch_.row(y % scratch_.height()) : picture_.row(y);
}

void PictureRows::rowDone(int y) {
    if (!resizer_)
        return;
    const int scratchRow = y % scratch_.height();
    if (y == 0)
        topLeft_ = scratch_.pixelColor(0, scratchRow);
    if (beside_)
        beside_->rowDone(y);
    else
        resizer_->pushRowOf(scratch_, scratchRow);
}

DecodeStatus PictureRows::finish(DecodeStatus status, DecodeCancel cancel) {
    if (scaledByDecoder_) {
        if (status == DecodeStatus::Ok)
            conversion_->facts = {own_.width, own_.height, picture_.depth(),
                                  picture_.pixelColor(0, 0)};
        return status;
    }
    if (!resizer_)
        return resizeAfterLoading(status, picture_, conversion_, cancel);
    if (beside_) {
        if (status == DecodeStatus::Ok)
            beside_->finish();
        beside_.reset();
    }
    if (telling_ != nullptr && status == DecodeStatus::Ok) {
        telling_->complete();
        telling_ = nullptr;
    }
    stopTelling();
    if (status == DecodeStatus::Ok)
        conversion_->facts = {own_.width, own_.height, picture_.depth(), topLeft_};
    return status;
}

} // namespace varnelo
