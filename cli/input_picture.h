#pragma once

#include "reading/codecs/decode_status.h"
#include "reading/file_bytes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>

namespace varnelo {

/// Reads up to room bytes into into: the count read, 0 at the end, or -1
/// with errno set.
using ReadSome = std::function<long(std::uint8_t* into, std::size_t room)>;

/// The bytes of a picture read from a stream of unknown length, standard
/// input. Memory for the largest picture file is reserved but costs only
/// what is read, so a picture of a few megabytes takes a few megabytes and
/// a sparse gigabyte no more than one. Reading stops as soon as the first
/// bytes start like no picture, past kMaxPictureFileBytes, and when cancel
/// is set while a read waits (a signal ends the wait).
class InputPicture {
public:
    InputPicture() = default;
    InputPicture(const InputPicture&) = delete;
    InputPicture& operator=(const InputPicture&) = delete;
    ~InputPicture();

    /// Reads all there is; Ok also when the first bytes are no picture's,
    /// which startsLikeAPicture() then tells.
    ReadFileOutcome read(const ReadSome& readSome, const std::atomic<bool>& cancel);

    FileBytes bytes() const { return {data_, size_}; }
    bool startsLikeAPicture() const { return picture_; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t reserved_ = 0;
    bool picture_ = false;
};

/// Reads from a descriptor, standard input's in the program.
ReadSome readDescriptor(int descriptor);

/// Reads from a stream, as the tests give standard input.
ReadSome readStream(std::istream& in);

} // namespace varnelo
