#pragma once

#include "base/color.h"
#include "engine/output_writer.h"
#include "writers/character_fragments.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnelo {

/// A converted picture as its cells: each cell's text as a terminal shows
/// it, its ink and its background.
class CellGrid {
public:
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    bool contains(int column, int row) const {
        return column >= 0 && row >= 0 && column < columns_ && row < rows_;
    }
    /// NUL-terminated UTF-8; the cell must be in the grid.
    const char* text(int column, int row) const {
        return texts_.data() + starts_[index(column, row)];
    }
    Rgb ink(int column, int row) const { return inks_[index(column, row)]; }
    Rgb background(int column, int row) const { return backgrounds_[index(column, row)]; }

private:
    friend class CellGridWriter;
    std::size_t index(int column, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(column);
    }

    int columns_ = 0;
    int rows_ = 0;
    std::string texts_;
    std::vector<std::size_t> starts_;
    std::vector<Rgb> inks_;
    std::vector<Rgb> backgrounds_;
};

/// The writer that keeps the cells of a conversion instead of writing a
/// file: filled cells have their pixel's colour behind and the ink in
/// front, unfilled ones the pixel's colour as ink on the settings' background.
class CellGridWriter final : public OutputWriter {
public:
    explicit CellGridWriter(CellGrid& grid) : grid_(grid) {}

    bool producesDocumentLines() const override { return false; }
    OutputStart beginOutput(const ConversionSettings& settings, int width, int height) override;
    void beginLine(int /*y*/) override {}
    void putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) override;
    void endLine(int /*y*/) override {}
    WriteOutcome finishOutput() override { return {}; }

private:
    CellGrid& grid_;
    bool fill_ = false;
    Rgb background_ = 0;
    CharacterFragments fragments_;
    ByteString shown_;
};

} // namespace varnelo
