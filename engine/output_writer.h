#pragma once

#include "engine/color.h"
#include "engine/conversion_settings.h"

#include <string>

namespace varnelo {

enum class WriteStatus : std::uint8_t { Written, Cancelled, Failed };

/// How writing an output file ended; reason holds the system's words for a failure.
struct WriteOutcome {
    WriteStatus status = WriteStatus::Written;
    std::string reason;
};

/// The five steps through which a conversion hands its pixels to the writer
/// of the chosen output. Documents build lines; the image output draws cells.
/// All five run on the conversion's thread.
class OutputWriter {
public:
    virtual ~OutputWriter() = default;

    /// Prepares the output of a picture of width × height pixels; false when
    /// the conversion must not go on.
    [[nodiscard]] virtual bool beginOutput(const ConversionSettings& settings, int width,
                                           int height) = 0;
    virtual void beginLine(int y) = 0;
    /// newRun is true when the colour differs from the pixel before it in
    /// the line, and always for the first pixel of a line.
    virtual void putPixel(int x, int y, const ByteString& text, Rgb color, bool newRun) = 0;
    virtual void endLine(int y) = 0;
    /// Completes the output: documents add their closing lines, the image
    /// output encodes and writes its file.
    [[nodiscard]] virtual WriteOutcome finishOutput() = 0;
};

} // namespace varnelo
