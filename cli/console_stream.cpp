#include "cli/console_stream.h"

#include <cerrno>

#include <unistd.h>

namespace varnelo {

namespace {

constexpr std::size_t kLargestWait = std::size_t{64} << 10;

} // namespace

bool DescriptorStream::put(std::string_view bytes) {
    waiting_.append(bytes);
    return waiting_.size() < kLargestWait || flushed();
}

bool DescriptorStream::flushed() {
    std::size_t sent = 0;
    while (sent < waiting_.size()) {
        const ssize_t written = ::write(fd_, waiting_.data() + sent, waiting_.size() - sent);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            waiting_.clear();
            return false;
        }
        sent += static_cast<std::size_t>(written);
    }
    waiting_.clear();
    return true;
}

} // namespace varnelo
