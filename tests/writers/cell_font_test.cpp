// The image output draws its cells with FreeType directly; the window's
// toolkit drew them before. Both must give the same cells: same sizes, and
// the same coverage, within 2 levels where a glyph is cut at the cell's edge.
#include "engine/conversion_settings.h"
#include "engine/face_text.h"
#include "tests/support/gui/qt_reference_font.h"
#include "writers/cell_font.h"
#include "writers/cell_size.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace varnelo {
namespace {

// A text of the face's code page as the font takes it, UTF-8.
ByteString utf8Of(const char* face, const ByteString& bytes) {
    ByteString utf8;
    return ByteString(FaceText::of(codePageOfFace(face)).toUtf8(bytes, utf8));
}

// What drawing a text into a cell-sized coverage mask with Qt gives.
std::vector<std::uint8_t> qtCoverage(const QtReferenceFont& font, CellSize cell,
                                     const ByteString& text) {
    QImage mask(cell.width, cell.height, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setFont(font.font());
        painter.setPen(QColor(0, 0, 0, 255));
        painter.drawText(QPoint((cell.width - font.textWidth(text)) / 2, font.ascent()),
                         font.toText(text));
    }
    std::vector<std::uint8_t> coverage;
    for (int y = 0; y < cell.height; ++y)
        coverage.insert(coverage.end(), mask.constScanLine(y), mask.constScanLine(y) + cell.width);
    return coverage;
}

std::vector<std::uint8_t> ourCoverage(const CellFont& font, CellSize cell, const ByteString& text) {
    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(cell.width * cell.height));
    font.render(text, (cell.width - font.textWidth(text)) / 2, font.ascent(), coverage.data(),
                cell.width, cell.height);
    return coverage;
}

// Bytes that stand for a control character or the soft hyphen in the
// face's code page: Qt expanded tabs to 80 pixels, gave line ends and the
// soft hyphen no width and took other controls from fallback faces; each is
// now drawn with the face's own glyph, as Windows draws them.
bool isControl(const CellFont& font, const char* face, int byte) {
    const char32_t character = font.toText(utf8Of(face, ByteString(1, static_cast<char>(byte))))[0];
    return character < 0x20 || (character >= 0x7F && character < 0xA0) || character == 0xAD;
}

struct Case {
    const char* face;
    int fontSize;
};

class SameCellsAsQt : public ::testing::TestWithParam<Case> {};

TEST_P(SameCellsAsQt, SizesWidthsAndCoverage) {
    const int cellHeight = GetParam().fontSize + 5;
    const char* const face = GetParam().face;
    const CellFont ours(GetParam().face, cellHeight);
    const QtReferenceFont qt(GetParam().face, cellHeight);
    ASSERT_EQ(ours.textHeight(), qt.textHeight());
    ASSERT_EQ(ours.ascent(), qt.ascent());

    int widthFaults = 0;
    for (int first = 0; first < 256; ++first)
        for (int second = 0; second < 256; ++second) {
            if (isControl(ours, face, first) || isControl(ours, face, second))
                continue;
            const ByteString text{static_cast<char>(first), static_cast<char>(second)};
            const int width = ours.textWidth(utf8Of(face, text));
            if (width != qt.textWidth(text) && ++widthFaults < 10)
                ADD_FAILURE() << "width of " << first << "," << second << ": " << width
                              << " against " << qt.textWidth(text);
        }
    EXPECT_EQ(widthFaults, 0);

    ConversionSettings settings;
    settings.transformation = PixelTransformation::CustomRange;
    settings.rangeFrom = 1;
    settings.rangeTo = 255;
    const CellSize cell = measureCell(settings, ours);
    std::size_t pixels = 0, differing = 0;
    int worst = 0;
    for (int first = 1; first < 256; ++first)
        for (int second = first % 7; second < 256; second += 7) {
            if (isControl(ours, face, first) || isControl(ours, face, second))
                continue;
            const ByteString text{static_cast<char>(first), static_cast<char>(second)};
            const auto want = qtCoverage(qt, cell, text);
            const auto got = ourCoverage(ours, cell, utf8Of(face, text));
            for (std::size_t i = 0; i < want.size(); ++i) {
                const int difference = std::abs(int{got[i]} - int{want[i]});
                ++pixels;
                if (difference != 0)
                    ++differing;
                if (difference > worst && difference > 2)
                    ADD_FAILURE() << "coverage of " << first << "," << second << " at " << i << ": "
                                  << int{got[i]} << " against " << int{want[i]};
                worst = std::max(worst, difference);
            }
        }
    // Rounding in a handful of pixels; nothing a reader could see.
    EXPECT_LE(worst, 2);
    EXPECT_LE(differing * 10000, pixels) << differing << " of " << pixels << " pixels differ";
}

INSTANTIATE_TEST_SUITE_P(Faces, SameCellsAsQt,
                         ::testing::Values(Case{"Terminal", 1}, Case{"Terminal", 8},
                                           Case{"Terminal", 20}, Case{"Tahoma", 1},
                                           Case{"Tahoma", 8}, Case{"Tahoma", 20}),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             return std::string(param.param.face) + "AtFontSize" +
                                    std::to_string(param.param.fontSize);
                         });

// Qt read the bitmap-only Windows faces' metrics as if they were scalable:
// MS Sans Serif at font size 8 got cells 157 pixels high.
TEST(CellFont, BitmapFacesDrawAtTheirNearestStrike) {
    for (const char* face : {"MS Sans Serif", "System", "Small Fonts"}) {
        const CellFont font(face, 13);
        ASSERT_EQ(font.family(), face) << "fonts-wine is not installed";
        EXPECT_GE(font.textHeight(), 9) << face;
        EXPECT_LE(font.textHeight(), 19) << face;
        EXPECT_GT(font.textWidth("00"), 0) << face;
        const CellSize cell{font.textWidth("00"), font.textHeight()};
        std::vector<std::uint8_t> coverage(static_cast<std::size_t>(cell.width * cell.height));
        font.render("00", 0, font.ascent(), coverage.data(), cell.width, cell.height);
        EXPECT_TRUE(std::any_of(coverage.begin(), coverage.end(), [](auto a) { return a == 255; }))
            << face;
    }
}

TEST(CellFont, ControlBytesTakeTheFacesOwnGlyphs) {
    const CellFont tahoma("Tahoma", 13);
    // Not expanded to a tab stop, not dropped as a line end.
    EXPECT_LE(tahoma.textWidth("\t\t"), tahoma.textWidth("WW"));
    EXPECT_GT(tahoma.textWidth("\n"), 0);
    EXPECT_GT(tahoma.textWidth("\xAD"), 0); // the soft hyphen draws as a hyphen
}

TEST(CellFont, AnUnknownFaceDrawsWithFontconfigsNearest) {
    const CellFont font("No Such Face At All", 13);
    EXPECT_FALSE(font.family().empty());
    EXPECT_GT(font.textWidth("00"), 0);
    EXPECT_EQ(font.textHeight(), 13);
}

} // namespace
} // namespace varnelo
