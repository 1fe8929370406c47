#pragma once

#include "cli/console_stream.h"
#include "engine/conversion_pass.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace varnelo {

/// Reports one picture's conversion on the error stream: every message as a
/// line prefixed with the picture's path, and, on a terminal, the status as
/// a progress line, with the same prefix, that each new status overwrites.
class ConsoleObserver final : public PassObserver {
public:
    /// Messages start with messagePrefix ("varnelo-convert: "), then the
    /// picture; the progress line with the picture.
    /// Without unicode the messages' own symbols are plain characters.
    ConsoleObserver(ConsoleStream& err, bool showProgress, std::string picturePath,
                    std::string_view messagePrefix = {}, bool unicode = true);

    void showProgress(const PassProgress& progress) override;
    void setProgressRange(int maximum) override;
    void setProgressPosition(int position) override;

    /// Prints a message about the picture on a line of its own.
    void report(std::string_view message);
    /// Ends the progress line, so that what follows starts on a line of its own.
    void finish();
    /// Puts a line in the progress line's place, or after the messages.
    void conclude(std::string_view line);

private:
    /// Blanks what is left of the status line after the text just shown
    /// over it; returns the columns that text takes.
    std::size_t blankRest(std::string_view shown);

    ConsoleStream& err_;
    bool showProgress_;
    std::string picturePath_;
    std::string messagePrefix_;
    std::size_t statusWidth_ = 0;
    bool statusShown_ = false;
    bool unicode_ = true;
};

} // namespace varnelo
