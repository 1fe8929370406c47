#pragma once

#include "writers/character_widths.h"

namespace varnelo {

/// FreeType's measure behind documentCharacterWidths, in the font
/// libraries' module.
CharacterWidths measuredCharacterWidths(const std::string& face);
/// FreeType's measure behind readerCharacterWidths.
CharacterWidths readerCharacterWidths(const std::string& face);
/// FreeType's measure behind documentFaceLines.
LineMetrics readerLineMetrics(const std::string& face);

} // namespace varnelo
