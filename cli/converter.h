#pragma once

#include "cli/console_stream.h"
#include "engine/conversion_settings.h"

#include <atomic>
#include <istream>
#include <string>
#include <vector>

namespace varnelo {

/// Where varnelo-convert talks and what it knows of its terminal: the help
/// and version texts, and outputs sent to standard output, go to out;
/// messages to err, progress lines only when err is a terminal; a picture
/// named "-" is read from inDescriptor when there is one, else from in.
struct ConsoleStreams {
    ConsoleStream& out;
    ConsoleStream& err;
    bool errIsTerminal = false;
    std::istream* in = nullptr;
    bool outIsTerminal = false;
    /// The width of the terminal out is, in columns, or as COLUMNS gives
    /// it for whatever out is; 0 when unknown.
    int outColumns = 0;
    /// Its height in lines, or as LINES gives it; 0 when unknown.
    int outRows = 0;
    /// How the terminal's environment asks for colours (COLORTERM, NO_COLOR).
    TerminalColors colors = TerminalColors::Palette256;
    /// Standard input's descriptor: mapped when it is a file, read directly
    /// otherwise, so that a signal ends a read that waits.
    int inDescriptor = -1;
    /// Standard output's descriptor, which outputs are then written to
    /// directly, so that a signal ends a write that waits; else into out.
    int outDescriptor = -1;
    /// Whether the locale writes UTF-8: else messages keep to plain characters.
    bool unicode = true;
};

/// Exit codes of varnelo-convert.
inline constexpr int kExitConverted = 0;
inline constexpr int kExitNotConverted = 1;
inline constexpr int kExitUsage = 2;

/// Converts the pictures the arguments (those after the program's name)
/// name, one after another, and returns the exit code. Needs a
/// QGuiApplication with the program's fonts for the image outputs. Setting
/// cancelRequested stops the conversion under way and skips the rest.
int convertPictures(const std::vector<std::string>& arguments, const ConsoleStreams& console,
                    const std::atomic<bool>& cancelRequested);

/// The colours the environment asks for: none when NO_COLOR is set and not
/// empty or the terminal is a dumb one (TERM=dumb), 24-bit when COLORTERM
/// says truecolor or 24bit, else 256.
TerminalColors colorsFromEnvironment(const char* noColor, const char* colorTerm,
                                     const char* term = nullptr);

/// A terminal's size as COLUMNS and LINES give it, where they hold a
/// number; 0 where they do not.
struct TerminalSize {
    int columns = 0;
    int rows = 0;
};
TerminalSize sizeFromEnvironment(const char* columns, const char* lines);

/// Runs varnelo-convert with its arguments; returns the exit code.
int runConverter(int argc, char* argv[]);

} // namespace varnelo
