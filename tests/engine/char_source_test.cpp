#include "engine/char_source.h"
#include "engine/random_generator.h"
#include "tests/support/test_clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace varnelo {
namespace {

ConversionSettings settingsFor(PixelTransformation mode, int fontSize) {
    ConversionSettings settings;
    settings.transformation = mode;
    settings.fontSize = fontSize;
    return settings;
}

// Runs the pass's per-pixel steps for count pixels.
std::vector<ByteString> pixelTexts(RandomGenerator& random, const ConversionSettings& settings,
                                   int count, std::int32_t& phrasePosition) {
    std::vector<ByteString> texts;
    ByteString text;
    for (int i = 0; i < count; ++i) {
        advancePhrasePosition(settings, phrasePosition);
        nextPixelText(random, settings, phrasePosition, text);
        texts.push_back(text);
    }
    return texts;
}

std::vector<ByteString> pixelTexts(const ConversionSettings& settings, int count,
                                   std::uint32_t seed = 12345) {
    RandomGenerator random(seed);
    std::int32_t position = 0;
    return pixelTexts(random, settings, count, position);
}

using Texts = std::vector<ByteString>;

TEST(RandomGenerator, FollowsTheLinearCongruentialSequence) {
    RandomGenerator random(0);
    EXPECT_EQ(random.nextBelow(2), 0u); // seed 1: floor(2 × 1 / 2^32)
    EXPECT_EQ(random.seed(), 1u);
    EXPECT_EQ(random.nextBelow(0), 0u);
    EXPECT_EQ(random.seed(), 134775814u); // advances also for n = 0
    random.setSeed(0xFFFFFFFFu);
    EXPECT_EQ(random.nextBelow(-1), 0xF7F77BFBu); // -1 is taken as 2^32 - 1
}

TEST(RandomGenerator, SeedsFromTheUtcMillisecondsOfTheDay) {
    RandomGenerator random;
    random.seedFromClock(test::TestClock({}, {13, 45, 7, 250}));
    EXPECT_EQ(random.seed(), ((13u * 60 + 45) * 60 + 7) * 1000 + 250);
    random.seedFromClock(test::TestClock({}, {0, 0, 0, 0}));
    EXPECT_EQ(random.seed(), 0u);
}

TEST(CharSource, RandomModesMatchTheFixedSequenceAtFontSizeOne) {
    EXPECT_EQ(pixelTexts(settingsFor(PixelTransformation::RandomBinary, 1), 6),
              (Texts{"0", "0", "0", "1", "1", "0"}));
    EXPECT_EQ(pixelTexts(settingsFor(PixelTransformation::RandomNumbers, 1), 6),
              (Texts{"3", "2", "0", "5", "6", "3"}));
    EXPECT_EQ(pixelTexts(settingsFor(PixelTransformation::RandomSmallLetters, 1), 6),
              (Texts{"k", "h", "c", "o", "q", "i"}));
    EXPECT_EQ(pixelTexts(settingsFor(PixelTransformation::RandomBigLetters, 1), 6),
              (Texts{"K", "H", "C", "O", "Q", "I"}));
}

TEST(CharSource, RandomModesDrawTwiceAndPrintDigitsSecondDrawFirst) {
    EXPECT_EQ(pixelTexts(settingsFor(PixelTransformation::RandomBinary, 8), 6),
              (Texts{"00", "10", "01", "00", "10", "01"}));
    EXPECT_EQ(pixelTexts(settingsFor(PixelTransformation::RandomNumbers, 8), 6),
              (Texts{"23", "50", "36", "04", "90", "39"}));
    EXPECT_EQ(pixelTexts(settingsFor(PixelTransformation::RandomSmallLetters, 2), 6),
              (Texts{"kh", "co", "qi", "lc", "ay", "zi"}));
    EXPECT_EQ(pixelTexts(settingsFor(PixelTransformation::RandomBigLetters, 8), 6),
              (Texts{"KH", "CO", "QI", "LC", "AY", "ZI"}));
}

TEST(CharSource, DrawCountsFixTheSequence) {
    struct Case {
        PixelTransformation mode;
        int fontSize;
        BlockStrength strength;
        std::uint32_t seedAfterSix;
    };
    // 1467157059 is the seed after 6 draws from 12345, 1376306845 after 12.
    const Case cases[] = {
        {PixelTransformation::RandomBinary, 1, 0, 1467157059u},
        {PixelTransformation::RandomBinary, 8, 0, 1376306845u},
        {PixelTransformation::TerminalBlocks, 1, 3, 12345u},
        {PixelTransformation::TerminalBlocks, 1, kRandomBlockStrength, 1376306845u},
        {PixelTransformation::CustomRange, 1, 0, 1376306845u},
        {PixelTransformation::CustomText, 8, 0, 12345u},
    };
    for (const Case& c : cases) {
        ConversionSettings settings = settingsFor(c.mode, c.fontSize);
        settings.blockStrength = c.strength;
        settings.customPhrase = "abc";
        RandomGenerator random(12345);
        std::int32_t position = 0;
        pixelTexts(random, settings, 6, position);
        EXPECT_EQ(random.seed(), c.seedAfterSix) << static_cast<int>(c.mode);
        // What a second thread relies on to start at a later pixel.
        if (const std::optional<std::uint32_t> draws = drawsPerPixel(settings)) {
            RandomGenerator skipped(12345);
            skipped.skip(6u * *draws);
            EXPECT_EQ(skipped.seed(), c.seedAfterSix) << static_cast<int>(c.mode);
        } else {
            EXPECT_EQ(c.mode, PixelTransformation::CustomText);
        }
    }
}

TEST(RandomGenerator, SkipsAsManyDrawsAsItIsToldAtOnce) {
    for (const std::uint64_t steps : {0ull, 1ull, 2ull, 3ull, 1000ull, 123457ull}) {
        RandomGenerator drawn(987654321u);
        for (std::uint64_t i = 0; i < steps; ++i)
            drawn.nextBelow(10);
        RandomGenerator skipped(987654321u);
        skipped.skip(steps);
        EXPECT_EQ(skipped.seed(), drawn.seed()) << steps;
    }
    // The sequence repeats after 2^32 draws.
    RandomGenerator whole(42u);
    whole.skip(std::uint64_t{1} << 32);
    EXPECT_EQ(whole.seed(), 42u);
    RandomGenerator more(42u);
    more.skip((std::uint64_t{1} << 32) + 5);
    RandomGenerator five(42u);
    five.skip(5);
    EXPECT_EQ(more.seed(), five.seed());
}

TEST(CharSource, TerminalBlocksGiveTwoBlockBytesAtEveryFontSize) {
    ConversionSettings settings = settingsFor(PixelTransformation::TerminalBlocks, 1);
    settings.blockStrength = 3;
    EXPECT_EQ(pixelTexts(settings, 2), (Texts{"\xDB\xDB", "\xDB\xDB"}));
    settings.blockStrength = 0;
    EXPECT_EQ(pixelTexts(settings, 1), (Texts{"\xB0\xB0"}));
    settings.blockStrength = kRandomBlockStrength;
    EXPECT_EQ(pixelTexts(settings, 6),
              (Texts{"\xB1\xB1", "\xB0\xB2", "\xB2\xB1", "\xB1\xB0", "\xB0\xDB", "\xDB\xB1"}));
}

TEST(CharSource, BlockStrengthOutsideTheListLeavesTheResultAlone) {
    ConversionSettings settings = settingsFor(PixelTransformation::TerminalBlocks, 8);
    settings.blockStrength = -1;
    RandomGenerator random(77);
    std::int32_t position = 0;
    ByteString text = "kept";
    nextPixelText(random, settings, position, text);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(random.seed(), 77u);
}

TEST(CharSource, CustomRangeIncludesTheStartAndExcludesTheEnd) {
    ConversionSettings settings = settingsFor(PixelTransformation::CustomRange, 1);
    EXPECT_EQ(pixelTexts(settings, 6),
              (Texts{"\xAD\xA1", "\x85\xC4", "\xCE\xA8", "\xB5\x85", "\x7F\xF4", "\xFB\xA5"}));
    settings.rangeFrom = 65;
    settings.rangeTo = 67;
    for (const ByteString& text : pixelTexts(settings, 200))
        for (char byte : text)
            EXPECT_TRUE(byte == 'A' || byte == 'B') << text;
}

TEST(CharSource, CustomRangeEdgeCases) {
    ConversionSettings settings = settingsFor(PixelTransformation::CustomRange, 8);
    settings.rangeFrom = 200; // an end below the start spreads over all bytes
    settings.rangeTo = 10;
    EXPECT_EQ(pixelTexts(settings, 3), (Texts{"\x9C\x28", "\xAC\x23", "\x29\xCA"}));
    settings.rangeFrom = 66; // equal ends give the start byte
    settings.rangeTo = 66;
    EXPECT_EQ(pixelTexts(settings, 2), (Texts{"BB", "BB"}));
    settings.rangeFrom = 321; // reduced modulo 256 after the addition
    settings.rangeTo = 322;
    EXPECT_EQ(pixelTexts(settings, 1), (Texts{"AA"}));
    settings.rangeFrom = 47; // "/" and the braces are substituted
    settings.rangeTo = 48;
    EXPECT_EQ(pixelTexts(settings, 1), (Texts{"||"}));
    settings.rangeFrom = 123;
    settings.rangeTo = 126;
    for (const ByteString& text : pixelTexts(settings, 50))
        EXPECT_EQ(text, "||");
}

TEST(CharSource, CustomTextRunsThroughThePhraseAcrossPixels) {
    ConversionSettings settings = settingsFor(PixelTransformation::CustomText, 1);
    settings.customPhrase = "abc";
    EXPECT_EQ(pixelTexts(settings, 5), (Texts{"a", "b", "c", "a", "b"}));
    settings.fontSize = 8;
    EXPECT_EQ(pixelTexts(settings, 4), (Texts{"ab", "ca", "bc", "ab"}));
    settings.customPhrase = "ab";
    EXPECT_EQ(pixelTexts(settings, 3), (Texts{"ab", "ab", "ab"}));
    settings.customPhrase = "x y";
    settings.fontSize = 1;
    EXPECT_EQ(pixelTexts(settings, 3), (Texts{"x", " ", "y"}));
}

TEST(CharSource, CustomTextContinuesAcrossLines) {
    ConversionSettings settings = settingsFor(PixelTransformation::CustomText, 1);
    settings.customPhrase = "abc";
    RandomGenerator random;
    std::int32_t position = 0;
    EXPECT_EQ(pixelTexts(random, settings, 2, position), (Texts{"a", "b"}));
    EXPECT_EQ(pixelTexts(random, settings, 2, position), (Texts{"c", "a"}));
}

TEST(CharSource, CustomTextSubstitutesForbiddenBytesOnlyInTwoCharacterTexts) {
    ConversionSettings settings = settingsFor(PixelTransformation::CustomText, 1);
    settings.customPhrase = "a{b";
    EXPECT_EQ(pixelTexts(settings, 3), (Texts{"a", "{", "b"}));
    settings.fontSize = 2;
    EXPECT_EQ(pixelTexts(settings, 3), (Texts{"a|", "ba", "|b"}));
    settings.customPhrase = "</\\}&";
    EXPECT_EQ(pixelTexts(settings, 2), (Texts{"<|", "||"}));
}

TEST(CharSource, CustomTextNeverIndexesOutsideThePhrase) {
    ConversionSettings settings = settingsFor(PixelTransformation::CustomText, 8);
    RandomGenerator random;
    ByteString text = "old";
    std::int32_t position = 5;
    nextPixelText(random, settings, position, text); // empty phrase
    EXPECT_EQ(text, "");
    settings.customPhrase = "xy";
    position = 9;
    nextPixelText(random, settings, position, text);
    EXPECT_EQ(text, "xy");
}

TEST(CharSource, BlocksModeAloneDrawsInTheTerminalFace) {
    EXPECT_EQ(conversionFace(PixelTransformation::TerminalBlocks, "Verdana"), "Terminal");
    EXPECT_EQ(conversionFace(PixelTransformation::RandomBinary, "Verdana"), "Verdana");
    EXPECT_EQ(conversionFace(PixelTransformation::CustomRange, "Terminal"), "Terminal");
}

} // namespace
} // namespace varnelo
