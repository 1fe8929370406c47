#include "engine/ramp_ink.h"

#include "base/color.h"
#include "engine/char_source.h"
#include "engine/character_modes.h"

#include <array>

namespace varnelo {

bool showRampInk(WorkBitmap& picture, const ConversionSettings& settings,
                 std::span<const GlyphShape> glyphs, ShapeTexts& texts) {
    const PixelDepth depth = picture.depth();
    const bool fourBytes = depth == PixelDepth::Bits32 || depth == PixelDepth::Device;
    if (glyphs.empty() || (depth != PixelDepth::Bits24 && !fourBytes))
        return false;
    texts.assign(picture.width(), picture.height(), 1);
    std::array<std::uint8_t, 256> density{};
    for (const GlyphShape& glyph : glyphs)
        density[static_cast<unsigned char>(glyph.byte)] = glyph.density;
    // The ramp's character depends on a pixel's brightness alone: chosen
    // once a level, as the mode writes it.
    std::array<char, 256> byBrightness{};
    for (std::uint32_t level = 0; level < 256; ++level) {
        ByteString text(1, rampCharacter(settings, makeRgb(level, level, level)));
        forbiddenCharSubstitution(text);
        byBrightness[level] = text[0];
    }
    const std::size_t step = fourBytes ? 4 : 3;
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t* p = picture.row(y);
        for (int x = 0; x < picture.width(); ++x, p += step) {
            const Rgb color = makeRgb(p[2], p[1], p[0]);
            const char character = byBrightness[luminanceOf(color)];
            *texts.pixel(x, y) = character;
            const Rgb ink = inkShowing(color, settings.backgroundColor,
                                       density[static_cast<unsigned char>(character)]);
            p[0] = blueOf(ink);
            p[1] = greenOf(ink);
            p[2] = redOf(ink);
        }
    }
    return true;
}

} // namespace varnelo
