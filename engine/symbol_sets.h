#pragma once

#include "engine/conversion_settings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace varnelo {

/// A class of symbols a cell may be drawn with: its name for --symbols and
/// its characters. Block, mosaic and braille symbols are made by rule and
/// cover their cell as geometricCoverage says; the others are drawn from
/// the chosen face, which tells how they cover it.
struct SymbolClass {
    std::string_view name;
    /// What it holds, for the help and the manual page.
    std::string_view summary;
    std::u32string (*characters)();
};

/// Every class, in the order the help lists them.
std::span<const SymbolClass> symbolClasses();
const SymbolClass* symbolClassNamed(std::string_view name);

/// Who draws a symbol made by rule: the image output, exactly as its rule
/// says, or a face (documents, terminals), which draws braille's dots
/// smaller than their share of the cell.
enum class SymbolDrawing : std::uint8_t { Exact, ByFace };

/// How a symbol made by rule covers its cell over the 8 × 8 grid of a
/// glyph's mask (bit row × 8 + column, as GlyphShape): each part whose
/// centre its ink covers. Nothing for characters a face draws, and drawn
/// by a face, for braille, whose shape is then the face's.
std::optional<std::uint64_t> geometricCoverage(char32_t character,
                                               SymbolDrawing drawing = SymbolDrawing::Exact);

/// The characters of a set given as classes joined by "+" (added) and "-"
/// (taken away), left to right: "blocks+braille", "ascii-digits". Each
/// character once, in the order first added. Nothing where a name is no
/// class's or the set is left empty; unknownName then holds the name, or
/// is empty for an empty set.
std::optional<std::u32string> symbolSetCharacters(std::string_view set, std::string& unknownName);

/// The set symbols mode draws with where none is chosen: the richest the
/// output shows right. Images draw every symbol made by rule exactly; the
/// documents and the terminal those the common monospaced faces draw.
std::string_view defaultSymbolSet(OutputFormat format);

} // namespace varnelo
