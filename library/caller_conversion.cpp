#include "library/caller_conversion.h"

#include "engine/character_modes.h"
#include "engine/conversion_pass.h"
#include "engine/output_formats.h"
#include "engine/phrase_file.h"
#include "engine/shape_matching.h"
#include "engine/start_check.h"
#include "library/drawing_defaults.h"
#include "library/messages.h"
#include "library/picture_conversion.h"
#include "library/picture_settings.h"
#include "writers/atomic_file.h"
#include "writers/cell_size.h"
#include "writers/character_cells.h"
#include "writers/descriptor_output.h"
#include "writers/glyph_shapes.h"
#include "writers/output_writer_factory.h"

#include <filesystem>
#include <system_error>

namespace varnelo {

namespace {

// Tells the caller's callback how far the conversion has come.
class CallerProgress final : public PassObserver {
public:
    explicit CallerProgress(const CallerJob& job) : job_(job) {}
    void showProgress(const PassProgress& /*progress*/) override {}
    void setProgressRange(int maximum) override { maximum_ = maximum; }
    void setProgressPosition(int position) override {
        if (job_.progress != nullptr)
            job_.progress(position, maximum_, job_.user);
    }

private:
    const CallerJob& job_;
    int maximum_ = 0;
};

// An output kept in memory for the caller.
class MemoryOutput final : public OutputFile {
public:
    explicit MemoryOutput(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool write(std::span<const std::uint8_t> bytes) override {
        try {
            bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        } catch (const std::bad_alloc&) {
            error_ = "not enough memory for the output";
            return false;
        }
        return true;
    }
    bool commit() override { return true; }
    const std::string& error() const override { return error_; }
    const std::string& path() const override { return path_; }

private:
    std::vector<std::uint8_t>& bytes_;
    std::string error_;
    std::string path_ = "memory";
};

CallerOutcome failed(varnelo_status status, std::string message) {
    return {status, std::move(message)};
}

// The command line of the settings, with what the target decides.
std::optional<CallerOutcome> settledOptions(const LibrarySettings& settings,
                                            const CallerTarget& target, CommandLine& options) {
    const bool toFile = target.kind == CallerTarget::Kind::File;
    ParsedCommandLine parsed = settings.parsed(toFile ? std::optional(target.path) : std::nullopt);
    if (parsed.action == CommandAction::UsageError)
        return failed(VARNELO_ERROR_SETTING, parsed.error);
    options = std::move(parsed.options);
    ConversionSettings& choices = options.choices;
    // Cells are what a terminal shows.
    if (target.kind == CallerTarget::Kind::Cells &&
        outputFormatOf(choices).kind != OutputKind::TerminalText) {
        choices.outputFormat = OutputFormat::AnsiText;
    }
    if (options.phraseFile) {
        const std::string named = "the phrase file \"" + *options.phraseFile + "\"";
        ReadFileOutcome read;
        std::optional<ByteString> phrase = readPhraseFile(*options.phraseFile, &read);
        if (!phrase)
            return failed(VARNELO_ERROR_READ, phraseFileMessage(named, read));
        choices.customPhrase = std::move(*phrase);
    }
    if (takesPhrase(choices.transformation) && choices.customPhrase.empty())
        return failed(VARNELO_ERROR_SETTING, kNoPhraseMessage);
    return std::nullopt;
}

CallerOutcome passEnded(const PassResult& result) {
    switch (result.end) {
    case PassEnd::Done:
        return {};
    case PassEnd::Cancelled:
        return failed(VARNELO_ERROR_CANCELLED, passEndMessage(result));
    case PassEnd::Refused:
        return failed(VARNELO_ERROR_TOO_LARGE, passEndMessage(result));
    case PassEnd::Failed:
        break;
    }
    switch (result.failure.stage) {
    case FailureStage::Loading:
        return loadFailed(result.failure.load);
    case FailureStage::OutOfMemory:
        return failed(VARNELO_ERROR_MEMORY, passEndMessage(result));
    case FailureStage::Saving:
        return failed(VARNELO_ERROR_WRITE, passEndMessage(result));
    case FailureStage::Unexpected:
        break;
    }
    return failed(VARNELO_ERROR_PICTURE, passEndMessage(result));
}

// Where the output of each kind of target goes, and what makes it.
OutputOpener openerOf(const CallerTarget& target, const CallerJob& job) {
    switch (target.kind) {
    case CallerTarget::Kind::Memory:
        return [&target](const OutputTarget&, std::string&) {
            return std::make_unique<MemoryOutput>(*target.memory);
        };
    case CallerTarget::Kind::Descriptor:
        return [&target, &job](const OutputTarget& output, std::string&) {
            return std::make_unique<DescriptorOutput>(target.descriptor, output.path, &job.cancel);
        };
    case CallerTarget::Kind::Cells:
    case CallerTarget::Kind::File:
        break;
    }
    return openAtomicOutput;
}

WriterFactory writerOf(const CallerTarget& target) {
    if (target.kind != CallerTarget::Kind::Cells)
        return makeOutputWriter;
    return [&target](const ConversionSettings&, WriterContext&) {
        return std::make_unique<CellGridWriter>(*target.cells);
    };
}

std::string outputNameOf(const CallerTarget& target) {
    switch (target.kind) {
    case CallerTarget::Kind::File:
        return target.path;
    case CallerTarget::Kind::Descriptor:
        return "descriptor " + std::to_string(target.descriptor);
    case CallerTarget::Kind::Memory:
        return "memory";
    case CallerTarget::Kind::Cells:
        break;
    }
    return "cells";
}

bool samePlace(const std::string& first, const std::string& second) {
    std::error_code error;
    return !second.empty() && std::filesystem::equivalent(first, second, error) && !error;
}

} // namespace

CallerOutcome loadFailed(const LoadOutcome& outcome) {
    if (outcome.file.status != ReadFileStatus::Ok)
        return failed(VARNELO_ERROR_READ, loadFailureMessage(outcome));
    switch (outcome.detail) {
    case DecodeStatus::Cancelled:
        return failed(VARNELO_ERROR_CANCELLED, loadFailureMessage(outcome));
    case DecodeStatus::OutOfMemory:
    case DecodeStatus::OverMemoryLimit:
        return failed(VARNELO_ERROR_MEMORY, loadFailureMessage(outcome));
    case DecodeStatus::TooLarge:
    case DecodeStatus::TooCostly:
        return failed(VARNELO_ERROR_TOO_LARGE, loadFailureMessage(outcome));
    default:
        break;
    }
    return failed(VARNELO_ERROR_PICTURE, loadFailureMessage(outcome));
}

CallerOutcome convertForCaller(const LibrarySettings& settings, const PictureSource& source,
                               CallerJob& job, const CallerTarget& target) {
    CommandLine options;
    if (std::optional<CallerOutcome> refused = settledOptions(settings, target, options))
        return *refused;
    if (target.kind == CallerTarget::Kind::File && samePlace(target.path, source.path()))
        return failed(VARNELO_ERROR_SETTING,
                      "the output \"" + target.path + "\" would replace the picture");

    // Cells are drawn on a screen: in the mode a terminal shows a photo best
    // in, unless one is chosen. An output is what the converter writes to a file.
    RunStart start(options, target.kind == CallerTarget::Kind::Cells);
    const PictureRun run = start.run(job.cancel, measureImageCell, documentCellProportion);
    SizingContext sizing;
    sizing.imageCell = measureImageCell;
    sizing.documentCell = documentCellProportion;
    CallerProgress progress(job);
    const PictureJob picture{
        source.path(),
        sizing,
        [&](WorkBitmap& loaded, ConversionLoad& conversion) {
            return source.load(loaded, job.cancel, conversion);
        },
        [&](ConversionSettings& converting) { converting.outputPath = outputNameOf(target); },
        writerOf(target),
        openerOf(target, job),
        progress};
    const ConvertedPicture converted = convertOnePicture(run, picture);
    if (!converted.loaded && job.cancel.load())
        return failed(VARNELO_ERROR_CANCELLED, passEndMessage(PassResult::cancelled()));
    if (!converted.loaded)
        return loadFailed(converted.load);
    if (converted.problem != StartProblem::None)
        return failed(VARNELO_ERROR_SETTING, startProblemMessage(converted.problem));
    return passEnded(converted.result);
}

} // namespace varnelo
