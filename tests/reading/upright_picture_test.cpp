#include "reading/upright_picture.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "tests/support/exif_samples.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_samples.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace varnelo {
namespace {

// A 3 × 2 picture whose pixels are numbered 1 to 6, row by row.
//   1 2 3
//   4 5 6
Rgb numbered(int x, int y) {
    return static_cast<Rgb>(1 + x + 3 * y);
}

std::vector<std::vector<Rgb>> pixelsOf(const WorkBitmap& picture) {
    std::vector<std::vector<Rgb>> rows(static_cast<std::size_t>(picture.height()));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            rows[static_cast<std::size_t>(y)].push_back(picture.pixelColor(x, y));
    return rows;
}

using Rows = std::vector<std::vector<Rgb>>;

// The eight orientations as EXIF defines them, shown as viewers show them.
TEST(TurnUpright, ShowsEachOrientationAsTheCameraMeantIt) {
    const Rows expected[8] = {
        {{1, 2, 3}, {4, 5, 6}},   // 1 as stored
        {{3, 2, 1}, {6, 5, 4}},   // 2 mirrored left-right
        {{6, 5, 4}, {3, 2, 1}},   // 3 turned half round
        {{4, 5, 6}, {1, 2, 3}},   // 4 mirrored top-bottom
        {{1, 4}, {2, 5}, {3, 6}}, // 5 transposed
        {{4, 1}, {5, 2}, {6, 3}}, // 6 turned clockwise
        {{6, 3}, {5, 2}, {4, 1}}, // 7 transversed
        {{3, 6}, {2, 5}, {1, 4}}, // 8 turned counter-clockwise
    };
    for (int value = 1; value <= 8; ++value) {
        WorkBitmap picture = test::makePicture(3, 2, numbered);
        ASSERT_EQ(turnUpright(picture, static_cast<Orientation>(value)), DecodeStatus::Ok);
        EXPECT_EQ(pixelsOf(picture), expected[value - 1]) << value;
    }
}

TEST(TurnUpright, KeepsTheDepthAndColourTable) {
    for (const PixelDepth depth : {PixelDepth::Bits8, PixelDepth::Bits16, PixelDepth::Bits32}) {
        WorkBitmap picture;
        ASSERT_TRUE(picture.allocate(2, 1, depth));
        picture.setColorTableEntry(7, 0x123456);
        picture.row(0)[0] = 7;
        ASSERT_EQ(turnUpright(picture, Orientation::RotatedClockwise), DecodeStatus::Ok);
        EXPECT_EQ(picture.depth(), depth);
        ASSERT_EQ(picture.width(), 1);
        ASSERT_EQ(picture.height(), 2);
        EXPECT_EQ(picture.row(0)[0], 7);
        if (depth == PixelDepth::Bits8) {
            EXPECT_EQ(picture.pixelColor(0, 0), 0x123456u);
        }
    }
}

// JPEG keeps flat areas within a few levels of their value.
bool black(Rgb color) {
    return redOf(color) < 8;
}
bool white(Rgb color) {
    return redOf(color) > 247;
}

TEST(TurnUpright, StopsWhenCancelledAndLeavesThePicture) {
    WorkBitmap picture = test::makePicture(3, 2, numbered);
    const std::atomic<bool> cancel{true};
    EXPECT_EQ(turnUpright(picture, Orientation::Rotated180, &cancel), DecodeStatus::Cancelled);
    EXPECT_EQ(picture.pixelColor(0, 0), 1u);
}

class UprightLoad : public ::testing::Test {
protected:
    // A 40 × 20 JPEG, left half black and right half white, stored as the
    // camera held it; with orientation 6 it shows 20 × 40, black on top.
    std::string rotatedJpeg(int orientation) {
        std::vector<std::uint8_t> pixels;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                pixels.push_back(x < 20 ? 0 : 255);
        const std::string path = folder_.file("photo" + std::to_string(orientation) + ".jpg");
        test::writeBytes(path, test::withExifSegment(test::encodeJpeg(40, 20, 1, pixels),
                                                     test::exifWithOrientation(orientation)));
        return path;
    }
    test::TempDir folder_;
};

TEST_F(UprightLoad, APhonePhotoLoadsUpright) {
    WorkBitmap picture;
    ASSERT_EQ(loadPicture(rotatedJpeg(6), picture).status, LoadStatus::Loaded);
    ASSERT_EQ(picture.width(), 20);
    ASSERT_EQ(picture.height(), 40);
    EXPECT_EQ(picture.depth(), PixelDepth::Bits8);
    EXPECT_TRUE(black(picture.pixelColor(10, 5))); // the left half, now on top
    EXPECT_TRUE(white(picture.pixelColor(10, 35)));
}

// A conversion asks for sizes of the picture as it shows; the decoder,
// which streams the stored rows into the resizer, is asked for them turned.
TEST_F(UprightLoad, AConversionLoadSizesAndDescribesThePictureAsItShows) {
    ConversionLoad conversion;
    int askedWidth = 0;
    int askedHeight = 0;
    conversion.sizeOf = [&](int width, int height) {
        askedWidth = width;
        askedHeight = height;
        return PictureSize{10, 16};
    };
    WorkBitmap picture;
    ASSERT_EQ(loadPicture(rotatedJpeg(8), picture, nullptr, &conversion).status,
              LoadStatus::Loaded);
    EXPECT_EQ(askedWidth, 20);
    EXPECT_EQ(askedHeight, 40);
    EXPECT_EQ(picture.width(), 10);
    EXPECT_EQ(picture.height(), 16);
    EXPECT_EQ(conversion.facts.width, 20);
    EXPECT_EQ(conversion.facts.height, 40);
    // Turned counter-clockwise, the stored right half (white) shows on top.
    EXPECT_TRUE(white(conversion.facts.topLeft));
    EXPECT_TRUE(white(picture.pixelColor(5, 2)));
    EXPECT_TRUE(black(picture.pixelColor(5, 13)));

    ConversionLoad stored;
    stored.autoOrient = false;
    stored.sizeOf = [](int width, int height) { return PictureSize{width, height}; };
    ASSERT_EQ(loadPicture(rotatedJpeg(8), picture, nullptr, &stored).status, LoadStatus::Loaded);
    EXPECT_EQ(picture.width(), 40);
    EXPECT_EQ(stored.facts.width, 40);
    EXPECT_TRUE(black(stored.facts.topLeft));
}

TEST_F(UprightLoad, APngTurnsAsItsExifChunkSays) {
    const std::vector<std::uint8_t> png =
        test::encodePng({.width = 3, .height = 1, .colorType = 0, .samples = {10, 20, 30}});
    const std::string path = folder_.file("shot.png");
    test::writeBytes(path, test::withExifChunk(png, test::exifWithOrientation(3)));
    WorkBitmap picture;
    ASSERT_EQ(loadPicture(path, picture).status, LoadStatus::Loaded);
    ASSERT_EQ(picture.width(), 3);
    EXPECT_EQ(picture.pixelColor(0, 0), 0x1E1E1Eu); // 30 grey, now first
    EXPECT_EQ(picture.pixelColor(2, 0), 0x0A0A0Au);
}

} // namespace
} // namespace varnelo
