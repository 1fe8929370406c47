#include "engine/codepages.h"
#include "engine/font_family.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

TEST(CodePages, TheTerminalFaceAloneShowsCodePage437) {
    EXPECT_EQ(codePageOfFace("Terminal"), CodePage::Cp437);
    EXPECT_EQ(codePageOfFace("Tahoma"), CodePage::Windows1252);
    EXPECT_EQ(codePageOfFace("terminal"), CodePage::Windows1252);
    // The shades and the full block, and what the same bytes are elsewhere.
    EXPECT_EQ(toUnicode(CodePage::Cp437, 0xB0), u'\u2591');
    EXPECT_EQ(toUnicode(CodePage::Cp437, 0xB1), u'\u2592');
    EXPECT_EQ(toUnicode(CodePage::Cp437, 0xB2), u'\u2593');
    EXPECT_EQ(toUnicode(CodePage::Cp437, 0xDB), u'\u2588');
    EXPECT_EQ(toUnicode(CodePage::Windows1252, 0xDB), u'\u00DB');
    EXPECT_EQ(toUnicode(CodePage::Windows1252, 0x80), u'\u20AC');
    // Undefined in Windows-1252: the character of the same number.
    for (const int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(toUnicode(CodePage::Windows1252, static_cast<std::uint8_t>(undefined)),
                  undefined);
}

TEST(FontFamily, DropsTheFoundryTagOnly) {
    EXPECT_EQ(fontFamily("C059 [urw]"), "C059");
    EXPECT_EQ(fontFamily("DejaVu Sans Mono"), "DejaVu Sans Mono");
    EXPECT_EQ(fontFamily("Nimbus Mono PS [UKWN]"), "Nimbus Mono PS");
    EXPECT_EQ(fontFamily("[brackets]"), "[brackets]");
    EXPECT_EQ(fontFamily("Odd [x] Name"), "Odd [x] Name");
}

} // namespace
} // namespace varnelo
