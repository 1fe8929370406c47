#include "reading/file_bytes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnelo {

namespace {

// The mappings open at a time, for the bus-error handler to look up. Plain
// atomics only: the handler may run at any moment, in any thread.
struct Mapping {
    std::atomic<std::uintptr_t> start{0};
    std::atomic<std::size_t> size{0};
    std::atomic<bool> damaged{false};
};
constexpr int kMaxMappings = 64;
std::array<Mapping, kMaxMappings> mappings;
struct sigaction previousBusHandler {};

static_assert(std::atomic<std::uintptr_t>::is_always_lock_free, "read in a signal handler");

// A file that shrinks under its mapping faults on the pages past its new
// end. Those pages are replaced by zeros and the mapping marked damaged, so
// that the decoder finishes on made-up bytes and the loader refuses the
// result, instead of the whole program ending. Faults elsewhere go on to
// whoever handled them before.
void onBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Mapping& mapping : mappings) {
        const std::uintptr_t start = mapping.start.load();
        const std::size_t size = mapping.size.load();
        if (start == 0 || address < start || address - start >= size)
            continue;
        const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        const std::uintptr_t from = address & ~(page - 1);
        const std::size_t length = start + size - from;
        if (::mmap(reinterpret_cast<void*>(from), length, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break;
        mapping.damaged.store(true);
        return;
    }
    if ((previousBusHandler.sa_flags & SA_SIGINFO) != 0 &&
        previousBusHandler.sa_sigaction != nullptr) {
        previousBusHandler.sa_sigaction(signal, info, context);
        return;
    }
    if (previousBusHandler.sa_handler != SIG_DFL && previousBusHandler.sa_handler != SIG_IGN &&
        previousBusHandler.sa_handler != nullptr) {
        previousBusHandler.sa_handler(signal);
        return;
    }
    // Not ours: the fault repeats with the default action and ends the program.
    ::signal(SIGBUS, SIG_DFL);
}

void installBusHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusHandler);
    });
}

int registerMapping(const void* start, std::size_t size) {
    for (int slot = 0; slot < kMaxMappings; ++slot) {
        std::uintptr_t free = 0;
        Mapping& mapping = mappings[static_cast<std::size_t>(slot)];
        if (mapping.start.compare_exchange_strong(free, 1)) { // reserved
            mapping.size.store(size);
            mapping.damaged.store(false);
            mapping.start.store(reinterpret_cast<std::uintptr_t>(start));
            return slot;
        }
    }
    return -1;
}

// Below this a file is read: mapping, and unmapping, cost more than
// copying a few pages.
constexpr std::size_t kReadRatherThanMap = std::size_t{64} << 10;

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

void releaseDecodedBytes(FileBytes bytes) {
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = (reinterpret_cast<std::uintptr_t>(bytes.data()) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(bytes.data()) + bytes.size()) & ~(page - 1);
    // Pages that also hold bytes outside the range stay. MADV_PAGEOUT keeps
    // the contents, unlike MADV_DONTNEED, which would zero heap memory.
    if (end > start)
        (void)::madvise(reinterpret_cast<void*>(start), end - start, MADV_PAGEOUT);
}

MappedFile::~MappedFile() {
    close();
}

void MappedFile::close() {
    if (slot_ >= 0) {
        Mapping& mapping = mappings[static_cast<std::size_t>(slot_)];
        mapping.start.store(0);
        slot_ = -1;
    }
    if (data_ != nullptr && !read_)
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
    read_.reset();
    shortRead_ = false;
    data_ = nullptr;
    size_ = 0;
}

bool MappedFile::damaged() const {
    return shortRead_ || (slot_ >= 0 && mappings[static_cast<std::size_t>(slot_)].damaged.load());
}

ReadFileOutcome MappedFile::read(int fd, std::size_t size) {
    read_.reset(new (std::nothrow) std::uint8_t[size]);
    if (!read_)
        return {ReadFileStatus::ReadError, ENOMEM};
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, read_.get() + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int cause = errno;
            read_.reset();
            return {ReadFileStatus::ReadError, cause};
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    // Shrunk since it was measured: as a mapping would, the rest reads as zeros.
    std::fill(read_.get() + got, read_.get() + size, std::uint8_t{0});
    shortRead_ = got < size;
    data_ = read_.get();
    size_ = size;
    return {};
}

ReadFileOutcome MappedFile::open(const std::string& path, std::size_t maxBytes) {
    close();
    // Non-blocking, so that opening a FIFO with no writer returns at once;
    // what is not a regular file is then refused.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0)
        return {ReadFileStatus::CannotOpen, errno};
    return openDescriptor(file.get(), maxBytes);
}

ReadFileOutcome MappedFile::openDescriptor(int descriptor, std::size_t maxBytes) {
    close();
    struct stat info {};
    if (::fstat(descriptor, &info) != 0)
        return {ReadFileStatus::ReadError, errno};
    if (!S_ISREG(info.st_mode))
        return {ReadFileStatus::NotAFile, 0};
    if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > maxBytes)
        return {ReadFileStatus::TooLarge, 0};
    if (info.st_size == 0)
        return {};

    const auto size = static_cast<std::size_t>(info.st_size);
    if (size <= kReadRatherThanMap)
        return read(descriptor, size);
    installBusHandler();
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (data == MAP_FAILED)
        return {ReadFileStatus::ReadError, errno};
    data_ = static_cast<const std::uint8_t*>(data);
    size_ = size;
    // Decoders read front to back.
    (void)::madvise(data, size, MADV_SEQUENTIAL);
    slot_ = registerMapping(data, size);
    if (slot_ < 0) {
        // More files open at once than the handler can watch: unwatched,
        // a shrinking file would end the program.
        close();
        return {ReadFileStatus::ReadError, EMFILE};
    }
    return {};
}

} // namespace varnelo
