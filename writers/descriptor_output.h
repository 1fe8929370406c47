#pragma once

#include "engine/output_file.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnelo {

/// Writes to a file descriptor that is already open, such as standard
/// output, as the bytes come: what was written before a failure or a cancel
/// cannot be taken back there. A write that waits (a full pipe) ends when a
/// signal arrives and cancel is set.
class DescriptorOutput final : public OutputFile {
public:
    DescriptorOutput(int fd, std::string name, const std::atomic<bool>* cancel = nullptr)
        : fd_(fd), path_(std::move(name)), cancel_(cancel) {}

    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] bool commit() override;
    const std::string& error() const override { return error_; }
    const std::string& path() const override { return path_; }
    /// The system's error number of the failed write, 0 before one.
    int errorNumber() const { return errorNumber_; }

private:
    bool flush();
    bool fail(int errorNumber);

    int fd_;
    std::string path_;
    const std::atomic<bool>* cancel_;
    std::string error_;
    int errorNumber_ = 0;
    std::vector<std::uint8_t> buffer_;
};

} // namespace varnelo
