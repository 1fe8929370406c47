#include "engine/ramp_ink.h"

#include "base/color.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

// A character covering half its cell makes a grey of 100 on white only in
// ink more than twice as far from white: black; the texts keep the
// characters of the pixels' own colours, not of the darker ink.
TEST(RampInk, MakesEachCellAsDarkAsItsPixelOnTheBackground) {
    ConversionSettings settings;
    settings.transformation = PixelTransformation::BrightnessRamp;
    settings.ramp = " #";
    settings.backgroundColor = makeRgb(255, 255, 255);
    WorkBitmap picture;
    ASSERT_TRUE(picture.allocate(3, 1, PixelDepth::Bits24));
    const Rgb colors[] = {makeRgb(255, 255, 255), makeRgb(100, 100, 100), makeRgb(191, 64, 255)};
    for (int x = 0; x < 3; ++x) {
        std::uint8_t* p = picture.row(0) + x * 3;
        p[0] = blueOf(colors[x]);
        p[1] = greenOf(colors[x]);
        p[2] = redOf(colors[x]);
    }
    const std::vector<GlyphShape> glyphs = {{' ', 0, 0}, {'#', ~std::uint64_t{0}, 128}};
    ShapeTexts texts;
    ASSERT_TRUE(showRampInk(picture, settings, glyphs, texts));
    ByteString text;
    texts.textAt(0, 0, text);
    EXPECT_EQ(text, " ");
    EXPECT_EQ(picture.pixelColor(0, 0), colors[0]); // no ink: as it was
    texts.textAt(1, 0, text);
    EXPECT_EQ(text, "#");
    EXPECT_EQ(picture.pixelColor(1, 0), makeRgb(0, 0, 0));
    // Where no colour is far enough, the farthest on the way from white
    // through the pixel's: green reaches black first, and the hue stays.
    texts.textAt(2, 0, text);
    EXPECT_EQ(text, "#");
    EXPECT_EQ(picture.pixelColor(2, 0), makeRgb(170, 0, 255));
}

} // namespace
} // namespace varnelo
