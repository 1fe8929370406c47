#include "engine/codepages.h"
#include "engine/face_text.h"
#include "tests/support/recording_observer.h"
#include "tests/support/strict_readers.h"
#include "writers/character_widths.h"
#include "writers/hex_color.h"
#include "writers/html_writer.h"
#include "writers/rtf_page.h"
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

// A text of the face's code page as a conversion hands it to the writers.
ByteString asHanded(const ConversionSettings& settings, const ByteString& bytes) {
    ByteString utf8;
    return ByteString(FaceText::of(codePageOfFace(settings.fontFace)).toUtf8(bytes, utf8));
}

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
            writer.putPixel(static_cast<int>(x), static_cast<int>(y), asHanded(settings, text),
                            settings.fillCells ? filledCell(color) : CellColors{color},
                            first || color != previous);
            first = false;
            previous = color;
        }
        writer.endLine(static_cast<int>(y));
    }
    ASSERT_EQ(writer.finishOutput().status, WriteStatus::Written);
}

// Drives a writer through one line with a text of its own for each pixel,
// the colour changing at every pixel.
DocumentLines writeTexts(OutputWriter& writer, DocumentLines& lines,
                         const ConversionSettings& settings, const std::vector<ByteString>& texts) {
    EXPECT_TRUE(writer.beginOutput(settings, static_cast<int>(texts.size()), 1).proceeds());
    writer.beginLine(0);
    for (std::size_t x = 0; x < texts.size(); ++x)
        writer.putPixel(static_cast<int>(x), 0, asHanded(settings, texts[x]),
                        static_cast<Rgb>(x * 7919), true);
    writer.endLine(0);
    EXPECT_EQ(writer.finishOutput().status, WriteStatus::Written);
    return lines;
}

ConversionSettings settingsFor(OutputFormat format, Rgb background = kWhite) {
    ConversionSettings settings;
    settings.outputFormat = format;
    settings.backgroundColor = background;
    return settings;
}

const Picture kRedRedBlueGreen = {{kRed, kRed}, {kBlue, kGreen}};

TEST(HexColor, GivesSixUpperCaseDigitsRedFirst) {
    auto text = [](Rgb color) {
        const auto digits = hexColor(color);
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

// Filled, each run's background is its colour and its characters take a
// contrasting shade: halfway to white from red and blue, to black from green.
TEST(HtmlWriter, FilledRunsStandOnTheirColour) {
    ConversionSettings settings = settingsFor(OutputFormat::PlainHtml);
    settings.fillCells = true;
    DocumentLines plain;
    HtmlWriter plainWriter(plain);
    write(plainWriter, settings, kRedRedBlueGreen);
    EXPECT_EQ(plain[7], "<font color=#FF7F7F style=\"background-color:#FF0000\">0101</font>");
    EXPECT_EQ(plain[8], "<font color=#7F7FFF style=\"background-color:#0000FF\">01</font>"
                        "<font color=#007F00 style=\"background-color:#00FF00\">01</font>");
    // A line built apart is built alike.
    DocumentLines apart;
    const auto lineWriter = plainWriter.lineWriterInto(apart);
    ASSERT_NE(lineWriter, nullptr);
    lineWriter->beginLine(0);
    lineWriter->putPixel(0, 0, "01", filledCell(kRed), true);
    lineWriter->putPixel(1, 0, "01", filledCell(kRed), false);
    lineWriter->endLine(0);
    EXPECT_EQ(apart.front(), plain[7]);

    settings.outputFormat = OutputFormat::CssHtml;
    DocumentLines css;
    HtmlWriter cssWriter(css);
    write(cssWriter, settings, kRedRedBlueGreen);
    EXPECT_EQ(css[5], ".FF0000{color:#FF7F7F;background-color:#FF0000}"
                      ".\\30 000FF{color:#7F7FFF;background-color:#0000FF}"
                      ".\\30 0FF00{color:#007F00;background-color:#00FF00}");
    EXPECT_EQ(css[8], "<s class=FF0000>0101</s>");

    // An ink a mode chose names the cell's class beside its colour.
    DocumentLines chosen;
    HtmlWriter chosenWriter(chosen);
    ASSERT_TRUE(chosenWriter.beginOutput(settings, 2, 1).proceeds());
    chosenWriter.beginLine(0);
    chosenWriter.putPixel(0, 0, "a", CellColors{kRed, kBlue}, true);
    chosenWriter.putPixel(1, 0, "b", filledCell(kRed), true);
    chosenWriter.endLine(0);
    chosenWriter.finishOutput();
    EXPECT_EQ(chosen[5], ".FF00000000FF{color:#0000FF;background-color:#FF0000}"
                         ".FF0000{color:#FF7F7F;background-color:#FF0000}");
    EXPECT_EQ(chosen[8], "<s class=FF00000000FF>a</s><s class=FF0000>b</s>");
}

TEST(RtfWriter, FilledRunsAreShadedWithTheirColour) {
    ConversionSettings settings = settingsFor(OutputFormat::Rtf);
    settings.fillCells = true;
    DocumentLines lines;
    test::RecordingObserver status;
    RtfWriter writer(lines, status);
    write(writer, settings, kRedRedBlueGreen);
    std::string document;
    for (const ByteString& line : lines)
        document += line + "\n";
    EXPECT_NE(document.find("{\\colortbl ;\\red255\\green127\\blue127;\\red255\\green0\\blue0;"),
              std::string::npos)
        << document;
    EXPECT_NE(document.find("\\cf1\\chshdng0\\chcbpat2 0101\\cf0\\par"), std::string::npos)
        << document;
    EXPECT_TRUE(test::readRtfStrictly(lines).ok) << test::readRtfStrictly(lines).error;
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

TEST(HtmlWriter, PlainLinesBuiltApartAreTheLinesItBuilds) {
    ConversionSettings settings = settingsFor(OutputFormat::PlainHtml);
    settings.fontFace = "Terminal"; // code page 437 escapes
    DocumentLines lines;
    HtmlWriter writer(lines);
    write(writer, settings, {{1, 1, 2}, {3, 4, 4}}, "<\xB0");
    DocumentLines apart;
    const std::unique_ptr<OutputWriter> copy = writer.lineWriterInto(apart);
    ASSERT_NE(copy, nullptr);
    copy->beginLine(1);
    for (const auto& [x, color] : {std::pair{0, 3u}, {1, 4u}, {2, 4u}})
        copy->putPixel(x, 1, asHanded(settings, "<\xB0"), color, x != 2);
    copy->endLine(1);
    ASSERT_EQ(apart.size(), 1u);
    EXPECT_EQ(apart[0], lines[8]); // the seven lines of the head, then line 0
    EXPECT_NE(apart[0].find("&lt;&#9617;"), std::string::npos) << apart[0];

    DocumentLines css;
    HtmlWriter cssWriter(css);
    write(cssWriter, settingsFor(OutputFormat::CssHtml), {{1}});
    EXPECT_EQ(cssWriter.lineWriterInto(apart), nullptr) << "style rules are shared by all lines";
}

TEST(HtmlWriter, PixelTextsCannotBreakTheMarkup) {
    DocumentLines lines;
    HtmlWriter writer(lines);
    write(writer, settingsFor(OutputFormat::PlainHtml), {{kRed, kRed}},
          ByteString("<&", 2) + ByteString(1, '\0') + ">");
    EXPECT_EQ(lines[7], "<font color=#FF0000>&lt;&amp; &gt;&lt;&amp; &gt;</font>");
}

// A picture that fits on US Letter gets Letter with half-inch margins.
constexpr const char* kLetterPage =
    "\\paperw12240\\paperh15840\\margl720\\margr720\\margt720\\margb720";

TEST(RtfWriter, WritesTheExample) {
    DocumentLines lines;
    test::RecordingObserver status;
    RtfWriter writer(lines, status);
    write(writer, settingsFor(OutputFormat::Rtf), kRedRedBlueGreen);
    const DocumentLines expected = {
        "{\\rtf\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Tahoma;}}",
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue0;"
        "\\red255\\green255\\blue255",
        std::string(";}") + kLetterPage + "\\qc\\sl-160\\expnd-1\\fs16\\cbpat4",
        "\\cf1 0101\\cf0\\par",
        "\\cf2 01\\cf3 01\\cf0\\par",
        "}",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(status.statuses, std::vector<std::string>{"removing zeros"});
}

TEST(RtfWriter, ReusesTheEntryOfABackgroundAlreadyInTheTable) {
    DocumentLines lines;
    test::RecordingObserver status;
    RtfWriter writer(lines, status);
    write(writer, settingsFor(OutputFormat::Rtf, kRed), kRedRedBlueGreen);
    EXPECT_EQ(lines[1], "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;"
                        "\\red0\\green255\\blue0");
    EXPECT_EQ(lines[2], std::string(";}") + kLetterPage + "\\qc\\sl-160\\expnd-1\\fs16\\cbpat1");
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
        EXPECT_EQ(lines[2], std::string(";}") + kLetterPage + "\\qc\\sl-20\\expnd-1\\fs2\\cbpat1");
    }
    { // every line opens with a colour, even after a line of the same colour
        DocumentLines lines;
        RtfWriter writer(lines, status);
        ConversionSettings settings = settingsFor(OutputFormat::Rtf, 0);
        settings.fontSize = 12;
        write(writer, settings, {{0}, {0}});
        EXPECT_EQ(lines[1], "{\\colortbl ;\\red0\\green0\\blue0");
        EXPECT_EQ(lines[2],
                  std::string(";}") + kLetterPage + "\\qc\\sl-240\\expnd-1\\fs24\\cbpat1");
        EXPECT_EQ(lines[3], "\\cf1 01\\cf0\\par");
        EXPECT_EQ(lines[4], "\\cf1 01\\cf0\\par");
    }
}

// The paper grows with the widest line as the reader draws it, and with the
// lines, up to the largest paper Word opens.
TEST(RtfWriter, SetsPaperOnWhichTheLinesFit) {
    test::RecordingObserver status;
    const auto widthsOf = [](const std::string& face) {
        CharacterWidths widths{};
        widths.fill(face == "Tahoma" ? 500 : 1000);
        widths['1'] = 700;
        return widths;
    };
    const auto pageLine = [&](int width, int height, const ByteString& text) {
        DocumentLines lines;
        RtfWriter writer(lines, status, widthsOf);
        const Picture picture(static_cast<std::size_t>(height),
                              std::vector<Rgb>(static_cast<std::size_t>(width), kRed));
        write(writer, settingsFor(OutputFormat::Rtf), picture, text);
        return lines[2];
    };
    // 100 pixels of "01" at 8 points: 100 × 1.2 em × 8 pt = 960 pt = 19200
    // twips, a fiftieth more and 20 for rounding, and the margins; 90 lines
    // and the empty paragraph at the end at 160 twips each, and the margins.
    EXPECT_EQ(pageLine(100, 90, "01"),
              ";}\\paperw21044\\paperh16000\\margl720\\margr720\\margt720\\margb720"
              "\\qc\\sl-160\\expnd-1\\fs16\\cbpat2");
    EXPECT_TRUE(pageLine(100, 150, "00").starts_with(";}\\paperw17780\\paperh25600\\"));
    // Past the largest paper the lines wrap, and the picture goes on over pages.
    EXPECT_TRUE(pageLine(160, 90, "01").starts_with(";}\\paperw31680\\paperh16000\\"));
    EXPECT_TRUE(pageLine(10, 400, "00").starts_with(";}\\paperw12240\\paperh31680\\"));
}

TEST(RtfPage, FitsTheLinesOnLetterOrLargerPaper) {
    const RtfPage letter = rtfPageFor(0, 0, 8);
    EXPECT_EQ(letter.width, 12240);
    EXPECT_EQ(letter.height, 15840);
    EXPECT_EQ(letter.margin, 720);
    // 90 lines at 12 points and the empty paragraph that ends the document.
    EXPECT_EQ(rtfPageFor(10000, 90, 12).height, 91 * 240 + 1440);
    EXPECT_EQ(rtfPageFor(20000, 1, 8).width, 20000 + 400 + 20 + 1440);
    EXPECT_EQ(rtfPageFor(40000, 1, 8).width, kLargestRtfPaper);
    EXPECT_EQ(rtfPageFor(1, 100000, 8).height, kLargestRtfPaper);
    EXPECT_EQ(rtfPageControls({20000, 30000, 720}),
              "\\paperw20000\\paperh30000\\margl720\\margr720\\margt720\\margb720");
}

// What a reader draws: never narrower than the named face, nor than DejaVu
// Sans, which LibreOffice draws where the named face is missing.
TEST(DocumentCharacterWidths, TakeTheWiderOfTheFaceAndItsSubstitute) {
    const CharacterWidths tahoma = documentCharacterWidths("Tahoma");
    EXPECT_EQ(tahoma['0'], 637) << "DejaVu Sans's digits are wider than Tahoma's 546";
    EXPECT_EQ(tahoma[0], tahoma[' ']);
    const CharacterWidths mono = documentCharacterWidths("DejaVu Sans Mono");
    EXPECT_EQ(mono['i'], 603) << "every character of a monospaced face is as wide";
    const CharacterWidths terminal = documentCharacterWidths(kTerminalFace);
    EXPECT_GE(terminal[0xDB], 603) << "the full block of code page 437";
}

TEST(RtfWriter, PixelTextsCannotBreakTheDocument) {
    DocumentLines lines;
    test::RecordingObserver status;
    RtfWriter writer(lines, status);
    write(writer, settingsFor(OutputFormat::Rtf), {{kRed}}, ByteString("{\\}", 3) + '\0');
    EXPECT_EQ(lines[3], "\\cf1 \\{\\\\\\} \\cf0\\par");
}

ConversionSettings withFace(OutputFormat format, const char* face) {
    ConversionSettings settings = settingsFor(format);
    settings.fontFace = face;
    return settings;
}

TEST(HtmlWriter, WritesHighBytesAsTheCharactersOfTheFacesCodePage) {
    for (const OutputFormat format : {OutputFormat::PlainHtml, OutputFormat::CssHtml}) {
        DocumentLines lines;
        HtmlWriter writer(lines);
        const DocumentLines terminal = writeTexts(writer, lines, withFace(format, "Terminal"),
                                                  {"\xB0\xB0", "\xB1", "\xB2", "\xDB\xDB"});
        const std::string run = format == OutputFormat::PlainHtml ? "font" : "s";
        const ByteString& pixels = terminal[format == OutputFormat::PlainHtml ? 7 : 8];
        EXPECT_NE(pixels.find(">&#9617;&#9617;</" + run + ">"), std::string::npos) << pixels;
        EXPECT_NE(pixels.find(">&#9618;</"), std::string::npos);
        EXPECT_NE(pixels.find(">&#9619;</"), std::string::npos);
        EXPECT_NE(pixels.find(">&#9608;&#9608;</"), std::string::npos);

        DocumentLines tahomaLines;
        HtmlWriter tahoma(tahomaLines);
        const DocumentLines windows = writeTexts(tahoma, tahomaLines, withFace(format, "Tahoma"),
                                                 {"\x80", "\x81",
                                                  "\xE9"
                                                  "a",
                                                  "\x9F"});
        const ByteString& text = windows[format == OutputFormat::PlainHtml ? 7 : 8];
        // The five bytes Windows-1252 leaves undefined keep their own number.
        for (const char* reference : {">&#8364;<", ">&#129;<", ">&#233;a<", ">&#376;<"})
            EXPECT_NE(text.find(reference), std::string::npos) << reference << " in " << text;
    }
}

TEST(HtmlWriter, NamesTheFamilyWithoutFoundryAndEscapesIt) {
    DocumentLines plain;
    HtmlWriter plainWriter(plain);
    write(plainWriter, withFace(OutputFormat::PlainHtml, "C059 [urw]"), {{kRed}});
    EXPECT_EQ(plain[6], "<font face=\"C059\">");

    DocumentLines css;
    HtmlWriter cssWriter(css);
    write(cssWriter, withFace(OutputFormat::CssHtml, "DejaVu Sans Mono"), {{kRed}});
    EXPECT_EQ(css[4], "s {text-decoration: none; font-family: DejaVu Sans Mono}");

    const char* odd = "A\"<b>&'}\\ 3\xE9";
    DocumentLines oddPlain;
    HtmlWriter oddPlainWriter(oddPlain);
    write(oddPlainWriter, withFace(OutputFormat::PlainHtml, odd), {{kRed}});
    EXPECT_EQ(oddPlain[6], "<font face=\"A&quot;&lt;b&gt;&amp;'}\\ 3&#233;\">");
    DocumentLines oddCss;
    HtmlWriter oddCssWriter(oddCss);
    write(oddCssWriter, withFace(OutputFormat::CssHtml, odd), {{kRed}});
    EXPECT_EQ(oddCss[4],
              "s {text-decoration: none; font-family: \"A\\22 \\3c b\\3e \\26 \\27 }\\5c  "
              "3\\e9 \"}");
    // A family that is a CSS keyword is quoted, so it names the face.
    DocumentLines keyword;
    HtmlWriter keywordWriter(keyword);
    write(keywordWriter, withFace(OutputFormat::CssHtml, "monospace"), {{kRed}});
    EXPECT_EQ(keyword[4], "s {text-decoration: none; font-family: \"monospace\"}");
    for (const DocumentLines* document : {&oddPlain, &oddCss, &keyword})
        EXPECT_TRUE(test::readHtmlStrictly(*document).ok)
            << test::readHtmlStrictly(*document).error;
}

TEST(RtfWriter, WritesTerminalBytesAsUnicodeWithTheByteAsFallback) {
    test::RecordingObserver status;
    DocumentLines lines;
    RtfWriter writer(lines, status);
    const DocumentLines terminal = writeTexts(
        writer, lines, withFace(OutputFormat::Rtf, "Terminal"), {"\xDB\xDB", "\xB0", "a{"});
    EXPECT_EQ(terminal[3], "\\cf1 \\u9608\\'db\\u9608\\'db\\cf2 \\u9617\\'b0\\cf3 a\\{\\cf0\\par");

    // Other faces keep their bytes: the document's code page is Windows-1252.
    DocumentLines tahomaLines;
    RtfWriter tahoma(tahomaLines, status);
    const DocumentLines windows =
        writeTexts(tahoma, tahomaLines, withFace(OutputFormat::Rtf, "Tahoma"), {"\xDB\xE9"});
    EXPECT_EQ(windows[3], "\\cf1 \xDB\xE9\\cf0\\par");

    // A character the face's code page lacks is its UTF-16 units, signed.
    DocumentLines symbolLines;
    RtfWriter symbols(symbolLines, status);
    ASSERT_TRUE(symbols.beginOutput(withFace(OutputFormat::Rtf, "Tahoma"), 1, 1).proceeds());
    symbols.beginLine(0);
    symbols.putPixel(0, 0, "\u2588\U0001FB00\u00E9", kRed, true);
    symbols.endLine(0);
    ASSERT_EQ(symbols.finishOutput().status, WriteStatus::Written);
    EXPECT_EQ(symbolLines[3], "\\cf1 \\u9608?\\u-10178?\\u-8448?\xE9\\cf0\\par");
    EXPECT_TRUE(test::readRtfStrictly(symbolLines).ok);
}

// A conversion may draw more distinct characters than a writer remembers
// at once: each is still written as itself, however many there are and
// however often they come again, whole or cut short.
TEST(DocumentWriters, WriteEveryCharacterOfALineHoweverManyDiffer) {
    std::string line;
    std::vector<char32_t> characters;
    for (char32_t c = 0x400; c < 0x900; c += 3)
        characters.push_back(c);
    characters.push_back(U'\U0001FB00');
    for (char32_t c = 0x900; c-- > 0x400;)
        if (c % 3 == 1)
            characters.push_back(c);
    std::string expectedHtml;
    std::string expectedRtf;
    for (const char32_t c : characters) {
        appendUtf8(line, c);
        expectedHtml += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
        if (c >= 0x10000)
            expectedRtf += "\\u-10178?\\u-8448?";
        else
            expectedRtf += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + "?";
    }
    // A lead byte with nothing after it ends the line.
    line += '\xE2';
    expectedHtml += "&#65533;";
    expectedRtf += "\\u-3?";

    test::RecordingObserver status;
    DocumentLines htmlLines;
    HtmlWriter html(htmlLines);
    ASSERT_TRUE(html.beginOutput(settingsFor(OutputFormat::PlainHtml), 1, 1).proceeds());
    html.beginLine(0);
    html.putPixel(0, 0, line, kRed, true);
    html.endLine(0);
    ASSERT_EQ(html.finishOutput().status, WriteStatus::Written);
    std::string htmlText;
    for (std::size_t i = 0; i < htmlLines.size(); ++i)
        htmlText += htmlLines[i];
    EXPECT_NE(htmlText.find(expectedHtml), std::string::npos);

    DocumentLines rtfLines;
    RtfWriter rtf(rtfLines, status);
    ASSERT_TRUE(rtf.beginOutput(withFace(OutputFormat::Rtf, "Tahoma"), 1, 1).proceeds());
    rtf.beginLine(0);
    rtf.putPixel(0, 0, line, kRed, true);
    rtf.endLine(0);
    ASSERT_EQ(rtf.finishOutput().status, WriteStatus::Written);
    EXPECT_TRUE(rtfLines[3] == "\\cf1 " + expectedRtf + "\\cf0\\par");
}

TEST(RtfWriter, NamesTheFamilyWithoutFoundryAndEscapesIt) {
    test::RecordingObserver status;
    DocumentLines lines;
    RtfWriter writer(lines, status);
    write(writer, withFace(OutputFormat::Rtf, "C059 [urw]"), {{kRed}});
    EXPECT_EQ(lines[0], "{\\rtf\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 C059;}}");

    DocumentLines odd;
    RtfWriter oddWriter(odd, status);
    write(oddWriter, withFace(OutputFormat::Rtf, "a;b{c}\\d\xE9"), {{kRed}});
    EXPECT_EQ(odd[0], "{\\rtf\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 "
                      "a\\'3bb\\'7bc\\'7d\\'5cd\xE9;}}");
    EXPECT_TRUE(test::readRtfStrictly(odd).ok) << test::readRtfStrictly(odd).error;
}

// Every byte value as a pixel text, alone and in pairs, read back by readers
// that refuse any markup out of place, gives back each byte's character.
TEST(DocumentWriters, EveryByteReadsBackAsItsCharacterInEveryFormat) {
    std::vector<ByteString> texts;
    for (unsigned byte = 0; byte < 256; ++byte) {
        texts.emplace_back(1, static_cast<char>(byte));
        texts.push_back(ByteString(1, static_cast<char>(byte)) + static_cast<char>(255 - byte));
    }
    for (const char* face : {"Tahoma", "Terminal"}) {
        const CodePage codePage = codePageOfFace(face);
        const auto character = [&](char c, bool rawWindows1252) -> char32_t {
            const auto byte = static_cast<std::uint8_t>(c);
            if (byte == 0)
                return U' ';
            if (byte < 0x80)
                return byte;
            return rawWindows1252 ? windows1252ToUnicode(byte) : toUnicode(codePage, byte);
        };
        for (const OutputFormat format :
             {OutputFormat::PlainHtml, OutputFormat::CssHtml, OutputFormat::Rtf}) {
            const bool rtf = format == OutputFormat::Rtf;
            std::u32string expected;
            for (const ByteString& text : texts)
                for (const char c : text)
                    if (!rtf || (c != '\r' && c != '\n')) // not text in RTF
                        expected += character(c, rtf && codePage == CodePage::Windows1252);

            DocumentLines lines;
            test::RecordingObserver status;
            HtmlWriter html(lines);
            RtfWriter rtfWriter(lines, status);
            OutputWriter& writer = rtf ? static_cast<OutputWriter&>(rtfWriter) : html;
            const DocumentLines document = writeTexts(writer, lines, withFace(format, face), texts);
            const test::StrictRead read =
                rtf ? test::readRtfStrictly(document) : test::readHtmlStrictly(document);
            ASSERT_TRUE(read.ok) << face << " " << static_cast<int>(format) << ": " << read.error;
            ASSERT_EQ(read.lines.size(), 1u) << face << " " << static_cast<int>(format);
            EXPECT_TRUE(read.lines[0] == expected) << face << " " << static_cast<int>(format);
        }
    }
}

TEST(StrictReaders, RefuseBrokenMarkup) {
    const auto html = [](const ByteString& pixels) {
        return test::readHtmlStrictly(
            {"<html>", "<body><pre><center>", pixels, "</center></pre>", "</body></html>"});
    };
    EXPECT_TRUE(html("<font color=#FF0000>a&lt;&#9608;</font>").ok);
    for (const char* broken :
         {"<font color=#FF0000>a<b</font>", "<font color=#FF0000>\xDB</font>",
          "<font color=#FF0000>&bogus;</font>", "<font color=#FF0000>a", "<font color=\"x>a</font>",
          "<font color=#FF0000>a</s>", "<font face=\"a\"b\">a</font>"})
        EXPECT_FALSE(html(broken).ok) << broken;

    EXPECT_TRUE(test::readRtfStrictly({"{\\rtf\\ansi{\\colortbl ;\\red1\\green2\\blue3",
                                       ";}\\cf1 "
                                       "a\\u9608\\'db\\{\\par",
                                       "}"})
                    .ok);
    for (const char* broken : {"{\\rtf\\cf1 a", "{\\rtf\\cf1 a}}", "{\\rtf\\bogus a}",
                               "{\\rtf\\'zz}", "{\\rtf\\u99999 a}"})
        EXPECT_FALSE(test::readRtfStrictly({broken}).ok) << broken;
}

} // namespace
} // namespace varnelo
