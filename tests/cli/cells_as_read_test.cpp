// The modes that draw a pixel as one character, as people see them: in
// Chromium and in LibreOffice every line as wide as every other, and the
// picture in its own proportion there and in the PNG, whether the face
// asked for is proportional or monospaced. Skipped where a reader is not
// installed.
#include "cli/console_stream.h"
#include "cli/converter.h"
#include "tests/support/picture_files.h"
#include "tests/support/shell_commands.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace varnelo {
namespace {

constexpr int kPictureWidth = 90;
constexpr int kPictureHeight = 60;
constexpr double kPictureProportion = static_cast<double>(kPictureWidth) / kPictureHeight;

// Light edges, so that no line starts or ends with a blank a reader's
// boxes would leave out, and in between every brightness, with runs of
// blanks of a line's own length (a dark band): the cells are filled on
// black, where light stands out.
Rgb edgedNoise(int x, int y) {
    if (x < 3 || x >= kPictureWidth - 3)
        return makeRgb(250, 250, 250);
    if (x < 6 + y % 40)
        return makeRgb(0, 0, 0);
    const auto grey = static_cast<std::uint32_t>((x * 7 + y * 13) % 11 * 20 + 30);
    return makeRgb(grey, grey, grey);
}

// The drawn lines' boxes: left, top, right and bottom of each.
struct Box {
    double left;
    double top;
    double right;
    double bottom;
};

// Boxes of one line share their top: each line's extent, top to bottom.
std::vector<Box> linesOf(const std::vector<Box>& pieces) {
    std::map<long, Box> lines;
    for (const Box& piece : pieces) {
        const long top = std::lround(piece.top * 4);
        auto [at, added] = lines.try_emplace(top, piece);
        if (!added) {
            at->second.left = std::min(at->second.left, piece.left);
            at->second.right = std::max(at->second.right, piece.right);
            at->second.bottom = std::max(at->second.bottom, piece.bottom);
        }
    }
    std::vector<Box> ordered;
    for (const auto& [top, box] : lines)
        ordered.push_back(box);
    return ordered;
}

std::vector<Box> boxesIn(const std::string& text, const std::regex& pattern) {
    std::vector<Box> boxes;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it)
        boxes.push_back(
            {std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4])});
    return boxes;
}

// Every line as wide as the widest within 1 %, and the whole as wide for
// its height as the picture within 5 %.
void expectEvenAndTrue(const std::vector<Box>& lines, const std::string& what) {
    ASSERT_GE(lines.size(), 10U) << what;
    double widest = 0;
    double narrowest = 1e9;
    for (const Box& line : lines) {
        widest = std::max(widest, line.right - line.left);
        narrowest = std::min(narrowest, line.right - line.left);
    }
    EXPECT_LE(widest, narrowest * 1.01) << what;
    // Lines follow each other at one pitch: the last one's box may be
    // higher than its pitch.
    const auto count = static_cast<double>(lines.size());
    const double pitch = (lines.back().top - lines.front().top) / (count - 1);
    const double proportion = widest / (pitch * count);
    EXPECT_NEAR(proportion / kPictureProportion, 1.0, 0.05) << what;
}

class CellsAsRead : public ::testing::Test {
protected:
    CellsAsRead() { test::writeBmpFile(picture_, kPictureWidth, kPictureHeight, edgedNoise); }

    std::string convert(const std::vector<std::string>& mode, const std::string& face,
                        const std::string& format, const std::string& name) {
        const std::string path = folder_.file(name);
        StringConsoleStream out;
        StringConsoleStream err;
        const ConsoleStreams console{out, err, false};
        const std::atomic<bool> cancel{false};
        std::vector<std::string> arguments = {"-m"};
        arguments.insert(arguments.end(), mode.begin(), mode.end());
        arguments.insert(arguments.end(),
                         {"--font", face, "-W", "60", "-f", format, "-o", path, picture_});
        EXPECT_EQ(convertPictures(arguments, console, cancel), kExitConverted) << err.str();
        return path;
    }

    test::TempDir folder_;
    std::string picture_ = folder_.file("noise.bmp");
};

// Braille, which DejaVu Sans Mono lacks, is drawn from DejaVu Sans, wider.
const std::vector<std::vector<std::string>> kModes = {
    {"ramp"}, {"shapes"}, {"symbols"}, {"symbols", "--symbols", "space+braille"}};

std::string named(const std::vector<std::string>& mode) {
    std::string name;
    for (const std::string& word : mode)
        name += (name.empty() ? "" : " ") + word;
    return name;
}
constexpr std::array<const char*, 2> kFaces = {"Tahoma", "DejaVu Sans Mono"};

TEST_F(CellsAsRead, ThePngKeepsThePicturesProportion) {
    for (const std::vector<std::string>& mode : kModes)
        for (const char* face : kFaces) {
            const std::vector<std::uint8_t> png =
                test::readBytes(convert(mode, face, "png", "cells.png"));
            ASSERT_GE(png.size(), 24U);
            const auto number = [&](std::size_t at) {
                return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
            };
            const double proportion = static_cast<double>(number(16)) / number(20);
            EXPECT_NEAR(proportion / kPictureProportion, 1.0, 0.05) << named(mode) << " " << face;
        }
}

// A script added to the document writes the boxes of its characters'
// pieces of line into the page Chromium dumps.
constexpr const char* kBoxesScript = R"(<script>
var w = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT), n, r = document.createRange(), out = [];
while ((n = w.nextNode())) {
  if (!n.data.trim()) continue;
  r.selectNodeContents(n);
  for (const x of r.getClientRects())
    if (x.width > 0) out.push('[' + [x.left, x.top, x.right, x.bottom].join(',') + ']');
}
document.documentElement.setAttribute('data-boxes', out.join(''));
</script>)";

TEST_F(CellsAsRead, ChromiumLaysEveryLineAsWideAndThePictureInItsProportion) {
    if (!test::installed("chromium"))
        GTEST_SKIP() << "chromium is not installed";
    const std::regex box(R"(\[([-\d.e]+),([-\d.e]+),([-\d.e]+),([-\d.e]+)\])");
    for (const char* format : {"plain-html", "css-html"})
        for (const std::vector<std::string>& mode : kModes)
            for (const char* face : kFaces) {
                const std::string what = std::string(format) + " " + named(mode) + " " + face;
                const std::string path = convert(mode, face, format, "cells.html");
                std::vector<std::uint8_t> page = test::readBytes(path);
                page.insert(page.end(), kBoxesScript, kBoxesScript + std::strlen(kBoxesScript));
                test::writeBytes(path, page);
                const test::TempDir profile;
                const std::optional<std::string> dom = test::commandOutput(
                    "timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic "
                    "--no-first-run --disable-background-networking "
                    "--disable-component-update --disable-sync --window-size=3000,2000 "
                    "--user-data-dir=" +
                    test::shellQuoted(profile.path().string()) + " --dump-dom " +
                    test::shellQuoted("file://" + path) + " 2>/dev/null");
                ASSERT_TRUE(dom) << what;
                expectEvenAndTrue(linesOf(boxesIn(*dom, box)), what);
            }
}

TEST_F(CellsAsRead, LibreOfficeLaysEveryLineAsWideAndThePictureInItsProportion) {
    if (!test::installed("soffice") || !test::installed("pdftotext"))
        GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
    std::vector<std::string> documents;
    for (std::size_t index = 0; index < kModes.size(); ++index)
        for (const char* face : kFaces)
            documents.push_back(
                convert(kModes[index], face, "rtf",
                        std::to_string(index) + "-" + (face[0] == 'T' ? "t" : "d") + ".rtf"));
    const test::TempDir profile;
    const test::TempDir converted;
    std::string command = "timeout 180 soffice -env:UserInstallation=" +
                          test::shellQuoted("file://" + profile.path().string()) +
                          " --headless --convert-to pdf --outdir " +
                          test::shellQuoted(converted.path().string());
    for (const std::string& document : documents)
        command += " " + test::shellQuoted(document);
    ASSERT_TRUE(test::commandOutput(command + " >/dev/null 2>&1"));
    const std::regex box(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)")re");
    for (const std::string& document : documents) {
        const std::string name = std::filesystem::path(document).stem().string();
        const std::optional<std::string> layout =
            test::commandOutput("pdftotext -f 1 -l 1 -bbox-layout " +
                                test::shellQuoted(converted.file(name + ".pdf")) + " -");
        ASSERT_TRUE(layout) << name;
        expectEvenAndTrue(linesOf(boxesIn(*layout, box)), name);
    }
}

} // namespace
} // namespace varnelo
