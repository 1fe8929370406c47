#include "writers/cell_size.h"

#include "engine/character_modes.h"
#include "engine/face_text.h"
#include "writers/cell_font.h"

#include <algorithm>

namespace varnelo {

namespace {

// The widest and narrowest width seen; they start at 1 and 100 and every
// measured text moves them, so a mode that measures nothing gets a cell of
// (1 + 100) div 2 or 1.
class WidthRange {
public:
    explicit WidthRange(const CellFont& font) : font_(font) {}
    void measure(const ByteString& text) {
        const int width = font_.textWidth(text);
        widest_ = std::max(widest_, width);
        narrowest_ = std::min(narrowest_, width);
    }
    int widest() const { return widest_; }
    int middle() const { return (widest_ + narrowest_) / 2; }

private:
    const CellFont& font_;
    int widest_ = 1;
    int narrowest_ = 100;
};

int cellWidth(const ConversionSettings& settings, const CellFont& font) {
    const CharacterMode& mode = characterModeOf(settings.transformation);
    WidthRange range(font);
    // The modes' texts are their face's bytes; the font takes UTF-8.
    const FaceText& faceText = FaceText::of(codePageOfFace(settings.fontFace));
    ByteString utf8;
    mode.measuredTexts(settings,
                       [&](const ByteString& text) { range.measure(faceText.toUtf8(text, utf8)); });
    return mode.cellWidth == CellWidthChoice::Middle ? range.middle() : range.widest();
}

} // namespace

CellSize measureCell(const ConversionSettings& settings, const CellFont& font) {
    return {std::max(cellWidth(settings, font), 1), std::max(font.textHeight() - 2, 1)};
}

// Cell heights beyond the largest image are refused anyway; the bound keeps
// the font size arithmetic from overflowing.
int cellFontHeight(std::int32_t fontSize) {
    return static_cast<int>(
        std::clamp<std::int64_t>(std::int64_t{fontSize} + 5, 1, kMaxImageSide + 1));
}

CellSize measureImageCell(const ConversionSettings& settings) {
    const CellFont font(settings.fontFace, cellFontHeight(settings.fontSize));
    return measureCell(settings, font);
}

} // namespace varnelo
