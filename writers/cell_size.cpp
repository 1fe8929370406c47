#include "writers/cell_size.h"

#include "writers/cell_font.h"

#include <algorithm>

namespace varnelo {

namespace {

// The widest and narrowest width seen; they start at 1 and 100 and every
// measured text moves them.
class WidthRange {
public:
    explicit WidthRange(const CellFont& font) : font_(font) {}
    void measure(char first, char second) {
        const int width = font_.textWidth(ByteString{first, second});
        widest_ = std::max(widest_, width);
        narrowest_ = std::min(narrowest_, width);
    }
    void measureAll(int from, int to) {
        for (int first = from; first <= to; ++first)
            for (int second = from; second <= to; ++second)
                measure(static_cast<char>(first), static_cast<char>(second));
    }
    int widest() const { return widest_; }
    int middle() const { return (widest_ + narrowest_) / 2; }

private:
    const CellFont& font_;
    int widest_ = 1;
    int narrowest_ = 100;
};

constexpr char kBlocks[4] = {'\xB0', '\xB1', '\xB2', '\xDB'};

int cellWidth(const ConversionSettings& settings, const CellFont& font) {
    WidthRange range(font);
    switch (settings.transformation) {
    case PixelTransformation::RandomBinary:
        range.measure('1', '1');
        range.measure('0', '0');
        range.measure('0', '1');
        return range.widest();
    case PixelTransformation::RandomNumbers:
        range.measureAll('0', '9');
        return range.widest();
    case PixelTransformation::RandomSmallLetters:
        range.measureAll('a', 'z');
        return range.middle();
    case PixelTransformation::RandomBigLetters:
        range.measureAll('A', 'Z');
        return range.middle();
    case PixelTransformation::CustomRange:
        // An end byte below the start byte measures nothing: (1 + 100) div 2.
        range.measureAll(settings.rangeFrom & 0xFF, settings.rangeTo & 0xFF);
        return range.middle();
    case PixelTransformation::CustomText: {
        const ByteString& phrase = settings.customPhrase;
        for (std::size_t i = 0; i + 1 < phrase.size(); ++i)
            range.measure(phrase[i], phrase[i + 1]);
        if (!phrase.empty())
            range.measure(phrase.back(), phrase.front());
        return range.widest();
    }
    case PixelTransformation::TerminalBlocks:
        if (settings.blockStrength >= 0 && settings.blockStrength < kRandomBlockStrength) {
            const char block = kBlocks[settings.blockStrength];
            range.measure(block, block);
        } else if (settings.blockStrength == kRandomBlockStrength) {
            for (const char block : kBlocks)
                range.measure(block, kBlocks[0]);
        }
        return range.widest();
    }
    return range.widest();
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
