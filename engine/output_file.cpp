#include "engine/output_file.h"

#include "engine/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace varnelo {

namespace {

// Gathered so that a document of many short lines costs few system calls.
constexpr std::size_t kBufferBytes = std::size_t{1} << 16;

} // namespace

std::unique_ptr<OutputFile> openAtomicOutput(const OutputTarget& target, std::string& error) {
    auto file = std::make_unique<AtomicFile>();
    if (!file->open(target)) {
        error = file->error();
        return nullptr;
    }
    return file;
}

bool DescriptorOutput::fail(int errorNumber) {
    errorNumber_ = errorNumber;
    error_ = std::strerror(errorNumber);
    return false;
}

bool DescriptorOutput::flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed))
            return fail(EINTR);
        const ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0 && errno == EINTR)
            continue; // the cancel flag, set by the signal, decides
        if (written <= 0)
            return fail(written < 0 ? errno : EIO);
        done += static_cast<std::size_t>(written);
    }
    buffer_.clear();
    return true;
}

bool DescriptorOutput::write(std::span<const std::uint8_t> bytes) {
    if (!error_.empty())
        return false;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return buffer_.size() < kBufferBytes || flush();
}

bool DescriptorOutput::commit() {
    return error_.empty() && flush();
}

} // namespace varnelo
