#pragma once

#include "base/byte_string.h"
#include "base/color.h"
#include "base/work_bitmap.h"
#include "writers/cell_font.h"
#include "writers/cell_size.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace varnelo {

/// Draws pixel texts into the cells of an image. Each distinct text is
/// rendered once into an 8-bit coverage mask and then blended into every
/// cell that shows it, rounded as a painter blends text: the same pixels
/// as drawing every cell, at a small part of the cost. The image is 32-bit.
class CellPainter {
public:
    /// Geometric, the symbols made by rule (blocks, mosaics, braille) are
    /// drawn as their coverage says, exactly and in any face; other texts
    /// in the font.
    CellPainter(const CellFont& font, CellSize cell, WorkBitmap& image, bool geometric = false);

    /// Draws text centred at the top of cell (column, row), clipped to the
    /// cell, in color over what the cell holds.
    void draw(int column, int row, const ByteString& text, Rgb color);

    /// What prepare answers for a text that covers nothing, and for one
    /// whose mask is not kept (longer texts, or the cache is full): that
    /// one must be drawn with draw.
    static constexpr std::int32_t kBlank = -1;
    static constexpr std::int32_t kUncached = -2;
    /// Renders the text's mask into the cache unless it is there: its
    /// number for drawPrepared, kBlank or kUncached.
    std::int32_t prepare(const ByteString& text);
    /// Draws a prepared mask. Only reads the painter, so threads may draw
    /// different cells at once once every text is prepared.
    void drawPrepared(int column, int row, std::int32_t mask, Rgb color) const;
    /// The same into another 32-bit image of the same width, the cell's top
    /// at its pixel row top: a band of the image's rows drawn on its own.
    void drawPreparedInto(WorkBitmap& target, int column, int top, std::int32_t mask,
                          Rgb color) const;

private:
    /// Renders into coverage; true when the text covers any pixel.
    bool render(const ByteString& text, std::uint8_t* coverage) const;
    void blend(WorkBitmap& target, int column, int top, const std::uint8_t* coverage,
               Rgb color) const;

    const CellFont& font_;
    CellSize cell_;
    WorkBitmap& image_;
    std::size_t maskBytes_;
    // Per one- or two-byte text: the number of its mask in cached_, kBlank,
    // or kUncached while not rendered yet.
    std::vector<std::int32_t> slotOf_;
    std::int32_t uncachedSlot_ = kUncached;
    // Per text of three or four bytes (one character beyond U+07FF), its
    // bytes as one number: the same as slotOf_.
    std::unordered_map<std::uint32_t, std::int32_t> longSlotOf_;
    bool geometric_ = false;
    std::vector<std::uint8_t> cached_;
    std::vector<std::uint8_t> scratch_;
};

} // namespace varnelo
