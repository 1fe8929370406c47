#include "cli/picture_settings.h"

#include "engine/char_source.h"
#include "engine/reduce_depth.h"
#include "tests/support/picture_files.h"

#include <gtest/gtest.h>

#include <limits>

namespace varnelo {
namespace {

TEST(CliConversionSize, FollowsTheProportionRoundingHalfToEven) {
    EXPECT_EQ(conversionSize(std::nullopt, std::nullopt, 640, 480).height, 480);
    EXPECT_EQ(conversionSize(10, 0, 640, 480).height, 0);
    // 2 × 1: width 5 gives 2.5, width 7 gives 3.5.
    EXPECT_EQ(conversionSize(5, std::nullopt, 2, 1).height, 2);
    EXPECT_EQ(conversionSize(7, std::nullopt, 2, 1).height, 4);
    // 3 × 2: height 1 gives 1.5, height 3 gives 4.5.
    EXPECT_EQ(conversionSize(std::nullopt, 1, 3, 2).width, 2);
    EXPECT_EQ(conversionSize(std::nullopt, 3, 3, 2).width, 4);
    // Through the ratio as a double, 1 / (2 / 49) lands just above the
    // exact 24.5 that would round to 24.
    EXPECT_EQ(conversionSize(1, std::nullopt, 2, 49).height, 25);
    EXPECT_EQ(conversionSize(std::nullopt, 0, 3, 7).width, 0);
    // Too large for 32 bits: the conversion refuses it with its message.
    EXPECT_EQ(conversionSize(std::numeric_limits<std::int32_t>::max(), std::nullopt, 1, 2).height,
              std::numeric_limits<std::int32_t>::max());
}

class CliPictureSettings : public ::testing::Test {
protected:
    // 4 × 2, top-left a dark teal the others do not share.
    WorkBitmap picture_ = test::makePicture(4, 2, [](int x, int y) {
        return x == 0 && y == 0 ? makeRgb(0, 80, 90) : makeRgb(200, 10, 10);
    });
    CommandLine options_;
};

TEST_F(CliPictureSettings, TakesDefaultsFromThePicture) {
    const ConversionSettings settings = conversionSettings(options_, "p/cat.bmp", picture_);
    EXPECT_EQ(settings.sourcePath, "p/cat.bmp");
    EXPECT_EQ(settings.backgroundColor, makeRgb(0, 80, 90));
    EXPECT_EQ(settings.imageWidth, 4);
    EXPECT_EQ(settings.imageHeight, 2);
    EXPECT_EQ(settings.colorDepth, ColorDepth::Depth24);

    WorkBitmap indexed;
    ASSERT_TRUE(indexed.allocate(3, 3, PixelDepth::Bits4));
    indexed.setColorTableEntry(0, makeRgb(1, 2, 3));
    const ConversionSettings fromIndexed = conversionSettings(options_, "i.bmp", indexed);
    EXPECT_EQ(fromIndexed.colorDepth, ColorDepth::Depth4);
    EXPECT_EQ(fromIndexed.backgroundColor, makeRgb(1, 2, 3));
    EXPECT_EQ(colorDepthOf(PixelDepth::Device), ColorDepth::Depth24);
}

TEST_F(CliPictureSettings, ThePhraseReachesTextModeOnly) {
    options_.choices.customPhrase = "abc";
    EXPECT_EQ(conversionSettings(options_, "cat.bmp", picture_).customPhrase, "");
    options_.choices.transformation = PixelTransformation::CustomText;
    EXPECT_EQ(conversionSettings(options_, "cat.bmp", picture_).customPhrase, "abc");
}

TEST_F(CliPictureSettings, BlocksModeDrawsWithTheTerminalFace) {
    options_.choices.fontFace = "Verdana";
    EXPECT_EQ(conversionSettings(options_, "cat.bmp", picture_).fontFace, "Verdana");
    options_.choices.transformation = PixelTransformation::TerminalBlocks;
    EXPECT_EQ(conversionSettings(options_, "cat.bmp", picture_).fontFace, kTerminalFace);
}

} // namespace
} // namespace varnelo
