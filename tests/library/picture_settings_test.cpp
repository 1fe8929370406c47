#include "library/picture_settings.h"

#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/reduce_depth.h"
#include "tests/support/picture_files.h"

#include <gtest/gtest.h>

#include <array>
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

TEST(CliConversionSize, TheLargestSizeWithinKeepsTheProportion) {
    EXPECT_EQ(largestSizeWithin({100, 50}, 200, 200).width, 100);
    const PictureSize byWidth = largestSizeWithin({1600, 1200}, 120, 1000);
    EXPECT_EQ(byWidth.width, 120);
    EXPECT_EQ(byWidth.height, 90);
    const PictureSize byHeight = largestSizeWithin({1200, 1600}, 423, 461);
    EXPECT_EQ(byHeight.width, 346); // 461 × 3 / 4 = 345.75
    EXPECT_EQ(byHeight.height, 461);
    // A sliver keeps a pixel across.
    EXPECT_EQ(largestSizeWithin({10000, 1}, 100, 100).height, 1);
    EXPECT_EQ(largestSizeWithin({1, 10000}, 100, 100).width, 1);
}

PictureFacts factsOfSize(int width, int height) {
    PictureFacts facts;
    facts.width = width;
    facts.height = height;
    return facts;
}

TEST(CliDefaultSize, ADocumentIsAtMost120PixelsAcrossAndNeverEnlarged) {
    CommandLine options;
    const ConversionSettings photo = conversionSettings(options, "p.jpg", factsOfSize(1600, 1200));
    EXPECT_EQ(photo.imageWidth, 120);
    EXPECT_EQ(photo.imageHeight, 90);
    const ConversionSettings small = conversionSettings(options, "p.jpg", factsOfSize(64, 48));
    EXPECT_EQ(small.imageWidth, 64);
    EXPECT_EQ(small.imageHeight, 48);
    // Given one side, the other follows the picture as before.
    options.width = 400;
    EXPECT_EQ(conversionSettings(options, "p.jpg", factsOfSize(1600, 1200)).imageHeight, 300);
    options.width.reset();
    options.height = 600;
    EXPECT_EQ(conversionSettings(options, "p.jpg", factsOfSize(1600, 1200)).imageWidth, 800);
}

TEST(CliDefaultSize, AnImageIsAsWideAsADocumentWithinTheImageLimit) {
    CommandLine options;
    options.choices.outputFormat = OutputFormat::Image;
    options.choices.imageFormat = ImageFormat::Png;
    SizingContext context;
    ConversionSettings measured;
    context.imageCell = [&](const ConversionSettings& settings) {
        measured = settings;
        return CellSize{12, 11};
    };
    const ConversionSettings photo =
        conversionSettings(options, "p.jpg", factsOfSize(1600, 1200), context);
    EXPECT_EQ(photo.imageWidth, 120);
    EXPECT_EQ(photo.imageHeight, 90);
    EXPECT_EQ(measured.fontSize, options.choices.fontSize);
    EXPECT_EQ(measured.imageFormat, ImageFormat::Png);
    // A tall picture: the image limit decides, 5079 / 11 lines.
    const ConversionSettings tall =
        conversionSettings(options, "p.jpg", factsOfSize(100, 1000), context);
    EXPECT_EQ(tall.imageHeight, 461);
    EXPECT_EQ(tall.imageWidth, 46);
}

// A 1600 × 1200 picture at 120 pixels across, or 80 columns of --size: the
// modes of one character a pixel take as many lines as keep the picture's
// proportion in their drawn cells; the others a line a pixel, but for the
// terminal's halving of one-character pixels.
TEST(CliDefaultSize, TheLinesFollowTheDrawnCellInTheModesOfOneCharacterAPixel) {
    struct Case {
        PixelTransformation mode;
        OutputFormat format;
        bool bySize;
        PictureSize expected;
    };
    constexpr std::array<Case, 8> kCases = {{
        {PixelTransformation::BrightnessRamp, OutputFormat::Image, false, {120, 45}},  // 6 × 12
        {PixelTransformation::GlyphShapes, OutputFormat::PlainHtml, false, {120, 54}}, // 0.6
        {PixelTransformation::GlyphShapes, OutputFormat::Rtf, false, {120, 54}},
        {PixelTransformation::BrightnessRamp, OutputFormat::AnsiText, true, {80, 30}},
        {PixelTransformation::RandomBinary, OutputFormat::Image, false, {120, 90}},
        {PixelTransformation::RandomBinary, OutputFormat::PlainHtml, false, {120, 90}},
        {PixelTransformation::RandomBinary, OutputFormat::AnsiText, true, {40, 30}},
        {PixelTransformation::RandomBinary, OutputFormat::PlainHtml, true, {40, 30}},
    }};
    for (const Case& c : kCases) {
        CommandLine options;
        options.choices.transformation = c.mode;
        options.choices.outputFormat = c.format;
        if (c.bySize)
            options.columns = 80;
        SizingContext context;
        context.imageCell = [](const ConversionSettings&) { return CellSize{6, 12}; };
        context.documentCell = [](const ConversionSettings&) { return 0.6; };
        const ConversionSettings settings =
            conversionSettings(options, "p.jpg", factsOfSize(1600, 1200), context);
        EXPECT_EQ(settings.imageWidth, c.expected.width) << characterModeOf(c.mode).name;
        EXPECT_EQ(settings.imageHeight, c.expected.height)
            << characterModeOf(c.mode).name << " " << static_cast<int>(c.format);
    }
}

// --fit: the largest size within so many cells that keeps the picture's
// proportion as drawn, as wide as the columns or as high as the rows.
TEST(CliDefaultSize, AFitIsTheLargestSizeWithinTheCells) {
    struct Case {
        PixelTransformation mode;
        OutputFormat format;
        PictureSize own;
        PictureSize cells;
        PictureSize expected;
    };
    constexpr std::array<Case, 5> kCases = {{
        {PixelTransformation::Symbols, OutputFormat::AnsiText, {1600, 1200}, {80, 24}, {64, 24}},
        {PixelTransformation::Symbols, OutputFormat::AnsiText, {1600, 1200}, {80, 60}, {80, 30}},
        {PixelTransformation::RandomBinary,
         OutputFormat::AnsiText,
         {1600, 1200},
         {80, 60},
         {40, 30}},
        {PixelTransformation::BrightnessRamp,
         OutputFormat::Image,
         {1200, 1600},
         {100, 40},
         {60, 40}},
        {PixelTransformation::Symbols, OutputFormat::AnsiText, {10000, 1}, {80, 24}, {80, 1}},
    }};
    for (const Case& c : kCases) {
        CommandLine options;
        options.choices.transformation = c.mode;
        options.choices.outputFormat = c.format;
        options.columns = c.cells.width;
        options.rows = c.cells.height;
        options.fit = true;
        SizingContext context;
        context.imageCell = [](const ConversionSettings&) { return CellSize{6, 12}; };
        const ConversionSettings settings =
            conversionSettings(options, "p.jpg", factsOfSize(c.own.width, c.own.height), context);
        EXPECT_EQ(settings.imageWidth, c.expected.width) << characterModeOf(c.mode).name;
        EXPECT_EQ(settings.imageHeight, c.expected.height) << characterModeOf(c.mode).name;
    }
}

} // namespace
} // namespace varnelo
