#include "engine/conversion_pass.h"

#include "engine/atomic_file.h"
#include "engine/char_source.h"
#include "engine/clock.h"
#include "engine/conversion_load.h"
#include "engine/line_building.h"
#include "engine/line_helper.h"
#include "engine/picture_loader.h"
#include "engine/random_generator.h"
#include "engine/reduce_depth.h"
#include "engine/resize_picture.h"
#include "engine/work_bitmap.h"

#include <optional>
#include <string>
#include <thread>

namespace varnelo {

namespace {

// Lines written as built go out in pieces of about this size.
constexpr std::size_t kWrittenAsBuiltBytes = std::size_t{1} << 20;

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

DocumentSaver::DocumentSaver(OutputTarget target, std::string_view lineEnd, OutputOpener openOutput)
    : target_(std::move(target)), lineEnd_(lineEnd), openOutput_(std::move(openOutput)) {}

DocumentSaver::~DocumentSaver() = default;

WriteOutcome DocumentSaver::write(const DocumentLines& lines,
                                  const std::atomic<bool>& cancelRequested) {
    const auto cancelled = [&] { return cancelRequested.load(std::memory_order_relaxed); };
    std::string error;
    if (!file_)
        file_ = openOutput_(target_, error);
    if (!file_)
        return {WriteStatus::Failed, error, {}};
    for (const ByteString& line : lines) {
        if (cancelled())
            return {WriteStatus::Cancelled, {}, {}};
        if (!file_->write(bytesOf(line)) || !file_->write(bytesOf(lineEnd_)))
            return {WriteStatus::Failed, file_->error(), {}};
    }
    return {};
}

WriteOutcome DocumentSaver::commit(const DocumentLines& lines,
                                   const std::atomic<bool>& cancelRequested) {
    WriteOutcome outcome = write(lines, cancelRequested);
    if (outcome.status != WriteStatus::Written)
        return outcome;
    if (cancelRequested.load(std::memory_order_relaxed))
        return {WriteStatus::Cancelled, {}, {}};
    if (!file_->commit())
        return {WriteStatus::Failed, file_->error(), {}};
    return {WriteStatus::Written, {}, file_->path()};
}

WriteOutcome writeDocument(const DocumentLines& lines, const OutputTarget& target,
                           const std::atomic<bool>& cancelRequested, std::string_view lineEnd,
                           const OutputOpener& openOutput) {
    DocumentSaver saver(target, lineEnd, openOutput);
    return saver.commit(lines, cancelRequested);
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
    // Loaded at the size it converts to, so that a big picture is never held whole.
    ConversionLoad conversion;
    conversion.sizeOf = [this](int /*width*/, int /*height*/) {
        return PictureSize{settings_.imageWidth, settings_.imageHeight};
    };
    const LoadOutcome loaded =
        loadPicture(settings_.sourcePath, picture, &cancelRequested_, &conversion);
    if (cancelled())
        return PassResult::cancelled();
    if (picture.isEmpty()) {
        // The picture was there when the conversion started; it has gone
        // or changed since. Converting nothing would look like success.
        return PassResult::failed({FailureStage::Loading, settings_.sourcePath, loaded, {}});
    }
    if (conversion.facts.width != picture.width() || conversion.facts.height != picture.height())
        observer_.showStatus("resizing image...");
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

    // Lines that stay as built go to the file while the next ones are built:
    // the document is never held whole.
    std::optional<DocumentSaver> saver;
    if (writer->producesDocumentLines())
        saver.emplace(outputTarget(settings_), writer->lineEnd(), openOutput_);
    const bool writeAsBuilt = saver && writer->linesAreFinal();
    std::size_t builtBytes = 0;
    std::size_t counted = 0;

    // Written in pieces as lines come; the outcome when that ends the pass.
    const auto lineAdded = [&]() -> std::optional<PassResult> {
        if (!writeAsBuilt)
            return std::nullopt;
        for (; counted < lines_.size(); ++counted)
            builtBytes += lines_[counted].size();
        if (builtBytes < kWrittenAsBuiltBytes)
            return std::nullopt;
        const WriteOutcome written = saver->write(lines_, cancelRequested_);
        lines_.clear();
        builtBytes = counted = 0;
        if (cancelled() || written.status == WriteStatus::Cancelled)
            return PassResult::cancelled();
        if (written.status == WriteStatus::Failed)
            return savingFailed(written.reason);
        return std::nullopt;
    };

    // A big picture's lower half is built on a second core meanwhile, where
    // each line stands alone and the generator can be moved on to it.
    const bool helped = writeAsBuilt && std::int64_t{width} * height >= secondThreadFrom_ &&
                        std::thread::hardware_concurrency() > 1;
    const int ownRows = helped ? height / 2 : height;
    std::unique_ptr<LineHelper> helper =
        helped ? LineHelper::start(settings_, picture, ownRows, *writer, random_, cancelRequested_)
               : nullptr;
    const int builtHere = helper ? ownRows : height;

    ByteString text;
    for (int y = 0; y < builtHere; ++y) {
        if (cancelled())
            return PassResult::cancelled();
        observer_.showStatus(processingText(y, height));
        observer_.setProgressPosition(y);
        if (!buildLine(*writer, random_, settings_, picture, y, phrasePosition, text,
                       [this] { return cancelled(); }))
            return PassResult::cancelled();
        if (std::optional<PassResult> end = lineAdded())
            return *std::move(end);
    }
    if (helper) {
        for (int y = builtHere; y < height; ++y) {
            ByteString* line = helper->waitForLine(y);
            if (line == nullptr)
                break;
            if (cancelled())
                return PassResult::cancelled();
            observer_.showStatus(processingText(y, height));
            observer_.setProgressPosition(y);
            lines_.push_back(std::move(*line));
            if (std::optional<PassResult> end = lineAdded())
                return *std::move(end);
        }
        random_ = helper->finish(); // rethrows what the helper threw
        if (cancelled())
            return PassResult::cancelled();
    }
    const std::uint32_t t1 = clock_.tickCount();
    picture.clear(); // the image output needs the memory more

    // Every line is built: the bar stands full while the output is saved,
    // whether the saving then succeeds or not.
    observer_.setProgressPosition(height);
    const WriteOutcome finished = writer->finishOutput();
    if (cancelled() || finished.status == WriteStatus::Cancelled)
        return PassResult::cancelled();
    if (finished.status == WriteStatus::Failed)
        return savingFailed(finished.reason);

    std::string written = finished.path;
    if (saver) {
        PassResult saved = saveDocument(*saver);
        if (saved.end != PassEnd::Done)
            return saved;
        written = std::move(saved.outputPath);
    }
    lines_.clear();
    const std::uint32_t milliseconds = t1 - t0;
    observer_.showStatus("ready - done in " + std::to_string(milliseconds) + " ms");
    return PassResult::done(milliseconds, std::move(written));
}

PassResult ConversionPass::saveDocument(DocumentSaver& saver) {
    observer_.showStatus("saving...");
    const WriteOutcome saved = saver.commit(lines_, cancelRequested_);
    lines_.clear();
    if (cancelled() || saved.status == WriteStatus::Cancelled)
        return PassResult::cancelled();
    if (saved.status == WriteStatus::Failed)
        return savingFailed(saved.reason);
    return PassResult::done(0, saved.path);
}

} // namespace varnelo
