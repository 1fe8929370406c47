#pragma once

#include "base/byte_string.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace varnelo {

/// What draws a CellFont's glyphs: FreeType's face, made in the font
/// libraries' module. Its sizes are those CellFont reports.
class CellFontFace {
public:
    virtual ~CellFontFace() = default;

    virtual const std::string& family() const = 0;
    virtual int pixelSize() const = 0;
    virtual int textHeight() const = 0;
    virtual int ascent() const = 0;
    virtual int textWidth(std::u32string_view characters) const = 0;
    virtual void render(std::u32string_view characters, int x, int baseline, std::uint8_t* mask,
                        int width, int height) const = 0;
    /// Whether the face has a glyph of its own for the character.
    virtual bool draws(char32_t character) const = 0;
};

} // namespace varnelo
