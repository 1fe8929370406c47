#include "cli/console_observer.h"

#include <utility>

namespace varnelo {

ConsoleObserver::ConsoleObserver(std::ostream& err, bool showProgress, std::string picturePath)
    : err_(err), showProgress_(showProgress), picturePath_(std::move(picturePath)) {}

void ConsoleObserver::showStatus(std::string_view text) {
    if (!showProgress_)
        return;
    err_ << '\r' << text;
    // A shorter status must not leave the end of a longer one behind.
    if (text.size() < statusWidth_)
        err_ << std::string(statusWidth_ - text.size(), ' ');
    statusWidth_ = text.size();
    statusShown_ = true;
    err_.flush();
}

void ConsoleObserver::setProgressRange(int /*maximum*/) {}

void ConsoleObserver::setProgressPosition(int /*position*/) {}

void ConsoleObserver::report(std::string_view message) {
    finish();
    err_ << picturePath_ << ": " << message << '\n';
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
