#include "engine/conversion_settings.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

TEST(ReadNumber, ReadsSignAndDigitsUpToTheFirstOtherByte) {
    EXPECT_EQ(readNumber("12ab"), 12);
    EXPECT_EQ(readNumber("-5"), -5);
    EXPECT_EQ(readNumber("+7"), 7);
    EXPECT_EQ(readNumber("640"), 640);
    EXPECT_EQ(readNumber("3 4"), 3);
}

TEST(ReadNumber, GivesZeroForEmptyBlankOrNonNumericStarts) {
    EXPECT_EQ(readNumber(""), 0);
    EXPECT_EQ(readNumber(" 7"), 0);
    EXPECT_EQ(readNumber("x1"), 0);
    EXPECT_EQ(readNumber("-"), 0);
    EXPECT_EQ(readNumber("+-3"), 0);
    EXPECT_EQ(readNumber("--3"), 0);
}

TEST(ReadNumber, WrapsModuloTwoToThe32) {
    EXPECT_EQ(readNumber("2147483647"), 2147483647);
    EXPECT_EQ(readNumber("2147483648"), INT32_MIN);
    EXPECT_EQ(readNumber("4294967296"), 0);
    EXPECT_EQ(readNumber("4294967297"), 1);
    EXPECT_EQ(readNumber("-2147483648"), INT32_MIN);
    EXPECT_EQ(readNumber("99999999999999999999"), static_cast<std::int32_t>(1661992959u));
}

TEST(ConversionSettings, StartsFromTheWindowDefaults) {
    const ConversionSettings settings;
    EXPECT_EQ(settings.outputFormat, OutputFormat::PlainHtml);
    EXPECT_EQ(settings.imageFormat, ImageFormat::Bmp);
    EXPECT_EQ(settings.imageQuality, 80);
    EXPECT_EQ(settings.transformation, PixelTransformation::RandomBinary);
    EXPECT_EQ(settings.blockStrength, 0);
    EXPECT_EQ(settings.rangeFrom, 123);
    EXPECT_EQ(settings.rangeTo, 255);
    EXPECT_EQ(settings.fontSize, 8);
    EXPECT_EQ(settings.fontFace, "Tahoma");
    EXPECT_EQ(settings.imageWidth, 0);
    EXPECT_EQ(settings.imageHeight, 0);
    EXPECT_EQ(settings.colorDepth, ColorDepth::Depth24);
    EXPECT_TRUE(settings.customPhrase.empty());
}

} // namespace
} // namespace varnelo
