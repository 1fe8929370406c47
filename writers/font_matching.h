#pragma once

#include "writers/font_files.h"

#include <string>
#include <vector>

namespace varnelo {

/// fontconfig's answers behind findFontFile and fontFamilies, in the font
/// libraries' module.
FontFile matchFontFile(const std::string& familyUtf8, int pixelSize);
/// The file other programs draw the family with: the system's fonts only,
/// without the Windows faces the program adds for its own drawing.
FontFile matchReaderFontFile(const std::string& familyUtf8, int pixelSize);
/// The file fontconfig draws the character with where the family has no
/// glyph for it, as a terminal or a browser falls back.
FontFile matchFontFileDrawing(const std::string& familyUtf8, int pixelSize, char32_t character);
std::vector<std::string> matchedFontFamilies();

} // namespace varnelo
