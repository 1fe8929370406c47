#include "engine/output_formats.h"

#include <gtest/gtest.h>

#include <limits>

#include <set>
#include <string>

namespace varnelo {
namespace {

TEST(OutputFormats, EachFormatHasOneEntryFoundByItsChoicesAndItsName) {
    std::set<std::string_view> names;
    for (const OutputFormatEntry& entry : outputFormats()) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        EXPECT_EQ(&outputFormatOf(entry.outputFormat, entry.imageFormat), &entry) << entry.name;
        EXPECT_EQ(outputFormatNamed(entry.name), &entry);
        EXPECT_TRUE(entry.extension.starts_with('.')) << entry.name;
        // Documents have no quality; only the image output writes images.
        EXPECT_EQ(entry.kind == OutputKind::Image, entry.outputFormat == OutputFormat::Image);
        EXPECT_EQ(entry.writer == WriterKind::Image, entry.kind == OutputKind::Image);
        EXPECT_TRUE(entry.kind == OutputKind::Image || !entry.quality) << entry.name;
        EXPECT_EQ(entry.writer == WriterKind::Terminal, entry.kind == OutputKind::TerminalText);
        EXPECT_TRUE(!entry.quality || entry.quality->contains(entry.quality->initial))
            << entry.name;
    }
    EXPECT_EQ(names.size(), 8u);
    EXPECT_EQ(outputFormatNamed("jpeg"), nullptr);
}

TEST(OutputFormats, DocumentsIgnoreTheImageFormat) {
    EXPECT_EQ(outputFormatOf(OutputFormat::Rtf, ImageFormat::Png).name, "rtf");
    EXPECT_EQ(outputFormatOf(OutputFormat::CssHtml, ImageFormat::Jpg).name, "css-html");
    EXPECT_EQ(outputFormatOf(OutputFormat::Image, ImageFormat::Png).name, "png");
    EXPECT_EQ(outputFormatOf(ConversionSettings{}).name, "plain-html");
}

TEST(OutputFormats, KeepTheirExtensionsQualitiesAndDialogEntries) {
    struct Expected {
        const char* name;
        const char* extension;
        const char* dialogLabel;
        int minimum, maximum, initial; // 0 0 0: no quality
    };
    const Expected expected[] = {
        {"plain-html", ".html", "HTML", 0, 0, 0},
        {"css-html", ".html", "", 0, 0, 0},
        {"rtf", ".rtf", "RTF", 0, 0, 0},
        {"bmp", ".bmp", "BMP", 0, 0, 0},
        {"jpg", ".jpg", "JPG", 1, 100, 80},
        {"png", ".png", "PNG", 1, 10, 8},
        {"ansi", ".ans", "", 0, 0, 0},
        {"text", ".txt", "", 0, 0, 0},
    };
    ASSERT_EQ(outputFormats().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const OutputFormatEntry& entry = outputFormats()[i];
        EXPECT_EQ(entry.name, expected[i].name);
        EXPECT_EQ(entry.extension, expected[i].extension);
        EXPECT_EQ(entry.dialogLabel, expected[i].dialogLabel);
        const QualityRange quality = entry.quality.value_or(QualityRange{});
        EXPECT_EQ(quality.minimum, expected[i].minimum) << entry.name;
        EXPECT_EQ(quality.maximum, expected[i].maximum) << entry.name;
        EXPECT_EQ(quality.initial, expected[i].initial) << entry.name;
    }
    // A quality out of range is written at its nearest end, without overflow.
    const QualityRange png = *outputFormatNamed("png")->quality;
    EXPECT_EQ(png.clamped(0), 1);
    EXPECT_EQ(png.clamped(7), 7);
    EXPECT_EQ(png.clamped(std::numeric_limits<std::int32_t>::max()), 10);
    EXPECT_EQ(png.clamped(std::numeric_limits<std::int32_t>::min()), 1);
}

TEST(OutputFormats, AnOutputPathNamesItsFormatByTheExtensionOfItsFileName) {
    const auto nameOf = [](std::string_view path) -> std::string {
        const OutputFormatEntry* entry = outputFormatOfPath(path);
        return entry == nullptr ? "none" : std::string(entry->name);
    };
    EXPECT_EQ(nameOf("out.html"), "plain-html"); // the first of the two with .html
    EXPECT_EQ(nameOf("out.HTM"), "plain-html");
    EXPECT_EQ(nameOf("a/b/out.Rtf"), "rtf");
    EXPECT_EQ(nameOf("out.JPG"), "jpg");
    EXPECT_EQ(nameOf("out.png"), "png");
    EXPECT_EQ(nameOf("out.txt"), "text");
    EXPECT_EQ(nameOf("out.ANS"), "ansi");
    EXPECT_EQ(nameOf("out.jpeg"), "jpg");
    EXPECT_EQ(nameOf("out.JPE"), "jpg");
    EXPECT_EQ(nameOf("out.doc"), "none");
    EXPECT_EQ(nameOf("out"), "none");
    EXPECT_EQ(nameOf("my.rtf/out"), "none");
}

} // namespace
} // namespace varnelo
