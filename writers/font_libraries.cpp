#include "writers/font_libraries.h"

#include "reading/modules.h"

#ifndef VARNELO_FONT_LIBRARIES_FILE
#error "the build names the module's file beside the program's library folder"
#endif

namespace varnelo {

namespace {

ModuleOnce& module() {
    static ModuleOnce once(VARNELO_FONT_LIBRARIES_FILE, kFontLibrariesEntry, kFontLibrariesVersion);
    return once;
}

// A reader without the widths draws each character a full em at most.
constexpr std::uint16_t kFullEm = 1000;

} // namespace

std::string fontLibrariesPath() {
    return module().path();
}

const FontLibraries* fontLibraries() {
    return static_cast<const FontLibraries*>(module().loaded().table);
}

std::string fontLibrariesProblem() {
    return module().loaded().problem;
}

FontFile findFontFile(const std::string& familyUtf8, int pixelSize) {
    const FontLibraries* libraries = fontLibraries();
    return libraries != nullptr ? libraries->findFontFile(familyUtf8, pixelSize) : FontFile{};
}

FontFile findFontFileDrawing(const std::string& familyUtf8, int pixelSize, char32_t character) {
    const FontLibraries* libraries = fontLibraries();
    return libraries != nullptr ? libraries->findFontFileDrawing(familyUtf8, pixelSize, character)
                                : FontFile{};
}

std::vector<std::string> fontFamilies() {
    const FontLibraries* libraries = fontLibraries();
    return libraries != nullptr ? libraries->fontFamilies() : std::vector<std::string>{};
}

CharacterWidths documentCharacterWidths(const std::string& face) {
    const FontLibraries* libraries = fontLibraries();
    if (libraries != nullptr)
        return libraries->documentCharacterWidths(face);
    CharacterWidths widths{};
    widths.fill(kFullEm);
    return widths;
}

LineMetrics documentFaceLines(const std::string& face) {
    const FontLibraries* libraries = fontLibraries();
    return libraries != nullptr ? libraries->documentFaceLines(face) : LineMetrics{};
}

CharacterWidths documentFaceWidths(const std::string& face) {
    const FontLibraries* libraries = fontLibraries();
    return libraries != nullptr ? libraries->documentFaceWidths(face) : CharacterWidths{};
}

} // namespace varnelo
