#include "cli/console_observer.h"

#include "cli/printable_text.h"

#include <utility>

namespace varnelo {

// Names and messages may carry whatever bytes a file name holds; none of
// them reaches the terminal as a control character.
ConsoleObserver::ConsoleObserver(std::ostream& err, bool showProgress, std::string picturePath)
    : err_(err), showProgress_(showProgress), picturePath_(printableText(picturePath)) {}

void ConsoleObserver::showStatus(std::string_view text) {
    if (!showProgress_)
        return;
    const std::string shown = printableText(text);
    err_ << '\r' << shown;
    // A shorter status must not leave the end of a longer one behind.
    if (shown.size() < statusWidth_)
        err_ << std::string(statusWidth_ - shown.size(), ' ');
    statusWidth_ = shown.size();
    statusShown_ = true;
    err_.flush();
}

void ConsoleObserver::setProgressRange(int /*maximum*/) {}

void ConsoleObserver::setProgressPosition(int /*position*/) {}

void ConsoleObserver::report(std::string_view message) {
    finish();
    err_ << picturePath_ << ": " << printableText(message) << '\n';
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
