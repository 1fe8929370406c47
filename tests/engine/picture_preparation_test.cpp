#include "engine/fixed_palette.h"
#include "engine/picture_preparation.h"
#include "engine/status_sink.h"
#include "engine/work_bitmap.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace varnelo {
namespace {

class RecordingStatus final : public StatusSink {
public:
    void showStatus(std::string_view text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

WorkBitmap makePicture(int width, int height, const std::function<Rgb(int, int)>& colorAt,
                       PixelDepth depth = PixelDepth::Bits24) {
    WorkBitmap picture;
    EXPECT_TRUE(picture.allocate(width, height, depth));
    const int bytes = bytesPerPixel(depth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb color = colorAt(x, y);
            std::uint8_t* pixel = picture.row(y) + x * bytes;
            pixel[0] = blueOf(color);
            pixel[1] = greenOf(color);
            pixel[2] = redOf(color);
        }
    return picture;
}

Rgb noise(int x, int y) {
    const auto v = static_cast<std::uint32_t>(x * 7919 + y * 104729) * 2654435761u;
    return makeRgb(v >> 24, v >> 16, v >> 8);
}

TEST(ResizePicture, ShrinkingByTwoAveragesEachTwoByTwoBlock) {
    WorkBitmap picture = makePicture(100, 50, noise);
    const WorkBitmap original = picture;
    RecordingStatus status;
    ASSERT_TRUE(resizePicture(picture, 50, 25, status));
    ASSERT_EQ(picture.width(), 50);
    ASSERT_EQ(picture.height(), 25);
    EXPECT_EQ(status.texts, std::vector<std::string>{"resizing image..."});
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 50; ++x) {
            auto mean = [&](std::uint8_t (*channel)(Rgb)) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += channel(original.pixelColor(2 * x + dx, 2 * y + dy));
                return (sum + 2) / 4;
            };
            const Rgb got = picture.pixelColor(x, y);
            ASSERT_EQ(redOf(got), mean(redOf)) << x << "," << y;
            ASSERT_EQ(greenOf(got), mean(greenOf));
            ASSERT_EQ(blueOf(got), mean(blueOf));
        }
}

TEST(ResizePicture, FractionalShrinkWeighsPartlyCoveredPixels) {
    // 3 → 2: the middle source pixel is split half and half.
    WorkBitmap picture = makePicture(3, 1, [](int x, int) {
        return x == 0 ? makeRgb(0, 0, 0) : x == 1 ? makeRgb(90, 90, 90) : makeRgb(210, 210, 210);
    });
    RecordingStatus status;
    ASSERT_TRUE(resizePicture(picture, 2, 1, status));
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(30, 30, 30));    // (0 + 90/2) / 1.5
    EXPECT_EQ(picture.pixelColor(1, 0), makeRgb(170, 170, 170)); // (45 + 210) / 1.5
}

TEST(ResizePicture, SameSizeDoesNothingAndShowsNoStatus) {
    WorkBitmap picture = makePicture(4, 3, noise);
    const WorkBitmap original = picture;
    RecordingStatus status;
    ASSERT_TRUE(resizePicture(picture, 4, 3, status));
    EXPECT_TRUE(status.texts.empty());
    EXPECT_EQ(picture.pixelColor(3, 2), original.pixelColor(3, 2));
}

TEST(ResizePicture, EnlargingFillsTheWholeTarget) {
    WorkBitmap picture = makePicture(10, 10, [](int, int) { return makeRgb(40, 80, 120); });
    RecordingStatus status;
    ASSERT_TRUE(resizePicture(picture, 20, 20, status));
    ASSERT_EQ(picture.width(), 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(picture.pixelColor(x, y), makeRgb(40, 80, 120)) << x << "," << y;
}

TEST(ResizePicture, MixedDirectionsScaleTheWholeOldPicture) {
    // Left half red, right half blue; top rows bright, bottom rows dark.
    WorkBitmap picture = makePicture(10, 10, [](int x, int y) {
        const std::uint32_t level = y < 5 ? 200 : 100;
        return x < 5 ? makeRgb(level, 0, 0) : makeRgb(0, 0, level);
    });
    RecordingStatus status;
    ASSERT_TRUE(resizePicture(picture, 20, 5, status));
    ASSERT_EQ(picture.width(), 20);
    ASSERT_EQ(picture.height(), 5);
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(200, 0, 0));
    EXPECT_EQ(picture.pixelColor(19, 0), makeRgb(0, 0, 200));
    EXPECT_EQ(picture.pixelColor(0, 4), makeRgb(100, 0, 0));
    EXPECT_EQ(picture.pixelColor(19, 4), makeRgb(0, 0, 100));
}

TEST(ResizePicture, NonPositiveSizesGiveTheEmptyPicture) {
    for (const auto& [width, height] : {std::pair{0, 5}, {5, 0}, {-3, 4}}) {
        WorkBitmap picture = makePicture(4, 4, noise);
        RecordingStatus status;
        ASSERT_TRUE(resizePicture(picture, width, height, status));
        EXPECT_TRUE(picture.isEmpty());
    }
}

TEST(ResizePicture, RefusesTargetsOutsideTheLimits) {
    WorkBitmap picture = makePicture(4, 4, noise);
    RecordingStatus status;
    EXPECT_FALSE(resizePicture(picture, 70000, 70000, status));
    EXPECT_TRUE(picture.isEmpty());
}

TEST(ResizePicture, KeepsTheDepthOfEveryPicture) {
    WorkBitmap indexed;
    ASSERT_TRUE(indexed.allocate(4, 4, PixelDepth::Bits4));
    indexed.setColorTable(vgaPalette());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            indexed.row(y)[x] = (x + y) % 2 == 0 ? 9 : 12; // red and blue checkerboard
    RecordingStatus status;
    ASSERT_TRUE(resizePicture(indexed, 2, 2, status));
    EXPECT_EQ(indexed.depth(), PixelDepth::Bits4);
    // The purple average falls back onto the table's nearest colour.
    EXPECT_EQ(indexed.pixelColor(0, 0), makeRgb(128, 0, 128));

    WorkBitmap words;
    ASSERT_TRUE(words.allocate(2, 2, PixelDepth::Bits16));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            words.row(y)[x * 2] = 0xFF;
            words.row(y)[x * 2 + 1] = 0xFF;
        }
    ASSERT_TRUE(resizePicture(words, 1, 1, status));
    EXPECT_EQ(words.depth(), PixelDepth::Bits16);
    EXPECT_EQ(words.pixelColor(0, 0), makeRgb(248, 252, 248));
}

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
