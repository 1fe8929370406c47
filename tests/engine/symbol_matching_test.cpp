#include "engine/symbol_matching.h"

#include "engine/symbol_sets.h"
#include "engine/terminal_palette.h"
#include "engine/two_colour_fit.h"
#include "tests/support/picture_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace varnelo {
namespace {

constexpr Rgb kRed = makeRgb(220, 20, 40);
constexpr Rgb kBlue = makeRgb(10, 40, 230);

int apart(Rgb a, Rgb b) {
    return std::max({std::abs(static_cast<int>(redOf(a)) - static_cast<int>(redOf(b))),
                     std::abs(static_cast<int>(greenOf(a)) - static_cast<int>(greenOf(b))),
                     std::abs(static_cast<int>(blueOf(a)) - static_cast<int>(blueOf(b)))});
}

// Two colours laid over each other as a coverage says, part by part, are
// found again from the mixture: an antialiased glyph's ink and background.
TEST(CellParts, FitFindsTheTwoColoursACoverageMixes) {
    CellParts::Coverage coverage{};
    CellParts parts;
    for (std::size_t i = 0; i < coverage.size(); ++i) {
        coverage[i] = static_cast<std::uint8_t>(i * 37 % 256);
        const double a = coverage[i] / 255.0;
        const auto mix = [&](std::uint32_t ink, std::uint32_t ground) {
            return static_cast<std::uint32_t>(std::lround(a * ink + (1 - a) * ground));
        };
        parts.add(static_cast<int>(i),
                  makeRgb(mix(redOf(kRed), redOf(kBlue)), mix(greenOf(kRed), greenOf(kBlue)),
                          mix(blueOf(kRed), blueOf(kBlue))));
    }
    const CellParts::Fit fit = parts.fit(coverage);
    EXPECT_LE(apart(fit.ink, kRed), 1);
    EXPECT_LE(apart(fit.background, kBlue), 1);

    // Counted after a terminal's palette, the two are the palette's.
    const CellParts::Fit shown = parts.fit(coverage, {.palette = shownInXterm16});
    EXPECT_EQ(shown.ink, shownInXterm16(fit.ink));
    EXPECT_EQ(shown.background, shownInXterm16(fit.background));
    EXPECT_GT(shown.error, fit.error);
    // Given two, the fit is theirs.
    const CellParts::Fit given = parts.fit(coverage, {.given = true, .ink = kRed, .background = 0});
    EXPECT_EQ(given.ink, kRed);
    EXPECT_EQ(given.background, 0U);
    EXPECT_GT(given.error, fit.error);

    // One coverage throughout cannot tell two colours apart: the mean.
    coverage.fill(128);
    const CellParts::Fit even = parts.fit(coverage);
    EXPECT_EQ(even.ink, even.background);
}

// Each cell of eight by eight samples takes the symbol its two colours
// draw, the first of the set among equal ones, in those two colours.
TEST(SymbolMatching, EachCellTakesTheSymbolAndTheColoursOfWhatItCovers) {
    struct Cell {
        std::function<bool(int x, int y)> inked;
        const char* symbol;
    };
    const std::vector<Cell> cells = {
        {[](int, int y) { return y < 4; }, "\u2580"},            // upper half
        {[](int x, int) { return x < 4; }, "\u258C"},            // left half
        {[](int, int y) { return y >= 6; }, "\u2582"},           // lower quarter
        {[](int x, int y) { return x < 4 && y < 4; }, "\u2598"}, // upper left quadrant
        {[](int, int) { return false; }, " "},                   // even
    };
    // Enough rows of them for the cells to be matched on several threads.
    const int kinds = static_cast<int>(cells.size());
    const int width = 26 * kinds;
    const int height = 64;
    WorkBitmap detail = test::makePicture(width * 8, height * 8, [&](int x, int y) {
        return cells[static_cast<std::size_t>(x / 8 % kinds)].inked(x % 8, y % 8) ? kRed : kBlue;
    });
    std::string unknown;
    const std::vector<Symbol> symbols = symbolsOf(
        *symbolSetCharacters("space+blocks+quadrants", unknown), SymbolDrawing::Exact, "", {});
    WorkBitmap colors;
    ShapeTexts texts;
    const std::atomic<bool> cancel{false};
    ASSERT_EQ(matchSymbols(detail, width, height, symbols, {}, colors, texts, cancel),
              ShapeMatchEnd::Done);
    ByteString text;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int kind = x % kinds;
            texts.textAt(x, y, text);
            ASSERT_EQ(text, cells[static_cast<std::size_t>(kind)].symbol) << x << "," << y;
            ASSERT_EQ(colors.pixelColor(x, y), kBlue) << x << "," << y;
            ASSERT_EQ(texts.inks.pixelColor(x, y), kind + 1 < kinds ? kRed : kBlue);
        }
    const std::atomic<bool> cancelled{true};
    EXPECT_EQ(matchSymbols(detail, width, height, symbols, {}, colors, texts, cancelled),
              ShapeMatchEnd::Cancelled);
}

// Braille drawn by a face has the face's dots; by rule, its own. A
// character neither made by rule nor drawn is left out; the set's order stays.
TEST(SymbolMatching, SymbolsTakeTheShapeOfWhatDrawsThem) {
    const GlyphShaper face = [](const std::string&, const ByteString& candidates) {
        std::vector<GlyphShape> shapes;
        if (candidates.find("\u2801") != ByteString::npos)
            shapes.push_back({'?', 0x4, 10, U'\u2801', {}});
        return shapes;
    };
    const std::u32string characters = U"\u2801A\u2588";
    const std::vector<Symbol> exact = symbolsOf(characters, SymbolDrawing::Exact, "", face);
    const std::vector<Symbol> byFace = symbolsOf(characters, SymbolDrawing::ByFace, "", face);
    ASSERT_EQ(exact.size(), 2U);
    ASSERT_EQ(byFace.size(), 2U);
    EXPECT_EQ(exact[0].mask, geometricCoverage(U'\u2801'));
    EXPECT_EQ(byFace[0].mask, 0x4U);
    EXPECT_EQ(byFace[0].text, "\u2801");
    EXPECT_EQ(byFace[1].text, "\u2588");
    EXPECT_EQ(byFace[1].coverage[63], 255);
}

} // namespace
} // namespace varnelo
