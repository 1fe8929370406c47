#include "cli/converter.h"
#include "library/picture_settings.h"

#include "library/command_line.h"

#include "engine/conversion_pass.h"
#include "engine/output_formats.h"
#include "engine/random_generator.h"
#include "engine/version.h"
#include "tests/support/exif_samples.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_clock.h"
#include "writers/atomic_file.h"
#include "writers/output_writer_factory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

namespace varnelo {
namespace {

using Arguments = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

Rgb quarters(int x, int y) {
    static constexpr Rgb kColors[2][2] = {{makeRgb(255, 0, 0), makeRgb(0, 255, 0)},
                                          {makeRgb(0, 0, 255), makeRgb(255, 255, 255)}};
    return kColors[y][x];
}

// One line of the converter about a picture.
// What the converter says of bytes that are no picture it reads.
const std::string notAPicture = "not a " + pictureTypeNames() + " picture";

std::string said(const std::string& picture, const std::string& message) {
    return "varnelo-convert: " + picture + ": " + message + "\n";
}

std::string textOf(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

class Converter : public ::testing::Test {
protected:
    Converter() { test::writeBmpFile(picture_, 2, 2, quarters); }

    int run(const Arguments& arguments, bool terminal = false) {
        out_.str("");
        err_.str("");
        const ConsoleStreams console{out_, err_, terminal};
        const int code = convertPictures(arguments, console, cancel_);
        EXPECT_EQ(out_.str(), "") << "only --help and --version write to stdout";
        return code;
    }

    // Runs with standard output (and input) of the test's own: what the
    // conversion wrote there.
    std::string piped(const Arguments& arguments, const std::string& input = {},
                      int terminalColumns = 0, int* code = nullptr, int terminalRows = 0) {
        out_.str("");
        err_.str("");
        std::istringstream in(input);
        const ConsoleStreams console{out_,
                                     err_,
                                     false,
                                     &in,
                                     terminalColumns > 0,
                                     terminalColumns,
                                     terminalRows,
                                     TerminalColors::Truecolor};
        const int exitCode = convertPictures(arguments, console, cancel_);
        if (code != nullptr)
            *code = exitCode;
        else
            EXPECT_EQ(exitCode, kExitConverted) << err_.str();
        return out_.str();
    }

    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    // What a conversion with the same seed makes when driven directly.
    Bytes expectedOutput(ConversionSettings settings, std::uint32_t seed) {
        const std::string path = other_.file("expected");
        settings.sourcePath = picture_;
        settings.outputPath = path;
        RandomGenerator random(seed);
        const test::TestClock clock;
        test::RecordingObserver observer;
        const std::atomic<bool> cancel{false};
        ConversionPass pass(settings, random, clock, observer, cancel, makeOutputWriter,
                            openAtomicOutput);
        EXPECT_EQ(pass.run().end, PassEnd::Done);
        return test::readBytes(path);
    }

    test::TempDir dir_;
    test::TempDir other_;
    std::string picture_ = dir_.file("cat.bmp");
    StringConsoleStream out_;
    StringConsoleStream err_;
    std::atomic<bool> cancel_{false};
};

TEST_F(Converter, MakesTheSameDocumentAsTheConversionItRuns) {
    ASSERT_EQ(run({"--seed", "1234", picture_}), kExitConverted) << err_.str();
    EXPECT_EQ(err_.str(), "");
    const Bytes written = test::readBytes(dir_.file("cat.html"));

    ConversionSettings settings;
    settings.backgroundColor = makeRgb(255, 0, 0); // the top-left pixel
    settings.imageWidth = 2;
    settings.imageHeight = 2;
    settings.colorDepth = ColorDepth::Depth24;
    EXPECT_EQ(written, expectedOutput(settings, 1234));

    const std::string text = textOf(written);
    EXPECT_TRUE(text.starts_with("<html>\r\n<head><title>ascii color picture</title>\r\n"));
    EXPECT_NE(text.find("body {background-color: #FF0000; font-size:8pt; line-height:8pt}\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("<font face=\"Tahoma\">\r\n<font color=#FF0000>"), std::string::npos);
    EXPECT_TRUE(text.ends_with("</font>\r\n</center></pre>\r\n</body></html>\r\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));
}

// A large JPEG's symbols are matched while it decodes, where the size is
// known before the picture is (both sides, or a fit into terminal text):
// what they make is what the conversion makes matching them after.
TEST_F(Converter, SymbolsMatchedWhileAJpegDecodesAreThoseOfTheConversion) {
    constexpr int kWidth = 1280, kHeight = 960;
    Bytes pixels(std::size_t{kWidth} * kHeight * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>((i / 3 % kWidth + i / 3 / kWidth * 3) ^ (i * 7));
    picture_ = dir_.file("photo.jpg");
    test::writeBytes(picture_, test::encodeJpeg(kWidth, kHeight, 3, pixels));

    ConversionSettings settings;
    settings.transformation = PixelTransformation::Symbols;
    settings.outputFormat = OutputFormat::AnsiText;
    settings.terminalColors = TerminalColors::Truecolor;
    settings.fillCells = true;
    settings.backgroundColor = kFilledCellModeBackground;
    settings.colorDepth = ColorDepth::Depth24;
    settings.imageWidth = 120;
    settings.imageHeight = 45; // 120 columns of cells twice as high as wide
    const Bytes expected = expectedOutput(settings, 1);
    for (const Arguments& size :
         {Arguments{"-W", "120", "-H", "45"}, Arguments{"--fit", "120x50"}}) {
        Arguments arguments = {"-q",        "-m",   "symbols",
                               "-f",        "ansi", "--colors",
                               "truecolor", "-o",   dir_.file("photo.txt"),
                               picture_};
        arguments.insert(arguments.begin(), size.begin(), size.end());
        ASSERT_EQ(run(arguments), kExitConverted) << err_.str();
        EXPECT_EQ(test::readBytes(dir_.file("photo.txt")), expected) << size.front();
    }
}

TEST_F(Converter, PassesEveryChoiceToTheConversion) {
    const std::string output = dir_.file("out.html");
    ASSERT_EQ(run({"--seed", "9",  "-f", "css-html", "-m",      "range", "--range",
                   "65:70",  "-s", "11", "--font",   "Verdana", "-b",    "123456",
                   "-W",     "4",  "-d", "8",        "-o",      output,  picture_}),
              kExitConverted)
        << err_.str();
    ConversionSettings settings;
    settings.outputFormat = OutputFormat::CssHtml;
    settings.transformation = PixelTransformation::CustomRange;
    settings.rangeFrom = 65;
    settings.rangeTo = 70;
    settings.fontSize = 11;
    settings.fontFace = "Verdana";
    settings.backgroundColor = makeRgb(0x12, 0x34, 0x56);
    settings.imageWidth = 4;
    settings.imageHeight = 4;
    settings.colorDepth = ColorDepth::Depth8;
    EXPECT_EQ(test::readBytes(output), expectedOutput(settings, 9));
}

TEST_F(Converter, WritesEachFormat) {
    ASSERT_EQ(run({"-f", "rtf", picture_}), kExitConverted);
    EXPECT_TRUE(textOf(test::readBytes(dir_.file("cat.rtf"))).starts_with("{\\rtf"));

    ASSERT_EQ(run({"-f", "png", picture_}), kExitConverted) << err_.str();
    EXPECT_TRUE(textOf(test::readBytes(dir_.file("cat.png"))).starts_with("\x89PNG\r\n\x1A\n"));

    ASSERT_EQ(run({"-o", dir_.file("drawn.JPG"), "-Q", "30", picture_}), kExitConverted);
    EXPECT_TRUE(textOf(test::readBytes(dir_.file("drawn.JPG"))).starts_with("\xFF\xD8\xFF"));

    ASSERT_EQ(run({"-f", "bmp", "-m", "blocks", "--blocks", "random", picture_}), kExitConverted);
    EXPECT_TRUE(textOf(test::readBytes(dir_.file("cat1.bmp"))).starts_with("BM"));
}

// A grey gradient, black on the left: as text, the ramp's characters in
// order, from the least ink on black, from the most on a white background.
TEST_F(Converter, RampModeDrawsTheBrightnessInEveryFormat) {
    const std::string gradient = dir_.file("gradient.bmp");
    test::writeBmpFile(gradient, 256, 2, [](int x, int) {
        const auto grey = static_cast<std::uint32_t>(x);
        return makeRgb(grey, grey, grey);
    });
    const std::string ramp = ConversionSettings{}.ramp;
    for (const bool whiteBackground : {false, true}) {
        Arguments arguments = {"-m", "ramp", "-f", "text", "-W", "80", "-H", "1", "-o", "-"};
        arguments.insert(arguments.end(), {"-b", whiteBackground ? "FFFFFF" : "000000"});
        arguments.push_back(gradient);
        const std::string line = piped(arguments);
        ASSERT_EQ(line.size(), 81U) << line;
        std::string steps;
        for (std::size_t i = 0; i < 80; ++i)
            if (steps.empty() || steps.back() != line[i])
                steps += line[i];
        std::string expected = ramp;
        if (whiteBackground)
            std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(steps, expected) << line;
    }
    for (const OutputFormatEntry& format : outputFormats()) {
        int code = 0;
        const std::string written = piped(
            {"-m", "ramp", "--ramp", "ab", "-f", std::string(format.name), "-o", "-", gradient}, {},
            0, &code);
        EXPECT_EQ(code, kExitConverted) << format.name << ": " << err_.str();
        EXPECT_FALSE(written.empty()) << format.name;
    }
}

// Black lines on white, at -W 80 -H 10 a character cell each 10 × 20
// pixels of them.
struct LinePicture {
    const char* name;
    bool (*onLine)(int x, int y);
    std::string_view glyphs; // the characters that draw such lines
};

constexpr std::array<LinePicture, 4> kLinePictures = {{
    {"vertical", [](int x, int) { return x % 10 >= 4 && x % 10 <= 5; }, "|!Il1[]()"},
    {"horizontal", [](int, int y) { return y % 20 >= 9 && y % 20 <= 11; }, "-_=~"},
    // As steep as a character's own diagonal, corner to corner of every
    // second character.
    {"rising", [](int x, int y) { return (2 * x + y + 22) % 40 <= 4; }, "/"},
    {"falling", [](int x, int y) { return (2 * x - y + 422) % 40 <= 4; }, "\\"},
}};

TEST_F(Converter, ShapesModeDrawsLinesWithGlyphsOfTheirDirection) {
    for (const LinePicture& lines : kLinePictures) {
        const std::string picture = dir_.file(std::string(lines.name) + ".bmp");
        test::writeBmpFile(picture, 800, 200, [&](int x, int y) {
            return lines.onLine(x, y) ? makeRgb(0, 0, 0) : makeRgb(255, 255, 255);
        });
        for (const char* face : {"DejaVu Sans Mono", "Tahoma"}) {
            const std::string text = piped({"-m", "shapes", "--font", face, "-f", "text", "-W",
                                            "80", "-H", "10", "-o", "-", picture});
            ASSERT_EQ(text.size(), 10U * 81U) << lines.name << " " << face;
            int drawn = 0;
            int right = 0;
            for (const char character : text) {
                if (character == ' ' || character == '\n')
                    continue;
                ++drawn;
                right += lines.glyphs.find(character) != std::string_view::npos ? 1 : 0;
            }
            EXPECT_GE(drawn, 200) << lines.name << " " << face << ":\n" << text;
            EXPECT_GT(right * 10, drawn * 8) << lines.name << " " << face << ":\n" << text;
        }
    }
}

TEST_F(Converter, ShapesModeWritesEveryFormatWithTheChosenGlyphs) {
    const std::string picture = dir_.file("rising.bmp");
    test::writeBmpFile(picture, 800, 200, [](int x, int y) {
        return kLinePictures[2].onLine(x, y) ? makeRgb(0, 0, 200) : makeRgb(250, 250, 0);
    });
    for (const OutputFormatEntry& format : outputFormats()) {
        for (const bool fill : {false, true}) {
            Arguments arguments = {
                "-m", "shapes", "-W", "80", "-H", "10", "-f", std::string(format.name), "-o", "-"};
            if (fill)
                arguments.push_back("--fill");
            arguments.push_back(picture);
            int code = 0;
            const std::string written = piped(arguments, {}, 0, &code);
            EXPECT_EQ(code, kExitConverted) << format.name << ": " << err_.str();
            EXPECT_FALSE(written.empty()) << format.name;
        }
    }
    // Slashes, backslashes and braces are written as such (escaped in RTF).
    const std::string rtf = piped({"-m", "shapes", "--glyphs", " /{", "-W", "80", "-H", "10", "-f",
                                   "rtf", "-o", "-", picture});
    EXPECT_NE(rtf.find("/"), std::string::npos) << rtf;
    const std::string text = piped({"-m", "shapes", "--glyphs", " /", "-W", "80", "-H", "10", "-f",
                                    "text", "-o", "-", picture});
    EXPECT_EQ(text.find_first_not_of(" /\n"), std::string::npos) << text;
    EXPECT_NE(text.find('/'), std::string::npos) << text;
    EXPECT_EQ(run({"-m", "shapes", "--glyphs", "", picture}), kExitUsage);
}

TEST_F(Converter, FillPutsEachRunOnItsColour) {
    const std::string plain = piped({"--seed", "1", "-f", "plain-html", "-o", "-", picture_});
    const std::string filled =
        piped({"--seed", "1", "--fill", "-f", "plain-html", "-o", "-", picture_});
    EXPECT_EQ(plain.find("background-color:#FF0000"), std::string::npos);
    EXPECT_NE(filled.find("<font color=#FF7F7F style=\"background-color:#FF0000\">"),
              std::string::npos)
        << filled;
    // Text has no colours: the same characters either way.
    EXPECT_EQ(piped({"--seed", "1", "--fill", "-f", "text", "-o", "-", picture_}),
              piped({"--seed", "1", "-f", "text", "-o", "-", picture_}));
}

TEST_F(Converter, NamesEachOutputAfterItsPicture) {
    const std::string dog = dir_.file("dog.bmp");
    test::writeBmpFile(dog, 3, 1, [](int, int) { return makeRgb(9, 9, 9); });
    ASSERT_EQ(run({"--seed", "5", picture_, dog, picture_}), kExitConverted) << err_.str();
    ASSERT_EQ(run({"-f", "rtf", picture_}), kExitConverted);
    // A folder at the name takes it as a file does.
    std::filesystem::create_directory(dir_.file("cat.png"));
    ASSERT_EQ(run({"-f", "png", picture_}), kExitConverted) << err_.str();
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "dog.bmp", "cat.html", "dog.html",
                                              "cat1.html", "cat.rtf", "cat.png", "cat1.png"}));
    EXPECT_NE(textOf(test::readBytes(dir_.file("dog.html"))).find("#090909"), std::string::npos);
    // One generator serves the whole run: the second cat goes on where the
    // dog stopped rather than starting again.
    EXPECT_NE(test::readBytes(dir_.file("cat.html")), test::readBytes(dir_.file("cat1.html")));
}

TEST_F(Converter, ConvertersStartedTogetherEachWriteTheirOwnFile) {
    constexpr int kConverters = 8;
    std::vector<std::thread> converters;
    std::atomic<int> converted{0};
    for (int i = 0; i < kConverters; ++i)
        converters.emplace_back([&, i] {
            StringConsoleStream out, err;
            const ConsoleStreams console{out, err, false};
            if (convertPictures({"--seed", std::to_string(i), picture_}, console, cancel_) ==
                kExitConverted)
                ++converted;
        });
    for (std::thread& converter : converters)
        converter.join();
    EXPECT_EQ(converted, kConverters);
    std::set<Bytes> outputs;
    for (const std::string& name : files())
        if (name != "cat.bmp")
            outputs.insert(test::readBytes(dir_.file(name)));
    EXPECT_EQ(files().size(), kConverters + 1u);
    EXPECT_EQ(outputs.size(), static_cast<std::size_t>(kConverters)); // none written over
}

TEST_F(Converter, ReadsAPictureFromStandardInputAndWritesStandardOutput) {
    const Bytes bmp = test::readBytes(picture_);
    const std::string fromInput = piped({"--seed", "3", "-"}, {bmp.begin(), bmp.end()});
    ASSERT_EQ(files(), std::set<std::string>{"cat.bmp"}); // nothing beside it: it has no place
    ASSERT_EQ(run({"--seed", "3", "-o", dir_.file("cat.html"), picture_}), kExitConverted);
    EXPECT_EQ(fromInput, textOf(test::readBytes(dir_.file("cat.html"))));

    // "-o -" for every format, the images too.
    EXPECT_TRUE(piped({"-o", "-", "-f", "rtf", picture_}).starts_with("{\\rtf"));
    EXPECT_TRUE(piped({"-o", "-", "-f", "png", picture_}).starts_with("\x89PNG\r\n\x1A\n"));
    EXPECT_TRUE(piped({"-o", "-", "-f", "bmp", picture_}).starts_with("BM"));
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "cat.html"}));

    int code = 0;
    piped({"-"}, "not a picture", 0, &code);
    EXPECT_EQ(code, kExitNotConverted);
    EXPECT_EQ(err_.str(), said("-", notAPicture));
    piped({"-", "-"}, {bmp.begin(), bmp.end()}, 0, &code);
    EXPECT_EQ(code, kExitUsage);
}

// A standard output whose writes fail as a full disk's do; with a reader
// gone, the broken pipe's signal also cancels the run.
class FailingOutput final : public ConsoleStream {
public:
    FailingOutput(int cause, std::atomic<bool>* cancel) : cause_(cause), cancel_(cancel) {}

protected:
    bool put(std::string_view) override {
        if (cancel_ != nullptr)
            cancel_->store(true);
        errno = cause_;
        return false;
    }

private:
    int cause_;
    std::atomic<bool>* cancel_;
};

TEST_F(Converter, SaysWhyStandardOutputFailsButNotWhenItsReaderLeft) {
    for (const bool readerLeft : {false, true}) {
        cancel_ = false;
        FailingOutput out(readerLeft ? EPIPE : ENOSPC, readerLeft ? &cancel_ : nullptr);
        std::istringstream in;
        const ConsoleStreams console{out, err_, false, &in};
        err_.str("");
        EXPECT_EQ(convertPictures({"-f", "ansi", picture_}, console, cancel_), kExitNotConverted);
        EXPECT_EQ(err_.str(),
                  readerLeft ? "" : said(picture_, "failed saving \"-\": No space left on device"));
    }
    cancel_ = false;
}

TEST_F(Converter, WritesTextForATerminalToStandardOutput) {
    // 2 × 2 quarters, two characters a pixel, each line on the background.
    const std::string text = piped({"--seed", "1", "-f", "text", "-W", "2", picture_});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.size(), 2 * 5u);
    const std::string ansi =
        piped({"--seed", "1", "-f", "ansi", "--colors", "truecolor", "-W", "2", picture_});
    EXPECT_TRUE(ansi.starts_with("\x1b[48;2;255;0;0m\x1b[38;2;255;0;0m")) << ansi;
    EXPECT_NE(ansi.find("\x1b[38;2;0;255;0m"), std::string::npos);
    EXPECT_TRUE(ansi.ends_with("\x1b[0m\n"));
    // Blocks in the Terminal face read as UTF-8 shades.
    EXPECT_EQ(piped({"-f", "text", "-m", "blocks", "--blocks", "4", "-W", "1", picture_}), "██\n");
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});
}

TEST_F(Converter, FitsATerminalsWidthAndKeepsTheProportionOnScreen) {
    const auto lines = [](const std::string& text) {
        return std::count(text.begin(), text.end(), '\n');
    };
    const auto width = [](const std::string& text) { return text.find('\n'); };
    // 80 columns, two characters a pixel: 40 pixels, square on screen.
    std::string shown = piped({"-f", "text", picture_}, {}, 80);
    EXPECT_EQ(width(shown), 80u);
    EXPECT_EQ(lines(shown), 40);
    // One character a pixel: 80 pixels, half the lines.
    shown = piped({"-f", "text", "-s", "1", picture_}, {}, 80);
    EXPECT_EQ(width(shown), 80u);
    EXPECT_EQ(lines(shown), 40);
    shown = piped({"-f", "text", "-s", "1", "--no-aspect-correction", picture_}, {}, 80);
    EXPECT_EQ(lines(shown), 80);
    // A given width is kept, also beyond the terminal's height.
    EXPECT_EQ(lines(piped({"-f", "text", "-W", "6", picture_}, {}, 80)), 6);
    EXPECT_EQ(lines(piped({"-f", "text", "-W", "60", picture_}, {}, 80, nullptr, 24)), 60);
    // On a terminal of 24 lines, the picture fits above the prompt: 23 lines.
    shown = piped({"-f", "text", picture_}, {}, 80, nullptr, 24);
    EXPECT_EQ(lines(shown), 23);
    EXPECT_EQ(width(shown), 46u);
    shown = piped({"-f", "text", "-s", "1", picture_}, {}, 100, nullptr, 30);
    EXPECT_EQ(lines(shown), 29);
    EXPECT_EQ(width(shown), 58u);
    // A wide picture keeps filling the width.
    EXPECT_EQ(lines(piped({"-f", "text", "-H", "1", picture_}, {}, 80, nullptr, 24)), 1);
    // Not on a terminal: 80 columns, the height following.
    shown = piped({"-f", "text", picture_});
    EXPECT_EQ(width(shown), 80u);
    EXPECT_EQ(lines(shown), 40);
}

TEST_F(Converter, RefusesABinaryPictureForATerminal) {
    int code = 0;
    piped({"-f", "png", "-o", "-", picture_}, {}, 80, &code);
    EXPECT_EQ(code, kExitUsage);
    EXPECT_TRUE(err_.str().starts_with(
        "varnelo-convert: refusing to write a binary picture to a terminal; use -o FILE\n"));
    EXPECT_EQ(out_.str(), "");
    // A file is fine, as is a document on the terminal.
    piped({"-f", "png", picture_}, {}, 80);
    EXPECT_TRUE(piped({"-o", "-", picture_}, {}, 80).starts_with("<html>"));
}

TEST_F(Converter, ShowsThePictureOnATerminalWhenNoFormatIsAsked) {
    const std::string shown = piped({"--seed", "3", picture_}, {}, 80, nullptr, 24);
    EXPECT_TRUE(shown.starts_with("\x1b[")) << shown;
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 23);
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});
    // Asked for a format or an output, the terminal does not change it.
    piped({"-f", "plain-html", picture_}, {}, 80);
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "cat.html"}));
    EXPECT_TRUE(piped({"-o", "-", picture_}, {}, 80).starts_with("<html>"));
    // Not a terminal: the document beside the picture.
    piped({picture_});
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "cat.html", "cat1.html"}));
}

TEST_F(Converter, TakesItsColoursFromTheEnvironment) {
    EXPECT_EQ(colorsFromEnvironment(nullptr, nullptr), TerminalColors::Palette256);
    EXPECT_EQ(colorsFromEnvironment(nullptr, "truecolor"), TerminalColors::Truecolor);
    EXPECT_EQ(colorsFromEnvironment(nullptr, "24bit"), TerminalColors::Truecolor);
    EXPECT_EQ(colorsFromEnvironment(nullptr, "yes"), TerminalColors::Palette256);
    EXPECT_EQ(colorsFromEnvironment("1", "truecolor"), TerminalColors::None);
    EXPECT_EQ(colorsFromEnvironment("", "truecolor"), TerminalColors::Truecolor);
    EXPECT_EQ(colorsFromEnvironment(nullptr, "truecolor", "dumb"), TerminalColors::None);
    EXPECT_EQ(colorsFromEnvironment(nullptr, nullptr, "xterm"), TerminalColors::Palette256);
    // COLUMNS and LINES, where they are numbers.
    EXPECT_EQ(sizeFromEnvironment("60", "20").columns, 60);
    EXPECT_EQ(sizeFromEnvironment("60", "20").rows, 20);
    EXPECT_EQ(sizeFromEnvironment("6O", "").columns, 0);
    EXPECT_EQ(sizeFromEnvironment(nullptr, "-3").rows, 0);
}

TEST_F(Converter, SaysWhyAPictureDoesNotLoadAndGoesOn) {
    const std::string missing = dir_.file("missing.bmp");
    const std::string broken = dir_.file("broken.png");
    const std::string cut = dir_.file("cut.png");
    const std::string jpeg = dir_.file("photo.jpeg");
    const std::string folder = dir_.file("folder.gif");
    test::writeBytes(broken, {1, 2, 3});
    const std::string whole = other_.file("whole.png");
    ASSERT_EQ(run({"-f", "png", "-o", whole, picture_}), kExitConverted);
    Bytes png = test::readBytes(whole);
    png.resize(png.size() / 2);
    test::writeBytes(cut, png);
    test::writeBytes(jpeg, {0xFF, 0xD8});
    std::filesystem::create_directory(folder);
    const std::string fifo = dir_.file("pipe.bmp"); // with no writer: opening it would wait
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string notes = dir_.file("notes");
    test::writeBytes(notes, {'n', 'o', 't', 'e', 's'});
    EXPECT_EQ(run({missing, broken, cut, jpeg, notes, folder, fifo, picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), said(missing, "No such file or directory") +
                              said(broken, "not a PNG file") + said(cut, "truncated PNG data") +
                              said(jpeg, "truncated JPG data") + said(notes, notAPicture) +
                              said(folder, "not a regular file") +
                              said(fifo, "not a regular file"));
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "broken.png", "cut.png", "photo.jpeg",
                                              "notes", "folder.gif", "pipe.bmp", "cat.html"}));
}

TEST_F(Converter, SaysWhatMemoryAPictureNeedsBeyondTheLimit) {
    const std::string large = dir_.file("large.bmp");
    test::writeBmpFile(large, 1024, 1024, test::noise);
    // At its own size it is held whole: 3 MB.
    EXPECT_EQ(run({"-W", "1024", "--max-memory", "2", large}), kExitNotConverted);
    EXPECT_EQ(err_.str(), said(large, "needs 3 MB, more than the limit of 2 MB (--max-memory)"));
    EXPECT_EQ(run({"--max-memory", "2", "-o", dir_.file("small.html"), large}), kExitConverted);
    EXPECT_EQ(run({"--max-memory", "0", large}), kExitUsage);
}

// Whatever the name, the bytes tell the type; a phone photo shows upright.
TEST_F(Converter, ReadsPicturesByTheirBytesAndShowsThemUpright) {
    // 40 × 20 as stored, its left half black: held turned, it is 20 × 40.
    Bytes grey;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            grey.push_back(x < 20 ? 0 : 255);
    const Bytes phone =
        test::withExifSegment(test::encodeJpeg(40, 20, 1, grey), test::exifWithOrientation(6));
    const auto lineCount = [](const std::string& text) {
        return std::count(text.begin(), text.end(), '\n');
    };
    for (const char* name : {"phone.jpeg", "phone", "phone.JFIF", "phone.png"}) {
        const std::string path = dir_.file(name);
        test::writeBytes(path, phone);
        const std::string shown = piped({"-f", "text", "-m", "binary", path});
        EXPECT_EQ(lineCount(shown), 80) << name << ": 40 pixels wide in 80 columns, twice as high";
    }
    const std::string stored =
        piped({"-f", "text", "-m", "binary", "--no-auto-orient", dir_.file("phone")});
    EXPECT_EQ(lineCount(stored), 20);
    EXPECT_EQ(lineCount(piped({"-f", "text", "-"}, textOf(phone))), 80);
    // Given one side, the other follows the picture as it shows.
    EXPECT_EQ(lineCount(piped({"-f", "text", "-W", "10", dir_.file("phone")})), 20);
}

// A name may hold what a terminal obeys; the converter never passes it on.
TEST_F(Converter, ShowsNoControlCharacterOfANameOrValue) {
    const std::string evil = dir_.file("evil\x1B]0;PWNED\x07\x1B[2J.png");
    test::writeBytes(evil, {1, 2, 3});
    EXPECT_EQ(run({evil}), kExitNotConverted);
    EXPECT_EQ(err_.str(), said(dir_.file("evil\\e]0;PWNED\\x07\\e[2J.png"), "not a PNG file"));
    EXPECT_EQ(run({"--mode", "\x1B[2J", picture_}), kExitUsage);
    EXPECT_EQ(err_.str().find('\x1B'), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("\\e[2J"), std::string::npos) << err_.str();
    EXPECT_EQ(run({"--\x9B"
                   "2J",
                   picture_}),
              kExitUsage);
    EXPECT_EQ(err_.str().find('\x9B'), std::string::npos) << err_.str();
}

TEST_F(Converter, TextModeNeedsAPhrase) {
    EXPECT_EQ(run({"-m", "text", "--phrase", "", picture_}), kExitUsage);
    EXPECT_TRUE(err_.str().starts_with(
        "varnelo-convert: text mode needs a phrase (--phrase or --phrase-file)\n"));
    const std::string empty = other_.file("empty.txt");
    test::writeBytes(empty, {});
    EXPECT_EQ(run({"-m", "text", "--phrase-file", empty, picture_}), kExitUsage);
    EXPECT_TRUE(err_.str().starts_with("varnelo-convert: the phrase file \"" + empty +
                                       "\" is empty; text mode needs a phrase"))
        << err_.str();
    test::writeBytes(empty, {'\r', '\n', '\r'});
    EXPECT_EQ(run({"-m", "text", "--phrase-file", empty, picture_}), kExitUsage);
    EXPECT_TRUE(err_.str().starts_with("varnelo-convert: the phrase file \"" + empty +
                                       "\" holds only line ends; text mode needs a phrase"))
        << err_.str();
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});

    const std::string phrase = other_.file("phrase.txt");
    test::writeBytes(phrase, {'<', 'a', '\r', '\n', 'b', 0xE9});
    ASSERT_EQ(run({"-m", "text", "--phrase-file", phrase, picture_}), kExitConverted);
    const std::string text = textOf(test::readBytes(dir_.file("cat.html")));
    EXPECT_NE(text.find(">&lt;a</font><font color=#00FF00>b&#233;</font>"), std::string::npos);
}

TEST_F(Converter, UsageErrorsConvertNothing) {
    const Bytes before = test::readBytes(picture_);
    test::writeBytes(dir_.file("p.txt"), {'a', 'b'});
    for (const Arguments& arguments :
         {Arguments{"--bogus", picture_}, Arguments{picture_, "-W"}, Arguments{},
          Arguments{"-o", dir_.file("x.html"), picture_, picture_},
          Arguments{"-o", dir_.path().string() + "/./cat.bmp", picture_},
          Arguments{"-m", "text", "--phrase-file", dir_.file("p.txt"), "-o",
                    dir_.path().string() + "/./p.txt", picture_},
          Arguments{"-m", "text", "--phrase-file", other_.file("none.txt"), picture_}}) {
        EXPECT_EQ(run(arguments), kExitUsage);
        const std::string said = err_.str();
        EXPECT_TRUE(said.starts_with("varnelo-convert: ")) << said;
    }
    EXPECT_TRUE(err_.str().starts_with("varnelo-convert: cannot read the phrase file"));
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "p.txt"}));
    EXPECT_EQ(test::readBytes(dir_.file("p.txt")), (Bytes{'a', 'b'}));
    EXPECT_EQ(test::readBytes(picture_), before);
}

TEST_F(Converter, HelpAndVersionGoToStdout) {
    const ConsoleStreams console{out_, err_, false};
    EXPECT_EQ(convertPictures({"--help"}, console, cancel_), kExitConverted);
    EXPECT_TRUE(out_.str().starts_with("Usage: varnelo-convert"));
    out_.str("");
    EXPECT_EQ(convertPictures({"--version"}, console, cancel_), kExitConverted);
    EXPECT_EQ(out_.str(), std::string("varnelo-convert ") + kVersion + "\n");
    EXPECT_EQ(err_.str(), "");
    // The faces --font takes, each on a line: Tahoma from fonts-wine,
    // Terminal drawn by a face of its own, the system's families.
    out_.str("");
    EXPECT_EQ(convertPictures({"--list-fonts"}, console, cancel_), kExitConverted);
    const std::string faces = "\n" + out_.str();
    for (const char* face : {"\nTahoma\n", "\nTerminal\n", "\nDejaVu Sans Mono\n"})
        EXPECT_NE(faces.find(face), std::string::npos) << face << " in" << faces;
    EXPECT_EQ(faces.find("[", 0), std::string::npos) << "one name a family, no foundry";
}

TEST_F(Converter, ACancelWritesNothingAndStopsTheRun) {
    cancel_ = true;
    EXPECT_EQ(run({picture_, picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), said(picture_, "cancelled!"));
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});
}

TEST_F(Converter, SizesBelowOneAreUsageErrors) {
    for (const char* size : {"--width=0", "--height=0"}) {
        EXPECT_EQ(run({size, "-f", "png", picture_}), kExitUsage);
        EXPECT_TRUE(err_.str().ends_with("is too small (at least 1)\n"
                                         "Try 'varnelo-convert --help' for more information.\n"));
    }
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});
}

TEST_F(Converter, SaysWhatTheConversionRefusesOnOneLine) {
    EXPECT_EQ(run({"-W", "424", "-f", "png", picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), said(picture_, "Image width or height is exceeding the limit of 5079 "
                                         "pixel at 12 \u00D7 11 per character (the largest "
                                         "size that fits at this font size is 423 \u00D7 423)"));
    const std::string output = dir_.file("no/such/folder/out.html");
    EXPECT_EQ(run({"-o", output, picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(),
              said(picture_, "failed saving \"" + output + "\": No such file or directory"));
    EXPECT_EQ(run({"-W", "2147483647", picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), said(picture_, "Image size of 2147483647 \u00D7 2147483647 pixel is "
                                         "exceeding the limit of 67108864 pixel or 65535 per side "
                                         "(try a smaller size)"));
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});
}

TEST_F(Converter, QuietShowsNoProgress) {
    ASSERT_EQ(run({"-q", picture_}, true), kExitConverted);
    EXPECT_EQ(err_.str(), "");
}

TEST_F(Converter, ShowsProgressOnATerminalOnly) {
    ASSERT_EQ(run({picture_}, true), kExitConverted);
    const std::string shown = err_.str();
    EXPECT_TRUE(shown.starts_with("\r" + picture_ + ": processing image line 0 of 2...")) << shown;
    // The progress line ends as one line that says what was made.
    const std::string made =
        "\r" + picture_ + " \u2192 " + dir_.file("cat.html") + ", 2 \u00D7 2, ";
    ASSERT_NE(shown.find(made), std::string::npos) << shown;
    const std::string rest = shown.substr(shown.find(made) + made.size());
    const std::size_t bytes = std::filesystem::file_size(dir_.file("cat.html"));
    EXPECT_TRUE(rest.starts_with(std::to_string(bytes) + " bytes, ")) << rest;
    EXPECT_TRUE(rest.ends_with(" ms\n")) << rest;
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1);
    // Quiet, or not on a terminal: nothing.
    ASSERT_EQ(run({"-q", picture_}, true), kExitConverted);
    EXPECT_EQ(err_.str(), "");
    ASSERT_EQ(run({picture_}, false), kExitConverted);
    EXPECT_EQ(err_.str(), "");
}

} // namespace
} // namespace varnelo
