#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

namespace varnelo {

/// Where varnelo-convert talks: the help and version texts go to out,
/// everything else to err. Progress lines are shown only on a terminal.
struct ConsoleStreams {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;
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

/// Runs varnelo-convert with its arguments; returns the exit code.
int runConverter(int argc, char* argv[]);

} // namespace varnelo
