#include "tests/support/recording_observer.h"
#include "writers/hex_colour.h"
#include "writers/html_writer.h"
#include "writers/rtf_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnelo {
namespace {

constexpr Rgb kRed = makeRgb(255, 0, 0);
constexpr Rgb kGreen = makeRgb(0, 255, 0);
constexpr Rgb kBlue = makeRgb(0, 0, 255);
constexpr Rgb kWhite = makeRgb(255, 255, 255);

using Picture = std::vector<std::vector<Rgb>>;

// Drives a writer through its steps as a conversion does, with one pixel text.
void write(OutputWriter& writer, const ConversionSettings& settings, const Picture& picture,
           const ByteString& text = "01") {
    ASSERT_TRUE(writer
                    .beginOutput(settings,
                                 picture.empty() ? 0 : static_cast<int>(picture[0].size()),
                                 static_cast<int>(picture.size()))
                    .proceeds());
    for (std::size_t y = 0; y < picture.size(); ++y) {
        writer.beginLine(static_cast<int>(y));
        bool first = true;
        Rgb previous = 0;
        for (std::size_t x = 0; x < picture[y].size(); ++x) {
            const Rgb color = picture[y][x];
            writer.putPixel(static_cast<int>(x), static_cast<int>(y), text, color,
                            first || color != previous);
            first = false;
            previous = color;
        }
        writer.endLine(static_cast<int>(y));
    }
    ASSERT_EQ(writer.finishOutput().status, WriteStatus::Written);
}

ConversionSettings settingsFor(OutputFormat format, Rgb background = kWhite) {
    ConversionSettings settings;
    settings.outputFormat = format;
    settings.backgroundColor = background;
    return settings;
}

const Picture kRedRedBlueGreen = {{kRed, kRed}, {kBlue, kGreen}};

TEST(HexColour, GivesSixUpperCaseDigitsRedFirst) {
    auto text = [](Rgb color) {
        const auto digits = hexColour(color);
        return std::string(digits.begin(), digits.end());
    };
    EXPECT_EQ(text(kRed), "FF0000");
    EXPECT_EQ(text(makeRgb(0, 0, 128)), "000080");
    EXPECT_EQ(text(makeRgb(0xAB, 0xCD, 0xEF)), "ABCDEF");
    EXPECT_EQ(text(0), "000000");
}

TEST(HtmlWriter, WritesThePlainHtmlExample) {
    DocumentLines lines;
    HtmlWriter writer(lines);
    write(writer, settingsFor(OutputFormat::PlainHtml), kRedRedBlueGreen);
    const DocumentLines expected = {
        "<html>",
        "<head><title>ascii color picture</title>",
        "<STYLE TYPE=\"text/css\">",
        "body {background-color: #FFFFFF; font-size:8pt; line-height:8pt}",
        "</STYLE></head>",
        "<body><pre><center>",
        "<font face=\"Tahoma\">",
        "<font color=#FF0000>0101</font>",
        "<font color=#0000FF>01</font><font color=#00FF00>01</font>",
        "</font>",
        "</center></pre>",
        "</body></html>",
    };
    EXPECT_EQ(lines, expected);
}

TEST(HtmlWriter, WritesTheCssExampleWithDigitClassesEscaped) {
    DocumentLines lines;
    HtmlWriter writer(lines);
    write(writer, settingsFor(OutputFormat::CssHtml), kRedRedBlueGreen);
    const DocumentLines expected = {
        "<html>",
        "<head><title>ascii color picture</title>",
        "<STYLE TYPE=\"text/css\">",
        "body {background-color: #FFFFFF; font-size:8pt; line-height:8pt}",
        "s {text-decoration: none; font-family: Tahoma}",
        ".FF0000{color:#FF0000}.\\30 000FF{color:#0000FF}.\\30 0FF00{color:#00FF00}",
        "</STYLE></head>",
        "<body><pre><center>",
        "<s class=FF0000>0101</s>",
        "<s class=0000FF>01</s><s class=00FF00>01</s>",
        "</center></pre>",
        "</body></html>",
    };
    EXPECT_EQ(lines, expected);
}

TEST(HtmlWriter, GivesEachColourOneRuleInOrderOfFirstAppearance) {
    DocumentLines lines;
    HtmlWriter writer(lines);
    ConversionSettings settings = settingsFor(OutputFormat::CssHtml, 0);
    settings.fontSize = 12;
    settings.fontFace = "Courier New";
    write(writer, settings, {{kRed, kBlue, kRed}, {kBlue, kBlue}, {makeRgb(0xA0, 0, 1)}});
    EXPECT_EQ(lines[3], "body {background-color: #000000; font-size:12pt; line-height:12pt}");
    EXPECT_EQ(lines[4], "s {text-decoration: none; font-family: Courier New}");
    EXPECT_EQ(lines[5], ".FF0000{color:#FF0000}.\\30 000FF{color:#0000FF}.A00001{color:#A00001}");
    EXPECT_EQ(lines[8], "<s class=FF0000>01</s><s class=0000FF>01</s><s class=FF0000>01</s>");
    EXPECT_EQ(lines[9], "<s class=0000FF>0101</s>"); // one element for an even line
}

TEST(HtmlWriter, APictureWithoutPixelsKeepsOnlyTheFixedLines) {
    DocumentLines plain;
    HtmlWriter plainWriter(plain);
    write(plainWriter, settingsFor(OutputFormat::PlainHtml), {});
    EXPECT_EQ(plain.size(), 10u);
    DocumentLines css;
    HtmlWriter cssWriter(css);
    write(cssWriter, settingsFor(OutputFormat::CssHtml), {});
    ASSERT_EQ(css.size(), 10u);
    EXPECT_EQ(css[5], ""); // the empty rule line
}

TEST(HtmlWriter, PixelTextsCannotBreakTheMarkup) {
    DocumentLines lines;
    HtmlWriter writer(lines);
    write(writer, settingsFor(OutputFormat::PlainHtml), {{kRed, kRed}},
          ByteString("<&", 2) + ByteString(1, '\0') + ">");
    EXPECT_EQ(lines[7], "<font color=#FF0000>&lt;&amp; &gt;&lt;&amp; &gt;</font>");
}

TEST(RtfWriter, WritesTheExample) {
    DocumentLines lines;
    test::RecordingObserver status;
    RtfWriter writer(lines, status);
    write(writer, settingsFor(OutputFormat::Rtf), kRedRedBlueGreen);
    const DocumentLines expected = {
        "{\\rtf\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Tahoma;}}",
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue0;"
        "\\red255\\green255\\blue255",
        ";}\\qc\\sl-160\\expnd-1\\fs16\\cbpat4",
        "\\cf1 0101\\cf0\\par",
        "\\cf2 01\\cf3 01\\cf0\\par",
        "}",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(status.statuses, std::vector<std::string>{"removing leading color zeros..."});
}

TEST(RtfWriter, ReusesTheEntryOfABackgroundAlreadyInTheTable) {
    DocumentLines lines;
    test::RecordingObserver status;
    RtfWriter writer(lines, status);
    write(writer, settingsFor(OutputFormat::Rtf, kRed), kRedRedBlueGreen);
    EXPECT_EQ(lines[1], "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;"
                        "\\red0\\green255\\blue0");
    EXPECT_EQ(lines[2], ";}\\qc\\sl-160\\expnd-1\\fs16\\cbpat1");
}

TEST(RtfWriter, EdgeCases) {
    test::RecordingObserver status;
    { // no pixels: the background is entry 1
        DocumentLines lines;
        RtfWriter writer(lines, status);
        ConversionSettings settings = settingsFor(OutputFormat::Rtf, makeRgb(7, 64, 100));
        settings.fontSize = 1;
        write(writer, settings, {});
        EXPECT_EQ(lines[1], "{\\colortbl ;\\red7\\green64\\blue100");
        EXPECT_EQ(lines[2], ";}\\qc\\sl-20\\expnd-1\\fs2\\cbpat1");
    }
    { // every line opens with a colour, even after a line of the same colour
        DocumentLines lines;
        RtfWriter writer(lines, status);
        ConversionSettings settings = settingsFor(OutputFormat::Rtf, 0);
        settings.fontSize = 12;
        write(writer, settings, {{0}, {0}});
        EXPECT_EQ(lines[1], "{\\colortbl ;\\red0\\green0\\blue0");
        EXPECT_EQ(lines[2], ";}\\qc\\sl-240\\expnd-1\\fs24\\cbpat1");
        EXPECT_EQ(lines[3], "\\cf1 01\\cf0\\par");
        EXPECT_EQ(lines[4], "\\cf1 01\\cf0\\par");
    }
}

TEST(RtfWriter, PixelTextsCannotBreakTheDocument) {
    DocumentLines lines;
    test::RecordingObserver status;
    RtfWriter writer(lines, status);
    write(writer, settingsFor(OutputFormat::Rtf), {{kRed}}, ByteString("{\\}", 3) + '\0');
    EXPECT_EQ(lines[3], "\\cf1 \\{\\\\\\} \\cf0\\par");
}

} // namespace
} // namespace varnelo
