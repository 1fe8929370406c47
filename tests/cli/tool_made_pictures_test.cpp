// Pictures as people get them: made by the formats' own command-line tools
// (cwebp, img2webp, avifenc, heif-enc, ImageMagick, cjxl), not by the tests'
// sample makers, converted by the converter to every output format. A case
// is skipped where its tool is not installed.
#include "cli/converter.h"

#include "tests/support/picture_files.h"
#include "tests/support/shell_commands.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace varnelo {
namespace {

using Arguments = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;
using test::shellQuoted;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
const Rgb kQuarters[2][2] = {{makeRgb(230, 30, 40), makeRgb(40, 200, 60)},
                             {makeRgb(30, 60, 220), makeRgb(250, 240, 200)}};

Rgb quarters(int x, int y) {
    return kQuarters[y * 2 / kHeight][x * 2 / kWidth];
}

Rgb stripes(int x, int) {
    return x % 2 == 0 ? makeRgb(0, 0, 0) : makeRgb(255, 255, 255);
}

struct ToolMade {
    std::string name;    ///< the file's name, its extension the type's
    std::string tool;    ///< the program that must be installed
    std::string command; ///< SOURCE and TARGET stand for the two files
    int colourError = 0; ///< how far a lossy encoding may move a colour
};

const ToolMade kPictures[] = {
    {"still.webp", "cwebp", "cwebp -quiet -lossless SOURCE -o TARGET", 0},
    // Two frames: the first is the picture, the second must not show.
    {"animated.webp", "img2webp", "img2webp -lossless SOURCE -d 80 OTHER -o TARGET", 0},
    {"picture.avif", "avifenc", "avifenc --lossless SOURCE TARGET", 0},
    // libheif's lossless mode is not read back right by libheif itself.
    {"picture.heic", "heif-enc", "heif-enc -q 92 -p chroma=444 SOURCE -o TARGET", 12},
    {"strips.tif", "convert", "convert SOURCE -compress lzw TARGET", 0},
    {"tiles.tif", "convert", "convert SOURCE -define tiff:tile-geometry=16x16 TARGET", 0},
    {"picture.jxl", "cjxl", "cjxl --quiet -d 0 SOURCE TARGET", 0},
};

const Arguments kFormats = {"plain-html", "css-html", "rtf", "bmp", "jpg", "png", "ansi", "text"};

std::string replaced(std::string text, const std::string& word, const std::string& by) {
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size()))
        text.replace(at, word.size(), by);
    return text;
}

// The colours of a plain HTML document's characters, in reading order.
std::vector<Rgb> fontColours(const std::string& html) {
    static const std::regex kFont("<font color=#([0-9A-F]{2})([0-9A-F]{2})([0-9A-F]{2})>");
    std::vector<Rgb> colours;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), kFont);
         it != std::sregex_iterator(); ++it) {
        const auto channel = [&](std::size_t k) {
            return static_cast<std::uint32_t>(std::stoul((*it)[k].str(), nullptr, 16));
        };
        colours.push_back(makeRgb(channel(1), channel(2), channel(3)));
    }
    return colours;
}

int channelError(Rgb a, Rgb b) {
    return std::max({std::abs(redOf(a) - redOf(b)), std::abs(greenOf(a) - greenOf(b)),
                     std::abs(blueOf(a) - blueOf(b))});
}

class ToolMadePictures : public ::testing::TestWithParam<ToolMade> {
protected:
    void SetUp() override {
        if (!test::installed(GetParam().tool) || !test::installed("convert"))
            GTEST_SKIP() << GetParam().tool << " or ImageMagick is not installed";
        test::writeBmpFile(dir_.file("source.bmp"), kWidth, kHeight, quarters);
        test::writeBmpFile(dir_.file("other.bmp"), kWidth, kHeight, stripes);
        // True colour: heif-enc reads a palette PNG's indexes as colours.
        ASSERT_TRUE(make("convert " + shellQuoted(dir_.file("source.bmp")) + " " +
                         shellQuoted("PNG24:" + dir_.file("source.png"))));
        ASSERT_TRUE(make("convert " + shellQuoted(dir_.file("other.bmp")) + " " +
                         shellQuoted("PNG24:" + dir_.file("other.png"))));
        std::string command = replaced(GetParam().command, "SOURCE", dir_.file("source.png"));
        command = replaced(command, "OTHER", dir_.file("other.png"));
        ASSERT_TRUE(make(replaced(command, "TARGET", picture())));
    }

    static bool make(const std::string& command) {
        return test::commandOutput(command + " >/dev/null 2>&1").has_value();
    }

    std::string picture() const { return dir_.file(GetParam().name); }

    // The converter's output for the picture, with one seed for its characters.
    std::string converted(const std::string& picture, Arguments arguments, int expectedCode = 0) {
        out_.str("");
        err_.str("");
        arguments.insert(arguments.end(), {"--seed", "7", "-q", "-o", "-", picture});
        const ConsoleStreams console{out_, err_, false};
        EXPECT_EQ(convertPictures(arguments, console, cancel_), expectedCode) << err_.str();
        return out_.str();
    }

    test::TempDir dir_;
    StringConsoleStream out_;
    StringConsoleStream err_;
    std::atomic<bool> cancel_{false};
};

TEST_P(ToolMadePictures, ConvertToEveryFormatInTheirColours) {
    // Each quarter scaled to one pixel: its colour, within what the encoding moved.
    const Arguments quarterSize = {"-W", "2", "-H", "2", "-b", "102030"};
    const std::vector<Rgb> colours =
        fontColours(converted(picture(), {"-f", "plain-html", "-W", "2", "-H", "2"}));
    ASSERT_EQ(colours.size(), 4U);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_LE(channelError(colours[i], kQuarters[i / 2][i % 2]), GetParam().colourError)
            << "quarter " << i;

    // Every format then holds exactly what a BMP of those colours gives, on
    // one background (by default the top-left pixel's, before scaling).
    const std::string reference = dir_.file("reference.bmp");
    test::writeBmpFile(reference, 2, 2,
                       [&](int x, int y) { return colours[static_cast<std::size_t>(y * 2 + x)]; });
    for (const std::string& format : kFormats) {
        Arguments arguments = quarterSize;
        arguments.insert(arguments.end(), {"-f", format});
        EXPECT_EQ(converted(picture(), arguments), converted(reference, arguments)) << format;
    }

    // At its own size: as many lines and characters as the source has.
    EXPECT_EQ(converted(picture(), {"-f", "text", "-W", "64"}),
              converted(dir_.file("source.bmp"), {"-f", "text", "-W", "64"}));
}

TEST_P(ToolMadePictures, ReadFromStandardInputByTheirBytes) {
    const Bytes bytes = test::readBytes(picture());
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    StringConsoleStream out;
    StringConsoleStream err;
    const ConsoleStreams console{out, err, false, &in};
    ASSERT_EQ(convertPictures({"--seed", "7", "-f", "plain-html", "-q", "-"}, console, cancel_),
              kExitConverted)
        << err.str();
    EXPECT_EQ(out.str(), converted(picture(), {"-f", "plain-html"}));
}

TEST_P(ToolMadePictures, RefuseTheFileCutShort) {
    const Bytes whole = test::readBytes(picture());
    for (const std::size_t kept : {whole.size() / 2, std::size_t{40}}) {
        const std::string cut = dir_.file("cut-" + GetParam().name);
        test::writeBytes(cut, Bytes(whole.begin(), whole.begin() + static_cast<long>(kept)));
        EXPECT_EQ(converted(cut, {"-f", "plain-html"}, kExitNotConverted), "") << kept;
        EXPECT_NE(err_.str(), "") << kept;
    }
}

INSTANTIATE_TEST_SUITE_P(EachTool, ToolMadePictures, ::testing::ValuesIn(kPictures),
                         [](const ::testing::TestParamInfo<ToolMade>& made) {
                             std::string name = made.param.name;
                             for (char& c : name)
                                 if (c == '.')
                                     c = '_';
                             return name;
                         });

} // namespace
} // namespace varnelo
