#include "engine/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace varnelo {

namespace {

// Small writes are gathered so that a document of many short lines costs few system calls.
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

std::string temporaryNameFor(const std::string& target, std::uint32_t salt) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", salt);
    return folder + "." + name + suffix;
}

} // namespace

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::fail() {
    error_ = std::strerror(errno);
    discard();
    return false;
}

bool AtomicFile::open(const std::string& target) {
    discard();
    error_.clear();
    target_ = target;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        errno = EISDIR;
        error_ = std::strerror(errno);
        return false;
    }
    std::random_device entropy;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary_ = temporaryNameFor(target, entropy());
        // 0666 less the umask, as any new file; the target's own mode when it exists.
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        temporary_.clear();
        error_ = std::strerror(errno);
        return false;
    }
    if (::stat(target.c_str(), &existing) == 0)
        (void)::fchmod(fd_, existing.st_mode & 07777);
    buffer_.reserve(kBufferBytes);
    return true;
}

bool AtomicFile::flushBuffer() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail();
        done += static_cast<std::size_t>(written);
    }
    buffer_.clear();
    return true;
}

bool AtomicFile::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0)
        return false;
    if (buffer_.size() + bytes.size() > kBufferBytes && !flushBuffer())
        return false;
    if (bytes.size() >= kBufferBytes) {
        buffer_.assign(bytes.begin(), bytes.end());
        return flushBuffer();
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
}

bool AtomicFile::commit() {
    if (fd_ < 0)
        return false;
    if (!flushBuffer())
        return false;
    // No fsync: it would cost more than the whole conversion on large
    // documents, and ext4 and the like flush a file renamed over another
    // before the rename itself is committed.
    if (::close(fd_) != 0) {
        fd_ = -1;
        return fail();
    }
    fd_ = -1;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return fail();
    temporary_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        const int saved = errno;
        ::unlink(temporary_.c_str());
        errno = saved;
        temporary_.clear();
    }
    buffer_.clear();
}

} // namespace varnelo
