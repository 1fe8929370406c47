#include "base/work_bitmap.h"
#include "engine/fixed_palette.h"
#include "engine/reduce_depth.h"
#include "tests/support/picture_files.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace varnelo {
namespace {

using test::makePicture;
using test::noise;

TEST(ReduceDepth, OneBitGivesOnlyBlackAndWhite) {
    WorkBitmap picture = makePicture(3, 1, [](int x, int) {
        return x == 0   ? makeRgb(128, 128, 128)
               : x == 1 ? makeRgb(100, 100, 100)
                        : makeRgb(10, 250, 250);
    });
    ASSERT_TRUE(reduceDepth(picture, ColorDepth::Depth1));
    EXPECT_EQ(picture.depth(), PixelDepth::Bits1);
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(255, 255, 255));
    EXPECT_EQ(picture.pixelColor(1, 0), makeRgb(0, 0, 0));
    EXPECT_EQ(picture.pixelColor(2, 0), makeRgb(255, 255, 255));
}

TEST(ReduceDepth, FourBitsTakeTheNearestVgaColour) {
    WorkBitmap picture = makePicture(3, 1, [](int x, int) {
        return x == 0   ? makeRgb(120, 10, 10)
               : x == 1 ? makeRgb(200, 190, 185)
                        : makeRgb(20, 240, 250);
    });
    ASSERT_TRUE(reduceDepth(picture, ColorDepth::Depth4));
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(128, 0, 0));
    EXPECT_EQ(picture.pixelColor(1, 0), makeRgb(192, 192, 192));
    EXPECT_EQ(picture.pixelColor(2, 0), makeRgb(0, 255, 255));
}

TEST(ReduceDepth, EightBitsUseAFixedPaletteHoldingTheSystemColours) {
    const auto& palette = generalPalette();
    const std::set<Rgb> distinct(palette.begin(), palette.end());
    EXPECT_EQ(distinct.size(), 256u);
    for (Rgb color : vgaPalette())
        EXPECT_TRUE(distinct.count(color)) << std::hex << color;
    for (Rgb color : {makeRgb(192, 220, 192), makeRgb(166, 202, 240), makeRgb(255, 251, 240),
                      makeRgb(160, 160, 164)})
        EXPECT_TRUE(distinct.count(color));

    WorkBitmap picture = makePicture(64, 64, noise);
    const WorkBitmap original = picture;
    ASSERT_TRUE(reduceDepth(picture, ColorDepth::Depth8));
    EXPECT_EQ(picture.depth(), PixelDepth::Bits8);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const Rgb expected =
                palette[static_cast<std::size_t>(nearestIndex(palette, original.pixelColor(x, y)))];
            ASSERT_EQ(picture.pixelColor(x, y), expected);
        }
}

TEST(ReduceDepth, FifteenAndSixteenBitsCutTheLowBits) {
    WorkBitmap picture = makePicture(
        2, 1, [](int x, int) { return x == 0 ? makeRgb(255, 255, 255) : makeRgb(7, 7, 7); });
    WorkBitmap sixteen = picture;
    ASSERT_TRUE(reduceDepth(picture, ColorDepth::Depth15));
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(248, 248, 248));
    EXPECT_EQ(picture.pixelColor(1, 0), makeRgb(0, 0, 0));
    ASSERT_TRUE(reduceDepth(sixteen, ColorDepth::Depth16));
    EXPECT_EQ(sixteen.pixelColor(0, 0), makeRgb(248, 252, 248));
    EXPECT_EQ(sixteen.pixelColor(1, 0), makeRgb(0, 4, 0));
}

TEST(ReduceDepth, TwentyFourAndThirtyTwoBitsKeepEveryColour) {
    const WorkBitmap original = makePicture(16, 16, noise, PixelDepth::Device);
    for (ColorDepth depth : {ColorDepth::Depth24, ColorDepth::Depth32}) {
        WorkBitmap picture = original;
        ASSERT_TRUE(reduceDepth(picture, depth));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(picture.pixelColor(x, y), original.pixelColor(x, y));
    }
}

TEST(ReduceDepth, LeavesEmptyPicturesAndMatchingDepthsAlone) {
    WorkBitmap empty;
    EXPECT_TRUE(reduceDepth(empty, ColorDepth::Depth8));
    EXPECT_TRUE(empty.isEmpty());

    WorkBitmap grey;
    ASSERT_TRUE(grey.allocate(1, 1, PixelDepth::Bits8));
    grey.setColorTableEntry(0, makeRgb(17, 17, 17)); // not in the fixed palette
    ASSERT_TRUE(reduceDepth(grey, ColorDepth::Depth8));
    EXPECT_EQ(grey.pixelColor(0, 0), makeRgb(17, 17, 17));
}

} // namespace
} // namespace varnelo
