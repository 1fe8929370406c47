#include "reading/codecs/own_process_decoding.h"

#include "base/picture_limits.h"
#include "reading/modules.h"
#include "reading/picture_loader.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef VARNELO_OWN_PROCESS_DECODER_FILE
#error "the build names the decoding program's file beside the program's library folder"
#endif

extern char** environ;

namespace varnelo {

namespace {

// How often the waiting side looks at the cancel.
constexpr int kCancelLookMilliseconds = 10;

// A descriptor closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

bool writeWhole(int fd, FileBytes bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The file as the process reads it: a copy in memory of its own, sealed.
Descriptor fileCopy(FileBytes file) {
    Descriptor copy(::memfd_create("varnelo-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!copy.valid() || !writeWhole(copy.get(), file) ||
        ::fcntl(copy.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE) != 0)
        return Descriptor();
    return copy;
}

std::vector<std::string> argumentsOf(const OwnProcessArguments& arguments) {
    const auto number = [](auto value) { return std::to_string(value); };
    return {number(static_cast<int>(arguments.type)),
            number(arguments.asked.width),
            number(arguments.asked.height),
            number(arguments.answer.width),
            number(arguments.answer.height),
            arguments.autoOrient ? "1" : "0",
            number(arguments.memoryLimit)};
}

// Starts the program with the file and the output as its descriptors 3 and
// 4 and the end of a pipe, whose closing tells the process has ended, as
// 5; none of the caller's other descriptors. 0 when it cannot start.
pid_t start(const std::string& program, const std::vector<std::string>& arguments, int file,
            int output, int ended) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return 0;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return 0;
    }
    constexpr int kEndedDescriptor = 5;
    posix_spawn_file_actions_adddup2(&actions, file, kOwnProcessFileDescriptor);
    posix_spawn_file_actions_adddup2(&actions, output, kOwnProcessOutputDescriptor);
    posix_spawn_file_actions_adddup2(&actions, ended, kEndedDescriptor);
    posix_spawn_file_actions_addclosefrom_np(&actions, kEndedDescriptor + 1);
    // What the libraries word of a broken file on standard error (libjxl
    // does) is not the caller's to show: its outcome says what went wrong.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Signals the caller catches or blocks are the process's own to die of.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ) != 0)
        child = 0;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return child;
}

// Reaps a killed process on a thread of its own: the kernel frees a dying
// process's memory before its parent can reap it, tens of milliseconds for
// a picture of hundreds of megabytes, and a cancel should not wait for that.
// A program that ends first leaves it to be reaped by init.
void reapApart(pid_t child) {
    try {
        std::thread([child] {
            int status = 0;
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

// Waits for the process to end, killing it once the cancel is set; its
// wait status, or nothing once killed.
std::optional<int> waitFor(pid_t child, int ended, DecodeCancel cancel) {
    int status = 0;
    for (;;) {
        // The pipe's end closes with the process: readable, or hung up.
        pollfd watched{ended, POLLIN, 0};
        const int ready = ::poll(&watched, 1, kCancelLookMilliseconds);
        if (ready > 0 || (ready < 0 && errno != EINTR))
            break;
        if (cancelled(cancel)) {
            ::kill(child, SIGKILL);
            reapApart(child);
            return std::nullopt;
        }
    }
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Takes the picture the process wrote; the status it ended with, and the
// size the decoder asked about instead of the one answered.
DecodeStatus takeResult(int output, WorkBitmap& picture, ConversionLoad* conversion,
                        PictureSize& askedInstead) {
    struct stat written {};
    if (::fstat(output, &written) != 0 || written.st_size < std::int64_t{sizeof(OwnProcessResult)})
        return DecodeStatus::Corrupt;
    const auto size = static_cast<std::size_t>(written.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, output, 0);
    if (mapped == MAP_FAILED)
        return DecodeStatus::OutOfMemory;
    OwnProcessResult result;
    std::memcpy(&result, mapped, sizeof result);
    const auto* rows = static_cast<const std::uint8_t*>(mapped) + sizeof result;
    DecodeStatus status =
        result.mark == OwnProcessResult::kMark ? result.status : DecodeStatus::Corrupt;
    askedInstead = result.askedInstead;
    if (askedInstead.width != 0 || askedInstead.height != 0)
        status = DecodeStatus::Corrupt;
    if (conversion != nullptr) {
        conversion->memoryNeeded = std::max(conversion->memoryNeeded, result.memoryNeeded);
        if (status == DecodeStatus::Ok && result.hasFacts)
            conversion->facts = result.facts;
    }
    if (status == DecodeStatus::Ok) {
        if (!pictureSizeAllowed(result.width, result.height) ||
            !picture.allocate(result.width, result.height, result.depth)) {
            status = DecodeStatus::OutOfMemory;
        } else if (sizeof result + picture.stride() * static_cast<std::size_t>(picture.height()) >
                   size) {
            status = DecodeStatus::Corrupt;
        } else {
            for (int y = 0; y < picture.height(); ++y)
                std::memcpy(picture.row(y), rows + picture.stride() * static_cast<std::size_t>(y),
                            picture.stride());
            if (colorTableSize(result.depth) > 0)
                picture.setColorTable(
                    std::span<const Rgb>(result.colorTable.data(),
                                         static_cast<std::size_t>(colorTableSize(result.depth))));
        }
    }
    ::munmap(mapped, size);
    if (status != DecodeStatus::Ok)
        picture.clear();
    return status;
}

// What a run of the process ended with: a DecodeStatus, kAskedAnotherSize
// (asked then set to that size), or nothing where no process could start.
constexpr int kAskedAnotherSize = 256;

std::optional<int> runDecoder(const std::string& program, const OwnProcessArguments& arguments,
                              int file, WorkBitmap& picture, ConversionLoad* conversion,
                              DecodeCancel cancel, PictureSize& asked) {
    const Descriptor output(::memfd_create("varnelo-decoded", MFD_CLOEXEC));
    int ends[2] = {-1, -1};
    if (!output.valid() || ::pipe2(ends, O_CLOEXEC) != 0)
        return std::nullopt;
    const Descriptor endedRead(ends[0]);
    pid_t child = 0;
    {
        const Descriptor endedWrite(ends[1]);
        child = start(program, argumentsOf(arguments), file, output.get(), endedWrite.get());
    }
    if (child == 0)
        return std::nullopt;
    const std::optional<int> ended = waitFor(child, endedRead.get(), cancel);
    picture.clear();
    if (!ended)
        return static_cast<int>(DecodeStatus::Cancelled);
    if (WIFEXITED(*ended) && WEXITSTATUS(*ended) == 0) {
        PictureSize instead;
        const DecodeStatus status = takeResult(output.get(), picture, conversion, instead);
        if (instead.width != 0 || instead.height != 0) {
            asked = instead;
            return kAskedAnotherSize;
        }
        return static_cast<int>(status);
    }
    if (cancelled(cancel))
        return static_cast<int>(DecodeStatus::Cancelled);
    // Killed for its memory, or the library broke on the file.
    if (WIFSIGNALED(*ended) && WTERMSIG(*ended) == SIGKILL)
        return static_cast<int>(DecodeStatus::OutOfMemory);
    return static_cast<int>(DecodeStatus::Corrupt);
}

} // namespace

std::string ownProcessDecoderPath() {
    return modulePath(VARNELO_OWN_PROCESS_DECODER_FILE);
}

std::optional<DecodeStatus> decodeInOwnProcess(PictureType type, FileBytes file,
                                               WorkBitmap& picture, DecodeCancel cancel,
                                               ConversionLoad* conversion, PictureSize asked,
                                               std::int64_t fromPixels) {
    if (cancel == nullptr || std::int64_t{asked.width} * asked.height < fromPixels)
        return std::nullopt;
    static const std::string program = ownProcessDecoderPath();
    if (!trustedModuleFile(program))
        return std::nullopt;
    const Descriptor copy = fileCopy(file);
    if (!copy.valid())
        return std::nullopt;
    // A decoder that asks about another size than it was answered for is
    // answered for that one, once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        OwnProcessArguments arguments{type, asked, {}, true, kDefaultMemoryLimit};
        if (conversion != nullptr) {
            if (conversion->sizeOf)
                arguments.answer = conversion->sizeOf(asked.width, asked.height);
            arguments.autoOrient = conversion->autoOrient;
            arguments.memoryLimit = conversion->memoryLimit;
        }
        const std::optional<int> ended =
            runDecoder(program, arguments, copy.get(), picture, conversion, cancel, asked);
        if (!ended || *ended != kAskedAnotherSize)
            return ended ? std::optional<DecodeStatus>(static_cast<DecodeStatus>(*ended))
                         : std::nullopt;
    }
    picture.clear();
    return DecodeStatus::Corrupt;
}

} // namespace varnelo
