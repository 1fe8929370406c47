// The one entry of the module that holds what the writers use of FreeType
// and fontconfig; everything else in it stays hidden.
#include "writers/font_libraries.h"
#include "writers/font_matching.h"
#include "writers/freetype_cell_font.h"
#include "writers/freetype_character_widths.h"

#include <new>

namespace {

using varnelo::CellFontFace;
using varnelo::CharacterWidths;
using varnelo::CodePage;
using varnelo::FontFile;

// The program around the module may have a C++ runtime of its own: no
// exception crosses between the two.
FontFile findFontFile(const std::string& familyUtf8, int pixelSize) noexcept {
    try {
        return varnelo::matchFontFile(familyUtf8, pixelSize);
    } catch (...) {
        return {};
    }
}

std::vector<std::string> fontFamilies() noexcept {
    try {
        return varnelo::matchedFontFamilies();
    } catch (...) {
        return {};
    }
}

CharacterWidths documentCharacterWidths(const std::string& face) noexcept {
    try {
        return varnelo::measuredCharacterWidths(face);
    } catch (...) {
        CharacterWidths widths{};
        widths.fill(1000);
        return widths;
    }
}

CharacterWidths documentFaceWidths(const std::string& face) noexcept {
    try {
        return varnelo::readerCharacterWidths(face);
    } catch (...) {
        return {};
    }
}

CellFontFace* openCellFont(const std::string& familyUtf8, CodePage codePage,
                           int cellHeight) noexcept {
    try {
        return new varnelo::FreetypeCellFont(familyUtf8, codePage, cellHeight);
    } catch (...) {
        return nullptr;
    }
}

FontFile findFontFileDrawing(const std::string& familyUtf8, int pixelSize,
                             char32_t character) noexcept {
    try {
        return varnelo::matchFontFileDrawing(familyUtf8, pixelSize, character);
    } catch (...) {
        return {};
    }
}

varnelo::LineMetrics documentFaceLines(const std::string& face) noexcept {
    try {
        return varnelo::readerLineMetrics(face);
    } catch (...) {
        return {};
    }
}

constexpr varnelo::FontLibraries kTable = {
    varnelo::kFontLibrariesVersion,
    findFontFile,
    fontFamilies,
    documentCharacterWidths,
    documentFaceWidths,
    openCellFont,
    findFontFileDrawing,
    documentFaceLines,
};

} // namespace

// Of the type the program calls it as: a call through a pointer of
// another function type is undefined.
extern "C" __attribute__((visibility("default"))) const void* varnelo_font_libraries() {
    return &kTable;
}
