#include "engine/conversion_pass.h"

#include "engine/ramp_ink.h"

#include "base/clock.h"
#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "engine/cell_matching.h"
#include "engine/char_source.h"
#include "engine/face_text.h"
#include "engine/line_bands.h"
#include "engine/line_building.h"
#include "engine/ramp_ink.h"
#include "engine/random_generator.h"
#include "engine/reduce_depth.h"
#include "engine/shape_matching.h"
#include "engine/symbol_matching.h"
#include "engine/symbol_sets.h"
#include "engine/terminal_palette.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "reading/resize_picture.h"

#include <optional>
#include <string>
#include <thread>

namespace varnelo {

namespace {

// A document is saved in pieces of about this size, a cancel looked at
// between them.
constexpr std::size_t kWrittenAsBuiltBytes = std::size_t{1} << 20;
// Lines that stay as built are handed to the file once about this many
// bytes of them are held: their memory then serves the next lines, where
// holding more would take new pages, each a fault that costs more than
// writing a small document's lines.
constexpr std::size_t kHeldLineBytes = std::size_t{1} << 15;

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
    // A cancel is looked at between pieces of about a megabyte.
    std::size_t first = 0;
    std::size_t bytes = 0;
    for (std::size_t end = 0; end < lines.size();) {
        bytes += lines[end++].size();
        if (bytes < kWrittenAsBuiltBytes && end < lines.size())
            continue;
        if (cancelled())
            return {WriteStatus::Cancelled, {}, {}};
        if (!file_->writeLines(std::span(lines).subspan(first, end - first), lineEnd_))
            return {WriteStatus::Failed, file_->error(), {}};
        first = end;
        bytes = 0;
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

// Lines that stay as built go to the file while the next ones are built,
// once kHeldLineBytes of them are held: the document is never held whole. Other documents are saved
// once every line is built.
class LineDelivery {
public:
    LineDelivery(const OutputWriter& writer, OutputTarget target, const OutputOpener& openOutput,
                 DocumentLines& lines)
        : lines_(lines) {
        if (writer.producesDocumentLines())
            saver_.emplace(std::move(target), writer.lineEnd(), openOutput);
        writeAsBuilt_ = saver_ && writer.linesAreFinal();
    }

    bool writesAsBuilt() const { return writeAsBuilt_; }
    DocumentSaver* saver() { return saver_ ? &*saver_ : nullptr; }

    /// Writes the lines built so far once they are enough.
    WriteOutcome lineAdded(const std::atomic<bool>& cancelRequested) {
        if (!writeAsBuilt_)
            return {};
        for (; counted_ < lines_.size(); ++counted_)
            builtBytes_ += lines_[counted_].size();
        if (builtBytes_ < kHeldLineBytes)
            return {};
        return writeHeld(cancelRequested);
    }

    /// Writes the lines built so far now.
    WriteOutcome writeHeld(const std::atomic<bool>& cancelRequested) {
        WriteOutcome written = saver_->write(lines_, cancelRequested);
        lines_.clear();
        builtBytes_ = counted_ = 0;
        return written;
    }

private:
    DocumentLines& lines_;
    std::optional<DocumentSaver> saver_;
    bool writeAsBuilt_ = false;
    std::size_t builtBytes_ = 0;
    std::size_t counted_ = 0;
};

ConversionPass::ConversionPass(ConversionSettings settings, RandomGenerator& random,
                               const Clock& clock, PassObserver& observer,
                               const std::atomic<bool>& cancelRequested, WriterFactory makeWriter,
                               OutputOpener openOutput)
    : settings_(std::move(settings)), random_(random), clock_(clock), observer_(observer),
      cancelRequested_(cancelRequested), makeWriter_(std::move(makeWriter)),
      openOutput_(std::move(openOutput)) {
    // A symbol shows the picture with both its colours: its cell is filled
    // whatever the settings say.
    if (drawsTwoColourSymbols(settings_.transformation))
        settings_.fillCells = true;
}

PassResult ConversionPass::savingFailed(std::string reason) const {
    return PassResult::failed(
        {FailureStage::Saving, settings_.outputPath, LoadOutcome{}, std::move(reason)});
}

PassResult ConversionPass::run() {
    WorkBitmap picture;
    // Loaded at the size it converts to, so that a big picture is never held whole.
    ConversionLoad conversion;
    conversion.coarserBy = loadCoarserBy(settings_);
    conversion.memoryLimit = settings_.memoryLimit;
    conversion.sizeOf = [this](int /*width*/, int /*height*/) {
        return conversionLoadSize(settings_, {settings_.imageWidth, settings_.imageHeight});
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
        observer_.showProgress(PassProgress::of(PassStage::Resizing));
    return run(std::move(picture));
}

std::optional<PassResult> ConversionPass::endOf(const WriteOutcome& outcome) const {
    // Written into its place, the output is there, whatever came after:
    // a cancel that came too late to stop it does not say otherwise.
    if (outcome.status == WriteStatus::Written && !outcome.path.empty())
        return std::nullopt;
    if (cancelled() || outcome.status == WriteStatus::Cancelled)
        return PassResult::cancelled();
    if (outcome.status == WriteStatus::Failed)
        return savingFailed(outcome.reason);
    return std::nullopt;
}

PassResult ConversionPass::run(WorkBitmap picture) {
    lines_.clear();
    if (std::optional<PassResult> end = prepare(picture))
        return *std::move(end);
    const int height = picture.height();
    observer_.setProgressRange(height);
    const std::uint32_t t0 = clock_.tickCount();

    WriterContext context{lines_, observer_, random_, cancelRequested_, openOutput_};
    const std::unique_ptr<OutputWriter> writer = makeWriter_(settings_, context);
    const OutputStart start = writer->beginOutput(settings_, picture.width(), height);
    if (!start.proceeds()) {
        lines_.clear();
        return cancelled() ? PassResult::cancelled() : start.end();
    }
    LineDelivery delivery(*writer, outputTarget(settings_), openOutput_, lines_);
    if (std::optional<PassResult> end = produceLines(*writer, picture, delivery))
        return *std::move(end);
    const std::uint32_t t1 = clock_.tickCount();
    picture.clear(); // the image output needs the memory more

    PassResult delivered = deliver(*writer, delivery, height);
    lines_.clear();
    if (delivered.end != PassEnd::Done)
        return delivered;
    const std::uint32_t milliseconds = t1 - t0;
    observer_.showProgress(PassProgress::done(milliseconds));
    return PassResult::done(milliseconds, std::move(delivered.outputPath));
}

std::optional<PassResult> ConversionPass::prepare(WorkBitmap& picture) {
    // A side below 1 goes on to the empty picture, which the writers refuse.
    if (!conversionSizeWithinLimits(settings_.imageWidth, settings_.imageHeight))
        return PassResult::refused({RefusalReason::PictureTooLarge, settings_.imageWidth,
                                    settings_.imageHeight, kMaxConversionPixels, 0, 0});
    bool prepared = true;
    if (readsCells(settings_.transformation)) {
        if (std::optional<PassResult> end = matchPictureCells(picture, prepared))
            return end;
    } else {
        prepared = resizePicture(picture, settings_.imageWidth, settings_.imageHeight, observer_,
                                 &cancelRequested_);
        // The ramp's ink, where its characters stand on a background.
        const CharacterMode& mode = characterModeOf(settings_.transformation);
        const ByteString drawn = mode.drawnFromFace ? mode.drawnFromFace(settings_) : ByteString();
        if (prepared && settings_.transformation == PixelTransformation::BrightnessRamp &&
            !drawn.empty() && glyphShaper_)
            showRampInk(
                picture, settings_,
                glyphShaper_(conversionFace(settings_.transformation, settings_.fontFace), drawn),
                shapeTexts_);
    }
    // The inks a mode chose are colours of the picture as much as its own.
    if (prepared && !shapeTexts_.inks.isEmpty())
        prepared = reduceDepth(shapeTexts_.inks, settings_.colorDepth);
    if (!prepared || !reduceDepth(picture, settings_.colorDepth)) {
        if (cancelled())
            return PassResult::cancelled();
        return PassResult::failed({FailureStage::OutOfMemory, settings_.sourcePath, {}, {}});
    }
    if (cancelled())
        return PassResult::cancelled();
    return std::nullopt;
}

namespace {

// The picture at the detail, beside the one it is made from, the colours
// (and filled, the inks) and the characters chosen: all held at once, and
// refused as a load over its limit when they would take more.
std::optional<PassResult> cellsOverMemory(const ConversionSettings& settings, PictureSize detail,
                                          PictureSize loaded) {
    const CharacterMode& mode = characterModeOf(settings.transformation);
    const std::int64_t cells = std::int64_t{settings.imageWidth} * settings.imageHeight;
    const std::int64_t needed = std::int64_t{detail.width} * detail.height * 4 +
                                std::int64_t{loaded.width} * loaded.height * 4 +
                                (settings.fillCells ? 6 : 3) * cells +
                                cells * charactersPerPixel(settings) * (mode.utf8Texts ? 4 : 1);
    if (needed <= settings.memoryLimit)
        return std::nullopt;
    LoadOutcome load;
    load.status = LoadStatus::Failed;
    load.detail = DecodeStatus::OverMemoryLimit;
    load.memoryNeeded = needed;
    load.memoryLimit = settings.memoryLimit;
    return PassResult::failed({FailureStage::Loading, settings.sourcePath, load, {}});
}

} // namespace

std::optional<PassResult> ConversionPass::matchPictureCells(WorkBitmap& picture, bool& prepared) {
    const int width = settings_.imageWidth;
    const int height = settings_.imageHeight;
    // A picture loaded coarser than the detail asked for, as a JPEG may be,
    // is matched as it is; any other is brought to the detail.
    const PictureSize detail = conversionLoadSize(settings_, {width, height});
    const PictureSize loaded{picture.width(), picture.height()};
    // At least a sample a character: a size whose samples no picture may
    // have is refused as such, not as a lack of memory.
    if (!pictureSizeAllowed(detail.width, detail.height))
        return PassResult::failed(
            {FailureStage::Unexpected,
             settings_.sourcePath,
             {},
             std::string(characterModeOf(settings_.transformation).name) +
                 " mode reads the picture at " + std::to_string(detail.width) + " \u00D7 " +
                 std::to_string(detail.height) +
                 " samples, more than a picture may have (try a smaller size)"});
    if (std::optional<PassResult> refused = cellsOverMemory(settings_, detail, loaded))
        return refused;
    const CharacterMode& mode = characterModeOf(settings_.transformation);
    prepared = true;
    // Matched already, while the picture loaded, for these settings.
    if (matched_) {
        picture = std::move(matched_->colors);
        shapeTexts_ = std::move(matched_->texts);
        matched_.reset();
        return std::nullopt;
    }
    if (loaded.width < width || loaded.height < height ||
        !takenAsDecoded(loaded, detail, mode.everySample ? 1 : loadCoarserBy(settings_)))
        prepared =
            resizePicture(picture, detail.width, detail.height, observer_, &cancelRequested_);
    if (!prepared || picture.isEmpty())
        return std::nullopt;
    WorkBitmap colors;
    const ShapeMatchEnd matched = mode.matchCells({picture, width, height, settings_, glyphShaper_,
                                                   shownColoursOf(settings_), cancelRequested_},
                                                  colors, shapeTexts_);
    if (matched == ShapeMatchEnd::NothingToDraw)
        return PassResult::failed(
            {FailureStage::Unexpected,
             settings_.sourcePath,
             {},
             "no font draws the characters of " + std::string(mode.name) + " mode"});
    if (matched == ShapeMatchEnd::Cancelled)
        return PassResult::cancelled();
    prepared = matched == ShapeMatchEnd::Done;
    picture = std::move(colors);
    return std::nullopt;
}

ShownColours shownColoursOf(const ConversionSettings& settings) {
    ShownColours shown;
    // Text has no colours: its symbols are the terminal's ink on its
    // ground, light on the dark background symbols take, dark on a light one.
    if (settings.outputFormat == OutputFormat::PlainText) {
        const bool dark = luminanceOf(settings.backgroundColor) < 128;
        shown.given = true;
        shown.ink = dark ? makeRgb(255, 255, 255) : makeRgb(0, 0, 0);
        shown.background = dark ? makeRgb(0, 0, 0) : makeRgb(255, 255, 255);
    }
    // A terminal of few colours shows the palette's: the cells are chosen
    // among them.
    if (settings.outputFormat == OutputFormat::AnsiText) {
        if (settings.terminalColors == TerminalColors::Palette256)
            shown.palette = shownInXterm256;
        else if (settings.terminalColors == TerminalColors::Palette16)
            shown.palette = shownInXterm16;
    }
    return shown;
}

std::optional<PassResult> ConversionPass::produceLines(OutputWriter& writer,
                                                       const WorkBitmap& picture,
                                                       LineDelivery& delivery) {
    const int height = picture.height();
    const ShapeTexts* chosen = shapeTexts_.empty() ? nullptr : &shapeTexts_;
    // A big picture's lines are built on two cores, where each line stands
    // alone and the generator can be moved on to it.
    const bool banded = delivery.writesAsBuilt() &&
                        std::int64_t{picture.width()} * height >= secondThreadFrom_ &&
                        std::thread::hardware_concurrency() > 1;
    if (banded) {
        if (const std::unique_ptr<LineBands> bands =
                LineBands::prepare(settings_, picture, chosen, writer, random_, cancelRequested_))
            return produceInBands(*bands, delivery, height);
    }
    std::int32_t phrasePosition = 0;
    ByteString text;
    for (int y = 0; y < height; ++y) {
        if (cancelled())
            return PassResult::cancelled();
        observer_.showProgress(PassProgress::drawing(y, height));
        observer_.setProgressPosition(y);
        if (!buildLine(writer, random_, settings_, picture, chosen, y, phrasePosition, text,
                       [this] { return cancelled(); }))
            return PassResult::cancelled();
        if (std::optional<PassResult> end = endOf(delivery.lineAdded(cancelRequested_)))
            return end;
    }
    return std::nullopt;
}

std::optional<PassResult> ConversionPass::produceInBands(LineBands& bands, LineDelivery& delivery,
                                                         int height) {
    // The lines the writer began the document with go first.
    if (std::optional<PassResult> end = endOf(delivery.writeHeld(cancelRequested_)))
        return end;
    DocumentSaver& saver = *delivery.saver();
    WriteOutcome failed; // set by whichever thread saves, read once both are done
    const auto save = [&](const DocumentLines& lines) {
        WriteOutcome outcome = saver.write(lines, cancelRequested_);
        if (outcome.status == WriteStatus::Written)
            return true;
        failed = std::move(outcome);
        return false;
    };
    int reported = 0;
    const auto rowsWritten = [&](int rows) {
        for (; reported < rows; ++reported) {
            if (cancelled())
                return false;
            observer_.showProgress(PassProgress::drawing(reported, height));
            observer_.setProgressPosition(reported);
        }
        return true;
    };
    const bool whole = bands.run(save, rowsWritten); // rethrows what the second thread threw
    if (std::optional<PassResult> end = endOf(failed))
        return end;
    if (!whole || cancelled())
        return PassResult::cancelled();
    random_ = bands.generatorAfter();
    return std::nullopt;
}

PassResult ConversionPass::deliver(OutputWriter& writer, LineDelivery& delivery, int height) {
    // Every line is built: the bar stands full while the output is saved,
    // whether the saving then succeeds or not.
    observer_.setProgressPosition(height);
    const WriteOutcome finished = writer.finishOutput();
    if (std::optional<PassResult> end = endOf(finished))
        return *std::move(end);
    DocumentSaver* saver = delivery.saver();
    if (saver == nullptr)
        return PassResult::done(0, finished.path);
    observer_.showProgress(PassProgress::of(PassStage::Saving));
    const WriteOutcome saved = saver->commit(lines_, cancelRequested_);
    if (std::optional<PassResult> end = endOf(saved))
        return *std::move(end);
    return PassResult::done(0, saved.path);
}

} // namespace varnelo
