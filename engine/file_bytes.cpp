#include "engine/file_bytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnelo {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

ReadFileOutcome readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                              std::size_t maxBytes) {
    bytes.clear();
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return {ReadFileStatus::CannotOpen, errno};
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return {ReadFileStatus::ReadError, errno};
    if (!S_ISREG(info.st_mode))
        return {ReadFileStatus::NotAFile, 0};
    if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > maxBytes)
        return {ReadFileStatus::TooLarge, 0};

    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            bytes.clear();
            return {ReadFileStatus::ReadError, error};
        }
        if (got == 0) // the file shrank while we read it
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return {};
}

} // namespace varnelo
