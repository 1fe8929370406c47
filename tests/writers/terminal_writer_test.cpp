#include "engine/face_text.h"
#include "engine/terminal_palette.h"
#include "writers/terminal_writer.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace varnelo {
namespace {

constexpr Rgb kRed = makeRgb(255, 0, 0);
constexpr Rgb kBlue = makeRgb(0, 0, 255);

// Drives the writer through lines of (text, colour) pixels as a conversion does.
DocumentLines write(const ConversionSettings& settings,
                    const std::vector<std::vector<std::pair<ByteString, Rgb>>>& picture) {
    DocumentLines lines;
    TerminalWriter writer(lines);
    EXPECT_TRUE(writer.beginOutput(settings, 0, 0).proceeds());
    // The texts in the face's code page, made UTF-8 as a conversion does.
    const FaceText& faceText = FaceText::of(codePageOfFace(settings.fontFace));
    ByteString utf8;
    for (std::size_t y = 0; y < picture.size(); ++y) {
        writer.beginLine(static_cast<int>(y));
        for (std::size_t x = 0; x < picture[y].size(); ++x)
            writer.putPixel(static_cast<int>(x), static_cast<int>(y),
                            faceText.toUtf8(picture[y][x].first, utf8),
                            settings.fillCells ? filledCell(picture[y][x].second)
                                               : CellColors{picture[y][x].second},
                            x == 0 || picture[y][x].second != picture[y][x - 1].second);
        writer.endLine(static_cast<int>(y));
    }
    EXPECT_EQ(writer.finishOutput().status, WriteStatus::Written);
    return lines;
}

ConversionSettings ansi(TerminalColors colors, const char* face = "Tahoma") {
    ConversionSettings settings;
    settings.outputFormat = OutputFormat::AnsiText;
    settings.terminalColors = colors;
    settings.fontFace = face;
    settings.backgroundColor = makeRgb(1, 2, 3);
    return settings;
}

TEST(TerminalWriter, ColoursEachRunOnTheBackgroundAndResetsEachLine) {
    const auto picture = std::vector<std::vector<std::pair<ByteString, Rgb>>>{
        {{"01", kRed}, {"10", kRed}, {"11", kBlue}}, {{"00", kBlue}}};
    EXPECT_EQ(write(ansi(TerminalColors::Truecolor), picture),
              (DocumentLines{"\x1b[48;2;1;2;3m\x1b[38;2;255;0;0m0110\x1b[38;2;0;0;255m11\x1b[0m",
                             "\x1b[48;2;1;2;3m\x1b[38;2;0;0;255m00\x1b[0m"}));
    EXPECT_EQ(write(ansi(TerminalColors::Palette256), picture)[0],
              "\x1b[48;5;16m\x1b[38;5;196m0110\x1b[38;5;21m11\x1b[0m");
    EXPECT_EQ(write(ansi(TerminalColors::Palette16), picture)[0],
              "\x1b[40m\x1b[91m0110\x1b[34m11\x1b[0m"); // xterm blue is 0,0,238
    EXPECT_EQ(write(ansi(TerminalColors::None), picture)[0], "011011");
    ConversionSettings text = ansi(TerminalColors::Truecolor);
    text.outputFormat = OutputFormat::PlainText;
    EXPECT_EQ(write(text, picture), (DocumentLines{"011011", "00"}));

    DocumentLines lines;
    EXPECT_EQ(TerminalWriter(lines).lineEnd(), "\n");
}

TEST(TerminalWriter, NeighboursOfOnePaletteEntryShareTheirSequence) {
    // Both reds are nearest to entry 196; 24-bit colours tell them apart.
    const auto picture = std::vector<std::vector<std::pair<ByteString, Rgb>>>{
        {{"0", kRed}, {"1", makeRgb(250, 4, 2)}, {"0", kRed}}};
    EXPECT_EQ(write(ansi(TerminalColors::Palette256), picture)[0],
              "\x1b[48;5;16m\x1b[38;5;196m010\x1b[0m");
    EXPECT_EQ(write(ansi(TerminalColors::Truecolor), picture)[0],
              "\x1b[48;2;1;2;3m\x1b[38;2;255;0;0m0\x1b[38;2;250;4;2m1\x1b[38;2;255;0;0m0\x1b[0m");
}

TEST(TerminalWriter, FilledRunsSetTheirColourBehindAndAShadeInFront) {
    const auto picture = std::vector<std::vector<std::pair<ByteString, Rgb>>>{
        {{"01", kRed}, {"10", kRed}, {"11", kBlue}}};
    ConversionSettings settings = ansi(TerminalColors::Truecolor);
    settings.fillCells = true;
    EXPECT_EQ(write(settings, picture)[0],
              "\x1b[48;2;1;2;3m\x1b[38;2;255;127;127m\x1b[48;2;255;0;0m0110"
              "\x1b[38;2;127;127;255m\x1b[48;2;0;0;255m11\x1b[0m");
    settings.outputFormat = OutputFormat::PlainText;
    EXPECT_EQ(write(settings, picture)[0], "011011") << "text has no colours to fill";
}

TEST(TerminalWriter, WritesTheFacesCharactersAsUtf8) {
    const auto blocks = std::vector<std::vector<std::pair<ByteString, Rgb>>>{
        {{"\xB0\xB1", kRed}, {"\xB2\xDB", kRed}}};
    EXPECT_EQ(write(ansi(TerminalColors::None, "Terminal"), blocks)[0], "░▒▓█");
    const auto latin = std::vector<std::vector<std::pair<ByteString, Rgb>>>{{{"\xE9\x80", kRed}}};
    EXPECT_EQ(write(ansi(TerminalColors::None), latin)[0], "é€");
}

// No byte of a phrase or range may reach the terminal as a control.
TEST(TerminalWriter, WritesEveryControlCharacterAsABlank) {
    for (const CodePage codePage : {CodePage::Windows1252, CodePage::Cp437}) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            ByteString text;
            CharacterFragments fragments;
            appendTerminalText(text,
                               FaceText::of(codePage).utf8(ByteString(1, static_cast<char>(byte))),
                               fragments);
            const bool control =
                byte < 0x20 || byte == 0x7F ||
                (codePage == CodePage::Windows1252 &&
                 (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D));
            if (control) {
                EXPECT_EQ(text, " ") << byte;
                continue;
            }
            ASSERT_FALSE(text.empty());
            for (const char c : text)
                EXPECT_GE(static_cast<std::uint8_t>(c), 0x20) << byte;
            // No C1 control either: in UTF-8 those start with C2 80..9F.
            EXPECT_FALSE(text.size() == 2 && static_cast<std::uint8_t>(text[0]) == 0xC2 &&
                         static_cast<std::uint8_t>(text[1]) < 0xA0)
                << byte;
        }
    }
}

TEST(TerminalPalette, FindsTheNearestXtermColour) {
    EXPECT_EQ(nearestXterm256(makeRgb(255, 0, 0)), 196);
    EXPECT_EQ(nearestXterm256(makeRgb(0, 0, 0)), 16);
    EXPECT_EQ(nearestXterm256(makeRgb(255, 255, 255)), 231);
    EXPECT_EQ(nearestXterm256(makeRgb(128, 128, 128)), 244); // grey 128 is closer than the cube
    EXPECT_EQ(nearestXterm256(makeRgb(100, 140, 180)), 16 + 36 * 1 + 6 * 2 + 3);
    // Against a search of every entry from 16 on, for a spread of colours.
    for (std::uint32_t value = 0; value < (1u << 24); value += 99991) {
        int best = 16;
        const auto distance = [&](int index) {
            const Rgb entry = xtermColor(index);
            const int r = redOf(entry) - redOf(value);
            const int g = greenOf(entry) - greenOf(value);
            const int b = blueOf(entry) - blueOf(value);
            return r * r + g * g + b * b;
        };
        for (int index = 17; index < 256; ++index)
            if (distance(index) < distance(best))
                best = index;
        EXPECT_EQ(distance(nearestXterm256(value)), distance(best)) << value;
    }
    EXPECT_EQ(nearestXterm16(makeRgb(250, 10, 10)), 9);
    EXPECT_EQ(nearestXterm16(makeRgb(0, 0, 0)), 0);
    EXPECT_EQ(nearestXterm16(makeRgb(200, 200, 200)), 7);
}

} // namespace
} // namespace varnelo
