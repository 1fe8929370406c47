#include "engine/character_modes.h"

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
    EXPECT_EQ(characterModes().size(), 7u);
    EXPECT_EQ(characterModeNamed("ramp"), nullptr);
}

// Each pixel's text takes the draws the row says, so that a second thread
// can skip to its rows; and it has the characters charactersPerPixel says.
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
