#include "reading/codecs/gif_decoder.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/gif_samples.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>

namespace varnelo {
namespace {

using test::encodeGif;
using test::GifFrameSample;
using test::GifSample;

constexpr Rgb kRed = makeRgb(255, 0, 0);
constexpr Rgb kGreen = makeRgb(0, 255, 0);
constexpr Rgb kBlue = makeRgb(0, 0, 255);
constexpr Rgb kGrey = makeRgb(90, 90, 90);
constexpr Rgb kBlack = 0;

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture) {
    return decodeGif(FileBytes(file.data(), file.size()), picture);
}

// The picture as rows of colours, for whole-picture comparisons.
std::vector<std::vector<Rgb>> colours(const WorkBitmap& picture) {
    std::vector<std::vector<Rgb>> rows(static_cast<std::size_t>(picture.height()));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            rows[static_cast<std::size_t>(y)].push_back(picture.pixelColor(x, y));
    return rows;
}

GifFrameSample frame(int width, int height, std::vector<std::uint8_t> indexes) {
    GifFrameSample sample;
    sample.width = width;
    sample.height = height;
    sample.indexes = std::move(indexes);
    return sample;
}

TEST(GifDecoder, FirstFrameWithGlobalMap) {
    GifSample sample{.screenWidth = 3, .screenHeight = 2, .globalColors = {kRed, kGreen, kBlue}};
    sample.frames.push_back(frame(3, 2, {0, 1, 2, 2, 1, 0}));
    // Transparency is not blended: the pixel keeps its colour-map colour.
    sample.frames.back().transparentIndex = 1;
    // A second frame is never drawn.
    sample.frames.push_back(frame(3, 2, {2, 2, 2, 2, 2, 2}));
    WorkBitmap picture;
    ASSERT_EQ(decode(encodeGif(sample), picture), DecodeStatus::Ok);
    EXPECT_EQ(picture.depth(), PixelDepth::Bits24);
    EXPECT_EQ(colours(picture),
              (std::vector<std::vector<Rgb>>{{kRed, kGreen, kBlue}, {kBlue, kGreen, kRed}}));
}

TEST(GifDecoder, InterlacedRowsLandInPlace) {
    // Row y has colour index y: any pass placed wrongly shows.
    constexpr int kHeight = 19;
    std::vector<Rgb> map;
    std::vector<std::uint8_t> indexes;
    for (int y = 0; y < kHeight; ++y) {
        map.push_back(makeRgb(static_cast<std::uint32_t>(y * 10), 0, 0));
        indexes.push_back(static_cast<std::uint8_t>(y));
        indexes.push_back(static_cast<std::uint8_t>(y));
    }
    GifSample sample{.screenWidth = 2, .screenHeight = kHeight, .globalColors = map};
    sample.frames.push_back(frame(2, kHeight, indexes));
    sample.frames.back().interlaced = true;
    WorkBitmap picture;
    ASSERT_EQ(decode(encodeGif(sample), picture), DecodeStatus::Ok);
    for (int y = 0; y < kHeight; ++y)
        EXPECT_EQ(picture.pixelColor(1, y), map[static_cast<std::size_t>(y)]) << "row " << y;
}

TEST(GifDecoder, LocalMapWinsAndMissingEntriesReadBlack) {
    GifSample sample{.screenWidth = 4, .screenHeight = 1, .globalColors = {kRed, kGreen}};
    sample.frames.push_back(frame(4, 1, {0, 1, 2, 3}));
    WorkBitmap picture;
    // A 2-colour map still lets the file hold indexes 2 and 3.
    ASSERT_EQ(decode(encodeGif(sample), picture), DecodeStatus::Ok);
    EXPECT_EQ(colours(picture)[0], (std::vector<Rgb>{kRed, kGreen, kBlack, kBlack}));

    sample.frames[0].localColors = {kBlue, kGrey, kGreen};
    ASSERT_EQ(decode(encodeGif(sample), picture), DecodeStatus::Ok);
    EXPECT_EQ(colours(picture)[0], (std::vector<Rgb>{kBlue, kGrey, kGreen, kBlack}));
}

TEST(GifDecoder, CanvasIsTheScreenAroundTheFrame) {
    const std::vector<Rgb> map = {kRed, kGreen, kGrey};
    const Rgb R = kRed, G = kGreen, o = kGrey;
    struct Case {
        const char* what;
        int screenWidth, screenHeight, left, top, background;
        std::vector<std::vector<Rgb>> expected;
    };
    const std::vector<Case> cases = {
        {"inside a larger screen", 4, 3, 1, 1, 2, {{o, o, o, o}, {o, R, G, o}, {o, G, R, o}}},
        {"clipped at the screen edge", 3, 2, 2, 1, 2, {{o, o, o}, {o, o, R}}},
        {"entirely off the screen", 2, 2, 5, 5, 2, {{o, o}, {o, o}}},
        {"background out of range", 3, 2, 1, 0, 7, {{kBlack, R, G}, {kBlack, G, R}}},
        {"screen smaller than frame", 1, 1, 1, 0, 2, {{o, R, G}, {o, G, R}}},
        {"screen 0 x 0", 0, 0, 0, 0, 2, {{R, G}, {G, R}}},
    };
    for (const Case& c : cases) {
        GifSample sample{.screenWidth = c.screenWidth,
                         .screenHeight = c.screenHeight,
                         .globalColors = map,
                         .backgroundIndex = c.background};
        sample.frames.push_back(frame(2, 2, {0, 1, 1, 0}));
        sample.frames[0].left = c.left;
        sample.frames[0].top = c.top;
        WorkBitmap picture;
        ASSERT_EQ(decode(encodeGif(sample), picture), DecodeStatus::Ok) << c.what;
        EXPECT_EQ(colours(picture), c.expected) << c.what;
    }
}

TEST(GifDecoder, EveryCutShortFileFails) {
    GifSample sample{.screenWidth = 16, .screenHeight = 16, .globalColors = {kRed, kGreen, kBlue}};
    std::vector<std::uint8_t> indexes;
    for (int i = 0; i < 256; ++i)
        indexes.push_back(static_cast<std::uint8_t>((i * 7 / 3) % 3));
    sample.frames.push_back(frame(16, 16, indexes));
    const auto file = encodeGif(sample);
    // The frame's data ends with an empty block; the trailer after it is not needed.
    for (std::size_t length = 0; length + 1 < file.size(); ++length) {
        WorkBitmap picture;
        const std::vector<std::uint8_t> cut(file.begin(),
                                            file.begin() + static_cast<std::ptrdiff_t>(length));
        const DecodeStatus expected =
            length < 3 ? DecodeStatus::WrongFormat : DecodeStatus::Truncated;
        ASSERT_EQ(decode(cut, picture), expected) << length << " of " << file.size();
        ASSERT_TRUE(picture.isEmpty());
    }
}

TEST(GifDecoder, ClaimedSizeIsCheckedAgainstLimits) {
    GifSample sample{.screenWidth = 65535, .screenHeight = 4097, .globalColors = {kRed, kGreen}};
    sample.frames.push_back(frame(1, 1, {1}));
    WorkBitmap picture;
    EXPECT_EQ(decode(encodeGif(sample), picture), DecodeStatus::TooLarge);
    // Within the limits, but held whole more than the memory a load may take.
    sample.screenWidth = 16384;
    sample.screenHeight = 16384;
    EXPECT_EQ(decode(encodeGif(sample), picture), DecodeStatus::OverMemoryLimit);
    // Allowed; the frame's data is cut, so the canvas is never drawn on.
    sample.screenWidth = 8192;
    sample.screenHeight = 8192;
    auto file = encodeGif(sample);
    file.resize(file.size() - 4);
    EXPECT_EQ(decode(file, picture), DecodeStatus::Truncated);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(GifDecoder, StopsWhenCancelled) {
    GifSample sample{
        .screenWidth = 4,
        .screenHeight = 4,
        .globalColors = {makeRgb(1, 2, 3), makeRgb(4, 5, 6)},
        .frames = {{.width = 4, .height = 4, .indexes = std::vector<std::uint8_t>(16, 1)}}};
    const auto file = encodeGif(sample);
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    EXPECT_EQ(decodeGif(file, picture, &cancel), DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(GifBadFiles, FailCleanlyOrDecodeSafely) {
    test::checkBadFiles(
        test::badGifSamples(), ".gif",
        [](FileBytes file, WorkBitmap& picture) { return decodeGif(file, picture); }, {});
}

// A frame that is not interlaced streams row by row into the resizer: the
// canvas around it, the colours and every failure as when loaded whole.
TEST(GifConversionLoad, StreamsTheCanvasLikeLoadingWholeThenResizing) {
    for (const auto& [left, top, screen] :
         {std::tuple{0, 0, 9}, {3, 2, 12}, {7, 9, 10}, {20, 20, 6}, {0, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << left << ", " << top << " on " << screen);
        GifSample sample{.screenWidth = screen,
                         .screenHeight = screen,
                         .globalColors = {kRed, kGreen, kBlue, kGrey},
                         .backgroundIndex = 3};
        std::vector<std::uint8_t> indexes;
        for (int i = 0; i < 64; ++i)
            indexes.push_back(static_cast<std::uint8_t>(i * 5 % 3));
        sample.frames.push_back(frame(8, 8, indexes));
        sample.frames[0].left = left;
        sample.frames[0].top = top;
        const auto file = encodeGif(sample);
        WorkBitmap whole;
        ASSERT_EQ(decodeGif(file, whole), DecodeStatus::Ok);
        const PictureSize size{std::max(1, whole.width() / 2), std::max(1, whole.height() - 3)};
        ConversionLoad conversion = test::loadTo(size);
        WorkBitmap streamed;
        ASSERT_EQ(decodeGif(file, streamed, nullptr, &conversion), DecodeStatus::Ok);
        EXPECT_EQ(conversion.facts.width, whole.width());
        EXPECT_EQ(conversion.facts.topLeft, whole.pixelColor(0, 0));
        EXPECT_EQ(colours(streamed), colours(test::resizedCopy(whole, size)));

        for (std::size_t length = 3; length + 1 < file.size(); ++length) {
            const std::vector<std::uint8_t> cut(file.begin(),
                                                file.begin() + static_cast<std::ptrdiff_t>(length));
            ConversionLoad again = test::loadTo(size);
            ASSERT_EQ(decodeGif(cut, streamed, nullptr, &again), DecodeStatus::Truncated) << length;
            ASSERT_TRUE(streamed.isEmpty());
        }
    }
}

TEST(GifBadFiles, FailCleanlyOrDecodeSafelyWhenShrunkWhileDecoding) {
    test::checkBadFiles(test::badGifSamples(), ".gif",
                        [](FileBytes file, WorkBitmap& picture) {
                            ConversionLoad conversion = test::loadShrunkBy(2, 3);
                            return decodeGif(file, picture, nullptr, &conversion);
                        },
                        {});
}

TEST(GifBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badGifSamples());
}

} // namespace
} // namespace varnelo
