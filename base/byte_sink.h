#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace varnelo {

/// Where encoders put their bytes: a file being written, or memory in tests.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    /// Appends the bytes; false when they could not be written.
    [[nodiscard]] virtual bool write(std::span<const std::uint8_t> bytes) = 0;
};

class MemorySink final : public ByteSink {
public:
    bool write(std::span<const std::uint8_t> bytes) override {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return true;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace varnelo
