#include "writers/descriptor_output.h"

#include "writers/write_all.h"

#include <cstring>

namespace varnelo {

namespace {

// Gathered so that a document of many short lines costs few system calls;
// no bigger, as each of its pages is a fault the first time it is filled.
constexpr std::size_t kBufferBytes = std::size_t{1} << 15;

} // namespace

bool DescriptorOutput::fail(int errorNumber) {
    errorNumber_ = errorNumber;
    error_ = std::strerror(errorNumber);
    return false;
}

bool DescriptorOutput::flush() {
    if (const int error = writeAll(fd_, buffer_.data(), buffer_.size(), cancel_); error != 0)
        return fail(error);
    buffer_.clear();
    return true;
}

bool DescriptorOutput::write(std::span<const std::uint8_t> bytes) {
    if (!error_.empty())
        return false;
    // The buffer is taken once at its full size and never grows past it:
    // every page a growing buffer moves to is a fault, and on a small
    // document those cost more than the writing.
    if (buffer_.capacity() < kBufferBytes)
        buffer_.reserve(kBufferBytes);
    if (buffer_.size() + bytes.size() > kBufferBytes && !flush())
        return false;
    if (bytes.size() >= kBufferBytes) {
        if (const int error = writeAll(fd_, bytes.data(), bytes.size(), cancel_); error != 0)
            return fail(error);
        return true;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
}

bool DescriptorOutput::commit() {
    return error_.empty() && flush();
}

} // namespace varnelo
