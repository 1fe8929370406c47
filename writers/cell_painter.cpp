#include "writers/cell_painter.h"

#include "engine/codepages.h"
#include "engine/symbol_sets.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace varnelo {

namespace {

constexpr int kGridSide = 8;
// One- and two-byte texts have 256 + 65536 possible values, kept in a table;
// three- and four-byte ones are kept by their bytes; longer ones are
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

CellPainter::CellPainter(const CellFont& font, CellSize cell, WorkBitmap& image, bool geometric)
    : font_(font), cell_(cell), image_(image),
      maskBytes_(static_cast<std::size_t>(cell.width) * static_cast<std::size_t>(cell.height)),
      slotOf_(kSlots, kUncached), geometric_(geometric) {}

bool CellPainter::render(const ByteString& text, std::uint8_t* coverage) const {
    std::fill(coverage, coverage + maskBytes_, std::uint8_t{0});
    std::size_t end = 0;
    const char32_t character = geometric_ ? nextUtf8(text, end) : U'\0';
    if (const std::optional<std::uint64_t> parts =
            end == text.size() ? geometricCoverage(character) : std::nullopt) {
        // Each of the 8 × 8 parts exactly its eighth of the cell each way,
        // a pixel it shares with another covered as far as it reaches: the
        // cell shows the share of ink the symbol was chosen for, whatever
        // its size in pixels.
        const auto overlap = [](int pixel, int part, int side) {
            const double first = static_cast<double>(part) * side / kGridSide;
            const double last = static_cast<double>(part + 1) * side / kGridSide;
            return std::max(0.0,
                            std::min<double>(pixel + 1, last) - std::max<double>(pixel, first));
        };
        for (int y = 0; y < cell_.height; ++y)
            for (int x = 0; x < cell_.width; ++x) {
                double covered = 0;
                for (int row = 0; row < kGridSide; ++row) {
                    const double down = overlap(y, row, cell_.height);
                    if (down <= 0)
                        continue;
                    for (int column = 0; column < kGridSide; ++column)
                        if ((*parts >> (row * kGridSide + column) & 1U) != 0)
                            covered += down * overlap(x, column, cell_.width);
                }
                coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(cell_.width) +
                         static_cast<std::size_t>(x)] =
                    static_cast<std::uint8_t>(std::lround(std::min(covered, 1.0) * 255));
            }
        return *parts != 0 && cell_.width >= 1;
    }
    // Centred horizontally, at the top; the mask's edges are the cell's clip.
    font_.render(text, (cell_.width - font_.textWidth(text)) / 2, font_.ascent(), coverage,
                 cell_.width, cell_.height);
    return std::any_of(coverage, coverage + maskBytes_, [](std::uint8_t a) { return a != 0; });
}

std::int32_t CellPainter::prepare(const ByteString& text) {
    if (text.empty())
        return kBlank;
    std::int32_t* kept = &uncachedSlot_;
    if (text.size() <= 2) {
        kept = &slotOf_[slotOf(text)];
    } else if (text.size() <= 4) {
        std::uint32_t key = 0;
        for (const char byte : text)
            key = key << 8 | static_cast<std::uint8_t>(byte);
        kept = &longSlotOf_.try_emplace(key, kUncached).first->second;
    }
    std::int32_t& slot = *kept;
    if (slot >= 0 || slot == kBlank)
        return slot;
    if (kept == &uncachedSlot_ || cached_.size() + maskBytes_ > kMaxCachedBytes)
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
