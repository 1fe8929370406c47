#include "writers/freetype_cell_font.h"

#include "writers/font_matching.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace varnelo {

namespace {

// Glyphs after the first start at a fraction of a pixel; their images are
// rendered at quarters of a pixel, as the desktop's text drawing does.
constexpr int kSubpixelSteps = 4;

struct GlyphOrigin {
    std::int64_t pixel = 0;
    FT_Pos shift = 0; // 26.6, below one pixel
};

// The quarter a pen position (26.6) draws at: rounded down after adding
// 1/64, so a position a hair below a quarter takes that quarter.
GlyphOrigin subpixelOrigin(std::int64_t pen) {
    GlyphOrigin origin{pen >> 6, 0};
    const std::int64_t fraction = pen & 63;
    if (fraction == 0)
        return origin;
    const std::int64_t step = (fraction + 1) * kSubpixelSteps / 64;
    if (step == kSubpixelSteps)
        ++origin.pixel;
    else
        origin.shift = static_cast<FT_Pos>(step * (64 / kSubpixelSteps));
    return origin;
}

// A glyph of coverage c in an opaque pen over coverage d, rounded as the
// raster painters of the desktop round it.
std::uint8_t over(std::uint32_t c, std::uint32_t d) {
    std::uint32_t t = 255 * c + d * (255 - c);
    t = (t + (t >> 8) + 0x80) >> 8;
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(t, 255));
}

} // namespace

struct FreetypeCellFont::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Int32 loadFlags = FT_LOAD_DEFAULT;
    FT_Render_Mode renderMode = FT_RENDER_MODE_NORMAL;
    // Fractional advances of the outlines as designed, with glyphs placed
    // at fractions of a pixel; else whole hinted pixels.
    bool designAdvances = false;
    FT_CharMap symbolMap = nullptr;

    ~Face() {
        if (face != nullptr)
            FT_Done_Face(face);
        if (library != nullptr)
            FT_Done_FreeType(library);
    }
};

namespace {

struct WindowsMetrics {
    double unitsPerEm = 0;
    int winAscent = 0;
    int winDescent = 0;
    bool valid() const { return unitsPerEm > 0 && winAscent + winDescent > 0; }
};

// usWinAscent and usWinDescent of the OS/2 table: the cell height Windows
// gives a TrueType face, internal leading included. The typographic
// metrics most programs here use would make Tahoma's cells two pixels short.
WindowsMetrics windowsMetrics(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 == nullptr || os2->version == 0xFFFF || face->units_per_EM == 0)
        return {};
    return {static_cast<double>(face->units_per_EM), os2->usWinAscent, os2->usWinDescent};
}

// The strike of a bitmap-only face nearest the pixel size.
void selectNearestStrike(FT_Face face, int pixelSize) {
    if (face->num_fixed_sizes <= 0)
        return;
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i) {
        const auto distance = [&](int strike) {
            return std::abs(pixelSize -
                            static_cast<int>(face->available_sizes[strike].y_ppem >> 6));
        };
        if (distance(i) < distance(best))
            best = i;
    }
    FT_Select_Size(face, best);
}

} // namespace

FreetypeCellFont::FreetypeCellFont(const std::string& familyUtf8, CodePage /*codePage*/,
                                   int cellHeight)
    : face_(std::make_unique<Face>()) {
    const int wanted = std::max(cellHeight, 1);
    const FontFile file = matchFontFile(familyUtf8, wanted);
    if (file.path.empty() || FT_Init_FreeType(&face_->library) != 0 ||
        FT_New_Face(face_->library, file.path.c_str(), file.index, &face_->face) != 0) {
        face_->face = nullptr;
        textHeight_ = wanted;
        ascent_ = wanted;
        return;
    }
    FT_Face ft = face_->face;
    family_ = file.family;
    const bool scalable = FT_IS_SCALABLE(ft);

    const WindowsMetrics windows = windowsMetrics(ft);
    if (scalable && windows.valid()) {
        const double total = windows.winAscent + windows.winDescent;
        pixelSize_ =
            std::max(1, static_cast<int>(std::lround(wanted * windows.unitsPerEm / total)));
        const double scale = pixelSize_ / windows.unitsPerEm;
        ascent_ = static_cast<int>(std::lround(windows.winAscent * scale));
        textHeight_ = ascent_ + static_cast<int>(std::lround(windows.winDescent * scale));
        FT_Set_Char_Size(ft, 0, FT_F26Dot6{pixelSize_} * 64, 0, 0);
    } else {
        pixelSize_ = wanted;
        if (scalable)
            FT_Set_Char_Size(ft, 0, FT_F26Dot6{pixelSize_} * 64, 0, 0);
        else
            selectNearestStrike(ft, pixelSize_);
        ascent_ = static_cast<int>((ft->size->metrics.ascender + 32) >> 6);
        textHeight_ = ascent_ + static_cast<int>((-ft->size->metrics.descender + 32) >> 6);
    }

    if (!file.antialias || !scalable) {
        face_->loadFlags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO;
        face_->renderMode = FT_RENDER_MODE_MONO;
    } else if (file.hintStyle <= 0) {
        face_->loadFlags = FT_LOAD_DEFAULT | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
        face_->designAdvances = true;
    } else if (file.hintStyle == 1) {
        face_->loadFlags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP;
        face_->renderMode = FT_RENDER_MODE_LIGHT;
        face_->designAdvances = true;
    } else {
        face_->loadFlags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL | FT_LOAD_NO_BITMAP;
    }
    for (int i = 0; i < ft->num_charmaps; ++i)
        if (ft->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL)
            face_->symbolMap = ft->charmaps[i];
}

FreetypeCellFont::~FreetypeCellFont() = default;

bool FreetypeCellFont::draws(char32_t character) const {
    return face_->face != nullptr && FT_Get_Char_Index(face_->face, character) != 0;
}

const FreetypeCellFont::Glyph& FreetypeCellFont::glyphOf(char32_t character) const {
    Glyph& glyph = character < glyphs_.size() ? glyphs_[character] : otherGlyphs_[character];
    if (glyph.loaded || face_->face == nullptr)
        return glyph;
    glyph.loaded = true;
    FT_Face ft = face_->face;
    if (character == 0)
        character = U' ';
    // Faces often lack the no-break space and tab; they draw as blanks.
    if (character == 0xA0 || character == 0x09)
        character = FT_Get_Char_Index(ft, character) != 0 ? character : U' ';
    glyph.index = FT_Get_Char_Index(ft, character);
    if (glyph.index == 0 && face_->symbolMap != nullptr) {
        // Symbol faces map bytes, at their own number or from U+F000 on.
        FT_CharMap current = ft->charmap;
        FT_Set_Charmap(ft, face_->symbolMap);
        glyph.index = FT_Get_Char_Index(ft, character);
        if (glyph.index == 0 && character < 0x100)
            glyph.index = FT_Get_Char_Index(ft, 0xF000 + character);
        if (current != nullptr)
            FT_Set_Charmap(ft, current);
    }
    FT_Set_Transform(ft, nullptr, nullptr);
    if (FT_Load_Glyph(ft, glyph.index, face_->loadFlags) == 0 ||
        FT_Load_Glyph(ft, glyph.index, face_->loadFlags & ~FT_LOAD_NO_BITMAP) == 0) {
        glyph.advance = face_->designAdvances
                            ? static_cast<std::int32_t>(ft->glyph->linearHoriAdvance >> 10)
                            : static_cast<std::int32_t>((ft->glyph->advance.x + 32) & ~63);
    }
    return glyph;
}

int FreetypeCellFont::textWidth(std::u32string_view characters) const {
    std::int64_t width = 0;
    for (const char32_t character : characters)
        width += glyphOf(character).advance;
    return static_cast<int>((width + 32) >> 6);
}

void FreetypeCellFont::render(std::u32string_view characters, int x, int baseline,
                              std::uint8_t* mask, int width, int height) const {
    FT_Face ft = face_->face;
    if (ft == nullptr)
        return;
    std::int64_t pen = std::int64_t{x} * 64;
    for (const char32_t character : characters) {
        const Glyph& glyph = glyphOf(character);
        const GlyphOrigin origin =
            face_->designAdvances ? subpixelOrigin(pen) : GlyphOrigin{(pen + 32) >> 6, 0};
        pen += glyph.advance;
        if (origin.pixel >= width) // starts beyond the mask; wider texts are clipped anyway
            break;
        FT_Vector shift{origin.shift, 0};
        FT_Set_Transform(ft, nullptr, &shift);
        if (FT_Load_Glyph(ft, glyph.index, face_->loadFlags) != 0 &&
            FT_Load_Glyph(ft, glyph.index, face_->loadFlags & ~FT_LOAD_NO_BITMAP) != 0)
            continue;
        FT_GlyphSlot slot = ft->glyph;
        if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, face_->renderMode) != 0)
            continue;
        const FT_Bitmap& bitmap = slot->bitmap;
        const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
        if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
            continue;
        const std::int64_t left = origin.pixel + slot->bitmap_left;
        const std::int64_t top = std::int64_t{baseline} - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const std::int64_t y = top + row;
            if (y < 0 || y >= height)
                continue;
            const unsigned char* source = bitmap.buffer + std::ptrdiff_t{bitmap.pitch} * row;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const std::int64_t at = left + column;
                if (at < 0 || at >= width)
                    continue;
                const std::uint32_t coverage =
                    mono ? ((source[column >> 3] & (0x80 >> (column & 7))) != 0 ? 255 : 0)
                         : source[column];
                if (coverage == 0)
                    continue;
                std::uint8_t& pixel = mask[y * width + at];
                pixel = over(coverage, pixel);
            }
        }
    }
}

} // namespace varnelo
