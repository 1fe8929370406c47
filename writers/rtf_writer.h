#pragma once

#include "engine/document_lines.h"
#include "engine/output_writer.h"

#include "writers/color_index_table.h"

#include <vector>

namespace varnelo {

class StatusSink;

/// Writes the pixels as an RTF document: one centred paragraph per line, a
/// colour table entry per colour that starts a run, and the background
/// colour as paragraph shading.
class RtfWriter final : public OutputWriter {
public:
    RtfWriter(DocumentLines& lines, StatusSink& status) : lines_(lines), status_(status) {}

    bool producesDocumentLines() const override { return true; }
    OutputStart beginOutput(const ConversionSettings& settings, int width, int height) override;
    void beginLine(int y) override;
    void putPixel(int x, int y, const ByteString& text, Rgb color, bool newRun) override;
    void endLine(int y) override;
    WriteOutcome finishOutput() override;

private:
    /// The 1-based index of the colour's table entry, added when new.
    std::uint32_t colorIndex(Rgb color);

    DocumentLines& lines_;
    StatusSink& status_;
    Rgb background_ = 0;
    ByteString line_;
    std::vector<Rgb> colors_;
    ColorIndexTable indexOf_;
};

/// Appends a pixel text to an RTF line: "\", "{" and "}" are escaped and a
/// zero byte becomes a blank, so no pixel text can break the document.
void appendRtfText(ByteString& line, const ByteString& text);

} // namespace varnelo
