#pragma once

#include "reading/codecs/decode_status.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace varnelo {

enum class ReadFileStatus : std::uint8_t { Ok, CannotOpen, NotAFile, TooLarge, ReadError };

/// How opening a file ended; errorNumber is the system's error number for
/// CannotOpen and ReadError.
struct ReadFileOutcome {
    ReadFileStatus status = ReadFileStatus::Ok;
    int errorNumber = 0;
};

/// A whole regular file, mapped into memory rather than copied, so that
/// reading it costs little beyond what is made of it; a small one is read,
/// which costs less than mapping it. Should the file shrink while it is
/// mapped or read, the bytes past its new end read as zeros instead of
/// ending the process, and damaged() tells so.
class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    /// Maps the file at path. Only regular files are read: a FIFO or device
    /// is refused at once, without waiting for it. Files above maxBytes are
    /// refused before anything is mapped.
    ReadFileOutcome open(const std::string& path, std::size_t maxBytes);
    /// Maps the whole regular file the descriptor has open, from its start,
    /// as open does; the descriptor stays the caller's.
    ReadFileOutcome openDescriptor(int descriptor, std::size_t maxBytes);

    FileBytes bytes() const { return {data_, size_}; }
    /// True when the file shrank while it was mapped: the bytes read are not the file's.
    bool damaged() const;

private:
    void close();
    ReadFileOutcome read(int fd, std::size_t size);

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    int slot_ = -1;
    // A small file's bytes, read rather than mapped.
    std::unique_ptr<std::uint8_t[]> read_;
    bool shortRead_ = false;
};

} // namespace varnelo
