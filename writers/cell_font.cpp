#include "writers/cell_font.h"

#include "engine/font_family.h"
#include "writers/font_libraries.h"

#include <algorithm>

namespace varnelo {

namespace {

// DejaVu Sans Mono has every glyph of code page 437 and is always installed with the program.
constexpr const char* kTerminalDrawingFace = "DejaVu Sans Mono";

} // namespace

CellFont::CellFont(const std::string& face, int cellHeight) : codePage_(codePageOfFace(face)) {
    const int wanted = std::max(cellHeight, 1);
    textHeight_ = wanted;
    ascent_ = wanted;
    const FontLibraries* libraries = fontLibraries();
    if (libraries == nullptr)
        return;
    const std::string family =
        codePage_ == CodePage::Cp437
            ? std::string(kTerminalDrawingFace)
            // Face names are Windows-1252 bytes like every text of a conversion.
            : windows1252ToUtf8(fontFamily(face));
    face_.reset(libraries->openCellFont(family, codePage_, wanted));
    if (face_ == nullptr)
        return;
    family_ = face_->family();
    pixelSize_ = face_->pixelSize();
    textHeight_ = face_->textHeight();
    ascent_ = face_->ascent();
}

CellFont::~CellFont() = default;

std::u32string CellFont::toText(const ByteString& text) const {
    std::u32string characters;
    characters.reserve(text.size());
    for (std::size_t index = 0; index < text.size();) {
        const char32_t character = nextUtf8(text, index);
        // The controls are the code page's: the Terminal face draws its
        // pictures for them. 0 would end the text early in the text drawing
        // of the desktop: a blank.
        const bool control = character < 0x20 || character == 0x7F;
        characters +=
            character == 0 ? U' '
            : control
                ? static_cast<char32_t>(toUnicode(codePage_, static_cast<std::uint8_t>(character)))
                : character;
    }
    return characters;
}

bool CellFont::draws(char32_t character) const {
    return face_ != nullptr && face_->draws(character);
}

int CellFont::textWidth(const ByteString& text) const {
    return face_ != nullptr ? face_->textWidth(toText(text)) : 0;
}

void CellFont::render(const ByteString& text, int x, int baseline, std::uint8_t* mask, int width,
                      int height) const {
    if (face_ != nullptr)
        face_->render(toText(text), x, baseline, mask, width, height);
}

} // namespace varnelo
