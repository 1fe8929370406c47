#include "engine/codecs/tiff_decoder.h"

#include "engine/conversion_load.h"
#include "engine/picture_loader.h"
#include "engine/work_bitmap.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_samples.h"

#include <gtest/gtest.h>

#include <atomic>

namespace varnelo {
namespace {

using Colours = test::TiffLayout::Colours;

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture,
                    ConversionLoad* conversion = nullptr, DecodeCancel cancel = nullptr) {
    return decodeTiff(FileBytes(file.data(), file.size()), picture, cancel, conversion);
}

Rgb grey(Rgb color) {
    return makeRgb(greenOf(color), greenOf(color), greenOf(color));
}

// Few colours, so that a palette holds them.
Rgb fewColours(int x, int y) {
    return makeRgb(static_cast<std::uint32_t>(x % 4) * 60, static_cast<std::uint32_t>(y % 4) * 60,
                   200);
}

// Every colour model, depth and layout gives the stored colours, in the
// depth the window shows: grey 8, CMYK 32, the rest 24 bits.
TEST(TiffDecoder, EveryLayoutGivesItsColours) {
    struct Case {
        const char* name;
        test::TiffLayout layout;
        PixelDepth depth;
        Rgb (*expected)(Rgb);
    };
    const auto same = [](Rgb color) { return color; };
    const std::vector<Case> cases = {
        {"rgb strips", {}, PixelDepth::Bits24, same},
        {"rgb in one strip", {Colours::Rgb, 8, false, 19, true, 1}, PixelDepth::Bits24, same},
        {"rgb tiles deflate", {Colours::Rgb, 8, true, 4, true, 1}, PixelDepth::Bits24, same},
        {"rgb 16 bits", {Colours::Rgb, 16, false, 3, false, 1}, PixelDepth::Bits24, same},
        {"rgb and alpha", {Colours::RgbAlpha, 8, false, 5, false, 1}, PixelDepth::Bits24, same},
        {"grey", {Colours::Grey, 8, false, 2, true, 1}, PixelDepth::Bits8, grey},
        {"grey 16 bits tiles", {Colours::Grey, 16, true, 1, false, 1}, PixelDepth::Bits8, grey},
        {"palette", {Colours::Palette, 8, false, 7, false, 1}, PixelDepth::Bits24, same},
        {"cmyk", {Colours::Cmyk, 8, false, 4, false, 1}, PixelDepth::Bits32, same},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> file = test::encodeTiff(21, 19, fewColours, c.layout);
        WorkBitmap picture;
        ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
        ASSERT_EQ(picture.width(), 21);
        ASSERT_EQ(picture.height(), 19);
        EXPECT_EQ(picture.depth(), c.depth);
        for (int y = 0; y < 19; ++y) {
            for (int x = 0; x < 21; ++x)
                ASSERT_EQ(picture.pixelColor(x, y), c.expected(fewColours(x, y))) << x << "," << y;
        }
    }
}

TEST(TiffDecoder, BlackAndWhiteIsGrey) {
    const auto stripes = [](int x, int) { return x % 2 == 0 ? makeRgb(255, 255, 255) : Rgb{0}; };
    const std::vector<std::uint8_t> file =
        test::encodeTiff(13, 3, stripes, {Colours::BlackAndWhite, 1, false, 3, false, 1});
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
    EXPECT_EQ(picture.pixelColor(0, 1), makeRgb(255, 255, 255));
    EXPECT_EQ(picture.pixelColor(1, 1), Rgb{0});
}

// Streamed into the resizer, a strip or a row of tiles at a time, it gives
// what loading it whole and resizing gives.
TEST(TiffDecoder, AConversionStreamsLikeLoadingWholeThenResizing) {
    for (const bool tiled : {false, true}) {
        test::TiffLayout layout;
        layout.tiled = tiled;
        const std::vector<std::uint8_t> file = test::encodeTiff(50, 37, test::noise, layout);
        WorkBitmap whole;
        ASSERT_EQ(decode(file, whole), DecodeStatus::Ok);
        ConversionLoad conversion = test::loadTo({17, 11});
        WorkBitmap streamed;
        ASSERT_EQ(decode(file, streamed, &conversion), DecodeStatus::Ok);
        EXPECT_EQ(conversion.facts.width, 50);
        EXPECT_EQ(conversion.facts.topLeft, test::noise(0, 0));
        whole = test::resizedCopy(whole, {17, 11});
        ASSERT_EQ(streamed.width(), 17);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 17; ++x)
                ASSERT_EQ(streamed.pixelColor(x, y), whole.pixelColor(x, y)) << tiled;
    }
}

TEST(TiffDecoder, TheOrientationTagTurnsItUpright) {
    test::TiffLayout layout;
    layout.orientation = 6;
    const std::vector<std::uint8_t> file = test::encodeTiff(
        6, 4, [](int x, int y) { return x == 0 && y == 0 ? makeRgb(255, 0, 0) : Rgb{0}; }, layout);
    EXPECT_EQ(tiffOrientation(FileBytes(file.data(), file.size())), Orientation::RotatedClockwise);
    const test::TempDir folder;
    const std::string path = folder.file("scan");
    test::writeBytes(path, file);
    WorkBitmap picture;
    const LoadOutcome outcome = loadPicture(path, picture);
    ASSERT_EQ(outcome.status, LoadStatus::Loaded);
    EXPECT_EQ(outcome.type, PictureType::Tiff);
    EXPECT_EQ(picture.width(), 4);
    EXPECT_EQ(picture.height(), 6);
    EXPECT_EQ(picture.pixelColor(3, 0), makeRgb(255, 0, 0));
}

TEST(TiffDecoder, ACancelStopsItBetweenStrips) {
    const std::vector<std::uint8_t> file = test::encodeTiff(64, 64, test::noise);
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    EXPECT_EQ(decode(file, picture, nullptr, &cancel), DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(TiffBadFiles, FailCleanlyOrDecodeSafely) {
    const std::vector<std::uint8_t> good = test::encodeTiff(3, 2, test::noise);
    WorkBitmap start;
    ASSERT_EQ(decode(good, start), DecodeStatus::Ok);
    test::checkBadFiles(
        test::badTiffSamples(), ".tif",
        [](FileBytes file, WorkBitmap& picture) {
            return decodeTiff(file, picture, nullptr, nullptr);
        },
        start);
}

TEST(TiffBadFiles, FailCleanlyOrDecodeSafelyWhenShrunkWhileDecoding) {
    test::checkBadFiles(test::badTiffSamples(), ".tif", [](FileBytes file, WorkBitmap& picture) {
        ConversionLoad conversion = test::loadShrunkBy(3, 2);
        return decodeTiff(file, picture, nullptr, &conversion);
    });
}

TEST(TiffBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badTiffSamples());
}

} // namespace
} // namespace varnelo
