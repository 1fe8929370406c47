#pragma once

#include "base/byte_sink.h"
#include "base/byte_string.h"

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

} // namespace varnelo
