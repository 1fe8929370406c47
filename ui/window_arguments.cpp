#include "ui/window_arguments.h"

#include <cerrno>
#include <system_error>

#include <sys/stat.h>

namespace varnelo {

WindowArguments parseWindowArguments(const std::vector<std::string>& arguments) {
    WindowArguments result;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (argument == "-h" || argument == "--help"))
            return {WindowAction::ShowHelp, std::nullopt, {}};
        if (!optionsEnded && argument == "--version")
            return {WindowAction::ShowVersion, std::nullopt, {}};
    }
    optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument == "-") {
            result.action = WindowAction::UsageError;
            result.error = "the window does not read a picture from standard input; "
                           "varnelo-convert does";
            return result;
        }
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            result.action = WindowAction::UsageError;
            result.error = "unknown option '" + argument + "'";
            return result;
        }
        if (result.picture) {
            result.action = WindowAction::UsageError;
            result.error = "the window opens one picture at a time";
            return result;
        }
        result.picture = argument;
    }
    return result;
}

std::optional<std::string> pictureArgumentProblem(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::generic_category().message(errno);
    if (!S_ISREG(status.st_mode))
        return std::string("not a regular file");
    return std::nullopt;
}

std::string windowUsageText() {
    return R"(Usage: varnelo [PICTURE]
Opens the Varnelo window, which turns a picture into an ascii picture: every
pixel becomes one or two characters printed in that pixel's colour. A
PICTURE given is opened in the window as a picture dropped onto it is.
For scripts and batch work, varnelo-convert runs the same conversion
without a window.

  -h, --help     show this text
      --version  show the version

Qt's own options, such as -platform or -style, are taken as well.
)";
}

} // namespace varnelo
