#pragma once

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

/// How a symbol made by rule covers its cell over the 8 × 8 grid of a
/// glyph's mask (bit row × 8 + column, as GlyphShape): each part whose
/// centre its ink covers. Nothing for characters a face draws.
std::optional<std::uint64_t> geometricCoverage(char32_t character);

/// The characters of a set given as classes joined by "+" (added) and "-"
/// (taken away), left to right: "blocks+braille", "ascii-digits". Each
/// character once, in the order first added. Nothing where a name is no
/// class's or the set is left empty; unknownName then holds the name, or
/// is empty for an empty set.
std::optional<std::u32string> symbolSetCharacters(std::string_view set, std::string& unknownName);

} // namespace varnelo
