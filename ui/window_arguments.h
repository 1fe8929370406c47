#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnelo {

/// What `varnelo` is asked to do by its command line.
enum class WindowAction : std::uint8_t { OpenWindow, ShowHelp, ShowVersion, UsageError };

struct WindowArguments {
    WindowAction action = WindowAction::OpenWindow;
    /// The picture to open in the window, as a desktop's "Open With" or a
    /// shell names it.
    std::optional<std::string> picture;
    /// Why the arguments are refused, for UsageError.
    std::string error;
};

/// Reads the arguments after the program's name (Qt's own options already
/// taken out). --help and --version answer whatever else is given; after
/// "--" every argument is a picture; at most one picture.
WindowArguments parseWindowArguments(const std::vector<std::string>& arguments);

/// Why the picture named on the command line cannot be opened, as the open
/// dialog and a drop take only an existing file: "No such file or
/// directory", "not a regular file"; nothing when it can be.
std::optional<std::string> pictureArgumentProblem(const std::string& path);

/// The text --help prints.
std::string windowUsageText();

} // namespace varnelo
