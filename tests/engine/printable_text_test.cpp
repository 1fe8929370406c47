#include "engine/printable_text.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

TEST(PrintableText, WritesOutEveryControlATerminalWouldObey) {
    EXPECT_EQ(printableText("evil\x1B]0;PWNED\x07\x1B[2J.png"), "evil\\e]0;PWNED\\x07\\e[2J.png");
    EXPECT_EQ(printableText(std::string("a\0b\tc\nd\x7F", 8)), "a\\x00b\\x09c\\x0ad\\x7f");
    // C1 controls: CSI as UTF-8 (C2 9B) and as a lone byte, which no UTF-8 holds.
    EXPECT_EQ(printableText("\xC2\x9B"
                            "2J"),
              "\\xc2\\x9b2J");
    EXPECT_EQ(printableText("\x9B"
                            "2J"),
              "\\x9b2J");
}

TEST(PrintableText, KeepsTextOfEveryScript) {
    for (const char* text : {"photo.png", "caf\xC3\xA9 \xC2\xA0", "\xE5\x86\x99\xE7\x9C\x9F.jpg",
                             "\xF0\x9F\x93\xB7", "back\\slash"})
        EXPECT_EQ(printableText(text), text);
    // Cut, overlong or surrogate sequences are no text: their bytes are written out.
    EXPECT_EQ(printableText("\xE5\x86"), "\\xe5\\x86");
    EXPECT_EQ(printableText("\xC0\x9B"), "\\xc0\\x9b");
    EXPECT_EQ(printableText("\xED\xA0\x80"), "\\xed\\xa0\\x80");
}

} // namespace
} // namespace varnelo
