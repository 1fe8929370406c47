#pragma once

#include "engine/byte_string.h"
#include "engine/color.h"
#include "engine/work_bitmap.h"
#include "writers/cell_font.h"
#include "writers/cell_size.h"

#include <cstdint>
#include <vector>

namespace varnelo {

/// Draws pixel texts into the cells of an image. Each distinct text is
/// rendered once into an 8-bit coverage mask and then blended into every
/// cell that shows it, rounded as a painter blends text: the same pixels
/// as drawing every cell, at a small part of the cost. The image is 32-bit.
class CellPainter {
public:
    CellPainter(const CellFont& font, CellSize cell, WorkBitmap& image);

    /// Draws text centred at the top of cell (column, row), clipped to the
    /// cell, in color over what the cell holds.
    void draw(int column, int row, const ByteString& text, Rgb color);

private:
    struct Mask {
        std::size_t offset = 0;
        bool blank = true;
    };
    /// The coverage of a text, or nullptr when it covers nothing.
    const std::uint8_t* coverageOf(const ByteString& text);
    /// Renders into coverage; true when the text covers any pixel.
    bool render(const ByteString& text, std::uint8_t* coverage) const;

    const CellFont& font_;
    CellSize cell_;
    WorkBitmap& image_;
    std::size_t maskBytes_;
    std::vector<std::int32_t> slotOf_; // per one- or two-byte text: index into masks_, or -1
    std::vector<Mask> masks_;
    std::vector<std::uint8_t> cached_;
    std::vector<std::uint8_t> scratch_;
};

} // namespace varnelo
