#include "writers/cell_painter.h"

#include <algorithm>
#include <cstring>

namespace varnelo {

namespace {

// One- and two-byte texts have 256 + 65536 possible values; longer ones are
// rendered every time.
constexpr std::size_t kSlots = 256 + 65536;
// Masks of large fonts are not all kept: beyond this they are rendered per cell.
constexpr std::size_t kMaxCachedBytes = std::size_t{64} << 20;

std::size_t slotOf(const ByteString& text) {
    const auto first = static_cast<std::uint8_t>(text[0]);
    if (text.size() == 1)
        return first;
    return 256 + first * 256u + static_cast<std::uint8_t>(text[1]);
}

// The blend of a text colour x with coverage a over y (b = 255 - a), two
// channels at a time, rounded as the desktop's raster painter rounds.
std::uint32_t interpolate255(std::uint32_t x, std::uint32_t a, std::uint32_t y, std::uint32_t b) {
    std::uint32_t t = (x & 0xff00ffu) * a + (y & 0xff00ffu) * b;
    t = (t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8;
    t &= 0xff00ffu;
    std::uint32_t u = ((x >> 8) & 0xff00ffu) * a + ((y >> 8) & 0xff00ffu) * b;
    u = (u + ((u >> 8) & 0xff00ffu) + 0x800080u);
    u &= 0xff00ff00u;
    return u | t;
}

} // namespace

CellPainter::CellPainter(const CellFont& font, CellSize cell, WorkBitmap& image)
    : font_(font), cell_(cell), image_(image),
      maskBytes_(static_cast<std::size_t>(cell.width) * static_cast<std::size_t>(cell.height)),
      slotOf_(kSlots, kUncached) {}

bool CellPainter::render(const ByteString& text, std::uint8_t* coverage) const {
    std::fill(coverage, coverage + maskBytes_, std::uint8_t{0});
    // Centred horizontally, at the top; the mask's edges are the cell's clip.
    font_.render(text, (cell_.width - font_.textWidth(text)) / 2, font_.ascent(), coverage,
                 cell_.width, cell_.height);
    return std::any_of(coverage, coverage + maskBytes_, [](std::uint8_t a) { return a != 0; });
}

std::int32_t CellPainter::prepare(const ByteString& text) {
    if (text.empty())
        return kBlank;
    std::int32_t& slot = text.size() <= 2 ? slotOf_[slotOf(text)] : uncachedSlot_;
    if (slot >= 0 || slot == kBlank)
        return slot;
    if (text.size() > 2 || cached_.size() + maskBytes_ > kMaxCachedBytes)
        return kUncached;
    const std::size_t offset = cached_.size();
    cached_.resize(offset + maskBytes_);
    if (!render(text, cached_.data() + offset)) {
        cached_.resize(offset);
        slot = kBlank;
        return slot;
    }
    slot = static_cast<std::int32_t>(offset / maskBytes_);
    return slot;
}

void CellPainter::draw(int column, int row, const ByteString& text, Rgb color) {
    const std::int32_t mask = prepare(text);
    if (mask == kUncached) {
        scratch_.resize(maskBytes_);
        if (render(text, scratch_.data()))
            blend(image_, column, row * cell_.height, scratch_.data(), color);
        return;
    }
    drawPrepared(column, row, mask, color);
}

void CellPainter::drawPrepared(int column, int row, std::int32_t mask, Rgb color) const {
    drawPreparedInto(image_, column, row * cell_.height, mask, color);
}

void CellPainter::drawPreparedInto(WorkBitmap& target, int column, int top, std::int32_t mask,
                                   Rgb color) const {
    if (mask < 0)
        return;
    blend(target, column, top, cached_.data() + static_cast<std::size_t>(mask) * maskBytes_, color);
}

void CellPainter::blend(WorkBitmap& target, int column, int top, const std::uint8_t* coverage,
                        Rgb color) const {
    // Pixels are blue, green, red, unused in memory.
    const std::uint32_t pen = 0xFF000000u | (std::uint32_t{redOf(color)} << 16) |
                              (std::uint32_t{greenOf(color)} << 8) | blueOf(color);
    const auto left = static_cast<std::size_t>(column) * static_cast<std::size_t>(cell_.width);
    for (int y = 0; y < cell_.height; ++y) {
        auto* pixels = reinterpret_cast<std::uint32_t*>(target.row(top + y)) + left;
        for (int x = 0; x < cell_.width; ++x, ++coverage) {
            const std::uint32_t a = *coverage;
            if (a == 255)
                pixels[x] = pen;
            else if (a != 0)
                pixels[x] = interpolate255(pen, a, pixels[x], 255 - a);
        }
    }
}

} // namespace varnelo
