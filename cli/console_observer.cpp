#include "cli/console_observer.h"

#include "engine/printable_text.h"
#include "library/messages.h"

#include <utility>

namespace varnelo {

namespace {

// The columns a line takes: one a character, not a byte (continuation
// bytes of UTF-8 take none).
std::size_t columnsOf(std::string_view text) {
    std::size_t columns = 0;
    for (const char c : text)
        columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return columns;
}

} // namespace

// Names and messages may carry whatever bytes a file name holds; none of
// them reaches the terminal as a control character.
ConsoleObserver::ConsoleObserver(ConsoleStream& err, bool showProgress, std::string picturePath,
                                 std::string_view messagePrefix, bool unicode)
    : err_(err), showProgress_(showProgress), picturePath_(printableText(picturePath)),
      messagePrefix_(messagePrefix), unicode_(unicode) {}

void ConsoleObserver::showProgress(const PassProgress& progress) {
    if (!showProgress_)
        return;
    const std::string shown = picturePath_ + ": " + progressText(progress);
    err_ << '\r' << shown;
    statusWidth_ = blankRest(shown);
    statusShown_ = true;
    err_.flush();
}

std::size_t ConsoleObserver::blankRest(std::string_view shown) {
    // A shorter line must not leave the end of a longer status behind.
    const std::size_t columns = columnsOf(shown);
    if (columns < statusWidth_)
        err_ << std::string(statusWidth_ - columns, ' ');
    return columns;
}

void ConsoleObserver::setProgressRange(int /*maximum*/) {}

void ConsoleObserver::setProgressPosition(int /*position*/) {}

void ConsoleObserver::report(std::string_view message) {
    finish();
    const std::string text(message);
    err_ << messagePrefix_ << picturePath_ << ": "
         << printableText(unicode_ ? text : plainSymbols(text)) << '\n';
    err_.flush();
}

void ConsoleObserver::conclude(std::string_view line) {
    const std::string shown = printableText(line);
    if (statusShown_) {
        err_ << '\r' << shown;
        blankRest(shown);
        statusShown_ = false;
        statusWidth_ = 0;
    } else {
        err_ << shown;
    }
    err_ << '\n';
    err_.flush();
}

void ConsoleObserver::finish() {
    if (!statusShown_)
        return;
    err_ << '\n';
    err_.flush();
    statusShown_ = false;
    statusWidth_ = 0;
}

} // namespace varnelo
