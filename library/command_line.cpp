#include "library/command_line.h"

#include "library/drawing_defaults.h"
#include "library/picture_settings.h"

#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/output_formats.h"
#include "engine/output_name.h"
#include "engine/symbol_sets.h"
#include "reading/picture_loader.h"

#include <array>
#include <limits>
#include <mutex>
#include <string_view>

#include <getopt.h>

namespace varnelo {

namespace {

enum class Option : std::uint8_t {
    Output,
    Format,
    Mode,
    Phrase,
    PhraseFile,
    Blocks,
    Range,
    Ramp,
    Glyphs,
    Symbols,
    FontSize,
    Font,
    Background,
    Fill,
    NoFill,
    Width,
    Height,
    Size,
    Fit,
    Depth,
    Quality,
    Colors,
    NoAspectCorrection,
    NoAutoOrient,
    MaxMemory,
    Quiet,
    Seed,
    ListFonts,
    Help,
    Version,
};

struct OptionName {
    Option option;
    std::string_view longName;
    char shortName; ///< '\0' for none
    bool takesValue;
};

constexpr std::array<OptionName, 30> kOptionNames = {{
    {Option::Output, "output", 'o', true},
    {Option::Format, "format", 'f', true},
    {Option::Mode, "mode", 'm', true},
    {Option::Phrase, "phrase", '\0', true},
    {Option::PhraseFile, "phrase-file", '\0', true},
    {Option::Blocks, "blocks", '\0', true},
    {Option::Range, "range", '\0', true},
    {Option::Ramp, "ramp", '\0', true},
    {Option::Glyphs, "glyphs", '\0', true},
    {Option::Symbols, "symbols", '\0', true},
    {Option::FontSize, "font-size", 's', true},
    {Option::Font, "font", '\0', true},
    {Option::Background, "background", 'b', true},
    {Option::Fill, "fill", '\0', false},
    {Option::NoFill, "no-fill", '\0', false},
    {Option::Width, "width", 'W', true},
    {Option::Height, "height", 'H', true},
    {Option::Size, "size", '\0', true},
    {Option::Fit, "fit", '\0', true},
    {Option::Depth, "depth", 'd', true},
    {Option::Quality, "quality", 'Q', true},
    {Option::Colors, "colors", '\0', true},
    {Option::NoAspectCorrection, "no-aspect-correction", '\0', false},
    {Option::NoAutoOrient, "no-auto-orient", '\0', false},
    {Option::MaxMemory, "max-memory", '\0', true},
    {Option::Quiet, "quiet", 'q', false},
    {Option::Seed, "seed", '\0', true},
    {Option::ListFonts, "list-fonts", '\0', false},
    {Option::Help, "help", 'h', false},
    {Option::Version, "version", '\0', false},
}};

template <typename Value>
struct Named {
    std::string_view name;
    Value value;
};

constexpr std::array<Named<TerminalColors>, 4> kColors = {{
    {"truecolor", TerminalColors::Truecolor},
    {"256", TerminalColors::Palette256},
    {"16", TerminalColors::Palette16},
    {"none", TerminalColors::None},
}};

constexpr std::array<Named<BlockStrength>, 5> kBlockStrengths = {{
    {"1", 0},
    {"2", 1},
    {"3", 2},
    {"4", 3},
    {"random", kRandomBlockStrength},
}};

constexpr std::array<Named<ColorDepth>, 7> kDepths = {{
    {"1", ColorDepth::Depth1},
    {"4", ColorDepth::Depth4},
    {"8", ColorDepth::Depth8},
    {"15", ColorDepth::Depth15},
    {"16", ColorDepth::Depth16},
    {"24", ColorDepth::Depth24},
    {"32", ColorDepth::Depth32},
}};

// Thrown inside the parser only; parseCommandLine turns it into its result.
struct UsageFault {
    std::string message;
};

[[noreturn]] void invalidChoice(std::string_view option, std::string_view text,
                                const std::vector<std::string_view>& names) {
    std::string message =
        "invalid value '" + std::string(text) + "' for " + std::string(option) + " (choose from ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        message += i == 0 ? "" : ", ";
        message += names[i];
    }
    throw UsageFault{message + ")"};
}

template <typename Value, std::size_t N>
Value choose(const std::array<Named<Value>, N>& choices, std::string_view option,
             std::string_view text) {
    std::vector<std::string_view> names;
    for (const Named<Value>& choice : choices) {
        if (choice.name == text)
            return choice.value;
        names.push_back(choice.name);
    }
    invalidChoice(option, text, names);
}

// A set of symbols as given, once every class in it is known and it
// leaves a symbol.
std::string symbolSet(std::string_view option, std::string_view text) {
    std::string unknown;
    if (symbolSetCharacters(text, unknown))
        return std::string(text);
    if (unknown.empty())
        throw UsageFault{std::string(option) + " " + std::string(text) + " leaves no symbol"};
    std::vector<std::string_view> names;
    for (const SymbolClass& symbolClass : symbolClasses())
        names.push_back(symbolClass.name);
    invalidChoice(option, unknown, names);
}

PixelTransformation chooseMode(std::string_view option, std::string_view text) {
    if (const CharacterMode* mode = characterModeNamed(text))
        return mode->transformation;
    std::vector<std::string_view> names;
    for (const CharacterMode& mode : characterModes())
        names.push_back(mode.name);
    invalidChoice(option, text, names);
}

const OutputFormatEntry& chooseFormat(std::string_view option, std::string_view text) {
    if (const OutputFormatEntry* format = outputFormatNamed(text))
        return *format;
    std::vector<std::string_view> names;
    for (const OutputFormatEntry& format : outputFormats())
        names.push_back(format.name);
    invalidChoice(option, text, names);
}

// Digits only: the window's lenient number reading would turn "12px" or
// "-5" into a size the user never asked for.
std::int64_t wholeNumber(std::string_view option, std::string_view text, std::int64_t maximum) {
    if (text.empty())
        throw UsageFault{std::string(option) + " needs a number"};
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            throw UsageFault{"invalid number '" + std::string(text) + "' for " +
                             std::string(option)};
        value = value * 10 + (c - '0');
        if (value > maximum)
            throw UsageFault{std::string(option) + " " + std::string(text) +
                             " is too large (at most " + std::to_string(maximum) + ")"};
    }
    return value;
}

std::int32_t int32Number(std::string_view option, std::string_view text, std::int32_t minimum,
                         std::int32_t maximum = std::numeric_limits<std::int32_t>::max()) {
    const auto value = static_cast<std::int32_t>(wholeNumber(option, text, maximum));
    if (value < minimum)
        throw UsageFault{std::string(option) + " " + std::string(text) +
                         " is too small (at least " + std::to_string(minimum) + ")"};
    return value;
}

// COLUMNSxROWS in character cells; either side may be left out, not both.
void cellsOf(std::string_view option, std::string_view text, CommandLine& options) {
    const std::size_t cross = text.find('x');
    const std::string_view columns = text.substr(0, cross);
    const std::string_view rows =
        cross == std::string_view::npos ? std::string_view() : text.substr(cross + 1);
    if (columns.empty() && rows.empty())
        throw UsageFault{std::string(option) + " needs COLUMNSxROWS, COLUMNS or xROWS"};
    options.columns =
        columns.empty() ? std::nullopt : std::optional(int32Number(option, columns, 1));
    options.rows = rows.empty() ? std::nullopt : std::optional(int32Number(option, rows, 1));
}

// COLUMNSxROWS in character cells, both given: the most the picture takes.
void fitOf(std::string_view option, std::string_view text, CommandLine& options) {
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos || cross == 0 || cross + 1 == text.size())
        throw UsageFault{std::string(option) + " needs COLUMNSxROWS"};
    options.columns = int32Number(option, text.substr(0, cross), 1);
    options.rows = int32Number(option, text.substr(cross + 1), 1);
    options.fit = true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

Rgb backgroundColor(std::string_view option, std::string_view text) {
    const std::string_view digits = text.starts_with('#') ? text.substr(1) : text;
    std::uint32_t value = 0;
    bool valid = digits.size() == 6;
    for (std::size_t i = 0; valid && i < digits.size(); ++i) {
        const int digit = hexDigit(digits[i]);
        valid = digit >= 0;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    if (!valid)
        throw UsageFault{"invalid colour '" + std::string(text) + "' for " + std::string(option) +
                         " (expected RRGGBB in hex)"};
    return makeRgb(value >> 16, value >> 8, value);
}

void readRange(std::string_view option, std::string_view text, ConversionSettings& choices) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        throw UsageFault{"invalid range '" + std::string(text) + "' for " + std::string(option) +
                         " (expected FROM:TO)"};
    // As the window keeps them: a start above the end, or above 255, is the
    // character source's to deal with.
    choices.rangeFrom = int32Number(option, text.substr(0, colon), 1);
    choices.rangeTo = int32Number(option, text.substr(colon + 1), 0, 255);
}

} // namespace

namespace {

std::string fontFace(std::string_view option, std::string_view text) {
    if (!usableFontFace(text))
        throw UsageFault{
            "invalid font face '" + std::string(text) + "' for " + std::string(option) +
            " (plain ASCII letters, digits, blanks and punctuation without \"<>&{}\\;)"};
    return std::string(text);
}

struct PendingChoices {
    const OutputFormatEntry* format = nullptr;
    std::optional<std::int64_t> quality;
    std::string qualityOption;
    bool phraseText = false;
    bool sizeGiven = false;
};

// The options of the characters drawn; false for any other.
bool applyCharacterOption(Option option, std::string_view name, std::string_view value,
                          CommandLine& options, PendingChoices& pending) {
    ConversionSettings& choices = options.choices;
    switch (option) {
    case Option::Mode:
        choices.transformation = chooseMode(name, value);
        options.modeChosen = true;
        break;
    case Option::Phrase:
        choices.customPhrase = utf8ToWindows1252(value);
        pending.phraseText = true;
        break;
    case Option::PhraseFile:
        if (value.empty())
            throw UsageFault{std::string(name) + " needs a file name"};
        options.phraseFile = std::string(value);
        break;
    case Option::Blocks:
        choices.blockStrength = choose(kBlockStrengths, name, value);
        break;
    case Option::Range:
        readRange(name, value, choices);
        break;
    case Option::Ramp:
        choices.ramp = utf8ToWindows1252(value);
        if (choices.ramp.empty())
            throw UsageFault{std::string(name) + " needs at least one character"};
        break;
    case Option::Glyphs:
        choices.glyphs = utf8ToWindows1252(value);
        if (choices.glyphs.empty())
            throw UsageFault{std::string(name) + " needs at least one character"};
        break;
    case Option::Symbols:
        choices.symbols = symbolSet(name, value);
        break;
    case Option::FontSize:
        choices.fontSize = int32Number(name, value, 1, kMaxFontSize);
        break;
    case Option::Font:
        choices.fontFace = fontFace(name, value);
        options.fontChosen = true;
        break;
    case Option::Background:
        options.backgroundColor = backgroundColor(name, value);
        break;
    case Option::Fill:
    case Option::NoFill:
        choices.fillCells = option == Option::Fill;
        options.fillChosen = true;
        break;
    default:
        return false;
    }
    return true;
}

void applyOption(Option option, std::string_view name, std::string_view value, CommandLine& options,
                 PendingChoices& pending) {
    if (applyCharacterOption(option, name, value, options, pending))
        return;
    switch (option) {
    case Option::Output:
        if (value.empty())
            throw UsageFault{std::string(name) + " needs a file name"};
        options.outputPath = std::string(value);
        break;
    case Option::Format:
        pending.format = &chooseFormat(name, value);
        break;
    case Option::Width:
        options.width = int32Number(name, value, 1);
        break;
    case Option::Height:
        options.height = int32Number(name, value, 1);
        break;
    case Option::Size:
        cellsOf(name, value, options);
        pending.sizeGiven = true;
        break;
    case Option::Fit:
        fitOf(name, value, options);
        break;
    case Option::Depth:
        options.colorDepth = choose(kDepths, name, value);
        break;
    case Option::Quality:
        pending.quality = wholeNumber(name, value, std::numeric_limits<std::int32_t>::max());
        pending.qualityOption = std::string(name);
        break;
    case Option::Colors:
        options.colors = choose(kColors, name, value);
        break;
    case Option::NoAspectCorrection:
        options.aspectCorrection = false;
        break;
    case Option::NoAutoOrient:
        options.autoOrient = false;
        break;
    case Option::MaxMemory:
        options.choices.memoryLimit =
            int32Number(name, value, 1, kMaxMemoryMegabytes) * std::int64_t{kBytesPerMegabyte};
        break;
    case Option::Quiet:
        options.quiet = true;
        break;
    case Option::Seed:
        options.seed = static_cast<std::uint32_t>(
            wholeNumber(name, value, std::numeric_limits<std::uint32_t>::max()));
        break;
    default: // the character options, and those that end the parsing
        break;
    }
}

std::string formatNames();

// The format: as --format says, else as the output's extension names it,
// else the settings' default.
void settleFormat(const PendingChoices& pending, CommandLine& options) {
    ConversionSettings& choices = options.choices;
    const OutputFormatEntry* format = pending.format;
    if (format == nullptr && options.outputPath) {
        format = outputFormatOfPath(*options.outputPath);
        // A name of a type no format writes (out.webp, out.jpeg2) would
        // otherwise get a document under that name.
        if (format == nullptr && *options.outputPath != kStandardStream &&
            !fileExtension(*options.outputPath).empty())
            throw UsageFault{"the extension of the output \"" + *options.outputPath +
                             "\" names no format (give one with --format: " + formatNames() + ")"};
    }
    if (format == nullptr) {
        format = &outputFormatOf(choices);
        options.formatDefaulted = !options.outputPath;
    }
    choices.outputFormat = format->outputFormat;
    choices.imageFormat = format->imageFormat;

    if (!format->quality)
        return;
    const QualityRange& quality = *format->quality;
    choices.imageQuality = quality.initial;
    if (!pending.quality)
        return;
    if (!quality.contains(*pending.quality))
        throw UsageFault{pending.qualityOption + " must be " + std::to_string(quality.minimum) +
                         " to " + std::to_string(quality.maximum) + " for " +
                         std::string(format->name)};
    choices.imageQuality = static_cast<std::int32_t>(*pending.quality);
}

// The value getopt_long answers for an option: its letter, or past every
// letter for the options that have none.
int optionValue(std::size_t index) {
    const OptionName& known = kOptionNames[index];
    return known.shortName != '\0' ? known.shortName : 256 + static_cast<int>(index);
}

const OptionName* optionOfValue(int value) {
    for (std::size_t i = 0; i < kOptionNames.size(); ++i) {
        if (optionValue(i) == value)
            return &kOptionNames[i];
    }
    return nullptr;
}

// Returns the action an option ends the parsing with, if any.
std::optional<CommandAction> finalAction(Option option) {
    if (option == Option::Help)
        return CommandAction::ShowHelp;
    if (option == Option::Version)
        return CommandAction::ShowVersion;
    if (option == Option::ListFonts)
        return CommandAction::ListFonts;
    return std::nullopt;
}

// An option as messages name it: "--width" when typed long (whole or as a
// prefix), else "-W".
std::string nameOf(const OptionName& known, bool typedLong) {
    if (typedLong || known.shortName == '\0')
        return "--" + std::string(known.longName);
    return "-" + std::string(1, known.shortName);
}

// The long options a typed prefix could stand for.
std::string candidatesOf(std::string_view typed) {
    const std::string_view prefix = typed.substr(2);
    std::string names;
    for (const OptionName& known : kOptionNames) {
        if (!known.longName.starts_with(prefix))
            continue;
        names += names.empty() ? "" : ", ";
        names += "--" + std::string(known.longName);
    }
    return names;
}

// getopt_long keeps its place in globals; one parse at a time.
std::mutex parserLock;

// The option tables getopt_long reads, made from the option names.
struct GetoptTables {
    std::string shortOptions;
    std::vector<option> longOptions;

    GetoptTables() {
        // "-" first: pictures come back in their place among the options;
        // ":" next: getopt_long prints nothing, the faults are worded here.
        shortOptions = "-:";
        for (std::size_t i = 0; i < kOptionNames.size(); ++i) {
            const OptionName& known = kOptionNames[i];
            if (known.shortName != '\0') {
                shortOptions += known.shortName;
                if (known.takesValue)
                    shortOptions += ':';
            }
            longOptions.push_back(option{known.longName.data(),
                                         known.takesValue ? required_argument : no_argument,
                                         nullptr, optionValue(i)});
        }
        longOptions.push_back(option{nullptr, 0, nullptr, 0});
    }
};

// What getopt_long's ':' (value missing) or '?' (unknown, or a value not
// taken) means, last being the argument it has just gone past.
UsageFault faultOf(int value, std::string_view last) {
    if (value == ':') {
        const OptionName* known = optionOfValue(optopt);
        return UsageFault{"option '" + nameOf(*known, last.starts_with("--")) + "' needs a value"};
    }
    // Only a long option can be given a value it does not take.
    if (const OptionName* known = optionOfValue(optopt))
        return UsageFault{"option '" + nameOf(*known, true) + "' takes no value"};
    if (optopt != 0)
        return UsageFault{"unknown option '-" + std::string(1, static_cast<char>(optopt)) + "'"};
    const std::string typed(last.substr(0, last.find('=')));
    const std::string candidates = candidatesOf(typed);
    if (candidates.find(',') != std::string::npos)
        return UsageFault{"option '" + typed + "' is ambiguous (" + candidates + ")"};
    return UsageFault{"unknown option '" + typed + "'"};
}

// The rules between options, once all are read.
void settleOptions(CommandLine& options, const PendingChoices& pending) {
    if (pending.phraseText && options.phraseFile)
        throw UsageFault{"--phrase and --phrase-file cannot be used together"};
    if (takesPhrase(options.choices.transformation) && !options.phraseFile &&
        options.choices.customPhrase.empty())
        throw UsageFault{kNoPhraseMessage};
    if (options.pictures.empty())
        throw UsageFault{"no picture given"};
    if (options.fit && (pending.sizeGiven || options.width || options.height))
        throw UsageFault{"--fit takes the place of --size, -W and -H: give one of them"};
    if ((options.columns || options.rows) && (options.width || options.height))
        throw UsageFault{"--size counts character cells and -W and -H pixels: give one of them"};
    if (options.outputPath && options.pictures.size() > 1)
        throw UsageFault{"--output needs exactly one picture; leave it out to name each output "
                         "after its picture"};
    settleFormat(pending, options);
}

ParsedCommandLine parse(const std::vector<std::string>& arguments) {
    ParsedCommandLine result;
    CommandLine& options = result.options;
    PendingChoices pending;
    GetoptTables tables;

    std::vector<std::string> words{"varnelo-convert"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    const std::scoped_lock lock(parserLock);
    optind = 0; // glibc's way of starting afresh
    opterr = 0;
    for (;;) {
        const int value = getopt_long(argc, argv.data(), tables.shortOptions.c_str(),
                                      tables.longOptions.data(), nullptr);
        if (value == -1)
            break;
        if (value == 1) {
            options.pictures.emplace_back(optarg);
            continue;
        }
        // The argument getopt_long has just gone past.
        const std::string_view last = argv[static_cast<std::size_t>(optind) - 1];
        if (value == ':' || value == '?')
            throw faultOf(value, last);
        const OptionName& known = *optionOfValue(value);
        if (const auto action = finalAction(known.option)) {
            result.action = *action;
            return result;
        }
        // A value apart from its option is the last argument, the option
        // the one before; an attached one shares the option's argument.
        bool typedLong = last.starts_with("--");
        if (optarg != nullptr && optarg == last.data() && optind >= 2)
            typedLong =
                std::string_view(argv[static_cast<std::size_t>(optind) - 2]).starts_with("--");
        applyOption(known.option, nameOf(known, typedLong),
                    optarg != nullptr ? std::string_view(optarg) : std::string_view(), options,
                    pending);
    }
    for (int i = optind; i < argc; ++i)
        options.pictures.emplace_back(argv[static_cast<std::size_t>(i)]);

    settleOptions(options, pending);
    result.action = CommandAction::Convert;
    return result;
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    try {
        return parse(arguments);
    } catch (const UsageFault& fault) {
        ParsedCommandLine result;
        result.action = CommandAction::UsageError;
        result.error = fault.message;
        return result;
    }
}

std::optional<bool> longOptionTakesValue(std::string_view longName) {
    for (const OptionName& known : kOptionNames) {
        if (known.longName == longName)
            return known.takesValue;
    }
    return std::nullopt;
}

namespace {

// "a, b or c"
std::string orList(const std::vector<std::string_view>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            list += i + 1 == names.size() ? " or " : ", ";
        list += names[i];
    }
    return list;
}

} // namespace

std::string pictureTypeNames() {
    std::vector<std::string_view> names;
    for (const PictureTypeEntry& type : pictureTypes())
        names.push_back(type.label);
    return orList(names);
}

namespace {

std::string formatNames() {
    std::vector<std::string_view> names;
    for (const OutputFormatEntry& format : outputFormats())
        names.push_back(format.name);
    return orList(names);
}

// "binary (default), numbers, ... or range"
std::string modeNames() {
    const PixelTransformation initial = ConversionSettings{}.transformation;
    std::vector<std::string> names;
    for (const CharacterMode& mode : characterModes())
        names.push_back(std::string(mode.name) +
                        (mode.transformation == initial ? " (default)" : ""));
    return orList(std::vector<std::string_view>(names.begin(), names.end()));
}

std::string symbolClassNames() {
    std::vector<std::string_view> names;
    for (const SymbolClass& symbolClass : symbolClasses())
        names.push_back(symbolClass.name);
    return orList(names);
}

// "jpg 1-100 (default 80); png 1-10 (default 8)"
std::string qualityRanges() {
    std::string ranges;
    for (const OutputFormatEntry& format : outputFormats()) {
        if (!format.quality)
            continue;
        if (!ranges.empty())
            ranges += "; ";
        ranges += std::string(format.name) + " " + std::to_string(format.quality->minimum) + "-" +
                  std::to_string(format.quality->maximum) + " (default " +
                  std::to_string(format.quality->initial) + ")";
    }
    return ranges;
}

} // namespace

// Words wrapped into the help's right column: no line past column 79, the
// lines after the first indented to the column.
namespace {

// The words in lines of at most 79 columns, each line after the first
// indented by indent blanks (the first stands where it is put).
std::string wrapWords(const std::string& words, std::size_t indent) {
    const std::size_t kWidth = 79 - indent;
    std::string text;
    std::size_t lineLength = 0;
    std::size_t start = 0;
    while (start < words.size()) {
        std::size_t end = words.find(' ', start);
        if (end == std::string::npos)
            end = words.size();
        const std::string_view word(words.data() + start, end - start);
        if (lineLength > 0 && lineLength + 1 + word.size() > kWidth) {
            text += '\n';
            text.append(indent, ' ');
            lineLength = 0;
        } else if (lineLength > 0) {
            text += ' ';
            ++lineLength;
        }
        text += word;
        lineLength += word.size();
        start = end + 1;
    }
    return text;
}

} // namespace

std::string helpColumn(const std::string& words) {
    return wrapWords(words, 25);
}

namespace {

// The help's options from --background on, and its end.
std::string sizeAndColourHelp() {
    return R"(  -b, --background RRGGBB
                         the background colour in hex (default: the colour of
                         the picture's top-left pixel; in ramp, shapes and
                         symbols black, with --no-fill white)
      --fill             fill each character's cell with its pixel's colour
                         and draw the character in a contrasting shade of it
                         (ramp and shapes fill by default, shapes drawing
                         its character in the colour of what it covers)
      --no-fill          draw the characters on the background only (symbols
                         always fill)
  -W, --width N          the width in pixels of the scaled picture, each drawn
                         as one or two characters (one cell of an image)
  -H, --height N         the height in pixels, each a line of text; given one
                         of the two, the other keeps the picture's proportion
                         (in ramp, shapes and symbols, as their cells are
                         drawn).
                         Given neither: at most )" +
           std::to_string(kDefaultDocumentWidth) + R"( pixels wide for a
                         document or an image, ansi and text fill the
                         terminal (elsewhere )" +
           std::to_string(kDefaultTextColumns) + R"( columns); only text makes
                         a picture larger
      --size COLUMNSxROWS
                         the size in character cells instead: columns of
                         characters and lines of text, either left out to
                         keep the picture's proportion
      --fit COLUMNSxROWS the largest size within so many character cells that
                         keeps the picture's proportion, as a file manager's
                         preview pane asks
  -d, --depth BITS       reduce the colours to 1, 4, 8, 15, 16, 24 or 32 bits
                         (default: the picture's own depth)
  -Q, --quality N        the image quality (for png, lower compresses harder):
                         )" +
           qualityRanges() + R"(
      --colors COLORS    the colours of ansi: truecolor, 256, 16 or none
                         (default: truecolor when COLORTERM says so, none when
                         NO_COLOR is set, else 256)
      --no-aspect-correction
                         keep one line a pixel for ansi and text where a pixel
                         has one character (by default the height is halved,
                         as a character is twice as high as wide)
      --no-auto-orient   keep the picture as stored, ignoring its EXIF
                         orientation
      --max-memory MB    the most memory reading a picture may take, the
                         picture and what its decoder holds besides; a
                         picture that needs more is refused (default )" +
           std::to_string(kDefaultMemoryLimit / kBytesPerMegabyte) + R"()
      --seed N           seed the random characters (default: the clock)
  -q, --quiet            show errors only, no progress
      --list-fonts       list the font faces --font takes, one a line
  -h, --help             show this text
      --version          show the version

Messages go to standard error, one line each. Exit status: 0 when every
picture was converted, 1 when one was not, 2 when the arguments are wrong.
)";
}

} // namespace

std::string usageText() {
    const ConversionSettings defaults;
    return "Usage: varnelo-convert [options] PICTURE...\n" +
           wrapWords("Turns each picture (" + pictureTypeNames() +
                         ") into an ascii picture: every pixel becomes one or two characters "
                         "printed in that pixel's colour. A picture's type is read from its "
                         "first bytes, whatever its name; a PICTURE of - is read from standard "
                         "input. Pictures are turned upright as their EXIF orientation says. "
                         "On a terminal, without --mode, the picture is drawn in " +
                         std::string(characterModeOf(kTerminalMode).name) + " mode.",
                     0) +
           R"(

  -o, --output PATH      the output file (only with one picture), - for
                         standard output; by default the picture's name with
                         the format's extension, numbered when that file
                         exists, and standard output for ansi and text or a
                         picture read from standard input
  -f, --format FORMAT    )" +
           helpColumn(formatNames() +
                      "; by default from the extension of --output, else ansi "
                      "when standard output is a terminal, else " +
                      std::string(outputFormatOf(defaults).name)) +
           R"(
  -m, --mode MODE        )" +
           helpColumn(modeNames()) + R"(
      --phrase TEXT      the text of text mode
      --phrase-file FILE the text of text mode, read from a Windows-1252 file
      --blocks STRENGTH  1 (default), 2, 3, 4 or random, for blocks mode
      --range FROM:TO    the character codes of range mode, FROM at least 1,
                         TO at most 255 (default )" +
           std::to_string(defaults.rangeFrom) + ":" + std::to_string(defaults.rangeTo) + R"()
      --ramp CHARS       )" +
           helpColumn("the characters of ramp mode, from the least ink to the most (default \"" +
                      defaults.ramp + "\")") +
           R"(
      --glyphs CHARS     )" +
           helpColumn("the characters shapes mode chooses among (default the printable ASCII "
                      "characters)") +
           R"(
      --symbols SET      )" +
           helpColumn("the symbols of symbols mode: classes joined by + and - (" +
                      symbolClassNames() + "), as in blocks+braille or ascii-digits (default " +
                      std::string(defaultSymbolSet(OutputFormat::AnsiText)) + ", and " +
                      std::string(defaultSymbolSet(OutputFormat::Image)) + " in images)") +
           R"(
  -s, --font-size N      the font size, 1 to )" +
           std::to_string(kMaxFontSize) + " (default " + std::to_string(defaults.fontSize) + R"()
      --font FACE        )" +
           helpColumn("the font face (default " + defaults.fontFace + "; blocks mode uses " +
                      kTerminalFace + "; ramp, shapes and symbols a monospaced face)") +
           "\n" + sizeAndColourHelp();
}

} // namespace varnelo
