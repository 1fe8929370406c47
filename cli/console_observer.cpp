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

void ConsoleObserver::showError(std::string_view text) {
    finish();
    ++errorCount_;
    // The engine's messages are made for a message box and break their
    // lines with CR LF; a console wants each line on its own, prefixed.
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        if (!line.empty())
            err_ << picturePath_ << ": " << line << '\n';
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
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
