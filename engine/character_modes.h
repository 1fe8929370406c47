#pragma once

#include "base/byte_string.h"
#include "engine/conversion_settings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace varnelo {

class RandomGenerator;
class WorkBitmap;
struct CellMatchInput;
class ShapeTexts;
enum class ShapeMatchEnd : std::uint8_t;

/// The one setting of its own a character mode reads, which the window
/// enables and the converter takes as an option.
enum class ModeField : std::uint8_t { None, Phrase, Blocks, Range };

/// Which width of its measured texts an image cell of the mode takes.
enum class CellWidthChoice : std::uint8_t { Widest, Middle };

/// How many characters a mode gives each pixel.
enum class PixelCharacters : std::uint8_t {
    /// Two at every font size.
    Two,
    /// Two, but one at font size 1.
    TwoButOneAtSizeOne,
    /// One at every font size: a pixel is a character cell, and the
    /// scaled picture's grid follows the cell's own proportion.
    One,
};

/// One way of making the pixels' texts: everything the conversion, the
/// image cells, the converter and the window know of a mode is its row.
struct CharacterMode {
    PixelTransformation transformation;
    /// The converter's name for it (--mode).
    std::string_view name;
    /// The window's caption of its choice.
    std::string_view caption;
    /// What it draws, for the manual page: "random digits"; options as --name.
    std::string_view summary;
    ModeField field;
    PixelCharacters characters;
    /// The face it draws in whatever face is chosen; empty for the chosen one.
    std::string_view ownFace;
    /// How many draws of the random generator each pixel takes; none when
    /// the texts follow the phrase position instead.
    std::optional<std::uint32_t> (*drawsPerPixel)(const ConversionSettings& settings);
    /// Hands measure every text whose drawn width decides the image cell's
    /// width, which is the widest of them or their middle: two bytes, or
    /// one in the modes of one character a pixel.
    void (*measuredTexts)(const ConversionSettings& settings,
                          const std::function<void(const ByteString&)>& measure);
    CellWidthChoice cellWidth;
    /// Whether its texts are UTF-8 already (ASCII whatever the settings, or
    /// symbols); the others are bytes of the face's code page.
    bool utf8Texts;
    /// Chooses the cells' texts and colours from the picture's detail under
    /// each (8 × 8 samples) before the lines (engine/cell_matching.h); none for the
    /// modes that read a pixel's colour only.
    ShapeMatchEnd (*matchCells)(const CellMatchInput& input, WorkBitmap& colors, ShapeTexts& texts);
    /// Whether it weighs every sample of the detail, so that a picture
    /// loaded coarser is brought to it; else one loaded up to loadCoarserBy
    /// times coarser is matched as it is.
    bool everySample;
    /// The characters, as UTF-8, whose shapes it draws from the face (the
    /// GlyphShaper's candidates); none for the modes that draw no shapes.
    ByteString (*drawnFromFace)(const ConversionSettings& settings);
    /// Whether each cell is a symbol in two colours, its ink and its
    /// background, that reaches the cell's edges: its cells are always
    /// filled, documents lay its lines at the face's own height so that a
    /// block meets the next line, and images draw symbols made by rule
    /// exactly.
    bool twoColourSymbols;
    /// Writes the text of one pixel of the colour into result; see nextPixelText.
    void (*pixelText)(RandomGenerator& random, const ConversionSettings& settings,
                      std::int32_t& phrasePosition, Rgb color, ByteString& result);
};

/// Every mode, in the order the window and the converter's help list them.
std::span<const CharacterMode> characterModes();

/// The row of a mode.
const CharacterMode& characterModeOf(PixelTransformation transformation);

/// Whether the mode's texts come from the phrase, which it then needs.
inline bool takesPhrase(PixelTransformation transformation) {
    return characterModeOf(transformation).field == ModeField::Phrase;
}

/// Whether the mode draws a pixel as one character cell whose proportion
/// the scaled picture's grid follows.
inline bool pixelIsACell(PixelTransformation transformation) {
    return characterModeOf(transformation).characters == PixelCharacters::One;
}

/// Whether the mode chooses its cells from the picture's detail under them.
inline bool readsCells(PixelTransformation transformation) {
    return characterModeOf(transformation).matchCells != nullptr;
}

/// Whether each of the mode's cells is a symbol in two colours (see
/// CharacterMode::twoColourSymbols).
inline bool drawsTwoColourSymbols(PixelTransformation transformation) {
    return characterModeOf(transformation).twoColourSymbols;
}

/// The ramp's character for a pixel of the colour: on a dark background
/// the brightest pixels take the most ink, on a light one the darkest do.
char rampCharacter(const ConversionSettings& settings, Rgb color);

/// The mode the converter names so; nothing for another name.
const CharacterMode* characterModeNamed(std::string_view name);

} // namespace varnelo
