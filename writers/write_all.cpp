#include "writers/write_all.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

#include <unistd.h>

namespace varnelo {

int writeAll(int fd, const void* data, std::size_t size, const std::atomic<bool>* cancel) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return errno = EINTR;
        const ssize_t written = ::write(fd, bytes + done, size - done);
        if (written < 0 && errno == EINTR)
            continue; // a cancel flag, set by the signal, decides
        if (written < 0)
            return errno;
        if (written == 0)
            return errno = EIO;
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

int writeAllGathered(int fd, std::span<iovec> pieces) {
    while (!pieces.empty()) {
        if (pieces.front().iov_len == 0) {
            pieces = pieces.subspan(1);
            continue;
        }
        const int count = static_cast<int>(std::min<std::size_t>(pieces.size(), IOV_MAX));
        ssize_t written = ::writev(fd, pieces.data(), count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return errno = EIO;
        // Past the pieces written whole, into the one written in part.
        auto left = static_cast<std::size_t>(written);
        while (left > 0 && left >= pieces.front().iov_len) {
            left -= pieces.front().iov_len;
            pieces = pieces.subspan(1);
        }
        if (left > 0) {
            pieces.front().iov_base = static_cast<std::uint8_t*>(pieces.front().iov_base) + left;
            pieces.front().iov_len -= left;
        }
    }
    return 0;
}

} // namespace varnelo
