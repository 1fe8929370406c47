#pragma once

#include "base/byte_string.h"
#include "engine/codepages.h"
#include "writers/cell_font_face.h"

#include <cstdint>
#include <memory>
#include <string>

namespace varnelo {

/// The font of the image output's cells: a face at the pixel size whose
/// cell height, in the Windows sense (ascent plus descent of the face's
/// OS/2 table, internal leading included), is the wanted height. Texts are
/// UTF-8, drawn through Windows-1252, or through code page 437 for the
/// "Terminal" face, whose pictures its controls below 0x20 show.
/// Drawn with FreeType from the file fontconfig matches, so the window and
/// the converter draw the same pixels with or without a display.
class CellFont {
public:
    CellFont(const std::string& face, int cellHeight);
    ~CellFont();
    CellFont(const CellFont&) = delete;
    CellFont& operator=(const CellFont&) = delete;

    /// The family drawn (UTF-8), empty when no font could be loaded.
    const std::string& family() const { return family_; }
    int pixelSize() const { return pixelSize_; }
    /// The height of one line of text, internal leading included.
    int textHeight() const { return textHeight_; }
    int ascent() const { return ascent_; }
    /// The width in pixels of the text drawn in one line.
    int textWidth(const ByteString& text) const;
    /// The characters the text shows in this font.
    std::u32string toText(const ByteString& text) const;

    /// Draws the text with the pen starting at x on the baseline into an
    /// 8-bit coverage mask of width × height pixels, clipped to it; a glyph
    /// over another covers it as a painter's source-over would.
    void render(const ByteString& text, int x, int baseline, std::uint8_t* mask, int width,
                int height) const;

    /// Whether the face has a glyph of its own for the character.
    bool draws(char32_t character) const;

private:
    // Drawn by the font libraries' module; none when it could not be had.
    std::unique_ptr<CellFontFace> face_;
    std::string family_;
    CodePage codePage_ = CodePage::Windows1252;
    int pixelSize_ = 0;
    int textHeight_ = 0;
    int ascent_ = 0;
};

} // namespace varnelo
