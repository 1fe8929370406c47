#include "cli/console_stream.h"

#include "writers/write_all.h"

namespace varnelo {

namespace {

constexpr std::size_t kLargestWait = std::size_t{64} << 10;

} // namespace

bool DescriptorStream::put(std::string_view bytes) {
    waiting_.append(bytes);
    return waiting_.size() < kLargestWait || flushed();
}

bool DescriptorStream::flushed() {
    const bool whole = writeAll(fd_, waiting_.data(), waiting_.size()) == 0;
    waiting_.clear();
    return whole;
}

} // namespace varnelo
