#include "engine/character_modes.h"
#include "engine/codepages.h"

#include "engine/char_source.h"
#include "engine/random_generator.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace varnelo {
namespace {

TEST(CharacterModes, EveryRowIsWholeAndNamedOnce) {
    std::set<std::string_view> names;
    std::set<std::string_view> captions;
    for (const CharacterMode& mode : characterModes()) {
        EXPECT_FALSE(mode.name.empty());
        EXPECT_FALSE(mode.caption.empty());
        EXPECT_FALSE(mode.summary.empty());
        EXPECT_NE(mode.drawsPerPixel, nullptr);
        EXPECT_NE(mode.measuredTexts, nullptr);
        EXPECT_NE(mode.pixelText, nullptr);
        EXPECT_TRUE(names.insert(mode.name).second) << mode.name;
        EXPECT_TRUE(captions.insert(mode.caption).second) << mode.caption;
        EXPECT_EQ(&characterModeOf(mode.transformation), &mode);
        EXPECT_EQ(characterModeNamed(mode.name), &mode);
    }
    EXPECT_EQ(characterModeNamed("glyphs"), nullptr);
}

// The ramp's characters of a grey gradient, black to white, one a pixel.
std::string rampOfGreys(Rgb background, const ByteString& ramp = ConversionSettings{}.ramp) {
    ConversionSettings settings;
    settings.transformation = PixelTransformation::BrightnessRamp;
    settings.backgroundColor = background;
    settings.ramp = ramp;
    settings.fontSize = 1;
    RandomGenerator random;
    std::int32_t position = 0;
    std::string characters;
    ByteString text;
    for (std::uint32_t grey = 0; grey < 256; grey += 5) {
        nextPixelText(random, settings, position, text, makeRgb(grey, grey, grey));
        characters += text;
    }
    return characters;
}

TEST(CharacterModes, TheRampFollowsBrightnessTowardsTheBackgroundsOpposite) {
    const std::string ramp = ConversionSettings{}.ramp;
    // On black, the brightest pixels take the most ink; on white, the darkest.
    for (const Rgb background : {makeRgb(0, 0, 0), makeRgb(255, 255, 255)}) {
        const std::string characters = rampOfGreys(background);
        const bool dark = background == 0;
        EXPECT_EQ(characters.front(), dark ? ramp.front() : ramp.back());
        EXPECT_EQ(characters.back(), dark ? ramp.back() : ramp.front());
        std::set<char> used;
        for (std::size_t i = 1; i < characters.size(); ++i) {
            const auto before = ramp.find(characters[i - 1]);
            const auto now = ramp.find(characters[i]);
            EXPECT_TRUE(dark ? now >= before : now <= before) << characters;
            used.insert(characters[i]);
        }
        EXPECT_EQ(used.size(), ramp.size()) << "every step of the ramp is used";
    }
    // Green weighs most, blue least (Rec. 709).
    ConversionSettings settings;
    settings.transformation = PixelTransformation::BrightnessRamp;
    RandomGenerator random;
    std::int32_t position = 0;
    ByteString green;
    ByteString blue;
    nextPixelText(random, settings, position, green, makeRgb(0, 255, 0));
    nextPixelText(random, settings, position, blue, makeRgb(0, 0, 255));
    EXPECT_GT(ramp.find(green[0]), ramp.find(blue[0]));
    EXPECT_EQ(green.size(), 1U) << "a pixel is one character cell";
}

TEST(CharacterModes, ARampOfItsOwnIsTakenAsGiven) {
    EXPECT_EQ(rampOfGreys(0, "#"), std::string(52, '#'));
    const std::string twoSteps = rampOfGreys(0, "ab");
    EXPECT_EQ(twoSteps.find('b'), twoSteps.find_last_of('a') + 1);
    // Bytes the documents cannot carry as they stand are taken as the
    // other modes take them.
    EXPECT_EQ(rampOfGreys(0, "{").front(), '|');
}

// Each pixel's text takes the draws the row says, so that a second thread
// can skip to its rows; it has the characters charactersPerPixel says, and
// a row whose texts are ASCII gives no other byte.
TEST(CharacterModes, TextsTakeTheDrawsAndCharactersTheRowSays) {
    for (const CharacterMode& mode : characterModes()) {
        for (const std::int32_t fontSize : {1, 8}) {
            ConversionSettings settings;
            settings.transformation = mode.transformation;
            settings.fontSize = fontSize;
            settings.customPhrase = "abc";
            settings.blockStrength = kRandomBlockStrength;
            RandomGenerator drawn;
            drawn.setSeed(5);
            RandomGenerator skipped;
            skipped.setSeed(5);
            std::int32_t position = 0;
            ByteString text;
            for (int pixel = 0; pixel < 10; ++pixel) {
                advancePhrasePosition(settings, position);
                nextPixelText(drawn, settings, position, text, makeRgb(1, 2, 3));
                EXPECT_EQ(static_cast<int>(text.size()), charactersPerPixel(settings))
                    << mode.name << " at " << fontSize;
                for (std::size_t at = 0; mode.utf8Texts && at < text.size();)
                    EXPECT_NE(nextUtf8(text, at), U'\uFFFD') << mode.name;
            }
            if (const auto draws = mode.drawsPerPixel(settings)) {
                skipped.skip(10 * *draws);
                EXPECT_EQ(drawn.nextBelow(1000), skipped.nextBelow(1000)) << mode.name;
            } else {
                EXPECT_EQ(mode.field, ModeField::Phrase) << "only the phrase draws nothing";
            }
        }
    }
}

} // namespace
} // namespace varnelo
