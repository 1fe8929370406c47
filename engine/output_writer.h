#pragma once

#include "base/color.h"
#include "engine/conversion_settings.h"
#include "engine/document_lines.h"
#include "engine/pass_result.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo {

enum class WriteStatus : std::uint8_t { Written, Cancelled, Failed };

/// How writing an output file ended; reason holds the system's words for a
/// failure, path the file written.
struct WriteOutcome {
    WriteStatus status = WriteStatus::Written;
    std::string reason;
    std::string path;
};

/// A writer's answer to beginOutput: go on with the conversion, or end it
/// with a result (a refused size, no memory for the image).
class OutputStart {
public:
    static OutputStart proceed() { return OutputStart(std::nullopt); }
    static OutputStart stop(PassResult end) { return OutputStart(std::move(end)); }

    bool proceeds() const { return !end_.has_value(); }
    /// How the conversion ends; only when it does not proceed.
    const PassResult& end() const { return *end_; }

private:
    explicit OutputStart(std::optional<PassResult> end) : end_(std::move(end)) {}
    std::optional<PassResult> end_;
};

/// The colours of one cell: its pixel's colour, and the ink its characters
/// are drawn in. Unfilled, the ink is the pixel's colour; with filled cells
/// the pixel's colour is the cell's background and the ink stands out on it.
struct CellColors {
    CellColors(Rgb pixel) : color(pixel), ink(pixel) {} // NOLINT: an unfilled cell
    CellColors(Rgb pixel, Rgb drawnIn) : color(pixel), ink(drawnIn) {}
    Rgb color;
    Rgb ink;
    friend bool operator==(CellColors, CellColors) = default;
};

/// A filled cell of the pixel's colour, its characters in a shade that
/// stands out on it: how filled cells are drawn where no mode chose an ink.
inline CellColors filledCell(Rgb color) {
    return {color, contrastingShade(color)};
}

/// The five steps through which a conversion hands its pixels to the writer
/// of the chosen output. Documents build lines; the image output draws cells.
/// All five run on the conversion's thread.
class OutputWriter {
public:
    virtual ~OutputWriter() = default;

    /// Whether the conversion saves the document lines the writer builds;
    /// a writer that does not writes its own file in finishOutput.
    virtual bool producesDocumentLines() const = 0;
    /// What ends each document line in the file: CR LF, as every document
    /// of the program has it, or LF for text meant for a terminal.
    virtual std::string_view lineEnd() const { return "\r\n"; }
    /// Whether each document line stays as it is once built, so that the
    /// conversion may write lines while the next ones are built rather than
    /// hold the whole document; not so where a table at the top (colours,
    /// style rules) is known only at the end.
    virtual bool linesAreFinal() const { return false; }
    /// A writer that builds lines as this one does, after beginOutput, into
    /// other lines: for building part of a document on another thread.
    /// None where a line depends on the lines before it or on shared state.
    virtual std::unique_ptr<OutputWriter> lineWriterInto(DocumentLines& /*lines*/) const {
        return nullptr;
    }

    /// Prepares the output of a picture of width × height pixels.
    [[nodiscard]] virtual OutputStart beginOutput(const ConversionSettings& settings, int width,
                                                  int height) = 0;
    virtual void beginLine(int y) = 0;
    /// text is UTF-8. newRun is true when the colours differ from the pixel's before it in
    /// the line, and always for the first pixel of a line.
    virtual void putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) = 0;
    virtual void endLine(int y) = 0;
    /// Completes the output: documents add their closing lines, the image
    /// output encodes and writes its file.
    [[nodiscard]] virtual WriteOutcome finishOutput() = 0;
};

} // namespace varnelo
