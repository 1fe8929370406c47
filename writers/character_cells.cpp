#include "writers/character_cells.h"

#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/font_family.h"
#include "engine/symbol_matching.h"
#include "writers/font_files.h"
#include "writers/glyph_shapes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace varnelo {

namespace {

constexpr double kThousandths = 1000.0;
constexpr const char* kMonospacedFallback = "DejaVu Sans Mono";
// fontconfig's generic family for a face of one advance.
constexpr const char* kMonospacedFamily = "monospace";

template <class Settings>
auto& candidatesOf(Settings& settings) {
    return settings.transformation == PixelTransformation::BrightnessRamp ? settings.ramp
                                                                          : settings.glyphs;
}

} // namespace

std::string monospacedFace() {
    const FontFile file = findFontFile(kMonospacedFamily, 16);
    // A face the command line could not name cannot be written as one.
    const std::string face = utf8ToWindows1252(file.family);
    return face.empty() || !usableFontFace(face) ? kMonospacedFallback : face;
}

ByteString charactersOfOneAdvance(const CharacterWidths& widths, const ByteString& candidates) {
    std::array<int, 4001> count{};
    std::uint16_t chosen = 0;
    for (const char byte : candidates) {
        const std::uint16_t advance =
            std::min<std::uint16_t>(widths[static_cast<unsigned char>(byte)], 4000);
        if (advance == 0)
            continue;
        if (++count[advance] > (chosen == 0 ? 0 : count[chosen]))
            chosen = advance;
    }
    ByteString kept;
    for (const char byte : candidates)
        if (chosen != 0 && widths[static_cast<unsigned char>(byte)] == chosen)
            kept += byte;
    return kept;
}

ConversionSettings withCharactersOfOneAdvance(ConversionSettings settings,
                                              const std::string& monospacedFace) {
    if (!pixelIsACell(settings.transformation))
        return settings;
    ByteString& candidates = candidatesOf(settings);
    ByteString kept = charactersOfOneAdvance(documentFaceWidths(settings.fontFace), candidates);
    // A few characters a monospaced face draws wider (or lacks) are left
    // out; most of them differing is a proportional face.
    if (kept.size() * 4 < candidates.size() * 3 && settings.fontFace != monospacedFace) {
        settings.fontFace = monospacedFace;
        kept = charactersOfOneAdvance(documentFaceWidths(settings.fontFace), candidates);
    }
    // A face that draws none of them is not the readers' either: nothing
    // to keep them to.
    if (!kept.empty())
        candidates = kept;
    return settings;
}

double documentCellProportion(const ConversionSettings& settings) {
    const ByteString& candidates = candidatesOf(settings);
    if (candidates.empty())
        return 0.0;
    const CharacterWidths widths = documentFaceWidths(settings.fontFace);
    double advance = widths[static_cast<unsigned char>(candidates.front())] / kThousandths;
    const bool html = settings.outputFormat == OutputFormat::PlainHtml ||
                      settings.outputFormat == OutputFormat::CssHtml;
    if (!drawsTwoColourSymbols(settings.transformation))
        return advance;
    // Symbols the face lacks may be drawn wider by the font readers fall
    // back to (braille in DejaVu Sans): the cell is as wide as the set's.
    advance *= documentSymbolAdvance(settings, glyphShapesOf) / kThousandths;
    const LineMetrics faceLines = documentFaceLines(settings.fontFace);
    // RTF lays symbols' lines exactly at the face's ascent and descent.
    if (!html) {
        const int perMille = faceLines.ascent + faceLines.descent;
        return perMille > 0 ? advance * kThousandths / perMille : advance;
    }
    // A line of "normal" height, as browsers lay it: the face's ascent,
    // descent and gap each rounded to whole pixels at the font size.
    const LineMetrics& lines = faceLines;
    const double pixels = settings.fontSize * 4.0 / 3.0;
    const auto rounded = [&](std::uint16_t perMille) {
        return std::round(perMille / kThousandths * pixels);
    };
    const double line = rounded(lines.ascent) + rounded(lines.descent) + rounded(lines.gap);
    return line > 0 ? advance * pixels / line : advance;
}

} // namespace varnelo
