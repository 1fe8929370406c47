#include "base/picture_limits.h"
#include "base/work_bitmap.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

void putWord(WorkBitmap& picture, int x, int y, unsigned word) {
    std::uint8_t* pixel = picture.row(y) + x * 2;
    pixel[0] = static_cast<std::uint8_t>(word);
    pixel[1] = static_cast<std::uint8_t>(word >> 8);
}

TEST(WorkBitmap, StartsEmpty) {
    const WorkBitmap picture;
    EXPECT_TRUE(picture.isEmpty());
    EXPECT_EQ(picture.width(), 0);
    EXPECT_EQ(picture.height(), 0);
}

TEST(WorkBitmap, ReadsPixelsOfEveryDepthAsEightBitRgb) {
    WorkBitmap picture;
    ASSERT_TRUE(picture.allocate(2, 1, PixelDepth::Bits24));
    picture.row(0)[3] = 30; // blue, green, red
    picture.row(0)[4] = 20;
    picture.row(0)[5] = 10;
    EXPECT_EQ(picture.pixelColor(1, 0), makeRgb(10, 20, 30));
    EXPECT_EQ(picture.pixelColor(0, 0), 0u);

    ASSERT_TRUE(picture.allocate(2, 2, PixelDepth::Device));
    picture.row(1)[4] = 3;
    picture.row(1)[5] = 2;
    picture.row(1)[6] = 1;
    picture.row(1)[7] = 99;
    EXPECT_EQ(picture.pixelColor(1, 1), makeRgb(1, 2, 3));

    ASSERT_TRUE(picture.allocate(1, 1, PixelDepth::Bits15));
    putWord(picture, 0, 0, 0x7FFF);
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(248, 248, 248));
    putWord(picture, 0, 0, (1u << 10) | (2u << 5) | 3u);
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(8, 16, 24));

    ASSERT_TRUE(picture.allocate(1, 1, PixelDepth::Bits16));
    putWord(picture, 0, 0, 0xFFFF);
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(248, 252, 248));
    putWord(picture, 0, 0, (1u << 11) | (1u << 5) | 1u);
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(8, 4, 8));
}

TEST(WorkBitmap, IndexedPixelsReadTheirTableAndStrayIndexesReadBlack) {
    WorkBitmap picture;
    ASSERT_TRUE(picture.allocate(3, 1, PixelDepth::Bits1));
    const Rgb table[] = {makeRgb(1, 2, 3), makeRgb(200, 100, 50)};
    picture.setColorTable(table);
    picture.row(0)[1] = 1;
    picture.row(0)[2] = 77; // an index a hostile file may leave behind
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(1, 2, 3));
    EXPECT_EQ(picture.pixelColor(1, 0), makeRgb(200, 100, 50));
    EXPECT_EQ(picture.pixelColor(2, 0), 0u);
}

TEST(WorkBitmap, SetSizeKeepsTheTopLeftAndZeroesTheRest) {
    WorkBitmap picture;
    ASSERT_TRUE(picture.allocate(2, 2, PixelDepth::Bits24));
    picture.row(0)[0] = 9;
    picture.row(1)[5] = 7;
    ASSERT_TRUE(picture.setSize(3, 1));
    EXPECT_EQ(picture.width(), 3);
    EXPECT_EQ(picture.height(), 1);
    EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(0, 0, 9));
    EXPECT_EQ(picture.pixelColor(2, 0), 0u);
    ASSERT_TRUE(picture.setSize(0, picture.height()));
    EXPECT_TRUE(picture.isEmpty());
    EXPECT_EQ(picture.height(), 0);
}

TEST(WorkBitmap, CopiesAreIndependentAndMovesLeaveEmpty) {
    WorkBitmap original;
    ASSERT_TRUE(original.allocate(1, 1, PixelDepth::Bits8));
    original.setColorTableEntry(0, makeRgb(5, 6, 7));
    WorkBitmap copy = original;
    original.setColorTableEntry(0, 0);
    EXPECT_EQ(copy.pixelColor(0, 0), makeRgb(5, 6, 7));
    EXPECT_EQ(copy.depth(), PixelDepth::Bits8);

    WorkBitmap moved = std::move(copy);
    EXPECT_TRUE(copy.isEmpty()); // NOLINT(bugprone-use-after-move): the state is defined
    EXPECT_EQ(moved.width(), 1);
}

// A view reads the pixels where they are, through moves of their owner,
// and never frees them; a bitmap that was a view owns what it allocates
// (the leak checker sees either fault).
TEST(WorkBitmap, AViewReadsThePixelsItDoesNotOwn) {
    WorkBitmap picture;
    ASSERT_TRUE(picture.allocate(3, 2, PixelDepth::Bits24));
    picture.row(1)[6] = 0x40;
    WorkBitmap view = WorkBitmap::viewOf(picture);
    const WorkBitmap owner = std::move(picture);
    EXPECT_EQ(view.pixelColor(2, 1), makeRgb(0, 0, 0x40));
    EXPECT_EQ(view.row(1), owner.row(1));
    WorkBitmap reused = std::move(view);
    ASSERT_TRUE(reused.allocate(4, 4, PixelDepth::Bits32));
    EXPECT_NE(reused.row(0), owner.row(0));
    reused.clear();
    EXPECT_EQ(owner.pixelColor(2, 1), makeRgb(0, 0, 0x40));
}

TEST(WorkBitmap, RefusesSizesOutsideTheLimitsWithoutAllocating) {
    WorkBitmap picture;
    EXPECT_FALSE(picture.allocate(0, 5, PixelDepth::Bits24));
    EXPECT_FALSE(picture.allocate(-1, -1, PixelDepth::Bits24));
    EXPECT_FALSE(picture.allocate(65536, 1, PixelDepth::Bits24));
    EXPECT_FALSE(picture.allocate(16385, 16384, PixelDepth::Bits32));
    EXPECT_TRUE(picture.isEmpty());
    ASSERT_TRUE(picture.allocate(2, 2, PixelDepth::Bits24));
    EXPECT_FALSE(picture.setSize(70000, 2));
    EXPECT_EQ(picture.width(), 2); // a refused resize keeps the picture
}

TEST(PictureLimits, AcceptExactlyThePicturesInsideTheBounds) {
    EXPECT_TRUE(pictureSizeAllowed(16384, 16384));
    EXPECT_TRUE(pictureSizeAllowed(65535, 4096));
    EXPECT_FALSE(pictureSizeAllowed(65535, 4097));
    EXPECT_FALSE(pictureSizeAllowed(65536, 1));
    EXPECT_FALSE(pictureSizeAllowed(0, 1));
    EXPECT_FALSE(pictureSizeAllowed(1, -1));
    EXPECT_FALSE(pictureSizeAllowed(INT64_MAX, INT64_MAX));
    EXPECT_EQ(pictureBufferSize(16384, 16384, 4), std::size_t{1} << 30);
    EXPECT_FALSE(pictureBufferSize(3, 3, 0));
    EXPECT_EQ(paddedRowSize(1, 1), 4u);
    EXPECT_EQ(paddedRowSize(3, 24), 12u);
    EXPECT_EQ(paddedRowSize(33, 1), 8u);
    EXPECT_FALSE(paddedRowSize(65536, 24));
    EXPECT_FALSE(paddedRowSize(-4, 8));
}

} // namespace
} // namespace varnelo
