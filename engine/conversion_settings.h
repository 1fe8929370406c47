#pragma once

#include "base/byte_string.h"
#include "base/color.h"
#include "base/picture_limits.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace varnelo {

// The enumerations keep the order of the window's items; that order is the
// index wherever one is stored.

/// The window offers the first four; the two text formats, for a terminal,
/// are the converter's.
enum class OutputFormat : std::uint8_t { PlainHtml, CssHtml, Rtf, Image, AnsiText, PlainText };

enum class ImageFormat : std::uint8_t { Bmp, Jpg, Png };

enum class PixelTransformation : std::uint8_t {
    RandomBinary,
    RandomNumbers,
    RandomSmallLetters,
    RandomBigLetters,
    CustomText,
    TerminalBlocks,
    CustomRange,
    /// Beyond the window's choices: characters by each pixel's brightness.
    BrightnessRamp,
    /// Beyond the window's choices: characters whose shapes draw the picture's.
    GlyphShapes,
    /// Beyond the window's choices: each cell a symbol and two colours, those
    /// of the chosen set closest to the picture under it.
    Symbols,
};

/// How text for a terminal is coloured: 24-bit colours, the nearest of the
/// xterm palette's 256 or 16 colours, or not at all.
enum class TerminalColors : std::uint8_t { Truecolor, Palette256, Palette16, None };

enum class ColorDepth : std::uint8_t { Depth1, Depth4, Depth8, Depth15, Depth16, Depth24, Depth32 };

/// Index of the chosen entry of the block list: 0..3 "strength 1".."strength 4",
/// 4 "random". Any other value means no entry is selected.
using BlockStrength = std::int32_t;
inline constexpr BlockStrength kRandomBlockStrength = 4;

/// The largest font size: RTF writes 20 times the size as a 16-bit number.
inline constexpr std::int32_t kMaxFontSize = 1638;

/// The bytes from the blank to the tilde.
inline ByteString printableAscii() {
    ByteString bytes;
    for (char byte = ' '; byte <= '~'; ++byte)
        bytes += byte;
    return bytes;
}

/// Every choice a conversion reads, copied from the window (or the command
/// line) when a conversion starts and never changed while it runs.
struct ConversionSettings {
    std::string sourcePath;
    std::string outputPath;
    /// Set when outputPath is a name uniqueOutputName proposed beside this
    /// path: the output then claims the name without replacing anything,
    /// and takes the next free number should another program take it first.
    std::string outputNameBase;
    OutputFormat outputFormat = OutputFormat::PlainHtml;
    ImageFormat imageFormat = ImageFormat::Bmp;
    std::int32_t imageQuality = 80;
    PixelTransformation transformation = PixelTransformation::RandomBinary;
    ByteString customPhrase;
    BlockStrength blockStrength = 0;
    std::int32_t rangeFrom = 123;
    std::int32_t rangeTo = 255;
    /// The characters of the brightness ramp, from the least ink to the most.
    ByteString ramp = " .:-=+*#%@";
    /// The characters shapes mode chooses among: printable ASCII by default.
    ByteString glyphs = printableAscii();
    /// The set symbols mode draws with, classes joined by "+" and "-"
    /// (symbolSetCharacters); empty for the output's own (defaultSymbolSet).
    std::string symbols;
    std::int32_t fontSize = 8; // 1 to kMaxFontSize
    std::string fontFace = "Tahoma";
    Rgb backgroundColor = 0;
    /// Each cell filled with its pixel's colour, the characters drawn in a
    /// contrasting shade of it (contrastingShade); the converter's --fill.
    bool fillCells = false;
    std::int32_t imageWidth = 0;
    std::int32_t imageHeight = 0;
    ColorDepth colorDepth = ColorDepth::Depth24;
    /// For the coloured terminal text only.
    TerminalColors terminalColors = TerminalColors::Truecolor;
    /// The most memory loading the picture may take (ConversionLoad::memoryLimit).
    std::int64_t memoryLimit = kDefaultMemoryLimit;

    bool operator==(const ConversionSettings&) const = default;
};

/// Reads a number field: an optional single "-" or "+", then decimal digits
/// up to the first byte that is not one. Blanks are not skipped and the value
/// wraps modulo 2^32; an empty text or any other first byte gives 0.
std::int32_t readNumber(std::string_view text);

} // namespace varnelo
