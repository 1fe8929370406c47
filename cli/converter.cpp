#include "cli/converter.h"

#include "cli/command_line.h"
#include "cli/console_observer.h"
#include "cli/messages.h"
#include "cli/picture_settings.h"
#include "engine/output_formats.h"
#include "engine/output_name.h"
#include "engine/phrase_file.h"
#include "engine/picture_loader.h"
#include "engine/random_generator.h"
#include "engine/start_check.h"
#include "engine/version.h"
#include "engine/work_bitmap.h"
#include "platform/application_fonts.h"
#include "platform/system_clock.h"
#include "platform/termination_signals.h"
#include "writers/output_writer_factory.h"

#include <QGuiApplication>
#include <QtGlobal>

#include <filesystem>
#include <iostream>
#include <system_error>

#include <unistd.h>

namespace varnelo {

namespace {

constexpr const char* kProgramName = "varnelo-convert";

int usageError(std::ostream& err, const std::string& message) {
    err << kProgramName << ": " << message << '\n'
        << "Try '" << kProgramName << " --help' for more information.\n";
    return kExitUsage;
}

bool samePlace(const std::string& first, const std::string& second) {
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}

// Reads the phrase file into the options, so that every picture gets the
// same phrase and an unreadable file stops the run before anything is made.
bool settlePhrase(CommandLine& options, std::ostream& err) {
    if (!options.phraseFile)
        return true;
    std::optional<ByteString> phrase = readPhraseFile(*options.phraseFile);
    if (!phrase) {
        err << kProgramName << ": cannot read the phrase file \"" << *options.phraseFile << "\"\n";
        return false;
    }
    options.choices.customPhrase = std::move(*phrase);
    return true;
}

struct RunContext {
    const CommandLine& options;
    const ConsoleStreams& console;
    const std::atomic<bool>& cancelRequested;
    RandomGenerator& random;
    const SystemClock& clock;
};

// Converts one picture; true when its output is written.
bool convertPicture(const RunContext& run, const std::string& picturePath) {
    ConsoleObserver observer(run.console.err, run.console.errIsTerminal, picturePath);
    const auto cancelled = [&] { return run.cancelRequested.load(std::memory_order_relaxed); };
    if (cancelled()) {
        observer.report(passEndMessage(PassResult::cancelled()));
        return false;
    }

    // Loaded once, here: the defaults that depend on the picture need it,
    // and the conversion goes on from it.
    WorkBitmap picture;
    const LoadOutcome loaded = loadPicture(picturePath, picture, &run.cancelRequested);
    if (cancelled()) {
        observer.report(passEndMessage(PassResult::cancelled()));
        return false;
    }
    if (picture.isEmpty()) {
        observer.report(loadFailureMessage(picturePath, loaded));
        return false;
    }

    ConversionSettings settings = conversionSettings(run.options, picturePath, picture);
    // Chosen just before converting, so that a picture converted earlier in
    // the run has taken its name already.
    if (run.options.outputPath) {
        settings.outputPath = *run.options.outputPath;
    } else {
        // Claimed when written, so that converters started together never
        // write over each other's output.
        settings.outputPath =
            uniqueOutputName(picturePath, std::string(outputFormatOf(settings).extension));
        settings.outputNameBase = picturePath;
    }
    const StartProblem problem = checkConversionStart(settings, true);
    if (problem != StartProblem::None) {
        observer.report(startProblemMessage(problem));
        return false;
    }

    ConversionPass pass(std::move(settings), run.random, run.clock, observer, run.cancelRequested,
                        makeOutputWriter);
    const PassResult result = pass.run(std::move(picture));
    observer.finish();
    if (result.end != PassEnd::Done)
        observer.report(passEndMessage(result));
    return result.end == PassEnd::Done;
}

} // namespace

int convertPictures(const std::vector<std::string>& arguments, const ConsoleStreams& console,
                    const std::atomic<bool>& cancelRequested) {
    ParsedCommandLine parsed = parseCommandLine(arguments);
    switch (parsed.action) {
    case CommandAction::ShowHelp:
        console.out << usageText();
        return console.out.flush() ? kExitConverted : kExitNotConverted;
    case CommandAction::ShowVersion:
        console.out << kProgramName << ' ' << kVersion << '\n';
        return console.out.flush() ? kExitConverted : kExitNotConverted;
    case CommandAction::UsageError:
        return usageError(console.err, parsed.error);
    case CommandAction::Convert:
        break;
    }

    CommandLine& options = parsed.options;
    // Default names never replace a file; a given one must not replace an input.
    if (options.outputPath && samePlace(*options.outputPath, options.pictures.front()))
        return usageError(console.err,
                          "the output \"" + *options.outputPath + "\" would replace the picture");
    if (options.outputPath && options.phraseFile &&
        samePlace(*options.outputPath, *options.phraseFile))
        return usageError(console.err, "the output \"" + *options.outputPath +
                                           "\" would replace the phrase file");
    if (!settlePhrase(options, console.err))
        return kExitUsage;

    const SystemClock clock;
    RandomGenerator random;
    if (options.seed)
        random.setSeed(*options.seed);
    else
        random.seedFromClock(clock);

    const RunContext run{options, console, cancelRequested, random, clock};
    bool allConverted = true;
    for (const std::string& picture : options.pictures) {
        if (!convertPicture(run, picture))
            allConverted = false;
        if (cancelRequested.load(std::memory_order_relaxed))
            break;
    }
    return allConverted ? kExitConverted : kExitNotConverted;
}

namespace {

QtMessageHandler qtMessageHandler = nullptr;

// Qt's warnings (a missing XDG_RUNTIME_DIR and the like) mean nothing to
// someone converting pictures and would break the one-line-per-message
// output; only its errors get through.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        qtMessageHandler(type, context, message);
}

} // namespace

int runConverter(int argc, char* argv[]) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    // Qt sees only its platform choice: our options are not its to read,
    // and the image output draws without a display.
    char programName[] = "varnelo-convert";
    char platformOption[] = "-platform";
    char platformName[] = "offscreen";
    char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : programName, platformOption,
                      platformName, nullptr};
    int qtArgc = 3;
    qtMessageHandler = qInstallMessageHandler(onQtMessage);
    const QGuiApplication application(qtArgc, qtArgv);
    registerApplicationFonts();

    // Ctrl+C, a hang-up or kill's SIGTERM cancel the conversion, which
    // then leaves no half-written file, and end the converter by that signal.
    TerminationSignals terminationSignals;
    const ConsoleStreams console{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1};
    const int exitCode = convertPictures(arguments, console, terminationSignals.requested());
    std::cerr.flush();
    terminationSignals.endByCaughtSignal();
    return exitCode;
}

} // namespace varnelo
