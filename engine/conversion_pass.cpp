#include "engine/conversion_pass.h"

#include "engine/atomic_file.h"
#include "engine/char_source.h"
#include "engine/clock.h"
#include "engine/picture_loader.h"
#include "engine/random_generator.h"
#include "engine/reduce_depth.h"
#include "engine/resize_picture.h"
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

OutputTarget outputTarget(const ConversionSettings& settings) {
    return {settings.outputPath, settings.outputNameBase};
}

WriteOutcome writeDocument(const DocumentLines& lines, const OutputTarget& target,
                           const std::atomic<bool>& cancelRequested, std::string_view lineEnd,
                           const OutputOpener& openOutput) {
    const auto cancelled = [&] { return cancelRequested.load(std::memory_order_relaxed); };
    std::string error;
    const std::unique_ptr<OutputFile> file = openOutput(target, error);
    if (!file)
        return {WriteStatus::Failed, error, {}};
    for (const ByteString& line : lines) {
        if (cancelled())
            return {WriteStatus::Cancelled, {}, {}};
        if (!file->write(bytesOf(line)) || !file->write(bytesOf(lineEnd)))
            return {WriteStatus::Failed, file->error(), {}};
    }
    if (cancelled())
        return {WriteStatus::Cancelled, {}, {}};
    if (!file->commit())
        return {WriteStatus::Failed, file->error(), {}};
    return {WriteStatus::Written, {}, file->path()};
}

ConversionPass::ConversionPass(ConversionSettings settings, RandomGenerator& random,
                               const Clock& clock, PassObserver& observer,
                               const std::atomic<bool>& cancelRequested, WriterFactory makeWriter,
                               OutputOpener openOutput)
    : settings_(std::move(settings)), random_(random), clock_(clock), observer_(observer),
      cancelRequested_(cancelRequested), makeWriter_(std::move(makeWriter)),
      openOutput_(std::move(openOutput)) {}

PassResult ConversionPass::savingFailed(std::string reason) const {
    return PassResult::failed(
        {FailureStage::Saving, settings_.outputPath, LoadOutcome{}, std::move(reason)});
}

PassResult ConversionPass::run() {
    WorkBitmap picture;
    const LoadOutcome loaded = loadPicture(settings_.sourcePath, picture, &cancelRequested_);
    if (cancelled())
        return PassResult::cancelled();
    if (picture.isEmpty()) {
        // The picture was there when the conversion started; it has gone
        // or changed since. Converting nothing would look like success.
        return PassResult::failed({FailureStage::Loading, settings_.sourcePath, loaded, {}});
    }
    return run(std::move(picture));
}

PassResult ConversionPass::run(WorkBitmap picture) {
    lines_.clear();
    if (!sizeFits(settings_.imageWidth, settings_.imageHeight))
        return PassResult::refused({RefusalReason::PictureTooLarge, settings_.imageWidth,
                                    settings_.imageHeight, kMaxConversionPixels, 0, 0});
    if (!resizePicture(picture, settings_.imageWidth, settings_.imageHeight, observer_) ||
        !reduceDepth(picture, settings_.colorDepth)) {
        if (cancelled())
            return PassResult::cancelled();
        return PassResult::failed({FailureStage::OutOfMemory, settings_.sourcePath, {}, {}});
    }
    if (cancelled())
        return PassResult::cancelled();

    const int width = picture.width();
    const int height = picture.height();
    observer_.setProgressRange(height);
    std::int32_t phrasePosition = 0;
    const std::uint32_t t0 = clock_.tickCount();

    WriterContext context{lines_, observer_, random_, cancelRequested_, openOutput_};
    const std::unique_ptr<OutputWriter> writer = makeWriter_(settings_, context);
    const OutputStart start = writer->beginOutput(settings_, width, height);
    if (!start.proceeds()) {
        lines_.clear();
        return cancelled() ? PassResult::cancelled() : start.end();
    }

    ByteString text;
    for (int y = 0; y < height; ++y) {
        if (cancelled())
            return PassResult::cancelled();
        observer_.showStatus(processingText(y, height));
        observer_.setProgressPosition(y);
        writer->beginLine(y);
        Rgb previous = 0;
        for (int x = 0; x < width; ++x) {
            if (cancelled())
                return PassResult::cancelled();
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
        return PassResult::cancelled();
    if (finished.status == WriteStatus::Failed)
        return savingFailed(finished.reason);
    observer_.setProgressPosition(height);

    std::string written = finished.path;
    if (writer->producesDocumentLines()) {
        PassResult saved = saveDocument(writer->lineEnd());
        if (saved.end != PassEnd::Done)
            return saved;
        written = std::move(saved.outputPath);
    }
    lines_.clear();
    const std::uint32_t milliseconds = t1 - t0;
    observer_.showStatus("ready - done in " + std::to_string(milliseconds) + " ms");
    return PassResult::done(milliseconds, std::move(written));
}

PassResult ConversionPass::saveDocument(std::string_view lineEnd) {
    observer_.showStatus("saving...");
    const WriteOutcome saved =
        writeDocument(lines_, outputTarget(settings_), cancelRequested_, lineEnd, openOutput_);
    lines_.clear();
    if (cancelled() || saved.status == WriteStatus::Cancelled)
        return PassResult::cancelled();
    if (saved.status == WriteStatus::Failed)
        return savingFailed(saved.reason);
    return PassResult::done(0, saved.path);
}

} // namespace varnelo
