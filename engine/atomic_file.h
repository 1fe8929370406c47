#pragma once

#include "engine/codecs/byte_sink.h"

#include <string>

namespace varnelo {

/// Writes a file so that it appears whole or not at all: the bytes go to a
/// temporary file beside the target, which replaces the target only on
/// commit(). Destroyed without commit, it removes the temporary file and
/// leaves any existing target untouched.
class AtomicFile final : public ByteSink {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() override;

    /// Creates the temporary file for target. False with error() set when it
    /// cannot be created.
    [[nodiscard]] bool open(const std::string& target);
    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes) override;
    /// Flushes, and renames the temporary file over the target.
    [[nodiscard]] bool commit();
    /// Removes the temporary file; the target stays as it was.
    void discard();

    /// The system's reason for the last failure.
    const std::string& error() const { return error_; }

private:
    bool flushBuffer();
    bool fail();

    int fd_ = -1;
    std::string target_;
    std::string temporary_;
    std::string error_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace varnelo
