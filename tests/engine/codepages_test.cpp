#include "engine/codepages.h"
#include "engine/face_text.h"
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

// Every byte's character finds its byte again, through UTF-8 and back, in
// both code pages; text that is no UTF-8 reads as U+FFFD a byte at a time.
TEST(CodePages, EveryCharacterFindsItsByteThroughUtf8) {
    for (const CodePage codePage : {CodePage::Windows1252, CodePage::Cp437}) {
        for (unsigned byte = 0x20; byte <= 0xFF; ++byte) {
            if (byte == 0x7F)
                continue;
            const ByteString text =
                FaceText::of(codePage).utf8(ByteString(1, static_cast<char>(byte)));
            std::size_t index = 0;
            const char32_t character = nextUtf8(text, index);
            EXPECT_EQ(index, text.size()) << byte;
            EXPECT_EQ(character, toUnicode(codePage, static_cast<std::uint8_t>(byte))) << byte;
            EXPECT_EQ(fromUnicode(codePage, character), byte) << byte;
        }
    }
    ByteString text;
    appendUtf8(text, U'\U0001FB00');
    text += "\xC3x";
    std::size_t index = 0;
    EXPECT_EQ(nextUtf8(text, index), U'\U0001FB00');
    EXPECT_EQ(nextUtf8(text, index), U'\uFFFD');
    EXPECT_EQ(nextUtf8(text, index), U'x');
    EXPECT_EQ(fromUnicode(CodePage::Windows1252, U'\u2588'), std::nullopt);
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
