#pragma once

#include "engine/codepages.h"
#include "writers/cell_font_face.h"

#include <array>
#include <memory>
#include <unordered_map>

namespace varnelo {

/// A cell font's face drawn with FreeType from the file fontconfig matches
/// for the family (UTF-8).
class FreetypeCellFont final : public CellFontFace {
public:
    FreetypeCellFont(const std::string& familyUtf8, CodePage codePage, int cellHeight);
    ~FreetypeCellFont() override;
    FreetypeCellFont(const FreetypeCellFont&) = delete;
    FreetypeCellFont& operator=(const FreetypeCellFont&) = delete;

    const std::string& family() const override { return family_; }
    int pixelSize() const override { return pixelSize_; }
    int textHeight() const override { return textHeight_; }
    int ascent() const override { return ascent_; }
    int textWidth(std::u32string_view characters) const override;
    void render(std::u32string_view characters, int x, int baseline, std::uint8_t* mask, int width,
                int height) const override;
    bool draws(char32_t character) const override;

private:
    struct Face;
    struct Glyph {
        unsigned index = 0;
        std::int32_t advance = 0; // 26.6 pixels
        bool loaded = false;
    };
    const Glyph& glyphOf(char32_t character) const;

    std::unique_ptr<Face> face_;
    std::string family_;
    int pixelSize_ = 0;
    int textHeight_ = 0;
    int ascent_ = 0;
    // The glyphs of the first 256 characters in a table, of the others by
    // their number.
    mutable std::array<Glyph, 256> glyphs_{};
    mutable std::unordered_map<char32_t, Glyph> otherGlyphs_;
};

} // namespace varnelo
