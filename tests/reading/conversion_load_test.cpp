// A conversion load gives the picture at the conversion's size without
// holding it at its own: the same picture as loading it whole and
// resizing, to the bit where the decoder does not shrink, within a few
// levels where libjpeg decodes it at 1/2, 1/4 or 1/8.
#include "reading/conversion_load.h"

#include "engine/symbol_matching.h"
#include "engine/symbol_sets.h"
#include "reading/arriving_rows.h"

#include "base/work_bitmap.h"
#include "reading/codecs/gif_decoder.h"
#include "reading/codecs/jpeg_decoder.h"
#include "reading/codecs/png_decoder.h"
#include "reading/picture_loader.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/gif_samples.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_samples.h"
#include "tests/support/temp_dir.h"

#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace varnelo {
namespace {

using test::loadTo;

WorkBitmap wholeThenResized(WorkBitmap picture, PictureSize size) {
    return test::resizedCopy(std::move(picture), size);
}

// The largest difference of any channel of any pixel.
int largestDifference(const WorkBitmap& a, const WorkBitmap& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    int largest = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const Rgb p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            largest =
                std::max({largest, std::abs(redOf(p) - redOf(q)), std::abs(greenOf(p) - greenOf(q)),
                          std::abs(blueOf(p) - blueOf(q))});
        }
    return largest;
}

// A smooth picture, as photos are at the scale of a pixel.
Rgb smooth(int x, int y) {
    return makeRgb(static_cast<std::uint32_t>(128 + 100 * std::sin(x / 37.0)),
                   static_cast<std::uint32_t>(128 + 100 * std::cos(y / 29.0)),
                   static_cast<std::uint32_t>((x + y) / 6));
}

std::vector<std::uint8_t> rgbPixels(int width, int height, Rgb (*colorAt)(int, int)) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb color = colorAt(x, y);
            pixels.insert(pixels.end(), {redOf(color), greenOf(color), blueOf(color)});
        }
    return pixels;
}

TEST(ConversionLoad, JpegShrunkWhileDecodingIsTheAverageOfTheSourceArea) {
    const auto file = test::encodeJpeg(803, 611, 3, rgbPixels(803, 611, smooth));
    WorkBitmap whole;
    ASSERT_EQ(decodeJpeg(file, whole), DecodeStatus::Ok);
    // 1/8 (101 × 77 decoded), 1/4, 1/2, and a size only a full decode reaches.
    for (const PictureSize size : {PictureSize{90, 60}, PictureSize{150, 150},
                                   PictureSize{399, 300}, PictureSize{500, 400}}) {
        ConversionLoad conversion = loadTo(size);
        WorkBitmap shrunk;
        ASSERT_EQ(decodeJpeg(file, shrunk, nullptr, &conversion), DecodeStatus::Ok);
        EXPECT_LE(largestDifference(shrunk, wholeThenResized(whole, size)), 4)
            << size.width << " x " << size.height;
        EXPECT_EQ(shrunk.depth(), PixelDepth::Bits24);
        EXPECT_EQ(conversion.facts.width, 803);
        EXPECT_EQ(conversion.facts.height, 611);
    }
    // Not smaller: decoded whole, then resized exactly as before.
    ConversionLoad larger = loadTo({1000, 700});
    WorkBitmap enlarged;
    ASSERT_EQ(decodeJpeg(file, enlarged, nullptr, &larger), DecodeStatus::Ok);
    EXPECT_EQ(largestDifference(enlarged, wholeThenResized(whole, {1000, 700})), 0);
}

TEST(ConversionLoad, GreyAndCmykJpegsKeepTheirDepth) {
    std::vector<std::uint8_t> grey;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x)
            grey.push_back(static_cast<std::uint8_t>(x * 2 + y));
    const auto greyFile = test::encodeJpeg(96, 64, 1, grey);
    WorkBitmap whole;
    ASSERT_EQ(decodeJpeg(greyFile, whole), DecodeStatus::Ok);
    ConversionLoad conversion = loadTo({20, 10});
    WorkBitmap shrunk;
    ASSERT_EQ(decodeJpeg(greyFile, shrunk, nullptr, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(shrunk.depth(), PixelDepth::Bits8);
    EXPECT_EQ(conversion.facts.depth, PixelDepth::Bits8);
    EXPECT_LE(largestDifference(shrunk, wholeThenResized(whole, {20, 10})), 4);
    for (int y = 0; y < shrunk.height(); ++y) {
        const Rgb color = shrunk.pixelColor(3, y);
        EXPECT_TRUE(redOf(color) == greenOf(color) && greenOf(color) == blueOf(color));
    }

    std::vector<std::uint8_t> cmyk(64 * 48 * 4);
    for (std::size_t i = 0; i < cmyk.size(); ++i)
        cmyk[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 40 : (i / 4) % 200);
    const auto cmykFile = test::encodeJpeg(64, 48, 4, cmyk);
    ASSERT_EQ(decodeJpeg(cmykFile, whole), DecodeStatus::Ok);
    conversion = loadTo({8, 6});
    ASSERT_EQ(decodeJpeg(cmykFile, shrunk, nullptr, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(shrunk.depth(), PixelDepth::Bits32);
    EXPECT_LE(largestDifference(shrunk, wholeThenResized(whole, {8, 6})), 6);
}

TEST(ConversionLoad, PngRowsStreamIntoTheResizerToTheBit) {
    test::PngSample sample{211, 157, PNG_COLOR_TYPE_RGB};
    for (int y = 0; y < sample.height; ++y)
        for (int x = 0; x < sample.width; ++x) {
            const Rgb color = test::noise(x, y);
            sample.samples.insert(sample.samples.end(),
                                  {redOf(color), greenOf(color), blueOf(color)});
        }
    for (const bool interlaced : {false, true}) {
        sample.interlaced = interlaced; // interlaced files load whole, then resize
        const auto file = test::encodePng(sample);
        WorkBitmap whole;
        ASSERT_EQ(decodePng(file, whole), DecodeStatus::Ok);
        for (const PictureSize size : {PictureSize{50, 40}, PictureSize{300, 100}}) {
            ConversionLoad conversion = loadTo(size);
            WorkBitmap loaded;
            ASSERT_EQ(decodePng(file, loaded, nullptr, &conversion), DecodeStatus::Ok);
            EXPECT_EQ(largestDifference(loaded, wholeThenResized(whole, size)), 0);
            EXPECT_EQ(loaded.depth(), PixelDepth::Device);
            EXPECT_EQ(conversion.facts.width, 211);
            EXPECT_EQ(conversion.facts.topLeft, whole.pixelColor(0, 0));
        }
    }
}

TEST(ConversionLoad, SizesAConversionCannotTakeLoadThePictureAtItsOwn) {
    test::TempDir folder;
    const std::string path = folder.file("picture.bmp");
    test::writeBmpFile(path, 30, 20, test::noise);
    for (const PictureSize size :
         {PictureSize{0, 10}, PictureSize{10, -1}, PictureSize{70000, 10}, PictureSize{30, 20}}) {
        ConversionLoad conversion = loadTo(size);
        WorkBitmap picture;
        ASSERT_EQ(loadPicture(path, picture, nullptr, &conversion).status, LoadStatus::Loaded);
        EXPECT_EQ(picture.width(), 30);
        EXPECT_EQ(picture.height(), 20);
        EXPECT_EQ(conversion.facts.topLeft, test::noise(0, 0));
    }
    // A BMP loads whole and is resized: the same as resizing after loading.
    ConversionLoad conversion = loadTo({7, 9});
    WorkBitmap shrunk, whole;
    ASSERT_EQ(loadPicture(path, shrunk, nullptr, &conversion).status, LoadStatus::Loaded);
    ASSERT_EQ(loadPicture(path, whole).status, LoadStatus::Loaded);
    EXPECT_EQ(largestDifference(shrunk, wholeThenResized(whole, {7, 9})), 0);
    EXPECT_EQ(conversion.facts.width, 30);
}

// A large JPEG's rows are told as they are resized beside its decoding:
// symbols matched from them as they arrive are those of the picture
// loaded; a load that fails halfway stops the matching, which reads
// nothing once the rows may go.
TEST(ConversionLoad, SymbolsMatchedAsAJpegLoadsAreThoseOfThePictureLoaded) {
    constexpr int kWidth = 1280, kHeight = 960, kColumns = 100, kRows = 60;
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>((i * 2654435761U) >> 13);
    const std::vector<std::uint8_t> file = test::encodeJpeg(kWidth, kHeight, 3, pixels);
    std::string unknown;
    const std::vector<Symbol> symbols = symbolsOf(
        *symbolSetCharacters("space+blocks+quadrants", unknown), SymbolDrawing::Exact, "", {});
    const std::atomic<bool> cancel{false};
    struct Matched {
        ShapeMatchEnd end = ShapeMatchEnd::Cancelled;
        WorkBitmap colors;
        ShapeTexts texts;
    };
    const auto loadAndMatch = [&](std::span<const std::uint8_t> bytes, WorkBitmap& picture) {
        ConversionLoad conversion = loadTo({kColumns * 8, kRows * 8});
        conversion.coarserBy = 2;
        conversion.keepCoarser = false;
        ArrivingRows arriving;
        conversion.arriving = &arriving;
        Matched early;
        std::thread matching([&] {
            early.end = matchSymbols(WorkBitmap(), kColumns, kRows, symbols, {}, early.colors,
                                     early.texts, cancel, &arriving);
        });
        loadPictureBytes(bytes, picture, nullptr, &conversion);
        arriving.end();
        matching.join();
        return early;
    };
    WorkBitmap picture;
    const Matched early = loadAndMatch(file, picture);
    ASSERT_EQ(early.end, ShapeMatchEnd::Done);
    Matched late;
    ASSERT_EQ(matchSymbols(picture, kColumns, kRows, symbols, {}, late.colors, late.texts, cancel),
              ShapeMatchEnd::Done);
    ByteString earlyText, lateText;
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x) {
            early.texts.textAt(x, y, earlyText);
            late.texts.textAt(x, y, lateText);
            ASSERT_EQ(earlyText, lateText) << x << "," << y;
            ASSERT_EQ(early.colors.pixelColor(x, y), late.colors.pixelColor(x, y));
        }

    WorkBitmap broken;
    const std::span<const std::uint8_t> half(file.data(), file.size() / 2);
    EXPECT_EQ(loadAndMatch(half, broken).end, ShapeMatchEnd::Cancelled);
}

TEST(ConversionLoad, APictureNeedingMoreMemoryThanTheLimitIsRefusedBeforeItIsTaken) {
    // 4096 × 2048 pixels of one colour in a few bytes: 24 MiB held whole.
    test::GifSample sample{.screenWidth = 4096, .screenHeight = 2048, .globalColors = {0x102030}};
    sample.frames.push_back({.width = 1, .height = 1, .indexes = {0}});
    const auto file = test::encodeGif(sample);
    WorkBitmap picture;
    ConversionLoad whole;
    whole.memoryLimit = std::int64_t{16} << 20;
    const LoadOutcome refused = loadPictureBytes(file, picture, nullptr, &whole);
    EXPECT_EQ(refused.detail, DecodeStatus::OverMemoryLimit);
    EXPECT_EQ(refused.memoryNeeded, 4096 * 2048 * 3);
    EXPECT_EQ(refused.memoryLimit, std::int64_t{16} << 20);
    EXPECT_TRUE(picture.isEmpty());
    // Read at the size it converts to, it never needs its own.
    ConversionLoad shrunk = loadTo({200, 100});
    shrunk.memoryLimit = std::int64_t{1} << 20;
    EXPECT_EQ(loadPictureBytes(file, picture, nullptr, &shrunk).status, LoadStatus::Loaded);
    EXPECT_EQ(picture.width(), 200);
}

// A picture a decoder loads whole is resized after, with the cancel looked
// at between rows: a large one cannot hold up a cancel.
TEST(ConversionLoad, APictureResizedAfterLoadingStopsAtACancel) {
    ConversionLoad conversion = loadTo({10, 10});
    WorkBitmap picture = test::makePicture(64, 64, test::noise);
    const std::atomic<bool> cancel{true};
    EXPECT_EQ(resizeAfterLoading(DecodeStatus::Ok, picture, &conversion, &cancel),
              DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
    picture = test::makePicture(64, 64, test::noise);
    EXPECT_EQ(resizeAfterLoading(DecodeStatus::Ok, picture, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 10);
}

TEST(ConversionLoad, ABrokenPngKeepsWhatTheBitmapHeld) {
    test::PngSample sample{64, 64, PNG_COLOR_TYPE_RGB};
    sample.samples.assign(64 * 64 * 3, 99);
    auto file = test::encodePng(sample);
    file.resize(file.size() / 2);
    test::TempDir folder;
    const std::string path = folder.file("cut.png");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    WorkBitmap picture = test::makePicture(3, 3, test::noise);
    ConversionLoad conversion = loadTo({8, 8});
    const LoadOutcome outcome = loadPicture(path, picture, nullptr, &conversion);
    EXPECT_EQ(outcome.status, LoadStatus::PngFailed);
    EXPECT_EQ(outcome.detail, DecodeStatus::Truncated);
    EXPECT_EQ(picture.width(), 3);
}

} // namespace
} // namespace varnelo
