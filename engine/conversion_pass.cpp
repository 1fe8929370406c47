#include "engine/conversion_pass.h"

#include "engine/atomic_file.h"
#include "engine/char_source.h"
#include "engine/clock.h"
#include "engine/picture_loader.h"
#include "engine/picture_preparation.h"
#include "engine/random_generator.h"
#include "engine/work_bitmap.h"

#include <string>

namespace varnelo {

namespace {

bool sizeFits(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0)
        return true; // gives the empty picture
    return width <= kMaxConversionSide && height <= kMaxConversionSide &&
           width * height <= kMaxConversionPixels;
}

std::string processingText(int y, int height) {
    return "processing image line " + std::to_string(y) + " of " + std::to_string(height) + "...";
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

std::string savingFailedMessage(const std::string& path, std::string_view reason) {
    std::string message = "failed saving \"" + path + "\"!\r\n";
    message += reason;
    return message;
}

WriteOutcome writeDocument(const DocumentLines& lines, const std::string& path,
                           const std::atomic<bool>& cancelRequested) {
    AtomicFile file;
    if (!file.open(path))
        return {WriteStatus::Failed, file.error()};
    for (const ByteString& line : lines) {
        if (cancelRequested.load(std::memory_order_relaxed))
            return {WriteStatus::Cancelled, {}};
        if (!file.write(bytesOf(line)) || !file.write(bytesOf("\r\n")))
            return {WriteStatus::Failed, file.error()};
    }
    if (cancelRequested.load(std::memory_order_relaxed))
        return {WriteStatus::Cancelled, {}};
    if (!file.commit())
        return {WriteStatus::Failed, file.error()};
    return {};
}

ConversionPass::ConversionPass(ConversionSettings settings, RandomGenerator& random,
                               const Clock& clock, PassObserver& observer,
                               const std::atomic<bool>& cancelRequested, WriterFactory makeWriter)
    : settings_(std::move(settings)), random_(random), clock_(clock), observer_(observer),
      cancelRequested_(cancelRequested), makeWriter_(std::move(makeWriter)) {}

PassEnd ConversionPass::fail(std::string_view message, std::string_view status) {
    if (cancelled())
        return PassEnd::Cancelled;
    observer_.showError(message);
    observer_.showStatus(status);
    return PassEnd::Failed;
}

PassEnd ConversionPass::run() {
    lines_.clear();
    WorkBitmap picture;
    const LoadOutcome loaded = loadPicture(settings_.sourcePath, picture);
    if (cancelled())
        return PassEnd::Cancelled;
    if (picture.isEmpty()) {
        // The picture was there when the conversion started; it has gone
        // or changed since. Converting nothing would look like success.
        if (loaded.status == LoadStatus::PngFailed)
            return fail("failed displaying \"" + settings_.sourcePath + "\"!", "loading failed!");
        return fail("please select a valid imagefile!", "loading failed!");
    }

    if (!sizeFits(settings_.imageWidth, settings_.imageHeight)) {
        observer_.showError(
            "Image size of " + std::to_string(settings_.imageWidth) + " x " +
            std::to_string(settings_.imageHeight) + " pixel is exceeding the limit of " +
            std::to_string(kMaxConversionPixels) + " pixel!\r\ntry to reduce the image size!");
        observer_.showStatus("cancelled!");
        return PassEnd::Cancelled;
    }
    if (!resizePicture(picture, settings_.imageWidth, settings_.imageHeight, observer_) ||
        !reduceDepth(picture, settings_.colorDepth))
        return fail("not enough memory for a picture of this size!", "cancelled!");
    if (cancelled())
        return PassEnd::Cancelled;

    const int width = picture.width();
    const int height = picture.height();
    observer_.setProgressRange(height);
    std::int32_t phrasePosition = 0;
    const std::uint32_t t0 = clock_.tickCount();

    WriterContext context{lines_, observer_, random_, cancelRequested_};
    const std::unique_ptr<OutputWriter> writer = makeWriter_(settings_, context);
    if (!writer->beginOutput(settings_, width, height)) {
        lines_.clear();
        if (!cancelled())
            observer_.showStatus("cancelled!");
        return PassEnd::Cancelled;
    }

    ByteString text;
    for (int y = 0; y < height; ++y) {
        if (cancelled())
            return PassEnd::Cancelled;
        observer_.showStatus(processingText(y, height));
        observer_.setProgressPosition(y);
        writer->beginLine(y);
        Rgb previous = 0;
        for (int x = 0; x < width; ++x) {
            if (cancelled())
                return PassEnd::Cancelled;
            advancePhrasePosition(settings_, phrasePosition);
            nextPixelText(random_, settings_, phrasePosition, text);
            const Rgb color = picture.pixelColor(x, y);
            writer->putPixel(x, y, text, color, x == 0 || color != previous);
            previous = color;
        }
        writer->endLine(y);
    }
    const std::uint32_t t1 = clock_.tickCount();
    picture.clear(); // the image output needs the memory more

    const WriteOutcome finished = writer->finishOutput();
    if (cancelled() || finished.status == WriteStatus::Cancelled)
        return PassEnd::Cancelled;
    if (finished.status == WriteStatus::Failed)
        return fail(savingFailedMessage(settings_.outputPath, finished.reason), "saving failed!");
    observer_.setProgressPosition(height);

    if (settings_.outputFormat != OutputFormat::Image) {
        const PassEnd saved = saveDocument();
        if (saved != PassEnd::Done)
            return saved;
    }
    lines_.clear();
    observer_.showStatus("ready - done in " + std::to_string(t1 - t0) + " ms");
    return PassEnd::Done;
}

PassEnd ConversionPass::saveDocument() {
    observer_.showStatus("saving...");
    const WriteOutcome saved = writeDocument(lines_, settings_.outputPath, cancelRequested_);
    lines_.clear();
    if (cancelled() || saved.status == WriteStatus::Cancelled)
        return PassEnd::Cancelled;
    if (saved.status == WriteStatus::Failed)
        return fail(savingFailedMessage(settings_.outputPath, saved.reason), "saving failed!");
    return PassEnd::Done;
}

} // namespace varnelo
