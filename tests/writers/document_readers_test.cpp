// The documents as people read them: HTML in headless Chromium, RTF in
// LibreOffice. Each reader runs with a time limit and a profile folder of its
// own; a test is skipped where its reader is not installed.
#include "engine/codepages.h"
#include "engine/conversion_pass.h"
#include "engine/random_generator.h"
#include "tests/support/picture_files.h"
#include "tests/support/recording_observer.h"
#include "tests/support/saved_document.h"
#include "tests/support/shell_commands.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_clock.h"
#include "tests/support/whole_conversion.h"
#include "writers/glyph_shapes.h"
#include "writers/html_writer.h"
#include "writers/output_writer_factory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace varnelo {
namespace {

using test::installed;

std::string quoted(const std::string& text) {
    return test::shellQuoted(text);
}

std::optional<std::string> output(const std::string& command) {
    return test::commandOutput(command);
}

std::u32string fromUtf8(std::string_view text) {
    std::u32string result;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        auto character = static_cast<char32_t>(length == 1 ? lead : lead & (0x3F >> (length - 1)));
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < text.size(); ++k)
            character = (character << 6) |
                        (static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
        result += character;
        i += static_cast<std::size_t>(length);
    }
    return result;
}

std::u32string repeated(char32_t character, std::size_t count) {
    return std::u32string(count, character);
}

// The text of the pixel lines of a page Chromium has read: what stands
// between <center> and </center> without tags and line ends, the entities
// of its serialisation decoded.
std::u32string pageText(const std::string& dom) {
    const std::size_t start = dom.find("<center>");
    const std::size_t end = dom.find("</center>");
    if (start == std::string::npos || end == std::string::npos)
        return U"(no picture in the page)";
    std::string text;
    bool inTag = false;
    for (std::size_t i = start; i < end; ++i) {
        const char c = dom[i];
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag && c != '\n')
            text += c;
    }
    for (const auto& [entity, character] :
         {std::pair{"&nbsp;", "\xC2\xA0"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1))
            text.replace(at, std::string_view(entity).size(), character);
    }
    return fromUtf8(text);
}

class DocumentReaders : public ::testing::Test {
protected:
    DocumentReaders() {
        test::writeBmpFile(picture_, 4, 1, [](int x, int) {
            return makeRgb(x == 0 ? 255 : 0, x == 1 ? 255 : 0, 40);
        });
    }

    // Converts the 4 × 1 picture with the settings; the path of the document.
    std::string convert(ConversionSettings settings, const std::string& name) {
        settings.sourcePath = picture_;
        settings.outputPath = folder_.file(name);
        settings.imageWidth = 4;
        settings.imageHeight = 1;
        EXPECT_EQ(test::runConversion(settings, 5, makeOutputWriter, glyphShapesOf), PassEnd::Done)
            << name;
        return settings.outputPath;
    }

    // The characters the settings draw, as the converter's text output has them.
    std::u32string charactersOf(ConversionSettings settings) {
        settings.outputFormat = OutputFormat::PlainText;
        const std::vector<std::uint8_t> text = test::readBytes(convert(settings, "drawn.txt"));
        std::u32string characters;
        for (const std::uint8_t byte : text)
            if (byte != '\n')
                characters += windows1252ToUnicode(byte);
        return characters;
    }

    std::u32string readInChromium(const std::string& path) {
        const test::TempDir profile;
        const std::optional<std::string> dom =
            output("timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic "
                   "--no-first-run --disable-background-networking --disable-component-update "
                   "--disable-sync --user-data-dir=" +
                   quoted(profile.path().string()) + " --dump-dom " + quoted("file://" + path) +
                   " 2>/dev/null");
        return dom ? pageText(*dom) : U"(chromium failed)";
    }

    // The page Chromium dumps of a copy of the document with a script added
    // that writes the first run's computed background and colour into it
    // ("data-run"); nothing when Chromium failed.
    std::optional<std::string> firstRunStyle(const std::string& document) {
        const std::vector<std::uint8_t> written = test::readBytes(document);
        std::string page(written.begin(), written.end());
        const std::size_t end = page.find("</body>");
        if (end == std::string::npos)
            return std::nullopt;
        page.insert(end, "<script>const run = document.querySelector('center font[color], "
                         "center s'); const style = getComputedStyle(run); "
                         "document.body.setAttribute('data-run', style.backgroundColor + ' / ' + "
                         "style.color);</script>");
        const std::string path = folder_.file("with-script.html");
        test::writeBytes(path, std::vector<std::uint8_t>(page.begin(), page.end()));
        const test::TempDir profile;
        return output("timeout 60 chromium --headless --no-sandbox --disable-gpu --no-first-run "
                      "--user-data-dir=" +
                      quoted(profile.path().string()) + " --dump-dom " + quoted("file://" + path) +
                      " 2>/dev/null");
    }

    // Converts the RTF documents with LibreOffice into the filter's format;
    // the converted files are in folder, named after the documents.
    bool convertInLibreOffice(const std::vector<std::string>& documents, const std::string& filter,
                              const std::string& folder) {
        const test::TempDir profile;
        std::string command = "timeout 180 soffice -env:UserInstallation=" +
                              quoted("file://" + profile.path().string()) +
                              " --headless --convert-to " + filter + " --outdir " + quoted(folder);
        for (const std::string& document : documents)
            command += " " + quoted(document);
        return output(command + " >/dev/null 2>&1").has_value();
    }

    // The RTF document as LibreOffice exports it to HTML, in lower case;
    // empty when LibreOffice failed.
    std::string inLibreOfficesHtml(const std::string& document) {
        const test::TempDir converted;
        if (!convertInLibreOffice({document}, "html", converted.path().string()))
            return {};
        const std::string name = std::filesystem::path(document).stem().string() + ".html";
        const std::vector<std::uint8_t> html = test::readBytes(converted.file(name));
        std::string page(html.begin(), html.end());
        for (char& c : page)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return page;
    }

    test::TempDir folder_;
    std::string picture_ = folder_.file("picture.bmp");
};

constexpr char32_t kShades[] = {U'\u2591', U'\u2592', U'\u2593', U'\u2588'}; // ░ ▒ ▓ █

ConversionSettings blocks(OutputFormat format, int strength) {
    ConversionSettings settings;
    settings.outputFormat = format;
    settings.transformation = PixelTransformation::TerminalBlocks;
    settings.fontFace = kTerminalFace;
    settings.blockStrength = strength;
    return settings;
}

ConversionSettings phrase(OutputFormat format) {
    ConversionSettings settings;
    settings.outputFormat = format;
    settings.transformation = PixelTransformation::CustomText;
    settings.customPhrase = "\xE9"; // é in Windows-1252
    settings.fontSize = 1;
    return settings;
}

// The picture's red, green and two dark pixels by brightness on a dark
// background, a character each: "+*--".
ConversionSettings ramp(OutputFormat format) {
    ConversionSettings settings;
    settings.outputFormat = format;
    settings.transformation = PixelTransformation::BrightnessRamp;
    settings.ramp = "-+*#";
    return settings;
}

const std::u32string kRampText = U"+*--";

// Shapes drawn with the characters RTF and HTML must escape or that break
// lines elsewhere: what they are depends on the glyphs' shapes, so they are
// compared with the converter's text output of the same settings.
ConversionSettings shapes(OutputFormat format) {
    ConversionSettings settings;
    settings.outputFormat = format;
    settings.transformation = PixelTransformation::GlyphShapes;
    settings.glyphs = "/\\{}<&|";
    settings.fontFace = "DejaVu Sans Mono";
    return settings;
}

TEST_F(DocumentReaders, ChromiumShowsTheCharactersOfTheChosenMode) {
    if (!installed("chromium"))
        GTEST_SKIP() << "chromium is not installed";
    for (const OutputFormat format : {OutputFormat::PlainHtml, OutputFormat::CssHtml}) {
        const std::string kind = format == OutputFormat::PlainHtml ? "plain" : "css";
        for (int strength = 0; strength < 4; ++strength) {
            const std::string path =
                convert(blocks(format, strength), kind + std::to_string(strength) + ".html");
            // Four pixels of two characters each.
            EXPECT_TRUE(readInChromium(path) == repeated(kShades[strength], 8))
                << kind << " strength " << strength + 1;
        }
        EXPECT_TRUE(readInChromium(convert(phrase(format), kind + "-phrase.html")) ==
                    repeated(U'\u00E9', 4))
            << kind;
        EXPECT_TRUE(readInChromium(convert(ramp(format), kind + "-ramp.html")) == kRampText)
            << kind;
        const std::u32string drawn = charactersOf(shapes(format));
        EXPECT_EQ(drawn.size(), 4U);
        EXPECT_TRUE(readInChromium(convert(shapes(format), kind + "-shapes.html")) == drawn)
            << kind;
    }
}

// Filled runs, as Chromium styles them: the first run (the red pixel) on
// red, its characters in a lighter shade of it. A script added to a copy
// of the document writes the computed style into the page it dumps.
TEST_F(DocumentReaders, ChromiumShowsFilledRunsOnTheirColour) {
    if (!installed("chromium"))
        GTEST_SKIP() << "chromium is not installed";
    for (const OutputFormat format : {OutputFormat::PlainHtml, OutputFormat::CssHtml}) {
        ConversionSettings settings;
        settings.outputFormat = format;
        settings.fillCells = true;
        const std::optional<std::string> dom = firstRunStyle(convert(settings, "filled.html"));
        ASSERT_TRUE(dom.has_value());
        EXPECT_NE(dom->find("data-run=\"rgb(255, 0, 40) / rgb(255, 127, 147)\""), std::string::npos)
            << *dom;
    }
}

TEST_F(DocumentReaders, ChromiumShowsTheWindows1252CharactersOfACustomRange) {
    if (!installed("chromium"))
        GTEST_SKIP() << "chromium is not installed";
    // The bytes of the range 128:160 in turn, one pixel each.
    DocumentLines lines;
    HtmlWriter writer(lines);
    ConversionSettings settings;
    ASSERT_TRUE(writer.beginOutput(settings, 33, 1).proceeds());
    writer.beginLine(0);
    std::u32string expected;
    for (unsigned byte = 128; byte <= 160; ++byte) {
        writer.putPixel(static_cast<int>(byte), 0,
                        windows1252ToUtf8(ByteString(1, static_cast<char>(byte))), byte % 2, true);
        expected += windows1252ToUnicode(static_cast<std::uint8_t>(byte));
    }
    writer.endLine(0);
    ASSERT_EQ(writer.finishOutput().status, WriteStatus::Written);
    const std::string path = folder_.file("range.html");
    const std::atomic<bool> cancel{false};
    ASSERT_EQ(test::saveDocument(lines, path, cancel).status, WriteStatus::Written);
    EXPECT_TRUE(readInChromium(path) == expected);
}

TEST_F(DocumentReaders, LibreOfficeShowsTheCharactersAndTheColoursOfTheRuns) {
    if (!installed("soffice"))
        GTEST_SKIP() << "LibreOffice is not installed";
    std::vector<std::string> documents;
    for (int strength = 0; strength < 4; ++strength)
        documents.push_back(convert(blocks(OutputFormat::Rtf, strength),
                                    "blocks" + std::to_string(strength) + ".rtf"));
    documents.push_back(convert(phrase(OutputFormat::Rtf), "phrase.rtf"));
    documents.push_back(convert(ramp(OutputFormat::Rtf), "ramp.rtf"));
    documents.push_back(convert(shapes(OutputFormat::Rtf), "shapes.rtf"));
    const test::TempDir converted;
    ASSERT_TRUE(convertInLibreOffice(documents, "txt:Text", converted.path().string()));
    const auto textOf = [&](const std::string& name) {
        const std::vector<std::uint8_t> bytes = test::readBytes(converted.file(name));
        std::string text(bytes.begin(), bytes.end());
        if (text.starts_with("\xEF\xBB\xBF"))
            text.erase(0, 3);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        return fromUtf8(text);
    };
    for (int strength = 0; strength < 4; ++strength)
        EXPECT_TRUE(textOf("blocks" + std::to_string(strength) + ".txt") ==
                    repeated(kShades[strength], 8))
            << "strength " << strength + 1;
    EXPECT_TRUE(textOf("phrase.txt") == repeated(U'\u00E9', 4));
    EXPECT_TRUE(textOf("ramp.txt") == kRampText);
    EXPECT_TRUE(textOf("shapes.txt") == charactersOf(shapes(OutputFormat::Rtf)));

    // The colour table still colours the runs: the first pixel is red.
    ASSERT_TRUE(convertInLibreOffice({documents.front()}, "html", converted.path().string()));
    const std::vector<std::uint8_t> html = test::readBytes(converted.file("blocks0.html"));
    std::string page(html.begin(), html.end());
    for (char& c : page)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(page.find("color=\"#ff0028\""), std::string::npos) << page;
    EXPECT_NE(page.find("color=\"#00ff28\""), std::string::npos);
}

// Filled RTF runs are shaded with their colour: LibreOffice's HTML export
// gives the first run a red background.
TEST_F(DocumentReaders, LibreOfficeShowsFilledRunsOnTheirColour) {
    if (!installed("soffice"))
        GTEST_SKIP() << "LibreOffice is not installed";
    ConversionSettings settings;
    settings.outputFormat = OutputFormat::Rtf;
    settings.fillCells = true;
    const std::string page = inLibreOfficesHtml(convert(settings, "filled.rtf"));
    EXPECT_NE(page.find("background: #ff0028"), std::string::npos) << page;
    EXPECT_NE(page.find("color=\"#ff7f93\""), std::string::npos) << page;
}

// Two cells of symbols, each in its two colours: the upper half red on blue,
// the left half green on white, as every reader of the documents and a
// terminal show them.
TEST_F(DocumentReaders, EveryReaderShowsTheSymbolsInTheirTwoColours) {
    const std::string picture = folder_.file("halves.bmp");
    test::writeBmpFile(picture, 16, 8, [](int x, int y) {
        if (x < 8)
            return y < 4 ? makeRgb(220, 20, 40) : makeRgb(10, 40, 230);
        return x < 12 ? makeRgb(30, 200, 60) : makeRgb(255, 255, 255);
    });
    const auto convertSymbols = [&](OutputFormat format, const std::string& name) {
        ConversionSettings settings;
        settings.transformation = PixelTransformation::Symbols;
        settings.fontFace = "DejaVu Sans Mono";
        settings.outputFormat = format;
        settings.sourcePath = picture;
        settings.outputPath = folder_.file(name);
        settings.imageWidth = 2;
        settings.imageHeight = 1;
        EXPECT_EQ(test::runConversion(settings, 5, makeOutputWriter, glyphShapesOf), PassEnd::Done);
        return settings.outputPath;
    };
    const std::u32string symbols = U"\u2580\u258C";
    if (installed("chromium")) {
        for (const OutputFormat format : {OutputFormat::PlainHtml, OutputFormat::CssHtml}) {
            const std::string path = convertSymbols(format, "symbols.html");
            EXPECT_TRUE(readInChromium(path) == symbols);
            const std::optional<std::string> dom = firstRunStyle(path);
            ASSERT_TRUE(dom.has_value());
            EXPECT_NE(dom->find("data-run=\"rgb(10, 40, 230) / rgb(220, 20, 40)\""),
                      std::string::npos)
                << *dom;
        }
    }
    if (installed("soffice")) {
        const std::string document = convertSymbols(OutputFormat::Rtf, "symbols.rtf");
        const test::TempDir converted;
        ASSERT_TRUE(convertInLibreOffice({document}, "txt:Text", converted.path().string()));
        const std::vector<std::uint8_t> bytes = test::readBytes(converted.file("symbols.txt"));
        std::string text(bytes.begin(), bytes.end());
        EXPECT_NE(text.find("\u2580\u258C"), std::string::npos) << text;
        const std::string page = inLibreOfficesHtml(document);
        EXPECT_NE(page.find("background: #0a28e6"), std::string::npos) << page;
        EXPECT_NE(page.find("color=\"#dc1428\""), std::string::npos) << page;
    }
    // A terminal (tmux's) shows the ansi as the symbols, each on its
    // background in its ink.
    if (installed("tmux")) {
        const std::string ansi = convertSymbols(OutputFormat::AnsiText, "symbols.ans");
        const std::string socket = folder_.file("tmux");
        const std::string tmux = "tmux -S " + quoted(socket);
        ASSERT_TRUE(output(tmux + " -f /dev/null new-session -d -x 40 -y 5 'cat " + quoted(ansi) +
                           "; sleep 30'")
                        .has_value());
        std::optional<std::string> screen;
        for (int attempt = 0; attempt < 50; ++attempt) {
            screen = output(tmux + " capture-pane -p -e");
            if (screen && screen->find("\u258C") != std::string::npos)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        output(tmux + " kill-server");
        ASSERT_TRUE(screen.has_value());
        EXPECT_NE(screen->find("\u2580"), std::string::npos) << *screen;
        EXPECT_NE(screen->find("38;2;220;20;40"), std::string::npos) << *screen;
        EXPECT_NE(screen->find("48;2;10;40;230"), std::string::npos) << *screen;
    }
}

// Paper as wide as the widest line: each picture line is one text line, in
// the named face or in the one LibreOffice draws in its place. The picture
// keeps to few colours; LibreOffice lays out thousands of them slowly.
TEST_F(DocumentReaders, LibreOfficeLaysEachPictureLineOnOneLine) {
    if (!installed("soffice") || !installed("pdftotext"))
        GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
    const std::string picture = folder_.file("photo.bmp");
    test::writeBmpFile(picture, 120, 90, [](int x, int y) {
        return makeRgb(static_cast<std::uint8_t>(x / 30 * 60),
                       static_cast<std::uint8_t>(y / 30 * 90), 120);
    });
    struct Case {
        const char* name;
        PixelTransformation mode;
        const char* face;
    };
    const Case cases[] = {{"binary", PixelTransformation::RandomBinary, "Tahoma"},
                          {"letters", PixelTransformation::RandomBigLetters, "Tahoma"},
                          {"blocks", PixelTransformation::TerminalBlocks, kTerminalFace},
                          {"mono", PixelTransformation::RandomSmallLetters, "DejaVu Sans Mono"}};
    std::vector<std::string> documents;
    for (const Case& one : cases) {
        ConversionSettings settings;
        settings.outputFormat = OutputFormat::Rtf;
        settings.transformation = one.mode;
        settings.fontFace = one.face;
        settings.blockStrength = 4;
        settings.sourcePath = picture;
        settings.outputPath = folder_.file(std::string(one.name) + ".rtf");
        settings.imageWidth = 120;
        settings.imageHeight = 90;
        ASSERT_EQ(test::runConversion(settings, 5, makeOutputWriter), PassEnd::Done) << one.name;
        documents.push_back(settings.outputPath);
    }
    const test::TempDir converted;
    ASSERT_TRUE(convertInLibreOffice(documents, "pdf", converted.path().string()));
    for (const Case& one : cases) {
        const std::string pdf = converted.file(std::string(one.name) + ".pdf");
        const std::optional<std::string> laidOut =
            output("pdftotext -layout " + quoted(pdf) + " - 2>/dev/null");
        ASSERT_TRUE(laidOut.has_value()) << one.name;
        std::vector<std::u32string> lines;
        std::size_t start = 0;
        while (start < laidOut->size()) {
            const std::size_t end = std::min(laidOut->find('\n', start), laidOut->size());
            std::u32string line = fromUtf8(std::string_view(*laidOut).substr(start, end - start));
            while (!line.empty() && (line.front() == U' ' || line.front() == U'\f'))
                line.erase(0, 1);
            if (!line.empty())
                lines.push_back(line);
            start = end + 1;
        }
        EXPECT_EQ(lines.size(), 90u) << one.name;
        for (const std::u32string& line : lines)
            EXPECT_EQ(line.size(), 240u) << one.name;
    }
}

} // namespace
} // namespace varnelo
