#include "cli/converter.h"

#include "base/work_bitmap.h"
#include "cli/console_observer.h"
#include "cli/input_picture.h"
#include "cli/output_descriptor.h"
#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/face_text.h"
#include "engine/output_formats.h"
#include "engine/output_name.h"
#include "engine/phrase_file.h"
#include "engine/printable_text.h"
#include "engine/shape_matching.h"
#include "engine/start_check.h"
#include "engine/version.h"
#include "library/command_line.h"
#include "library/drawing_defaults.h"
#include "library/early_match.h"
#include "library/messages.h"
#include "library/picture_conversion.h"
#include "library/picture_settings.h"
#include "platform/termination_signals.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "writers/atomic_file.h"
#include "writers/character_cells.h"
#include "writers/descriptor_output.h"
#include "writers/font_files.h"
#include "writers/glyph_shapes.h"
#include "writers/output_writer_factory.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <system_error>

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnelo {

namespace {

constexpr const char* kProgramName = "varnelo-convert";

int usageError(ConsoleStream& err, const std::string& message) {
    err << kProgramName << ": " << printableText(message) << '\n'
        << "Try '" << kProgramName << " --help' for more information.\n";
    return kExitUsage;
}

// The faces --font takes: fontconfig's families, and the Terminal face,
// which blocks mode draws in a font it chooses itself.
std::vector<std::string> fontFaces() {
    std::vector<std::string> faces{kTerminalFace};
    for (std::string& family : fontFamilies()) {
        if (usableFontFace(family))
            faces.push_back(std::move(family));
    }
    std::sort(faces.begin(), faces.end());
    faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
    return faces;
}

bool samePlace(const std::string& first, const std::string& second) {
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}

// Whether the path names the file the descriptor has open.
bool sameFileAs(const std::string& path, int descriptor) {
    struct stat named {};
    struct stat open {};
    return descriptor >= 0 && ::stat(path.c_str(), &named) == 0 &&
           ::fstat(descriptor, &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
}

// Whether the output would replace the picture: the file named, or the one
// standard input is when the picture is read from there.
bool replacesPicture(const std::string& output, const std::string& picture,
                     const ConsoleStreams& console) {
    if (picture == kStandardStream)
        return sameFileAs(output, console.inDescriptor);
    return samePlace(output, picture);
}

// Reads the phrase file into the options, so that every picture gets the
// same phrase and an unreadable file stops the run before anything is made.
bool settlePhrase(CommandLine& options, ConsoleStream& err,
                  const std::atomic<bool>& cancelRequested) {
    if (!options.phraseFile)
        return true;
    const std::string named = "the phrase file \"" + *options.phraseFile + "\"";
    ReadFileOutcome read;
    std::optional<ByteString> phrase = readPhraseFile(*options.phraseFile, &read);
    if (!phrase && cancelRequested.load()) {
        err << kProgramName << ": " << passEndMessage(PassResult::cancelled()) << '\n';
        return false;
    }
    if (!phrase) {
        usageError(err, phraseFileMessage(named, read));
        return false;
    }
    options.choices.customPhrase = std::move(*phrase);
    if (takesPhrase(options.choices.transformation) && options.choices.customPhrase.empty()) {
        std::error_code error;
        const bool onlyLineEnds =
            std::filesystem::file_size(*options.phraseFile, error) > 0 && !error;
        usageError(err, named + (onlyLineEnds ? " holds only line ends; " : " is empty; ") +
                            kNoPhraseMessage);
        return false;
    }
    return true;
}

// Writes an output into the console's output stream as the bytes come,
// where there is no descriptor to write to.
class StreamOutput final : public OutputFile {
public:
    explicit StreamOutput(ConsoleStream& out) : out_(out) {}
    bool write(std::span<const std::uint8_t> bytes) override {
        errno = 0;
        out_ << std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return check();
    }
    bool commit() override {
        errno = 0;
        out_.flush();
        return check();
    }
    const std::string& error() const override { return error_; }
    const std::string& path() const override { return path_; }

private:
    // The stream keeps no reason; the failed write left it in errno.
    bool check() {
        if (out_)
            return true;
        const int cause = errno;
        error_ = cause != 0 ? std::strerror(cause) : "cannot write to standard output";
        return false;
    }

    ConsoleStream& out_;
    std::string path_ = kStandardStream;
    std::string error_;
};

// Standard output's descriptor, remembering why its last write failed.
class WatchedOutput final : public OutputFile {
public:
    WatchedOutput(int fd, const std::atomic<bool>& cancel, int& errorNumber)
        : output_(fd, kStandardStream, &cancel), errorNumber_(errorNumber) {}
    bool write(std::span<const std::uint8_t> bytes) override { return noted(output_.write(bytes)); }
    bool writeLines(std::span<const ByteString> lines, std::string_view lineEnd) override {
        return noted(output_.writeLines(lines, lineEnd));
    }
    bool commit() override { return noted(output_.commit()); }
    const std::string& error() const override { return output_.error(); }
    const std::string& path() const override { return output_.path(); }

private:
    bool noted(bool ok) {
        errorNumber_ = output_.errorNumber();
        return ok;
    }
    DescriptorOutput output_;
    int& errorNumber_;
};

// Passes an output on, counting the bytes written into it.
class CountedOutput final : public OutputFile {
public:
    CountedOutput(std::unique_ptr<OutputFile> output, std::uint64_t& written)
        : output_(std::move(output)), written_(written) {}
    bool write(std::span<const std::uint8_t> bytes) override {
        written_ += bytes.size();
        return output_->write(bytes);
    }
    bool writeLines(std::span<const ByteString> lines, std::string_view lineEnd) override {
        for (const ByteString& line : lines)
            written_ += line.size() + lineEnd.size();
        return output_->writeLines(lines, lineEnd);
    }
    bool commit() override { return output_->commit(); }
    const std::string& error() const override { return output_->error(); }
    const std::string& path() const override { return output_->path(); }

private:
    std::unique_ptr<OutputFile> output_;
    std::uint64_t& written_;
};

OutputOpener counted(OutputOpener open, std::uint64_t& written) {
    return [open = std::move(open), &written](const OutputTarget& target,
                                              std::string& error) -> std::unique_ptr<OutputFile> {
        std::unique_ptr<OutputFile> output = open(target, error);
        if (!output)
            return nullptr;
        return std::make_unique<CountedOutput>(std::move(output), written);
    };
}

bool toStandardOutput(const CommandLine& options, const OutputFormatEntry& format,
                      const std::string& picturePath) {
    if (options.outputPath)
        return *options.outputPath == kStandardStream;
    // A picture from standard input has no place beside it.
    return format.kind == OutputKind::TerminalText || picturePath == kStandardStream;
}

struct RunContext {
    const PictureRun& picture;
    const CommandLine& options;
    const ConsoleStreams& console;
    const std::atomic<bool>& cancelRequested;
    /// The open descriptor --output names, other than standard output's.
    std::optional<int> outputDescriptor;
};

// Reads a picture from standard input: its type from its first bytes.
LoadOutcome loadFromInput(const ConsoleStreams& console, WorkBitmap& picture,
                          const std::atomic<bool>& cancel, ConversionLoad& conversion) {
    struct stat status {};
    if (console.inDescriptor >= 0 && ::fstat(console.inDescriptor, &status) == 0 &&
        S_ISREG(status.st_mode)) {
        // A file: mapped whole, as a named picture is.
        MappedFile file;
        LoadOutcome outcome;
        outcome.file = file.openDescriptor(console.inDescriptor, kMaxPictureFileBytes);
        if (outcome.file.status != ReadFileStatus::Ok) {
            outcome.status = LoadStatus::Failed;
            return outcome;
        }
        outcome = loadPictureBytes(file.bytes(), picture, &cancel, &conversion);
        if (file.damaged() && outcome.status == LoadStatus::Loaded) {
            picture.clear();
            outcome.status = LoadStatus::Failed;
            outcome.detail = DecodeStatus::Truncated;
        }
        return outcome;
    }
    InputPicture input;
    LoadOutcome outcome;
    outcome.file = input.read(console.inDescriptor >= 0 ? readDescriptor(console.inDescriptor)
                                                        : readStream(*console.in),
                              cancel);
    if (outcome.file.status != ReadFileStatus::Ok) {
        outcome.status = LoadStatus::Failed;
        outcome.type = pictureTypeOfContent(input.bytes());
        return outcome;
    }
    return loadPictureBytes(input.bytes(), picture, &cancel, &conversion);
}

// Where a picture's output goes: standard output, the descriptor --output
// names, or a file written through a temporary one. outputError is where
// standard output's writer leaves the system's error.
OutputOpener outputOpener(const RunContext& run, bool toOutput, int& outputError) {
    if (toOutput && run.console.outDescriptor >= 0)
        return [&](const OutputTarget&, std::string&) -> std::unique_ptr<OutputFile> {
            return std::make_unique<WatchedOutput>(run.console.outDescriptor, run.cancelRequested,
                                                   outputError);
        };
    if (toOutput)
        return [&out = run.console.out](const OutputTarget&, std::string&) {
            return std::make_unique<StreamOutput>(out);
        };
    if (run.outputDescriptor)
        return [&](const OutputTarget& target, std::string&) -> std::unique_ptr<OutputFile> {
            return std::make_unique<DescriptorOutput>(*run.outputDescriptor, target.path,
                                                      &run.cancelRequested);
        };
    return openAtomicOutput;
}

// The settings' output: standard output, the one given, or a free name
// beside the picture.
void chooseOutput(ConversionSettings& settings, const CommandLine& options, bool toOutput,
                  const std::string& picturePath, const OutputFormatEntry& format) {
    if (toOutput) {
        settings.outputPath = std::string(kStandardStream);
    } else if (options.outputPath) {
        settings.outputPath = *options.outputPath;
    } else {
        // Claimed when written, so that converters started together never
        // write over each other's output.
        settings.outputPath = uniqueOutputName(picturePath, std::string(format.extension));
        settings.outputNameBase = picturePath;
    }
}

// What the default sizes are fitted to: the terminal, or the size COLUMNS
// and LINES give for what standard output is.
SizingContext sizingFor(const RunContext& run, bool toOutput) {
    SizingContext sizing;
    if (toOutput && (run.console.outIsTerminal || run.console.outColumns > 0)) {
        sizing.terminalColumns = run.console.outColumns;
        sizing.terminalRows = run.console.outRows;
    }
    sizing.terminalColors = run.console.colors;
    sizing.imageCell = run.picture.imageCell;
    sizing.documentCell = run.picture.documentCell;
    return sizing;
}

// Whether the descriptor is a pipe whose reader has gone. A write the
// reader leaves during ends short, with the signal but without the error.
bool readerLeft(int descriptor) {
    pollfd watched{descriptor, POLLOUT, 0};
    return descriptor >= 0 && ::poll(&watched, 1, 0) == 1 && (watched.revents & POLLERR) != 0;
}

// Converts one picture; true when its output is written.
bool convertPicture(const RunContext& run, const std::string& picturePath) {
    const CommandLine& options = run.options;
    const OutputFormatEntry& format = outputFormatOf(options.choices);
    const bool toOutput = toStandardOutput(options, format, picturePath);
    // Progress, and the line that says what was made, would run into a
    // picture drawn on the same terminal.
    const bool progress =
        run.console.errIsTerminal && !options.quiet && !(toOutput && run.console.outIsTerminal);
    const std::uint32_t started = run.picture.clock.tickCount();
    ConsoleObserver observer(run.console.err, progress, picturePath,
                             std::string(kProgramName) + ": ", run.console.unicode);

    int outputError = 0;
    std::uint64_t written = 0;
    const bool fromInput = picturePath == kStandardStream &&
                           (run.console.in != nullptr || run.console.inDescriptor >= 0);
    const PictureJob job{
        picturePath,
        sizingFor(run, toOutput),
        [&](WorkBitmap& picture, ConversionLoad& conversion) {
            if (fromInput)
                return loadFromInput(run.console, picture, run.cancelRequested, conversion);
            return loadPicture(picturePath, picture, &run.cancelRequested, &conversion);
        },
        [&](ConversionSettings& settings) {
            chooseOutput(settings, options, toOutput, picturePath, format);
        },
        makeOutputWriter,
        counted(outputOpener(run, toOutput, outputError), written),
        observer};
    const ConvertedPicture converted = convertOnePicture(run.picture, job);
    if (!converted.loaded) {
        observer.report(run.cancelRequested.load() ? passEndMessage(PassResult::cancelled())
                                                   : loadFailureMessage(converted.load));
        return false;
    }
    if (converted.problem != StartProblem::None) {
        observer.report(startProblemMessage(converted.problem));
        return false;
    }
    const PassResult& result = converted.result;
    if (result.end == PassEnd::Done && progress)
        observer.conclude(summaryLine(
            {picturePath, result.outputPath.empty() ? converted.outputPath : result.outputPath,
             converted.size, written, run.picture.clock.tickCount() - started},
            run.console.unicode));
    observer.finish();
    // A reader that went away (head, a closed pager) cancels by its broken
    // pipe; as for any Unix tool, that needs no word.
    const bool readerGone =
        toOutput && result.end == PassEnd::Cancelled &&
        (!run.console.out || outputError == EPIPE || readerLeft(run.console.outDescriptor));
    if (result.end != PassEnd::Done && !readerGone)
        observer.report(passEndMessage(result));
    return result.end == PassEnd::Done;
}

} // namespace

TerminalColors colorsFromEnvironment(const char* noColor, const char* colorTerm, const char* term) {
    if ((noColor != nullptr && *noColor != '\0') ||
        (term != nullptr && std::string_view(term) == "dumb"))
        return TerminalColors::None;
    const std::string_view asked = colorTerm == nullptr ? "" : colorTerm;
    if (asked == "truecolor" || asked == "24bit")
        return TerminalColors::Truecolor;
    return TerminalColors::Palette256;
}

TerminalSize sizeFromEnvironment(const char* columns, const char* lines) {
    const auto number = [](const char* text) {
        int value = 0;
        if (text == nullptr || *text == '\0')
            return 0;
        for (const char* c = text; *c != '\0'; ++c) {
            if (*c < '0' || *c > '9' || value > 100000)
                return 0;
            value = value * 10 + (*c - '0');
        }
        return value;
    };
    return {number(columns), number(lines)};
}

namespace {

// Settles what the whole run depends on and refuses what cannot work: the
// exit code of a refusal, nothing when the pictures may be converted.
std::optional<int> settleRun(CommandLine& options, const ConsoleStreams& console,
                             std::optional<int>& outputDescriptor,
                             const std::atomic<bool>& cancelRequested) {
    // A name of standard output is standard output, and one of another open
    // descriptor that descriptor: neither leads to a file to replace.
    if (options.outputPath && *options.outputPath != kStandardStream)
        outputDescriptor = descriptorNamed(*options.outputPath);
    if (outputDescriptor == STDOUT_FILENO) {
        options.outputPath = std::string(kStandardStream);
        outputDescriptor.reset();
    }
    // Default names never replace a file; a given one must not replace an input.
    if (options.outputPath && *options.outputPath != kStandardStream &&
        replacesPicture(*options.outputPath, options.pictures.front(), console))
        return usageError(console.err,
                          "the output \"" + *options.outputPath + "\" would replace the picture");
    if (options.outputPath && *options.outputPath != kStandardStream && options.phraseFile &&
        samePlace(*options.outputPath, *options.phraseFile))
        return usageError(console.err, "the output \"" + *options.outputPath +
                                           "\" would replace the phrase file");
    // Typed at a terminal with no format asked for, as jp2a and chafa do:
    // the picture is shown there.
    if (console.outIsTerminal && options.formatDefaulted)
        options.choices.outputFormat = OutputFormat::AnsiText;
    const OutputFormatEntry& format = outputFormatOf(options.choices);
    if (console.outIsTerminal && format.kind == OutputKind::Image) {
        for (const std::string& picture : options.pictures) {
            if (toStandardOutput(options, format, picture))
                return usageError(console.err,
                                  "refusing to write a binary picture to a terminal; use -o FILE");
        }
    }
    if (std::count(options.pictures.begin(), options.pictures.end(), kStandardStream) > 1)
        return usageError(console.err, "standard input can be read only once");
    // A phrase file may be a pipe that is never written: a signal ends the
    // wait, as it ends a conversion, and says no more than that.
    if (!settlePhrase(options, console.err, cancelRequested))
        return cancelRequested.load() ? kExitNotConverted : kExitUsage;

    return std::nullopt;
}

} // namespace

namespace {

// Help, the version, the fonts and a usage error: what the command line
// asks that converts nothing, with its exit status; nothing for a conversion.
std::optional<int> answerWithoutConverting(const ParsedCommandLine& parsed,
                                           const ConsoleStreams& console) {
    switch (parsed.action) {
    case CommandAction::ShowHelp:
        console.out << usageText();
        return console.out.flush() ? kExitConverted : kExitNotConverted;
    case CommandAction::ShowVersion:
        console.out << kProgramName << ' ' << kVersion << '\n';
        return console.out.flush() ? kExitConverted : kExitNotConverted;
    case CommandAction::ListFonts:
        for (const std::string& face : fontFaces())
            console.out << face << '\n';
        return console.out.flush() ? kExitConverted : kExitNotConverted;
    case CommandAction::UsageError:
        return usageError(console.err, parsed.error);
    case CommandAction::Convert:
        break;
    }
    return std::nullopt;
}

} // namespace

int convertPictures(const std::vector<std::string>& arguments, const ConsoleStreams& console,
                    const std::atomic<bool>& cancelRequested) {
    ParsedCommandLine parsed = parseCommandLine(arguments);
    if (const std::optional<int> answered = answerWithoutConverting(parsed, console))
        return *answered;

    CommandLine& options = parsed.options;
    std::optional<int> outputDescriptor;
    if (const std::optional<int> refused =
            settleRun(options, console, outputDescriptor, cancelRequested))
        return *refused;

    RunStart start(options, console.outIsTerminal &&
                                (!options.outputPath || *options.outputPath == kStandardStream));
    const PictureRun pictures = start.run(cancelRequested, measuredOnce(measureImageCell),
                                          measuredOnce(documentCellProportion));
    const RunContext run{pictures, options, console, cancelRequested, outputDescriptor};
    bool allConverted = true;
    for (const std::string& picture : options.pictures) {
        if (!convertPicture(run, picture))
            allConverted = false;
        if (cancelRequested.load(std::memory_order_relaxed))
            break;
    }
    return allConverted ? kExitConverted : kExitNotConverted;
}

int runConverter(int argc, char* argv[]) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    // Ctrl+C, a hang-up or kill's SIGTERM cancel the conversion, which
    // then leaves no half-written file, and end the converter by that signal.
    TerminationSignals terminationSignals;
    winsize window{};
    const bool outIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    const bool windowKnown = outIsTerminal && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &window) == 0;
    // As ls and the shells take them: COLUMNS and LINES before the terminal's own.
    const TerminalSize given = sizeFromEnvironment(std::getenv("COLUMNS"), std::getenv("LINES"));
    const int columns = given.columns > 0 ? given.columns : windowKnown ? window.ws_col : 0;
    const int rows = given.rows > 0 ? given.rows : windowKnown ? window.ws_row : 0;
    DescriptorStream out(STDOUT_FILENO);
    DescriptorStream err(STDERR_FILENO);
    const ConsoleStreams console{
        out,
        err,
        ::isatty(STDERR_FILENO) == 1,
        nullptr,
        outIsTerminal,
        columns,
        rows,
        colorsFromEnvironment(std::getenv("NO_COLOR"), std::getenv("COLORTERM"),
                              std::getenv("TERM")),
        STDIN_FILENO,
        STDOUT_FILENO,
        localeIsUtf8(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG"))};
    const int exitCode = convertPictures(arguments, console, terminationSignals.requested());
    err.flush();
    terminationSignals.endByCaughtSignal();
    return exitCode;
}

} // namespace varnelo
