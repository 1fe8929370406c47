#include "base/work_bitmap.h"
#include "engine/fixed_palette.h"
#include "reading/resize_picture.h"
#include "reading/row_resizer.h"
#include "tests/support/picture_files.h"
#include "tests/support/recording_observer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace varnelo {
namespace {

using test::makePicture;
using test::noise;

TEST(ResizePicture, ShrinkingByTwoAveragesEachTwoByTwoBlock) {
    WorkBitmap picture = makePicture(100, 50, noise);
    const WorkBitmap original = picture;
    test::RecordingObserver status;
    ASSERT_TRUE(resizePicture(picture, 50, 25, status));
    ASSERT_EQ(picture.width(), 50);
    ASSERT_EQ(picture.height(), 25);
    EXPECT_EQ(status.statuses, std::vector<std::string>{"resizing"});
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
    test::RecordingObserver status;
    ASSERT_TRUE(resizePicture(picture, 2, 1, status));
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(30, 30, 30));    // (0 + 90/2) / 1.5
    EXPECT_EQ(picture.pixelColor(1, 0), makeRgb(170, 170, 170)); // (45 + 210) / 1.5
}

TEST(ResizePicture, SameSizeDoesNothingAndShowsNoStatus) {
    WorkBitmap picture = makePicture(4, 3, noise);
    const WorkBitmap original = picture;
    test::RecordingObserver status;
    ASSERT_TRUE(resizePicture(picture, 4, 3, status));
    EXPECT_TRUE(status.statuses.empty());
    EXPECT_EQ(picture.pixelColor(3, 2), original.pixelColor(3, 2));
}

TEST(ResizePicture, EnlargingFillsTheWholeTarget) {
    WorkBitmap picture = makePicture(10, 10, [](int, int) { return makeRgb(40, 80, 120); });
    test::RecordingObserver status;
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
    test::RecordingObserver status;
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
        test::RecordingObserver status;
        ASSERT_TRUE(resizePicture(picture, width, height, status));
        EXPECT_TRUE(picture.isEmpty());
    }
}

TEST(ResizePicture, RefusesTargetsOutsideTheLimits) {
    WorkBitmap picture = makePicture(4, 4, noise);
    test::RecordingObserver status;
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
    test::RecordingObserver status;
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

// A large target is resized in two bands side by side: each row as one
// resizer over the whole target writes it; a cancel stops both.
TEST(ResizePicture, LargeTargetsInBandsGiveTheRowsOfOneResizer) {
    struct Case {
        int width, height, newWidth, newHeight;
        PixelDepth depth;
    };
    for (const Case& size : {Case{300, 201, 800, 601, PixelDepth::Bits24},
                             Case{2000, 1500, 640, 480, PixelDepth::Bits32},
                             Case{900, 300, 500, 703, PixelDepth::Bits24}}) {
        const WorkBitmap source = makePicture(size.width, size.height, noise, size.depth);
        WorkBitmap expected;
        ASSERT_TRUE(expected.allocate(size.newWidth, size.newHeight, size.depth));
        RowResizer whole(size.width, size.height, expected);
        for (int y = 0; y < size.height; ++y)
            whole.pushRowOf(source, y);
        WorkBitmap resized = source;
        test::RecordingObserver status;
        ASSERT_TRUE(resizePicture(resized, size.newWidth, size.newHeight, status));
        ASSERT_EQ(resized.height(), size.newHeight);
        for (int y = 0; y < size.newHeight; ++y)
            ASSERT_TRUE(
                std::equal(resized.row(y), resized.row(y) + resized.stride(), expected.row(y)))
                << size.width << " x " << size.height << " to " << size.newWidth << " x "
                << size.newHeight << ", row " << y;

        WorkBitmap cancelled = source;
        const std::atomic<bool> cancel{true};
        EXPECT_FALSE(resizePicture(cancelled, size.newWidth, size.newHeight, status, &cancel));
        EXPECT_TRUE(cancelled.isEmpty());
    }
}

} // namespace
} // namespace varnelo
