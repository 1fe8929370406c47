#pragma once

#include <string>
#include <vector>

namespace varnelo {

/// The font file that draws a family: what fontconfig matches for it,
/// among the system's fonts and the Windows faces of Debian's fonts-wine
/// (Tahoma, MS Sans Serif, Small Fonts, System). An unknown family gets
/// fontconfig's nearest, as in every other program of the desktop.
struct FontFile {
    std::string path;
    int index = 0;
    /// The family of the matched file, UTF-8.
    std::string family;
    /// fontconfig's rendering choices for it.
    bool antialias = true;
    int hintStyle = 1; // 0 none, 1 slight, 2 medium, 3 full
};

/// Empty path when fontconfig knows no font at all. Safe from any thread.
FontFile findFontFile(const std::string& familyUtf8, int pixelSize);

/// The file the desktop draws the character with where the family has no
/// glyph for it: fontconfig's nearest font that has one.
FontFile findFontFileDrawing(const std::string& familyUtf8, int pixelSize, char32_t character);

/// Every family findFontFile finds a file of its own for, once each, by the
/// first name fontconfig gives it, sorted.
std::vector<std::string> fontFamilies();

} // namespace varnelo
