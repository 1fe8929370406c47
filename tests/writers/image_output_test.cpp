#include "base/work_bitmap.h"
#include "engine/char_source.h"
#include "engine/random_generator.h"
#include "reading/codecs/bmp_reader.h"
#include "reading/codecs/png_decoder.h"
#include "tests/support/gui/qt_reference_font.h"
#include "tests/support/picture_files.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_clock.h"
#include "writers/atomic_file.h"
#include "writers/cell_font.h"
#include "writers/cell_painter.h"
#include "writers/image_output.h"
#include "writers/output_writer_factory.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace varnelo {
namespace {

ConversionSettings settingsFor(PixelTransformation mode, int fontSize = 8) {
    ConversionSettings settings;
    settings.outputFormat = OutputFormat::Image;
    settings.transformation = mode;
    settings.fontSize = fontSize;
    return settings;
}

CellSize cellOf(const ConversionSettings& settings) {
    const CellFont font(settings.fontFace, settings.fontSize + 5);
    return measureCell(settings, font);
}

TEST(CellFont, SizesTahomaByItsWindowsCellHeight) {
    const CellFont font("Tahoma", 13);
    ASSERT_EQ(font.family(), "Tahoma") << "fonts-wine is not installed";
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(font.textHeight(), 13);
    EXPECT_EQ(font.textWidth("01"), 12);
}

TEST(CellFont, DrawsEachCharacterAndTheTerminalFacesControlsAsCodePage437) {
    const CellFont terminal(kTerminalFace, 13);
    EXPECT_EQ(terminal.family(), "DejaVu Sans Mono");
    EXPECT_EQ(terminal.toText("░▒▓█"), U"░▒▓█");
    // Its controls are code page 437's pictures, as the face draws them.
    EXPECT_EQ(terminal.toText("\x01\x7F"), U"☺⌂");
    const CellFont tahoma("Tahoma", 13);
    EXPECT_EQ(tahoma.toText("€éŸ"), U"€éŸ");
    EXPECT_EQ(tahoma.toText("\u2591\u2801"), U"\u2591\u2801") << "beyond Windows-1252 too";
    EXPECT_EQ(tahoma.toText(ByteString("a\0b", 3)), U"a b");
}

TEST(MeasureCell, FollowsTheCharacterMode) {
    EXPECT_EQ(cellOf(settingsFor(PixelTransformation::RandomBinary)).width, 12);
    EXPECT_EQ(cellOf(settingsFor(PixelTransformation::RandomBinary)).height, 11);

    ConversionSettings reversed = settingsFor(PixelTransformation::CustomRange);
    reversed.rangeFrom = 200;
    reversed.rangeTo = 100;
    EXPECT_EQ(cellOf(reversed).width, 50); // nothing measured: (1 + 100) div 2
    reversed.fontSize = 40;
    EXPECT_EQ(cellOf(reversed).width, 50);

    // Measured on two bytes also at font size 1.
    ConversionSettings single = settingsFor(PixelTransformation::RandomNumbers, 1);
    const CellFont font(single.fontFace, 6);
    EXPECT_EQ(cellOf(single).width, font.textWidth("00"));

    ConversionSettings phrase = settingsFor(PixelTransformation::CustomText);
    phrase.customPhrase = "iW";
    const CellFont tahoma("Tahoma", 13);
    EXPECT_EQ(cellOf(phrase).width, std::max(tahoma.textWidth("iW"), tahoma.textWidth("Wi")));

    ConversionSettings letters = settingsFor(PixelTransformation::RandomSmallLetters);
    const CellSize cell = cellOf(letters);
    EXPECT_GT(cell.width, tahoma.textWidth("ii"));
    EXPECT_LT(cell.width, tahoma.textWidth("mm"));
}

// Draws every cell directly with QPainter, clipped to the cell.
QImage drawDirectly(const QtReferenceFont& font, CellSize cell,
                    const std::vector<ByteString>& texts, const std::vector<Rgb>& colors,
                    int columns, Rgb background) {
    const int rows = static_cast<int>(texts.size()) / columns;
    QImage image(columns * cell.width, rows * cell.height, QImage::Format_RGB32);
    image.fill(qRgb(redOf(background), greenOf(background), blueOf(background)));
    QPainter painter(&image);
    painter.setFont(font.font());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const int left = static_cast<int>(i) % columns * cell.width;
        const int top = static_cast<int>(i) / columns * cell.height;
        painter.setClipRect(left, top, cell.width, cell.height);
        painter.setPen(QColor(redOf(colors[i]), greenOf(colors[i]), blueOf(colors[i])));
        painter.drawText(
            QPoint(left + (cell.width - font.textWidth(texts[i])) / 2, top + font.ascent()),
            font.toText(texts[i]));
    }
    return image;
}

TEST(CellPainter, MatchesDrawingEveryCellDirectly) {
    const CellFont font("Tahoma", 13);
    const QtReferenceFont reference("Tahoma", 13);
    const CellSize cell{12, 11};
    // "01" fits its cell; "WM" and "g@" are clipped at its edges.
    const std::vector<ByteString> texts = {"01", "WM", "10", "g@", "01", "\xE9\xC4", "  ", "WM"};
    const std::vector<Rgb> colors = {makeRgb(255, 0, 0),   makeRgb(20, 200, 90), makeRgb(0, 0, 0),
                                     makeRgb(90, 90, 250), makeRgb(255, 0, 0),   makeRgb(1, 2, 3),
                                     makeRgb(9, 9, 9),     makeRgb(200, 100, 0)};
    const Rgb background = makeRgb(240, 230, 140);
    const QImage expected = drawDirectly(reference, cell, texts, colors, 4, background);

    WorkBitmap image;
    ASSERT_TRUE(image.allocate(4 * cell.width, 2 * cell.height, PixelDepth::Bits32));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            std::uint8_t* pixel = image.row(y) + 4 * x;
            pixel[0] = blueOf(background);
            pixel[1] = greenOf(background);
            pixel[2] = redOf(background);
        }
    CellPainter painter(font, cell, image);
    for (std::size_t i = 0; i < texts.size(); ++i)
        painter.draw(static_cast<int>(i) % 4, static_cast<int>(i) / 4, windows1252ToUtf8(texts[i]),
                     colors[i]);

    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const std::size_t index =
                static_cast<std::size_t>(y / cell.height * 4 + x / cell.width);
            const bool fits = texts[index] == "01" || texts[index] == "10" || texts[index] == "  ";
            const Rgb got = image.pixelColor(x, y);
            const QRgb want = expected.pixel(x, y);
            const int tolerance = fits ? 0 : 2;
            ASSERT_LE(std::abs(redOf(got) - qRed(want)), tolerance) << x << "," << y;
            ASSERT_LE(std::abs(greenOf(got) - qGreen(want)), tolerance) << x << "," << y;
            ASSERT_LE(std::abs(blueOf(got) - qBlue(want)), tolerance) << x << "," << y;
        }
}

// Geometric, the symbols made by rule are drawn as their eighths of the
// cell say, in any face: a pixel they share blended by how much of it each
// covers, a character not made by rule in the font.
TEST(CellPainter, DrawsSymbolsMadeByRuleByTheirParts) {
    const CellFont font("Tahoma", 13);
    const CellSize cell{7, 12};
    WorkBitmap image;
    ASSERT_TRUE(image.allocate(3 * cell.width, cell.height, PixelDepth::Bits32));
    for (int y = 0; y < image.height(); ++y)
        std::fill_n(reinterpret_cast<std::uint32_t*>(image.row(y)), image.width(), 0xFF000000u);
    CellPainter painter(font, cell, image, true);
    const Rgb white = makeRgb(255, 255, 255);
    painter.draw(0, 0, "\u258C", white); // the left half: 3.5 of 7 columns
    painter.draw(1, 0, "\u2584", white); // the lower half: 6 of 12 rows
    painter.draw(2, 0, "\u2801", white); // braille dot 1: the upper left eighth
    for (int y = 0; y < cell.height; ++y) {
        EXPECT_EQ(image.pixelColor(2, y), white);
        EXPECT_EQ(image.pixelColor(3, y), makeRgb(128, 128, 128)) << "half covered";
        EXPECT_EQ(image.pixelColor(4, y), makeRgb(0, 0, 0));
        EXPECT_EQ(image.pixelColor(cell.width + 3, y), y < 6 ? makeRgb(0, 0, 0) : white);
    }
    EXPECT_EQ(image.pixelColor(2 * cell.width, 0), white);
    EXPECT_EQ(image.pixelColor(2 * cell.width, 3), makeRgb(0, 0, 0));
    EXPECT_EQ(image.pixelColor(2 * cell.width + 5, 0), makeRgb(0, 0, 0));
}

class ImageConversion : public ::testing::Test {
protected:
    ImageConversion() {
        settings_ = settingsFor(PixelTransformation::TerminalBlocks);
        settings_.fontFace = kTerminalFace;
        settings_.blockStrength = 3;
        settings_.sourcePath = folder_.file("picture.bmp");
        settings_.outputPath = folder_.file("out.bmp");
        settings_.backgroundColor = makeRgb(0, 0, 80);
        settings_.imageWidth = 3;
        settings_.imageHeight = 2;
        test::writeBmpFile(settings_.sourcePath, 3, 2, [](int x, int) {
            return x == 0 ? makeRgb(255, 0, 0) : makeRgb(0, 255, 0);
        });
    }

    PassResult run() {
        ConversionPass pass(settings_, random_, clock_, observer_, cancel_, makeOutputWriter,
                            openAtomicOutput);
        return pass.run();
    }

    test::TempDir folder_;
    ConversionSettings settings_;
    RandomGenerator random_{7};
    test::TestClock clock_;
    test::RecordingObserver observer_;
    std::atomic<bool> cancel_{false};
};

TEST_F(ImageConversion, DrawsEveryPixelInItsCellAndWritesABmp) {
    ASSERT_EQ(run().end, PassEnd::Done);
    const CellSize cell = cellOf(settings_);
    WorkBitmap written;
    ASSERT_EQ(decodeBmp(test::readBytes(settings_.outputPath), written), DecodeStatus::Ok);
    EXPECT_EQ(written.width(), 3 * cell.width);
    EXPECT_EQ(written.height(), 2 * cell.height);
    // Full blocks cover the inside of each cell in the pixel's colour.
    EXPECT_EQ(written.pixelColor(cell.width / 4, cell.height / 2), makeRgb(255, 0, 0));
    EXPECT_EQ(written.pixelColor(cell.width + cell.width / 4, cell.height + cell.height / 2),
              makeRgb(0, 255, 0));
    EXPECT_EQ(observer_.statuses.back(), "done in 0 ms");
    EXPECT_EQ(observer_.statuses[observer_.statuses.size() - 2], "saving");
}

// Filled, each cell takes its pixel's colour, the digits a contrasting
// shade of it, in the image drawn whole (BMP) and in bands (PNG).
TEST_F(ImageConversion, FilledCellsStandOnTheirPixelsColour) {
    settings_.transformation = PixelTransformation::RandomBinary;
    settings_.fontFace = "Tahoma";
    settings_.fontSize = 16;
    settings_.fillCells = true;
    for (const ImageFormat format : {ImageFormat::Bmp, ImageFormat::Png}) {
        settings_.imageFormat = format;
        settings_.outputPath = folder_.file(format == ImageFormat::Bmp ? "fill.bmp" : "fill.png");
        ASSERT_EQ(run().end, PassEnd::Done);
        WorkBitmap written;
        const std::vector<std::uint8_t> bytes = test::readBytes(settings_.outputPath);
        ASSERT_EQ(format == ImageFormat::Bmp ? decodeBmp(bytes, written)
                                             : decodePng(bytes, written, nullptr, nullptr),
                  DecodeStatus::Ok);
        const CellSize cell = cellOf(settings_);
        for (int column = 0; column < 3; ++column) {
            const Rgb colour = column == 0 ? makeRgb(255, 0, 0) : makeRgb(0, 255, 0);
            const Rgb shade = contrastingShade(colour);
            int filled = 0;
            int inked = 0;
            for (int y = 0; y < cell.height; ++y)
                for (int x = column * cell.width; x < (column + 1) * cell.width; ++x) {
                    const Rgb got = written.pixelColor(x, y);
                    ASSERT_NE(got, settings_.backgroundColor) << x << "," << y;
                    filled += got == colour ? 1 : 0;
                    inked += got == shade ? 1 : 0;
                }
            EXPECT_GT(filled, cell.width * cell.height / 2) << column;
            EXPECT_GT(inked, 0) << column;
        }
    }
}

TEST_F(ImageConversion, CompressedFormatsSayCompressingThenSaving) {
    settings_.imageFormat = ImageFormat::Png;
    settings_.imageQuality = 8;
    settings_.outputPath = folder_.file("out.png");
    ASSERT_EQ(run().end, PassEnd::Done);
    const std::vector<std::string> tail(observer_.statuses.end() - 3, observer_.statuses.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"compressing", "saving", "done in 0 ms"}));
    WorkBitmap written;
    EXPECT_EQ(decodePng(test::readBytes(settings_.outputPath), written), DecodeStatus::Ok);

    settings_.imageFormat = ImageFormat::Jpg;
    settings_.imageQuality = 80;
    settings_.outputPath = folder_.file("out.jpg");
    ASSERT_EQ(run().end, PassEnd::Done);
    const auto bytes = test::readBytes(settings_.outputPath);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
}

TEST_F(ImageConversion, RefusesImagesBeyond5079PixelsBeforeDrawing) {
    settings_.transformation = PixelTransformation::CustomRange;
    settings_.fontFace = "Tahoma";
    settings_.rangeFrom = 200; // 50 pixel wide cells
    settings_.rangeTo = 100;
    settings_.imageWidth = 101; // 5050 pixels
    settings_.imageHeight = 1;
    ASSERT_EQ(run().end, PassEnd::Done);

    settings_.imageWidth = 102; // 5100 pixels
    std::filesystem::remove(settings_.outputPath);
    observer_.statuses.clear();
    PassResult result = run();
    EXPECT_EQ(result.end, PassEnd::Refused);
    EXPECT_EQ(result.refusal.reason, RefusalReason::ImageTooLarge);
    EXPECT_EQ(result.refusal.width, 5100);
    EXPECT_EQ(result.refusal.limit, 5079);
    EXPECT_EQ(result.refusal.cellWidth, 50);
    EXPECT_EQ(result.refusal.cellHeight, 11);
    // Refused before drawing or writing.
    EXPECT_EQ(observer_.statuses, std::vector<std::string>{"resizing"});
    EXPECT_FALSE(std::filesystem::exists(settings_.outputPath));

    // An image of no pixels would be no valid file.
    settings_.imageWidth = 0;
    result = run();
    EXPECT_EQ(result.end, PassEnd::Refused);
    EXPECT_EQ(result.refusal.reason, RefusalReason::ImageEmpty);
    EXPECT_FALSE(std::filesystem::exists(settings_.outputPath));
}

TEST_F(ImageConversion, AnUnwritableImageIsAFailure) {
    settings_.outputPath = folder_.file("no-such-folder/out.bmp");
    const PassResult result = run();
    EXPECT_EQ(result.end, PassEnd::Failed);
    EXPECT_EQ(result.failure.stage, FailureStage::Saving);
    EXPECT_EQ(result.failure.path, settings_.outputPath);
    EXPECT_EQ(result.failure.reason, "No such file or directory");
    EXPECT_EQ(observer_.statuses.back(), "saving");
    // The bar stands full before the saving, also when it fails.
    EXPECT_EQ(observer_.calls.back(), "status saving");
    const auto full = std::find(observer_.calls.begin(), observer_.calls.end(),
                                "position " + std::to_string(settings_.imageHeight));
    EXPECT_NE(full, observer_.calls.end());
}

TEST_F(ImageConversion, CancelWhileEncodingLeavesTheOldFile) {
    test::writeBytes(settings_.outputPath, {'o', 'l', 'd'});
    settings_.imageWidth = 300;
    settings_.imageHeight = 300;
    // Cancel as the first status of the encoder arrives.
    class CancellingObserver final : public PassObserver {
    public:
        explicit CancellingObserver(std::atomic<bool>& cancel) : cancel_(cancel) {}
        void showProgress(const PassProgress& progress) override {
            if (progress.stage == PassStage::Saving)
                cancel_ = true;
        }
        void setProgressRange(int) override {}
        void setProgressPosition(int) override {}

    private:
        std::atomic<bool>& cancel_;
    } observer(cancel_);
    ConversionPass pass(settings_, random_, clock_, observer, cancel_, makeOutputWriter,
                        openAtomicOutput);
    EXPECT_EQ(pass.run().end, PassEnd::Cancelled);
    EXPECT_EQ(test::readBytes(settings_.outputPath), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

} // namespace
} // namespace varnelo
