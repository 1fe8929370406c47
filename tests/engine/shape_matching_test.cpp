#include "engine/shape_matching.h"

#include "base/color.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace varnelo {
namespace {

std::uint64_t maskOf(const std::function<bool(int column, int row)>& inked) {
    std::uint64_t mask = 0;
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            if (inked(column, row))
                mask |= std::uint64_t{1} << (row * 8 + column);
    return mask;
}

// Glyphs of a made-up face: strokes two parts wide through the middle.
std::vector<GlyphShape> strokes() {
    return {
        {' ', 0, 0},
        {'|', maskOf([](int column, int) { return column == 3 || column == 4; }), 60},
        {'-', maskOf([](int, int row) { return row == 3 || row == 4; }), 60},
        {'/', maskOf([](int column, int row) { return column + row == 7 || column + row == 8; }),
         60},
        {'\\', maskOf([](int column, int row) { return column == row || column == row + 1; }), 60},
        {'.', maskOf([](int column, int row) { return row == 7 && column == 3; }), 10},
        {'#', ~std::uint64_t{0}, 200},
    };
}

// A picture of width × height cells of 8 × 8 samples, white where
// inked(x, y) says, on black.
WorkBitmap detailOf(int width, int height, const std::function<bool(int x, int y)>& inked,
                    Rgb ink = makeRgb(255, 255, 255), Rgb paper = 0) {
    WorkBitmap picture;
    EXPECT_TRUE(picture.allocate(width * 8, height * 8, PixelDepth::Bits24));
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const Rgb color = inked(x, y) ? ink : paper;
            std::uint8_t* p = picture.row(y) + x * 3;
            p[0] = blueOf(color);
            p[1] = greenOf(color);
            p[2] = redOf(color);
        }
    }
    return picture;
}

struct Matched {
    std::string texts; // every pixel's text, row by row
    WorkBitmap colors;
    WorkBitmap inks;
};

Matched match(const WorkBitmap& detail, int width, int height, ConversionSettings settings) {
    settings.transformation = PixelTransformation::GlyphShapes;
    const std::vector<GlyphShape> glyphs = strokes();
    Matched result;
    ShapeTexts texts;
    const std::atomic<bool> cancel{false};
    EXPECT_EQ(matchShapes(detail, width, height, settings, glyphs, result.colors, texts, cancel),
              ShapeMatchEnd::Done);
    ByteString text;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            texts.textAt(x, y, text);
            result.texts += text;
        }
    result.inks = std::move(texts.inks);
    return result;
}

TEST(ShapeMatching, LinesTakeTheGlyphOfTheirDirectionWhereverTheyFallInTheCell) {
    const ConversionSettings settings; // black background, one character a pixel
    // The cell is 8 samples wide: a line through its middle, and one two
    // samples off it.
    EXPECT_EQ(
        match(detailOf(1, 1, [](int x, int) { return x % 8 == 3 || x % 8 == 4; }), 1, 1, settings)
            .texts,
        "|");
    EXPECT_EQ(
        match(detailOf(1, 1, [](int x, int) { return x % 8 == 5 || x % 8 == 6; }), 1, 1, settings)
            .texts,
        "|");
    EXPECT_EQ(
        match(detailOf(1, 1, [](int, int y) { return y == 3 || y == 4; }), 1, 1, settings).texts,
        "-");
    EXPECT_EQ(
        match(detailOf(1, 1, [](int x, int y) { return (x % 8) + y == 7; }), 1, 1, settings).texts,
        "/");
    EXPECT_EQ(match(detailOf(1, 1, [](int x, int y) { return x % 8 == y; }), 1, 1, settings).texts,
              "\\");
}

TEST(ShapeMatching, ABigPictureIsMatchedWholeOnBothHalves) {
    // Enough cells for the lower half to be matched on a second thread.
    const int width = 80;
    const int height = 60;
    const Matched matched =
        match(detailOf(width, height, [](int x, int) { return x % 8 == 3 || x % 8 == 4; }), width,
              height, ConversionSettings{});
    EXPECT_EQ(matched.texts, std::string(std::size_t{width} * height, '|'));
    EXPECT_EQ(matched.colors.pixelColor(width - 1, height - 1), makeRgb(255, 255, 255));
}

TEST(ShapeMatching, InkIsWhatStandsOutFromTheBackground) {
    // Black lines on white: on a white background the black is the ink.
    ConversionSettings settings;
    settings.backgroundColor = makeRgb(255, 255, 255);
    const WorkBitmap picture = detailOf(
        1, 1, [](int x, int) { return x % 8 == 3 || x % 8 == 4; }, makeRgb(0, 0, 90),
        makeRgb(250, 250, 250));
    const Matched onWhite = match(picture, 1, 1, settings);
    EXPECT_EQ(onWhite.texts, "|");
    // Its colour would make the cell, the glyph's 60 / 255 of it in ink on
    // the rest white, as dark as the picture's (188, 188, 210); the glyph
    // too thin for that, the ink goes as far as a colour can on the way
    // from white through that one: red and green reach black first.
    EXPECT_EQ(onWhite.colors.pixelColor(0, 0), makeRgb(0, 0, 84));
    // On black the white is the ink: everything but the lines, in a glyph
    // of more ink, a colour brighter than the picture's so that the cell
    // is as bright as the picture there.
    settings.backgroundColor = 0;
    const Matched onBlack = match(picture, 1, 1, settings);
    EXPECT_NE(onBlack.texts, "|");
    const Rgb ink = onBlack.colors.pixelColor(0, 0);
    EXPECT_GT(redOf(ink), 188U);
    EXPECT_GT(blueOf(ink), 210U);
    // Filled, on any background, the fewer parts are the glyph's: the cell
    // takes what it leaves blank and the ink what it covers.
    settings.fillCells = true;
    const Matched line = match(picture, 1, 1, settings);
    EXPECT_EQ(line.texts, "|");
    EXPECT_EQ(line.colors.pixelColor(0, 0), makeRgb(250, 250, 250));
    EXPECT_EQ(line.inks.pixelColor(0, 0), makeRgb(0, 0, 90));
    // A glyph covering all of it draws in the shade of its mean.
    const Matched even = match(detailOf(1, 1, [](int, int) { return true; }), 1, 1, settings);
    EXPECT_EQ(even.texts, "#");
    EXPECT_EQ(even.inks.pixelColor(0, 0), contrastingShade(makeRgb(255, 255, 255)));
}

TEST(ShapeMatching, EvenCellsTakeTheRampsCharactersByBrightness) {
    ConversionSettings settings;
    settings.ramp = " .#"; // ' ', '.' and '#' are candidates
    const auto even = [&](std::uint32_t grey) {
        const Rgb color = makeRgb(grey, grey, grey);
        return match(detailOf(
                         1, 1, [](int, int) { return true; }, color),
                     1, 1, settings)
            .texts;
    };
    EXPECT_EQ(even(0), " ");
    EXPECT_EQ(even(128), ".");
    EXPECT_EQ(even(255), "#");
    settings.backgroundColor = makeRgb(255, 255, 255);
    EXPECT_EQ(even(0), "#");
    EXPECT_EQ(even(255), " ");
    // Without two of the ramp's characters among the candidates, by the
    // glyphs' own ink.
    settings.ramp = "xy";
    EXPECT_EQ(even(0), "#");
    // Noise below the edge contrast is even too.
    settings.ramp = " .#";
    settings.backgroundColor = 0;
    const Matched noisy = match(detailOf(
                                    1, 1, [](int x, int y) { return (x + y) % 3 == 0; },
                                    makeRgb(150, 150, 150), makeRgb(125, 125, 125)),
                                1, 1, settings);
    EXPECT_EQ(noisy.texts, ".");
}

TEST(ShapeMatching, OneCharacterAPixelAtEveryFontSize) {
    ConversionSettings settings;
    settings.transformation = PixelTransformation::GlyphShapes;
    EXPECT_EQ(shapeSamplesPerCell(settings, {10, 10}).width, 8);
    WorkBitmap picture;
    ASSERT_TRUE(picture.allocate(16, 8, PixelDepth::Bits8));
    picture.setColorTableEntry(1, makeRgb(255, 255, 255));
    for (int y = 0; y < 8; ++y)
        picture.row(y)[3] = picture.row(y)[4] = picture.row(y)[11] = picture.row(y)[12] = 1;
    EXPECT_EQ(match(picture, 2, 1, settings).texts, "||");
}

TEST(ShapeMatching, ReadsThePicturesDetailWithinItsBound) {
    ConversionSettings settings;
    EXPECT_EQ(conversionLoadSize(settings, {200, 150}).width, 200); // other modes: the cells
    settings.transformation = PixelTransformation::GlyphShapes;
    const PictureSize detail = conversionLoadSize(settings, {200, 150});
    EXPECT_EQ(detail.width, 200 * 8);
    EXPECT_EQ(detail.height, 150 * 8);
    const PictureSize big = conversionLoadSize(settings, {1600, 1200});
    EXPECT_LE(std::int64_t{big.width} * big.height, kMaxShapeSamples);
    EXPECT_EQ(big.width % 1600, 0);
    EXPECT_EQ(big.height % 1200, 0);
    const PictureSize huge = conversionLoadSize(settings, {8000, 6000});
    EXPECT_EQ(huge.width, 8000); // a sample a character at least
    EXPECT_EQ(huge.height, 6000);
}

TEST(ShapeMatching, StopsWhenCancelled) {
    ConversionSettings settings;
    settings.transformation = PixelTransformation::GlyphShapes;
    const WorkBitmap picture = detailOf(4, 4, [](int x, int) { return x % 2 == 0; });
    const std::vector<GlyphShape> glyphs = strokes();
    WorkBitmap colors;
    ShapeTexts texts;
    const std::atomic<bool> cancel{true};
    EXPECT_EQ(matchShapes(picture, 4, 4, settings, glyphs, colors, texts, cancel),
              ShapeMatchEnd::Cancelled);
}

} // namespace
} // namespace varnelo
