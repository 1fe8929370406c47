#pragma once

#include "engine/conversion_settings.h"
#include "engine/font_family.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo {

/// The choices of one varnelo-convert run. The ones that default to a
/// property of the picture stay empty until each picture is loaded.
struct CommandLine {
    std::vector<std::string> pictures;
    std::optional<std::string> outputPath;
    /// The choices that do not depend on the picture, from the defaults of
    /// the settings on; the phrase of --phrase in Windows-1252 among them.
    /// The paths and the picture's own properties are left for each picture.
    ConversionSettings choices;
    std::optional<std::string> phraseFile;
    std::optional<Rgb> backgroundColor;
    std::optional<std::int32_t> width;
    std::optional<std::int32_t> height;
    /// --size: the picture's columns and rows of character cells.
    std::optional<std::int32_t> columns;
    std::optional<std::int32_t> rows;
    /// --fit: columns and rows are the most the picture takes, its
    /// proportion kept.
    bool fit = false;
    /// Whether --mode and --font were given: the modes beyond the window's
    /// have defaults of their own where they were not.
    bool modeChosen = false;
    bool fontChosen = false;
    /// Whether --fill or --no-fill was given: ramp and shapes fill without.
    bool fillChosen = false;
    std::optional<ColorDepth> colorDepth;
    std::optional<std::uint32_t> seed;
    /// --colors; left empty, the terminal's environment decides.
    std::optional<TerminalColors> colors;
    /// Text for a terminal halves its height at one character a pixel, so
    /// that the picture keeps its proportion on screen.
    bool aspectCorrection = true;
    /// Turn each picture upright as its EXIF orientation says.
    bool autoOrient = true;
    /// --quiet: errors only, no progress.
    bool quiet = false;
    /// Neither --format nor --output chose the format: the settings' default
    /// stands, which a terminal as standard output replaces by ansi.
    bool formatDefaulted = false;
};

/// Megabytes as --max-memory counts them and messages tell them.
inline constexpr std::int64_t kBytesPerMegabyte = std::int64_t{1} << 20;
/// The most --max-memory takes: all a 64-bit machine could address is more
/// than any picture within the limits needs.
inline constexpr std::int32_t kMaxMemoryMegabytes = 1 << 24;

/// The name that stands for standard input as a picture, and standard
/// output as the output.
inline constexpr const char* kStandardStream = "-";

/// Text mode without a phrase, given or read from its file.
inline constexpr const char* kNoPhraseMessage =
    "text mode needs a phrase (--phrase or --phrase-file)";

enum class CommandAction : std::uint8_t { Convert, ShowHelp, ShowVersion, ListFonts, UsageError };

struct ParsedCommandLine {
    CommandAction action = CommandAction::UsageError;
    CommandLine options;
    std::string error; ///< why the arguments are refused, for UsageError
};

/// Reads the arguments after the program's name. --help, --version and
/// --list-fonts win
/// over whatever follows them; the first fault found is the one reported.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// Whether longName is one of the long options, named whole: whether it
/// takes a value; nothing for a name that is none.
std::optional<bool> longOptionTakesValue(std::string_view longName);

/// The text --help prints.
std::string usageText();

/// The picture types the converter reads, as a list: "BMP, JPG, GIF or PNG".
std::string pictureTypeNames();

} // namespace varnelo
