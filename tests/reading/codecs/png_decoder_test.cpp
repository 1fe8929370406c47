#include "reading/codecs/png_decoder.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/png_samples.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace varnelo {
namespace {

using test::encodePng;
using test::PngSample;

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture) {
    return decodePng(FileBytes(file.data(), file.size()), picture);
}

// Odd sizes: partial bytes at row ends and partial Adam7 blocks.
constexpr int kWidth = 13;
constexpr int kHeight = 11;

const std::vector<Rgb> kPalette = {makeRgb(10, 20, 30), makeRgb(250, 0, 5), makeRgb(0, 128, 255),
                                   makeRgb(77, 66, 55), makeRgb(1, 2, 3),   makeRgb(200, 200, 100)};

// Sample values spread over the whole range of the depth; alpha (the last
// channel of the alpha types) is 0, fully transparent, every third pixel.
PngSample sampleOf(int colorType, int bitDepth) {
    PngSample sample{
        .width = kWidth, .height = kHeight, .colorType = colorType, .bitDepth = bitDepth};
    const int channels = test::pngChannelsOf(colorType);
    const unsigned top = colorType == PNG_COLOR_TYPE_PALETTE
                             ? static_cast<unsigned>(kPalette.size())
                             : (1u << bitDepth);
    for (unsigned i = 0; i < kWidth * kHeight; ++i) {
        for (int c = 0; c < channels; ++c) {
            const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 && c == channels - 1;
            const unsigned mixed = i * 2654435761u + static_cast<unsigned>(c) * 40503u;
            const unsigned value = alpha ? (i % 3 == 0 ? 0u : top - 1) : (mixed >> 7) % top;
            sample.samples.push_back(static_cast<std::uint16_t>(value));
        }
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        sample.palette = kPalette;
        sample.paletteAlpha = {0, 128}; // transparency never blends
    }
    return sample;
}

std::uint32_t to8Bits(unsigned value, int bitDepth) {
    return bitDepth == 16 ? (value + 128) / 257 : value * 255 / ((1u << bitDepth) - 1);
}

Rgb expectedColor(const PngSample& sample, int pixel) {
    const std::uint16_t* s =
        &sample.samples[static_cast<std::size_t>(pixel * test::pngChannelsOf(sample.colorType))];
    switch (sample.colorType) {
    case PNG_COLOR_TYPE_PALETTE:
        return kPalette[s[0]];
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA: {
        const auto grey = to8Bits(s[0], sample.bitDepth);
        return makeRgb(grey, grey, grey);
    }
    default:
        return makeRgb(to8Bits(s[0], sample.bitDepth), to8Bits(s[1], sample.bitDepth),
                       to8Bits(s[2], sample.bitDepth));
    }
}

TEST(PngDecoder, EveryColourTypeAndDepthGivesStoredColours) {
    const std::vector<std::pair<int, std::vector<int>>> formats = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}}, {PNG_COLOR_TYPE_RGB, {8, 16}},
        {PNG_COLOR_TYPE_PALETTE, {4, 8}},        {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
    };
    for (const auto& [colorType, depths] : formats) {
        for (const int depth : depths) {
            for (const bool interlaced : {false, true}) {
                PngSample sample = sampleOf(colorType, depth);
                sample.interlaced = interlaced;
                const std::string what = "type " + std::to_string(colorType) + ", " +
                                         std::to_string(depth) + " bits" +
                                         (interlaced ? ", Adam7" : "");
                WorkBitmap picture;
                ASSERT_EQ(decode(encodePng(sample), picture), DecodeStatus::Ok) << what;
                ASSERT_EQ(picture.depth(), PixelDepth::Device) << what;
                ASSERT_EQ(picture.width(), kWidth) << what;
                ASSERT_EQ(picture.height(), kHeight) << what;
                for (int y = 0; y < kHeight; ++y)
                    for (int x = 0; x < kWidth; ++x)
                        ASSERT_EQ(picture.pixelColor(x, y), expectedColor(sample, y * kWidth + x))
                            << what << " at " << x << "," << y;
                EXPECT_EQ(picture.row(0)[3], 0xFF) << what;
            }
        }
    }
}

TEST(PngDecoder, SmallPalettesAndIndexesPastThePalette) {
    // Index 3 of a 2-bit image and index 1 of a 1-bit image lie past the
    // palette's end: they read black.
    for (const int depth : {1, 2}) {
        PngSample sample{
            .width = 4, .height = 1, .colorType = PNG_COLOR_TYPE_PALETTE, .bitDepth = depth};
        sample.palette = {makeRgb(9, 8, 7)};
        sample.samples = {0, 1, depth == 2 ? std::uint16_t{3} : std::uint16_t{0}, 0};
        if (depth == 2)
            sample.palette.push_back(makeRgb(1, 200, 3));
        WorkBitmap picture;
        ASSERT_EQ(decode(encodePng(sample), picture), DecodeStatus::Ok) << depth;
        EXPECT_EQ(picture.pixelColor(0, 0), makeRgb(9, 8, 7)) << depth;
        EXPECT_EQ(picture.pixelColor(1, 0), depth == 2 ? makeRgb(1, 200, 3) : Rgb{0}) << depth;
        EXPECT_EQ(picture.pixelColor(2, 0), depth == 2 ? Rgb{0} : makeRgb(9, 8, 7)) << depth;
    }
}

TEST(PngDecoder, CutShortFileFailsUntilThePixelsAreComplete) {
    const auto file = encodePng(sampleOf(PNG_COLOR_TYPE_RGB, 8));
    const long idat = test::findPngChunk(file, "IDAT");
    const long end = test::findPngChunk(file, "IEND");
    ASSERT_GT(idat, 0);
    for (long length = 0; length < static_cast<long>(file.size()); ++length) {
        WorkBitmap picture;
        const std::vector<std::uint8_t> cut(file.begin(), file.begin() + length);
        const DecodeStatus expected = length < 8     ? DecodeStatus::WrongFormat
                                      : length < end ? DecodeStatus::Truncated
                                                     : DecodeStatus::Ok;
        ASSERT_EQ(decode(cut, picture), expected) << length << " of " << file.size();
        ASSERT_EQ(picture.isEmpty(), expected != DecodeStatus::Ok);
    }
}

TEST(PngDecoder, ClaimedSizeIsCheckedAgainstLimitsAndFileSize) {
    auto file = encodePng(sampleOf(PNG_COLOR_TYPE_GRAY, 1));
    WorkBitmap picture;
    // Allowed by the limits, but no file this small holds that much data.
    test::setPngSize(file, 16384, 16384);
    EXPECT_EQ(decode(file, picture), DecodeStatus::Corrupt);
    test::setPngSize(file, 65536, 1);
    EXPECT_EQ(decode(file, picture), DecodeStatus::TooLarge);
    test::setPngSize(file, 20000, 20000);
    EXPECT_EQ(decode(file, picture), DecodeStatus::TooLarge);
    EXPECT_TRUE(picture.isEmpty());

    // The best compression there is still loads.
    PngSample flat{.width = 4000,
                   .height = 4000,
                   .colorType = PNG_COLOR_TYPE_GRAY,
                   .bitDepth = 8,
                   .compressionLevel = 9};
    flat.samples.assign(4000u * 4000u, 0);
    EXPECT_EQ(decode(encodePng(flat), picture), DecodeStatus::Ok);
}

TEST(PngDecoder, DamagedChecksumIsCorrupt) {
    for (const char* chunk : {"IHDR", "IDAT"}) {
        auto file = encodePng(sampleOf(PNG_COLOR_TYPE_RGB, 8));
        const auto at = static_cast<std::size_t>(test::findPngChunk(file, chunk));
        const std::size_t length = (std::size_t{file[at + 2]} << 8) | file[at + 3];
        file[at + 8 + length] ^= 0x01; // first byte of the checksum
        WorkBitmap picture;
        EXPECT_EQ(decode(file, picture), DecodeStatus::Corrupt) << chunk;
        EXPECT_TRUE(picture.isEmpty());
    }
}

// Once the rows are complete nothing more is read: a cut in the data past
// them does not matter, and data that would inflate to 256 MiB is never inflated.
TEST(PngDecoder, ReadsNothingPastTheRows) {
    for (const bool interlaced : {false, true}) {
        for (const auto& [width, height] : {std::pair{1, 1}, {2, 2}, {5, 3}, {9, 17}, {16, 16}}) {
            SCOPED_TRACE(testing::Message()
                         << width << " x " << height << (interlaced ? " interlaced" : ""));
            const auto file =
                test::greyPngWithDataPastTheRows(width, height, interlaced, 1 << 20, 100);
            WorkBitmap picture;
            ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
            ASSERT_EQ(picture.width(), width);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const auto grey = static_cast<std::uint32_t>(10 * x + y);
                    ASSERT_EQ(picture.pixelColor(x, y), makeRgb(grey, grey, grey))
                        << x << ", " << y;
                }
        }
    }
    // Streamed into the resizer at a conversion's size, the last row too.
    const auto file = test::greyPngWithDataPastTheRows(16, 16, false, 1 << 20, 100);
    WorkBitmap picture;
    ConversionLoad conversion = test::loadTo({4, 4});
    ASSERT_EQ(decodePng(file, picture, nullptr, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 4);
    EXPECT_EQ(conversion.facts.width, 16);

    const auto bomb =
        test::greyPngWithDataPastTheRows(16, 16, false, std::size_t{1} << 28, SIZE_MAX);
    EXPECT_LT(bomb.size(), std::size_t{2} << 20);
    EXPECT_EQ(decode(bomb, picture), DecodeStatus::Ok);
}

TEST(PngDecoder, StopsWhenCancelled) {
    const auto file = test::encodePng(
        {.width = 4, .height = 4, .colorType = 0, .samples = std::vector<std::uint16_t>(16, 9)});
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    EXPECT_EQ(decodePng(file, picture, &cancel), DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(PngBadFiles, FailCleanlyOrDecodeSafely) {
    test::checkBadFiles(
        test::badPngSamples(), ".png",
        [](FileBytes file, WorkBitmap& picture) { return decodePng(file, picture); }, {});
}

// The rows of a conversion that shrinks go straight to the resizer: the
// same files must fail as cleanly on that path.
TEST(PngBadFiles, FailCleanlyOrDecodeSafelyWhenShrunkWhileDecoding) {
    test::checkBadFiles(test::badPngSamples(), ".png",
                        [](FileBytes file, WorkBitmap& picture) {
                            ConversionLoad conversion = test::loadShrunkBy(3, 3);
                            return decodePng(file, picture, nullptr, &conversion);
                        },
                        {});
}

TEST(PngBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badPngSamples());
}

} // namespace
} // namespace varnelo
