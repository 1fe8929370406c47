#pragma once

#include "engine/codepages.h"
#include "writers/cell_font_face.h"
#include "writers/character_widths.h"
#include "writers/font_files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varnelo {

/// What the writers use of FreeType and fontconfig, which live in a module
/// of their own: the two with what they pull in (expat, brotli) took a
/// fifth of a small picture's conversion to load, and only the image output,
/// RTF's widths and shapes mode need them. findFontFile, fontFamilies,
/// documentCharacterWidths, documentFaceWidths and CellFont load the module at their first call.
struct FontLibraries {
    /// kFontLibrariesVersion of the module's build; the layout below.
    std::uint32_t version;
    FontFile (*findFontFile)(const std::string& familyUtf8, int pixelSize) noexcept;
    std::vector<std::string> (*fontFamilies)() noexcept;
    CharacterWidths (*documentCharacterWidths)(const std::string& face) noexcept;
    CharacterWidths (*documentFaceWidths)(const std::string& face) noexcept;
    /// A new face, the caller's to delete; nullptr when memory ran out.
    CellFontFace* (*openCellFont)(const std::string& familyUtf8, CodePage codePage,
                                  int cellHeight) noexcept;
    FontFile (*findFontFileDrawing)(const std::string& familyUtf8, int pixelSize,
                                    char32_t character) noexcept;
    LineMetrics (*documentFaceLines)(const std::string& face) noexcept;
};

/// Changes with the table's layout, and with any change of what the types
/// passed across mean: a module of another build is not used.
inline constexpr std::uint32_t kFontLibrariesVersion = 3;

/// The name of the module's one entry, a function without arguments
/// returning the table.
inline constexpr const char* kFontLibrariesEntry = "varnelo_font_libraries";

std::string fontLibrariesPath();

/// The module's table, loaded at the first call; nullptr when the module
/// is missing or of another build (why, in fontLibrariesProblem). Without
/// it no font is found: cells are drawn blank, as on a system without
/// fonts. Safe from any thread.
const FontLibraries* fontLibraries();
std::string fontLibrariesProblem();

} // namespace varnelo
