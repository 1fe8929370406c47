#pragma once

#include "base/work_bitmap.h"
#include "engine/conversion_pass.h"
#include "reading/codecs/row_source.h"
#include "writers/cell_font.h"
#include "writers/cell_painter.h"
#include "writers/cell_size.h"

#include <memory>
#include <optional>
#include <vector>

namespace varnelo {

/// Draws every pixel text in its own cell of an image, in the pixel's colour
/// on the background colour, and writes the image as a BMP, JPG or PNG file.
class ImageOutput final : public OutputWriter {
public:
    explicit ImageOutput(WriterContext& context) : context_(context) {}

    bool producesDocumentLines() const override { return false; }
    OutputStart beginOutput(const ConversionSettings& settings, int width, int height) override;
    void beginLine(int /*y*/) override {}
    void putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) override;
    void endLine(int /*y*/) override {}
    WriteOutcome finishOutput() override;

    CellSize cell() const { return cell_; }
    const WorkBitmap& image() const { return image_; }

private:
    struct Cell {
        std::int32_t mask = CellPainter::kBlank;
        CellColors colors = 0;
    };
    struct LateCell {
        int column = 0;
        int row = 0;
        ByteString text;
        CellColors colors = 0;
    };
    /// Fills the background and draws every cell, on every core.
    void drawCells();
    /// Fills and draws one row of cells; rows may be drawn side by side.
    void drawCellRow(int row) { drawCellRowInto(image_, row, row * cell_.height); }
    /// The same into target's pixel rows from top on.
    void drawCellRowInto(WorkBitmap& target, int row, int top);
    int cellRows() const { return columns_ > 0 ? static_cast<int>(cells_.size()) / columns_ : 0; }
    /// Encodes the image into the output file and commits it.
    WriteOutcome encode();
    /// Hands the rows to the encoder of the image format.
    bool encodeRows(OutputFile& file, const RowSource& rowAt) const;

    WriterContext& context_;
    ConversionSettings settings_;
    std::optional<CellFont> font_;
    CellSize cell_;
    WorkBitmap image_;
    std::optional<CellPainter> painter_;
    CellColors textColors_ = 0;
    int columns_ = 0;
    // What each cell shows, drawn at the end: cells never overlap, so the
    // rows of cells can be drawn side by side.
    std::vector<Cell> cells_;
    // Texts without a kept mask, drawn one by one after the others.
    std::vector<LateCell> lateCells_;
    bool drawWhileEncoding_ = false;
};

} // namespace varnelo
