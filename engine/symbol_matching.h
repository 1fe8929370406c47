#pragma once

#include "engine/glyph_shape.h"
#include "engine/shape_matching.h"
#include "engine/symbol_sets.h"
#include "engine/two_colour_fit.h"
#include "engine/work_bitmap.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnelo {

/// A symbol a cell may be drawn with: its character, as UTF-8, the parts
/// of the cell's 8 × 8 grid its ink covers (bit row × 8 + column) and how
/// much of each, 0 to 255.
struct Symbol {
    char32_t character = U' ';
    std::string text;
    std::uint64_t mask = 0;
    std::array<std::uint8_t, 64> coverage{};
    /// Whether it covers whole parts only (those of mask), as the symbols
    /// made by rule do.
    bool whole = false;
};

/// The symbols of the characters, in their order: those made by rule with
/// their geometricCoverage as drawing draws them, the others as the face
/// draws them (shaper), and by rule again where the face lacks them; a
/// character that is neither is left out.
std::vector<Symbol> symbolsOf(const std::u32string& characters, SymbolDrawing drawing,
                              const std::string& face, const GlyphShaper& shaper);

/// Draws the picture with the symbols: detail is the picture at width ×
/// height cells of samples each (conversionLoadSize). Each cell takes the
/// symbol and the two colours, its ink laid over its background as its
/// coverage says (CellParts::fit), that leave the least weighted squared
/// difference from the samples under it; the symbols weighed are those
/// whose shape comes nearest the cell's own split into two colours. The
/// two colours are as shown says they may be (a terminal's palette, or a
/// text's own ink and ground), the difference counted after it. colors becomes the
/// cells' colours, texts.inks their inks and texts the symbols.
ShapeMatchEnd matchSymbols(const WorkBitmap& detail, int width, int height,
                           std::span<const Symbol> symbols, const ShownColours& shown,
                           WorkBitmap& colors, ShapeTexts& texts,
                           const std::atomic<bool>& cancelRequested);

} // namespace varnelo
