#include "writers/freetype_character_widths.h"

#include "engine/codepages.h"
#include "engine/font_family.h"
#include "writers/font_matching.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>

namespace varnelo {

namespace {

constexpr const char* kSubstituteFace = "DejaVu Sans";
// The program draws the Terminal face's characters with this one.
constexpr const char* kTerminalDrawingFace = "DejaVu Sans Mono";
constexpr std::uint16_t kFullEm = 1000;

class FreeTypeFace {
public:
    explicit FreeTypeFace(const std::string& familyUtf8)
        : FreeTypeFace(matchFontFile(familyUtf8, 64)) {}
    explicit FreeTypeFace(const FontFile& file) {
        if (file.path.empty() || FT_Init_FreeType(&library_) != 0)
            return;
        if (FT_New_Face(library_, file.path.c_str(), file.index, &face_) != 0)
            face_ = nullptr;
        else if (!FT_IS_SCALABLE(face_) && face_->num_fixed_sizes > 0)
            FT_Select_Size(face_, 0);
    }
    ~FreeTypeFace() {
        if (face_ != nullptr)
            FT_Done_Face(face_);
        if (library_ != nullptr)
            FT_Done_FreeType(library_);
    }
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;

    /// The character's advance in thousandths of an em; 0 when the face lacks it.
    std::uint16_t advance(char32_t character) const {
        if (face_ == nullptr)
            return 0;
        const FT_UInt glyph = FT_Get_Char_Index(face_, character);
        if (glyph == 0)
            return 0;
        double perMille = 0;
        FT_Fixed units = 0;
        if (FT_IS_SCALABLE(face_) && face_->units_per_EM > 0) {
            if (FT_Get_Advance(face_, glyph, FT_LOAD_NO_SCALE, &units) != 0)
                return 0;
            perMille = 1000.0 * static_cast<double>(units) / face_->units_per_EM;
        } else {
            // A bitmap face: its strike's advance against its strike's size.
            if (face_->num_fixed_sizes <= 0 || FT_Load_Glyph(face_, glyph, FT_LOAD_DEFAULT) != 0)
                return 0;
            const double ppem = static_cast<double>(face_->available_sizes[0].y_ppem) / 64.0;
            if (ppem <= 0)
                return 0;
            perMille = 1000.0 * static_cast<double>(face_->glyph->advance.x) / 64.0 / ppem;
        }
        return static_cast<std::uint16_t>(std::clamp(std::ceil(perMille), 0.0, 4000.0));
    }

    /// The face's lines as FreeType gives them (the horizontal header's,
    /// which browsers take for a line of "normal" height).
    LineMetrics lines() const {
        if (face_ == nullptr || !FT_IS_SCALABLE(face_) || face_->units_per_EM == 0)
            return {};
        const auto perMille = [&](long units) {
            return static_cast<std::uint16_t>(std::clamp(
                std::lround(1000.0 * static_cast<double>(units) / face_->units_per_EM), 0L, 4000L));
        };
        const long ascent = face_->ascender;
        const long descent = -face_->descender;
        return {perMille(ascent), perMille(descent), perMille(face_->height - ascent - descent)};
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

} // namespace

CharacterWidths measuredCharacterWidths(const std::string& face) {
    const CodePage codePage = codePageOfFace(face);
    const FreeTypeFace named(codePage == CodePage::Cp437 ? std::string(kTerminalDrawingFace)
                                                         : windows1252ToUtf8(fontFamily(face)));
    const FreeTypeFace substitute(kSubstituteFace);
    CharacterWidths widths{};
    for (unsigned byte = 0; byte < widths.size(); ++byte) {
        const char16_t character =
            byte == 0 ? u' ' : toUnicode(codePage, static_cast<std::uint8_t>(byte));
        const std::uint16_t widest =
            std::max(named.advance(character), substitute.advance(character));
        widths[byte] = widest == 0 ? kFullEm : widest;
    }
    return widths;
}

namespace {

FontFile readerFile(const std::string& face) {
    return matchReaderFontFile(codePageOfFace(face) == CodePage::Cp437
                                   ? std::string(kTerminalDrawingFace)
                                   : windows1252ToUtf8(fontFamily(face)),
                               64);
}

} // namespace

LineMetrics readerLineMetrics(const std::string& face) {
    return FreeTypeFace(readerFile(face)).lines();
}

CharacterWidths readerCharacterWidths(const std::string& face) {
    const CodePage codePage = codePageOfFace(face);
    const FreeTypeFace drawn(readerFile(face));
    CharacterWidths widths{};
    for (unsigned byte = 0; byte < widths.size(); ++byte) {
        const char16_t character =
            byte == 0 ? u' ' : toUnicode(codePage, static_cast<std::uint8_t>(byte));
        widths[byte] = drawn.advance(character);
    }
    return widths;
}

} // namespace varnelo
