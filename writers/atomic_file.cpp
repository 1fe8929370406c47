#include "writers/atomic_file.h"

#include "engine/output_name.h"
#include "writers/write_all.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace varnelo {

namespace {

// Small writes are gathered so that a document of many short lines costs few system calls.
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
// From this length on, on average, lines go to the system as they stand.
constexpr std::size_t kLinesAsTheyStandFrom = 4096;
// As the kernel's own limit on symbolic links in one path.
constexpr int kMaxLinks = 40;
// Tries at a free temporary or proposed name before giving up.
constexpr int kMaxAttempts = 100;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Short and of fixed length, so that a temporary fits wherever its target does.
std::string temporaryName(const std::string& folder) {
    static thread_local std::mt19937 random{std::random_device{}()};
    char name[32];
    std::snprintf(name, sizeof name, "/.varnelo-%08x.tmp", static_cast<unsigned>(random()));
    return folder + name;
}

// Whether the kernel would follow the link, as it does with Debian's
// protected_symlinks: in a sticky folder anyone may write to, such as /tmp,
// only a link of the folder's owner or of the user who follows it. Another
// user's link there may point anywhere it likes, say at a file of ours.
bool mayFollow(const std::string& linkPath, const struct stat& link) {
    struct stat folder {};
    if (::stat(folderOf(linkPath).c_str(), &folder) != 0)
        return false;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == folder.st_uid || link.st_uid == ::geteuid();
}

// Whether every link among the folders of the path is one the kernel
// would follow: another user's link as a folder in /tmp could lead the
// output into a folder of ours just as one as the file's name could.
bool foldersMayBeFollowed(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        struct stat entry {};
        if (::lstat(folder.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode) &&
            !mayFollow(folder, entry))
            return false;
    }
    return true;
}

// Follows symbolic links to the file that is to be written. A link to a
// file that does not exist yet names the file to create. False with errno set.
bool followLinks(std::string& path) {
    for (int link = 0; link < kMaxLinks; ++link) {
        if (!foldersMayBeFollowed(path)) {
            errno = EACCES;
            return false;
        }
        struct stat entry {};
        if (::lstat(path.c_str(), &entry) != 0)
            return errno == ENOENT;
        if (!S_ISLNK(entry.st_mode))
            return true;
        if (!mayFollow(path, entry)) {
            errno = EACCES;
            return false;
        }
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) >= sizeof target) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string named(target, static_cast<std::size_t>(length));
        path = named.starts_with('/') ? named : folderOf(path) + "/" + named;
    }
    errno = ELOOP;
    return false;
}

// Named temporaries left by a writer that was killed before it could remove
// its own: one nobody holds a lock on, of this user, untouched for a while.
// Where the file system keeps no locks, none is taken for a leftover.
constexpr std::string_view kTemporaryPrefix = ".varnelo-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kTemporaryNameLength = kTemporaryPrefix.size() + 8 + kTemporarySuffix.size();
constexpr time_t kLeftoverAfterSeconds = 60;

void removeLeftovers(const std::string& folder) {
    DIR* entries = ::opendir(folder.c_str());
    if (entries == nullptr)
        return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view name = entry->d_name;
        if (name.size() != kTemporaryNameLength || !name.starts_with(kTemporaryPrefix) ||
            !name.ends_with(kTemporarySuffix))
            continue;
        const std::string path = folder + "/" + std::string(name);
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
            now - opened.st_mtime > kLeftoverAfterSeconds && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(entries);
}

// File systems without unnamed temporary files answer one of these.
bool unnamedUnsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
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

bool AtomicFile::refuse(const std::string& reason) {
    error_ = reason;
    discard();
    return false;
}

bool AtomicFile::open(const OutputTarget& target) {
    discard();
    error_.clear();
    path_ = target.path;
    proposedBeside_ = target.proposedBeside;
    if (path_.empty()) {
        errno = ENOENT;
        return fail();
    }
    // A proposed name is never written over, so what stands there matters
    // only to the choice of the next number.
    struct stat existing {};
    bool exists = false;
    if (proposedBeside_.empty() && !mayReplace(existing, exists))
        return false;
    folder_ = folderOf(path_);
    if (!createTemporary())
        return false;
    // ext4 writes a file out before it is renamed over another, all at once
    // in the rename: started as the bytes come, that writing goes on while
    // the rest is made.
    startsWriteback_ = exists;
    written_ = 0;
    if (exists) {
        (void)::fchmod(fd_, existing.st_mode & 07777);
        // Kept where the user may: replacing someone's file as root must
        // not make it root's. Anyone else may not give a file away, and
        // then the file is the user's own, as any new file would be.
        if (::fchown(fd_, existing.st_uid, existing.st_gid) != 0)
            errno = 0;
    }
    buffer_.reserve(kBufferBytes);
    return true;
}

bool AtomicFile::mayReplace(struct stat& existing, bool& exists) {
    // What the kernel reaches through every link first: a link of
    // /proc (standard output's "pipe:[N]") names no path to follow.
    struct stat reached {};
    if (::stat(path_.c_str(), &reached) == 0 && !S_ISREG(reached.st_mode) &&
        !S_ISDIR(reached.st_mode))
        return refuse("not a regular file");
    if (!followLinks(path_))
        return fail();
    exists = ::stat(path_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        errno = EISDIR;
        return fail();
    }
    if (exists && !S_ISREG(existing.st_mode))
        return refuse("not a regular file");
    // As a shell's redirection would: a file the user may not write is
    // not replaced just because its folder is writable.
    if (exists && ::access(path_.c_str(), W_OK) != 0)
        return fail();
    return true;
}

bool AtomicFile::createTemporary() {
    // 0666 less the umask, as any new file; the target's own mode when it exists.
    if (temporaryKind_ == Temporary::UnnamedWherePossible) {
        fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0 && !unnamedUnsupported(errno))
            return fail();
    }
    unnamed_ = fd_ >= 0;
    if (unnamed_)
        return true;
    removeLeftovers(folder_);
    for (int attempt = 0; attempt < kMaxAttempts && fd_ < 0; ++attempt) {
        temporary_ = temporaryName(folder_);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) {
            temporary_.clear();
            return fail();
        }
    }
    if (fd_ < 0) {
        temporary_.clear();
        return fail();
    }
    // Apart from fd_, which is closed before the rename.
    lock_ = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    if (lock_ >= 0)
        (void)::flock(lock_, LOCK_EX | LOCK_NB);
    return true;
}

bool AtomicFile::flushBuffer() {
    if (writeAll(fd_, buffer_.data(), buffer_.size()) != 0)
        return fail();
    sent(buffer_.size());
    buffer_.clear();
    return true;
}

void AtomicFile::sent(std::size_t bytes) {
    written_ += static_cast<off_t>(bytes);
    // Below a buffer's worth the rename has little to write out.
    if (!startsWriteback_ || written_ < static_cast<off_t>(kBufferBytes))
        return;
    if (!writeback_)
        writeback_ = std::make_unique<WritebackStarter>(fd_);
    writeback_->written(written_);
}

bool AtomicFile::writeLines(std::span<const ByteString> lines, std::string_view lineEnd) {
    if (fd_ < 0)
        return false;
    std::size_t bytes = 0;
    for (const ByteString& line : lines)
        bytes += line.size() + lineEnd.size();
    // Short lines cost less copied into the buffer than handed over one by one.
    if (bytes < lines.size() * kLinesAsTheyStandFrom)
        return OutputFile::writeLines(lines, lineEnd);
    if (!flushBuffer())
        return false;
    std::vector<iovec> pieces;
    pieces.reserve(lines.size() * 2);
    const auto piece = [](std::string_view text) {
        return iovec{const_cast<char*>(text.data()), text.size()};
    };
    for (const ByteString& line : lines) {
        pieces.push_back(piece(line));
        pieces.push_back(piece(lineEnd));
    }
    if (writeAllGathered(fd_, pieces) != 0)
        return fail();
    sent(bytes);
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

bool AtomicFile::linkUnder(const std::string& name) {
    const std::string open = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, open.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    // Without /proc: the privileged way, for whoever may use it.
    return ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
}

bool AtomicFile::placeReplacing() {
    if (!unnamed_) {
        if (::rename(temporary_.c_str(), path_.c_str()) != 0)
            return false;
        temporary_.clear();
        return true;
    }
    // A new file gets its name at once; an existing one is replaced through
    // a temporary name, as only rename replaces.
    if (linkUnder(path_))
        return true;
    if (errno != EEXIST)
        return false;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string name = temporaryName(folder_);
        if (!linkUnder(name)) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::rename(name.c_str(), path_.c_str()) == 0)
            return true;
        const int error = errno;
        ::unlink(name.c_str());
        errno = error;
        return false;
    }
    errno = EEXIST;
    return false;
}

bool AtomicFile::placeAsNew() {
    const std::string extension(fileExtension(path_));
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string candidate = uniqueOutputName(proposedBeside_, extension);
        bool placed = false;
        if (unnamed_) {
            placed = linkUnder(candidate);
        } else {
            placed = ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, candidate.c_str(),
                                 RENAME_NOREPLACE) == 0;
            if (!placed && errno != EEXIST) {
                // A file system without the no-replace rename: a hard link
                // claims the name just as surely.
                placed = ::link(temporary_.c_str(), candidate.c_str()) == 0;
                if (placed)
                    ::unlink(temporary_.c_str());
            }
            if (placed)
                temporary_.clear();
        }
        if (placed) {
            path_ = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

bool AtomicFile::commit() {
    if (fd_ < 0)
        return false;
    if (!flushBuffer())
        return false;
    writeback_.reset();
    // No fsync: it would cost more than the whole conversion on large
    // documents, and ext4 and the like flush a file renamed over another
    // before the rename itself is committed.
    if (!unnamed_ && ::close(std::exchange(fd_, -1)) != 0)
        return fail();
    if (!(proposedBeside_.empty() ? placeReplacing() : placeAsNew()))
        return fail();
    if (unnamed_ && ::close(std::exchange(fd_, -1)) != 0)
        return fail();
    if (lock_ >= 0)
        ::close(std::exchange(lock_, -1));
    return true;
}

void AtomicFile::discard() {
    const int saved = errno;
    writeback_.reset();
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    if (lock_ >= 0)
        ::close(std::exchange(lock_, -1));
    buffer_.clear();
    errno = saved;
}

std::unique_ptr<OutputFile> openAtomicOutput(const OutputTarget& target, std::string& error) {
    auto file = std::make_unique<AtomicFile>();
    if (!file->open(target)) {
        error = file->error();
        return nullptr;
    }
    return file;
}

} // namespace varnelo
