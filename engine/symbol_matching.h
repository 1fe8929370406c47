#pragma once

#include "base/work_bitmap.h"
#include "engine/cell_matching.h"
#include "engine/glyph_shape.h"
#include "engine/shape_matching.h"
#include "engine/symbol_sets.h"
#include "engine/two_colour_fit.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnelo {

class ArrivingRows;

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
    /// Its advance in documents, in thousandths of the face's cell
    /// (GlyphShape::advance).
    std::uint16_t advance = 1000;
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
/// cells' colours, texts.inks their inks and texts the symbols. A detail
/// still loading is read from arriving as its rows arrive.
ShapeMatchEnd matchSymbols(const WorkBitmap& detail, int width, int height,
                           std::span<const Symbol> symbols, const ShownColours& shown,
                           WorkBitmap& colors, ShapeTexts& texts,
                           const std::atomic<bool>& cancelRequested,
                           ArrivingRows* arriving = nullptr);

/// The characters of the settings' set, as UTF-8, that the face draws
/// (CharacterMode::drawnFromFace): those not made by rule as the output
/// draws them.
ByteString symbolsDrawnFromFace(const ConversionSettings& settings);

/// The advance, in thousandths of the face's cell, that the symbols of
/// the settings' set keep to in a document, whose reader draws each at its
/// font's advance: the one most of them have (those made by rule and those
/// the face draws its own); the face's own where as many have it. The
/// others are left out, so that every line is as wide as every other.
std::uint16_t documentSymbolAdvance(const ConversionSettings& settings, const GlyphShaper& shaper);

/// Symbols mode's cells (CharacterMode::matchCells): matchSymbols with the symbols of
/// the settings' set, or the output's own (defaultSymbolSet), drawn exactly
/// in images and as the face draws them elsewhere.
ShapeMatchEnd matchSymbolCells(const CellMatchInput& input, WorkBitmap& colors, ShapeTexts& texts);

} // namespace varnelo
