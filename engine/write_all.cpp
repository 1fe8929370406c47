#include "engine/write_all.h"

#include <cerrno>
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

} // namespace varnelo
