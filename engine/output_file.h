#pragma once

#include "engine/byte_string.h"
#include "engine/codecs/byte_sink.h"

#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace varnelo {

/// Where an output goes: the path to write, and, when uniqueOutputName
/// proposed that path beside a base path, that base. A proposed name is
/// claimed without replacing anything, so that a file another program made
/// under it meanwhile is kept and the next free number is taken instead.
struct OutputTarget {
    OutputTarget(std::string outputPath, std::string base = {})
        : path(std::move(outputPath)), proposedBeside(std::move(base)) {}

    std::string path;
    std::string proposedBeside;
};

/// What an output is written through.
class OutputFile : public ByteSink {
public:
    /// Writes each line followed by lineEnd; a file may hand long lines to
    /// the system as they stand rather than gather them first.
    [[nodiscard]] virtual bool writeLines(std::span<const ByteString> lines,
                                          std::string_view lineEnd);
    /// Completes the output; false with error() set when it could not be.
    [[nodiscard]] virtual bool commit() = 0;
    /// The system's reason for the last failure.
    virtual const std::string& error() const = 0;
    /// Where the output went, once committed.
    virtual const std::string& path() const = 0;
};

/// Opens where an output goes; nothing, with error set, when it cannot.
using OutputOpener =
    std::function<std::unique_ptr<OutputFile>(const OutputTarget& target, std::string& error)>;

/// The usual way: a file that appears whole or not at all (AtomicFile).
std::unique_ptr<OutputFile> openAtomicOutput(const OutputTarget& target, std::string& error);

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
