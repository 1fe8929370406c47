// The images as other programs read them: pngcheck and ImageMagick for PNG,
// djpeg and ImageMagick for JPG, ImageMagick for BMP. Our own decoders
// agreeing with our encoders proves only that they agree. A test is skipped
// where its readers are not installed.
#include "base/byte_sink.h"
#include "base/work_bitmap.h"
#include "engine/conversion_pass.h"
#include "reading/codecs/bmp_reader.h"
#include "reading/codecs/png_bands.h"
#include "tests/support/picture_files.h"
#include "tests/support/shell_commands.h"
#include "tests/support/temp_dir.h"
#include "tests/support/whole_conversion.h"
#include "writers/cell_size.h"
#include "writers/output_writer_factory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace varnelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::installed;

bool readersInstalled() {
    return installed("pngcheck") && installed("identify") && installed("convert") &&
           installed("djpeg");
}

std::string quoted(const std::string& text) {
    return test::shellQuoted(text);
}

// What the command writes on standard output; nothing when it fails.
std::optional<Bytes> output(const std::string& command) {
    const std::optional<std::string> written = test::commandOutput(command + " 2>/dev/null");
    return written ? std::optional(Bytes(written->begin(), written->end())) : std::nullopt;
}

std::string text(const std::optional<Bytes>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(failed)";
}

// Width, height and type as ImageMagick reads them, warnings taken as errors.
std::string identified(const std::string& path) {
    return text(output("identify -regard-warnings -format '%w %h %m' " + quoted(path)));
}

// The pixels as ImageMagick decodes them: red, green, blue, row by row.
std::optional<Bytes> magickPixels(const std::string& path) {
    return output("convert -regard-warnings " + quoted(path) + " -depth 8 rgb:-");
}

// The pixels of a BMP as our own reader has them, in ImageMagick's order.
Bytes ownPixels(const std::string& bmpPath) {
    WorkBitmap picture;
    const Bytes file = test::readBytes(bmpPath);
    EXPECT_EQ(decodeBmp(file, picture), DecodeStatus::Ok);
    Bytes rgb;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const Rgb color = picture.pixelColor(x, y);
            rgb.insert(rgb.end(), {redOf(color), greenOf(color), blueOf(color)});
        }
    }
    return rgb;
}

// How far apart the brightness of two pictures' pixels is, on average.
double meanLumaDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size() || a.empty())
        return 255;
    const auto luma = [](const Bytes& rgb, std::size_t at) {
        return 0.299 * rgb[at] + 0.587 * rgb[at + 1] + 0.114 * rgb[at + 2];
    };
    double sum = 0;
    for (std::size_t at = 0; at + 2 < a.size(); at += 3)
        sum += std::abs(luma(a, at) - luma(b, at));
    return sum / static_cast<double>(a.size() / 3);
}

struct Drawing {
    int width = 1; ///< of the picture, in pixels and so in cells
    int height = 1;
    PixelTransformation mode = PixelTransformation::RandomBinary;
    ByteString phrase{};
    int fontSize = 8;
};

class ImageReaders : public ::testing::Test {
protected:
    // Draws the picture into an image of the format; the same seed draws
    // the same cells into every format.
    std::string draw(const Drawing& drawing, ImageFormat format, int quality,
                     const std::string& name) {
        const std::string picture = folder_.file(name + "-picture.bmp");
        test::writeBmpFile(picture, drawing.width, drawing.height, test::noise);
        ConversionSettings settings;
        settings.sourcePath = picture;
        settings.outputPath = folder_.file(name);
        settings.outputFormat = OutputFormat::Image;
        settings.imageFormat = format;
        settings.imageQuality = quality;
        settings.imageWidth = drawing.width;
        settings.imageHeight = drawing.height;
        settings.transformation = drawing.mode;
        settings.customPhrase = drawing.phrase;
        settings.fontSize = drawing.fontSize;
        settings.backgroundColor = makeRgb(20, 40, 200);
        EXPECT_EQ(test::runConversion(settings, 11, makeOutputWriter), PassEnd::Done) << name;
        return settings.outputPath;
    }

    // Draws the picture as BMP, PNG at both ends of its quality and JPG at
    // both ends of its, and has each read by the readers of its type.
    void checkEveryFormat(const Drawing& drawing, const std::string& name, int imageWidth,
                          int imageHeight) {
        const std::string size = std::to_string(imageWidth) + " " + std::to_string(imageHeight);
        const std::string bmp = draw(drawing, ImageFormat::Bmp, 80, name + ".bmp");
        EXPECT_EQ(identified(bmp), size + " BMP3") << name; // Windows's version 3 header
        const std::optional<Bytes> drawn = magickPixels(bmp);
        ASSERT_TRUE(drawn.has_value()) << name;
        EXPECT_TRUE(*drawn == ownPixels(bmp)) << name << ": ImageMagick reads the BMP otherwise";

        for (const int quality : {1, 10}) {
            const std::string png = draw(drawing, ImageFormat::Png, quality,
                                         name + "-q" + std::to_string(quality) + ".png");
            EXPECT_TRUE(output("pngcheck -q " + quoted(png)).has_value())
                << name << " " << text(output("pngcheck " + quoted(png) + " 2>&1"));
            EXPECT_EQ(identified(png), size + " PNG") << name;
            const std::optional<Bytes> pixels = magickPixels(png);
            EXPECT_TRUE(pixels && *pixels == *drawn) << name << " quality " << quality;
        }
        for (const int quality : {1, 100}) {
            const std::string jpg = draw(drawing, ImageFormat::Jpg, quality,
                                         name + "-q" + std::to_string(quality) + ".jpg");
            const std::optional<Bytes> ppm = output("djpeg -pnm " + quoted(jpg));
            ASSERT_TRUE(ppm.has_value()) << name << " quality " << quality;
            const std::string header = "P6\n" + size + "\n255\n";
            EXPECT_EQ(std::string(ppm->begin(), ppm->begin() + static_cast<long>(std::min(
                                                                   ppm->size(), header.size()))),
                      header);
            EXPECT_EQ(identified(jpg), size + " JPEG") << name;
            const std::optional<Bytes> pixels = magickPixels(jpg);
            ASSERT_TRUE(pixels.has_value()) << name;
            // Lossy, with colours at half resolution: the brightness close.
            if (quality == 100) {
                EXPECT_LT(meanLumaDifference(*pixels, *drawn), 1.5) << name;
            }
        }
    }

    test::TempDir folder_;
};

TEST_F(ImageReaders, ReadOneCell) {
    if (!readersInstalled())
        GTEST_SKIP() << "pngcheck, ImageMagick or djpeg is not installed";
    checkEveryFormat({}, "one-cell", 12, 11);
}

// 440 rows of pixels, deflated in as many bands as there are cores.
TEST_F(ImageReaders, ReadAPictureOfSixtyByForty) {
    if (!readersInstalled())
        GTEST_SKIP() << "pngcheck, ImageMagick or djpeg is not installed";
    checkEveryFormat({.width = 60, .height = 40, .phrase = {}}, "normal", 720, 440);
}

// Cells 3 pixels wide: 1693 of them are 5079 pixels, the widest image drawn.
TEST_F(ImageReaders, ReadAnImageAtTheSizeLimit) {
    if (!readersInstalled())
        GTEST_SKIP() << "pngcheck, ImageMagick or djpeg is not installed";
    const Drawing dots{.width = 1693,
                       .height = 10,
                       .mode = PixelTransformation::CustomText,
                       .phrase = "..",
                       .fontSize = 1};
    checkEveryFormat(dots, "limit", 5079, 40);
}

// Symbols drawn by their parts, blended where a part's edge falls inside a
// pixel, as the readers read them.
TEST_F(ImageReaders, ReadSymbolsDrawnByTheirParts) {
    if (!readersInstalled())
        GTEST_SKIP() << "pngcheck, ImageMagick or djpeg is not installed";
    ConversionSettings settings;
    settings.transformation = PixelTransformation::Symbols;
    const CellSize cell = measureImageCell(settings);
    checkEveryFormat({.width = 30, .height = 20, .mode = PixelTransformation::Symbols}, "symbols",
                     30 * cell.width, 20 * cell.height);
}

// The chunks around several bands of deflate data, as other readers see them.
TEST_F(ImageReaders, ReadAPngDeflatedInSeveralBands) {
    if (!readersInstalled())
        GTEST_SKIP() << "pngcheck, ImageMagick or djpeg is not installed";
    constexpr int width = 5079;
    constexpr int height = 300;
    const Bytes rows = test::encoderRows(width, height, RowFormat::Bgrx32, test::noise);
    for (const int bands : {1, 4}) {
        MemorySink sink;
        ASSERT_TRUE(writePngInBands(sink, width, height, RowFormat::Bgrx32,
                                    test::rowSource(rows, height), 6, bands));
        const std::string path = folder_.file("bands" + std::to_string(bands) + ".png");
        test::writeBytes(path, sink.bytes());
        EXPECT_TRUE(output("pngcheck -q " + quoted(path)).has_value()) << bands;
        EXPECT_EQ(identified(path), "5079 300 PNG");
        const std::optional<Bytes> pixels = magickPixels(path);
        ASSERT_TRUE(pixels.has_value());
        ASSERT_EQ(pixels->size(), std::size_t{3} * width * height);
        for (int y = 0; y < height; y += 37) {
            for (int x = 0; x < width; x += 101) {
                const auto at = static_cast<std::size_t>(3 * (y * width + x));
                const Rgb color = test::noise(x, y);
                ASSERT_EQ(makeRgb((*pixels)[at], (*pixels)[at + 1], (*pixels)[at + 2]), color)
                    << x << ", " << y << " in " << bands << " bands";
            }
        }
    }
}

} // namespace
} // namespace varnelo
