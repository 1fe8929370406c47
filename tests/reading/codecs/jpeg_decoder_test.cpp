#include "base/picture_limits.h"
#include "reading/codecs/jpeg_decoder.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace varnelo {
namespace {

using test::encodeJpeg;
using test::JpegSampleOptions;

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture) {
    return decodeJpeg(FileBytes(file.data(), file.size()), picture);
}

void expectNear(Rgb actual, Rgb expected, int tolerance, const std::string& where) {
    EXPECT_NEAR(redOf(actual), redOf(expected), tolerance) << where;
    EXPECT_NEAR(greenOf(actual), greenOf(expected), tolerance) << where;
    EXPECT_NEAR(blueOf(actual), blueOf(expected), tolerance) << where;
}

// Four flat 16 × 16 blocks; block centres survive lossy coding nearly intact.
constexpr int kBlocks = 4;
constexpr int kSide = 16;

std::vector<std::uint8_t> blockPixels(int channels, const std::vector<std::uint8_t>& colours) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide * kBlocks; ++x)
            for (int c = 0; c < channels; ++c)
                pixels.push_back(colours[static_cast<std::size_t>((x / kSide) * channels + c)]);
    return pixels;
}

Rgb blockCentre(const WorkBitmap& picture, int block) {
    return picture.pixelColor(block * kSide + kSide / 2, kSide / 2);
}

// A noisy picture, so every part of the file carries picture data.
std::vector<std::uint8_t> noisyFile(const JpegSampleOptions& options) {
    std::vector<std::uint8_t> pixels;
    unsigned seed = 12345;
    for (int i = 0; i < 48 * 40 * 3; ++i) {
        seed = seed * 1103515245u + 12345u;
        pixels.push_back(static_cast<std::uint8_t>(seed >> 16));
    }
    return encodeJpeg(48, 40, 3, pixels, options);
}

TEST(JpegDecoder, GreyLoadsIndexedWithGreyTable) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            pixels.push_back(static_cast<std::uint8_t>(x * 4));
    WorkBitmap picture;
    ASSERT_EQ(decode(encodeJpeg(64, 8, 1, pixels, {.quality = 100}), picture), DecodeStatus::Ok);
    ASSERT_EQ(picture.depth(), PixelDepth::Bits8);
    ASSERT_EQ(picture.width(), 64);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint32_t>(i);
        ASSERT_EQ(picture.colorTable()[static_cast<std::size_t>(i)], makeRgb(v, v, v));
    }
    for (int x = 0; x < 64; ++x)
        EXPECT_NEAR(picture.row(4)[x], x * 4, 3) << x;
}

TEST(JpegDecoder, ColourLoadsAsBgrInEveryCoding) {
    const std::vector<std::uint8_t> colours = {200, 30, 40,  20,  180, 60,
                                               10,  20, 230, 250, 250, 250};
    const auto pixels = blockPixels(3, colours);
    const std::map<std::string, JpegSampleOptions> codings = {
        {"baseline", {}},
        {"subsampled", {.fullChroma = false}},
        {"progressive", {.progressive = true}},
        {"arithmetic", {.arithmetic = true}},
        {"progressive arithmetic", {.progressive = true, .arithmetic = true}},
    };
    for (const auto& [name, options] : codings) {
        WorkBitmap picture;
        ASSERT_EQ(decode(encodeJpeg(kSide * kBlocks, kSide, 3, pixels, options), picture),
                  DecodeStatus::Ok)
            << name;
        ASSERT_EQ(picture.depth(), PixelDepth::Bits24) << name;
        for (int b = 0; b < kBlocks; ++b) {
            const auto* c = &colours[static_cast<std::size_t>(b * 3)];
            expectNear(blockCentre(picture, b), makeRgb(c[0], c[1], c[2]), 4,
                       name + " block " + std::to_string(b));
        }
    }
}

TEST(JpegDecoder, CmykFollowsAdobeInversion) {
    // C, M, Y, K as stored in the file.
    const std::vector<std::uint8_t> cmyk = {255, 0, 128, 255, 200, 100, 50,  128,
                                            0,   0, 0,   0,   255, 255, 255, 200};
    const auto pixels = blockPixels(4, cmyk);
    for (const bool adobe : {true, false}) {
        WorkBitmap picture;
        ASSERT_EQ(decode(encodeJpeg(kSide * kBlocks, kSide, 4, pixels,
                                    {.quality = 100, .adobeMarker = adobe}),
                         picture),
                  DecodeStatus::Ok);
        ASSERT_EQ(picture.depth(), PixelDepth::Bits32);
        for (int b = 0; b < kBlocks; ++b) {
            const auto* p = &cmyk[static_cast<std::size_t>(b * 4)];
            const auto channel = [&](int i) {
                const unsigned c = adobe ? p[i] : 255u - p[i];
                const unsigned k = adobe ? p[3] : 255u - p[3];
                return (c * k + 127) / 255;
            };
            expectNear(blockCentre(picture, b), makeRgb(channel(0), channel(1), channel(2)), 3,
                       (adobe ? "adobe block " : "plain block ") + std::to_string(b));
        }
    }
}

TEST(JpegDecoder, EveryCutShortFileFails) {
    const std::map<std::string, JpegSampleOptions> codings = {
        {"baseline", {}},
        {"restarts", {.restartRows = 1}},
        {"progressive", {.progressive = true}},
        {"arithmetic", {.arithmetic = true}},
    };
    for (const auto& [name, options] : codings) {
        const auto file = noisyFile(options);
        for (std::size_t length = 2; length + 2 < file.size(); ++length) {
            WorkBitmap picture;
            const std::vector<std::uint8_t> cut(file.begin(),
                                                file.begin() + static_cast<std::ptrdiff_t>(length));
            ASSERT_EQ(decode(cut, picture), DecodeStatus::Truncated)
                << name << ": " << length << " of " << file.size();
            ASSERT_TRUE(picture.isEmpty());
        }
        // Only the end marker missing: a single Huffman-coded scan is known
        // complete and loads; elsewhere a lost end looks like lost data.
        const bool singleHuffmanScan = !options.progressive && !options.arithmetic;
        WorkBitmap picture;
        const std::vector<std::uint8_t> noEnd(file.begin(), file.end() - 2);
        EXPECT_EQ(decode(noEnd, picture),
                  singleHuffmanScan ? DecodeStatus::Ok : DecodeStatus::Truncated)
            << name;
    }
}

TEST(JpegDecoder, ClaimedSizeIsCheckedAgainstLimits) {
    auto file = noisyFile({});
    WorkBitmap picture;
    // Allowed, but the data ends at once: fails before touching the memory.
    test::setJpegSize(file, 16384, 16384);
    EXPECT_EQ(decode(file, picture), DecodeStatus::Truncated);
    test::setJpegSize(file, 65500, 65500);
    EXPECT_EQ(decode(file, picture), DecodeStatus::TooLarge);
    test::setJpegSize(file, 65500, 4099); // just over 2^28 pixels
    EXPECT_EQ(decode(file, picture), DecodeStatus::TooLarge);
    EXPECT_TRUE(picture.isEmpty());
}

// A progressive file must keep every block's coefficients before its first
// row comes out: one too short to hold a bit for each block is refused at
// its header, before the size is even asked for.
TEST(JpegDecoder, AFileTooShortForItsBlocksIsTruncatedAtOnce) {
    auto file = encodeJpeg(8, 8, 1, std::vector<std::uint8_t>(64, 100), {.progressive = true});
    test::setJpegSize(file, 16384, 16384);
    ASSERT_LT(file.size(), 2000u);
    WorkBitmap picture;
    ConversionLoad conversion;
    bool asked = false;
    conversion.sizeOf = [&](int width, int height) {
        asked = true;
        return PictureSize{width, height};
    };
    EXPECT_EQ(decodeJpeg(file, picture, nullptr, &conversion), DecodeStatus::Truncated);
    EXPECT_FALSE(asked);

    // The flattest real picture keeps within the bound: a grey square of
    // 1024 × 1024 with tables made for it, its DC values a bit each.
    const auto flat = encodeJpeg(1024, 1024, 1, std::vector<std::uint8_t>(1024 * 1024, 77),
                                 {.progressive = true, .optimizeCoding = true});
    EXPECT_GE(flat.size(), std::size_t{1024 / 8} * (1024 / 8) / 8);
    EXPECT_EQ(decode(flat, picture), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 1024);
}

std::vector<std::uint8_t> progressiveWithScans(int scans) {
    return test::progressiveJpegOfScans(scans);
}

TEST(JpegDecoder, EndlessScansAreRefused) {
    WorkBitmap picture;
    EXPECT_EQ(decode(progressiveWithScans(kMaxJpegScans + 100), picture), DecodeStatus::TooCostly);
    EXPECT_EQ(decode(progressiveWithScans(kMaxJpegScans), picture), DecodeStatus::Ok);
}

TEST(JpegDecoder, TheWorkOfEveryScanIsBoundBeforeAnythingIsDecoded) {
    WorkBitmap picture;
    // 500 scans over 16384 × 16384 pixels in a few hundred bytes: a minute's
    // work, refused before any memory is taken.
    auto bomb = progressiveWithScans(kMaxJpegScans);
    test::setJpegSize(bomb, 16384, 16384);
    EXPECT_EQ(decode(bomb, picture), DecodeStatus::TooCostly);
    EXPECT_TRUE(picture.isEmpty());

    // At 8192 × 8192, 96 scans are the most the bound allows.
    const std::int64_t allowed = kMaxJpegPixelScans / (std::int64_t{8192} * 8192);
    auto over = progressiveWithScans(static_cast<int>(allowed) + 1);
    test::setJpegSize(over, 8192, 8192);
    EXPECT_EQ(decode(over, picture), DecodeStatus::TooCostly);
    auto within = progressiveWithScans(static_cast<int>(allowed));
    test::setJpegSize(within, 8192, 8192);
    EXPECT_EQ(decode(within, picture), DecodeStatus::Truncated); // decoded until the data ends
}

TEST(JpegDecoder, StopsWhenCancelled) {
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    for (const bool progressive : {false, true}) {
        const auto file = noisyFile({.progressive = progressive});
        EXPECT_EQ(decodeJpeg(file, picture, &cancel), DecodeStatus::Cancelled) << progressive;
        EXPECT_TRUE(picture.isEmpty());
    }
}

// A load that may be coarser lets libjpeg shrink further, and is not
// enlarged back to the size asked for.
TEST(JpegDecoder, ALoadThatMayBeCoarserIsDecodedSmallerAndKeptSo) {
    const std::vector<std::uint8_t> file = noisyFile({});
    for (const int coarserBy : {1, 2}) {
        ConversionLoad conversion = test::loadTo({40, 24});
        conversion.coarserBy = coarserBy;
        WorkBitmap picture;
        ASSERT_EQ(decodeJpeg(FileBytes(file.data(), file.size()), picture, nullptr, &conversion),
                  DecodeStatus::Ok);
        // 1/2 gives 24 × 20: wide enough for half of 40, not for 40.
        EXPECT_EQ(picture.width(), coarserBy == 1 ? 40 : 24) << coarserBy;
        EXPECT_EQ(picture.height(), coarserBy == 1 ? 24 : 20) << coarserBy;
        EXPECT_EQ(conversion.facts.width, 48);
        EXPECT_EQ(conversion.facts.height, 40);
    }
}

TEST(JpegDecoder, NotAJpegIsWrongFormat) {
    WorkBitmap picture;
    EXPECT_EQ(decode({}, picture), DecodeStatus::WrongFormat);
    EXPECT_EQ(decode({'G', 'I', 'F', '8', '9', 'a'}, picture), DecodeStatus::WrongFormat);
}

TEST(JpegBadFiles, FailCleanlyOrDecodeSafely) {
    test::checkBadFiles(
        test::badJpegSamples(), ".jpg",
        [](FileBytes file, WorkBitmap& picture) { return decodeJpeg(file, picture); }, {});
}

// The rows of a conversion that shrinks go straight to the resizer: the
// same files must fail as cleanly on that path.
TEST(JpegBadFiles, FailCleanlyOrDecodeSafelyWhenShrunkWhileDecoding) {
    test::checkBadFiles(test::badJpegSamples(), ".jpg",
                        [](FileBytes file, WorkBitmap& picture) {
                            ConversionLoad conversion = test::loadShrunkBy(3, 3);
                            return decodeJpeg(file, picture, nullptr, &conversion);
                        },
                        {});
}

TEST(JpegBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badJpegSamples());
}

} // namespace
} // namespace varnelo
