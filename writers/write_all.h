#pragma once

#include <atomic>
#include <cstddef>
#include <span>

#include <sys/uio.h>

namespace varnelo {

/// Writes size bytes to fd whole, going on after partial writes and after
/// signals that interrupt one. Returns 0, or the system's error number of
/// the write that failed (EIO for a write that took nothing), also left in
/// errno. When cancel is given and set, the writing stops with EINTR: a
/// write that waits on a full pipe ends when a signal sets it.
int writeAll(int fd, const void* data, std::size_t size, const std::atomic<bool>* cancel = nullptr);

/// Writes the pieces whole, in order, as writeAll does, with as few calls
/// as the system allows; the pieces are changed by partial writes.
int writeAllGathered(int fd, std::span<iovec> pieces);

} // namespace varnelo
