#pragma once

#include "writers/font_files.h"

#include <string>
#include <vector>

namespace varnelo {

/// fontconfig's answers behind findFontFile and fontFamilies, in the font
/// libraries' module.
FontFile matchFontFile(const std::string& familyUtf8, int pixelSize);
std::vector<std::string> matchedFontFamilies();

} // namespace varnelo
