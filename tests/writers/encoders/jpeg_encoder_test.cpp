#include "writers/encoders/jpeg_encoder.h"

#include "base/work_bitmap.h"
#include "reading/codecs/jpeg_decoder.h"
#include "tests/support/limited_sink.h"
#include "tests/support/picture_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

namespace varnelo {
namespace {

// Gentle gradients survive the default chroma subsampling, so at quality 100
// every pixel should come back close. Red runs across, green down: a mirrored,
// flipped or channel-swapped picture is far off.
Rgb gradient(int x, int y) {
    return makeRgb(static_cast<std::uint32_t>(20 + x * 3), static_cast<std::uint32_t>(30 + y * 4),
                   200);
}

std::vector<std::uint8_t> encoded(int width, int height, RowFormat format,
                                  const test::ColorAt& colorAt, int quality) {
    const std::vector<std::uint8_t> pixels = test::encoderRows(width, height, format, colorAt);
    MemorySink sink;
    EXPECT_TRUE(writeJpeg(sink, width, height, format, test::rowSource(pixels, height), quality));
    return sink.bytes();
}

bool hasMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t marker) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == marker)
            return true;
    }
    return false;
}

TEST(JpegEncoder, RoundTripsBothPixelFormats) {
    // Sizes off the 16-pixel block grid need libjpeg's edge padding.
    for (const auto& [width, height] : {std::pair{1, 1}, {37, 23}, {48, 32}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const std::vector<std::uint8_t> file =
            encoded(width, height, RowFormat::Bgr24, gradient, 100);
        EXPECT_EQ(encoded(width, height, RowFormat::Bgrx32, gradient, 100), file);
        EXPECT_TRUE(hasMarker(file, 0xC0)); // baseline, not progressive
        EXPECT_FALSE(hasMarker(file, 0xC2));

        WorkBitmap read;
        ASSERT_EQ(decodeJpeg(file, read), DecodeStatus::Ok);
        ASSERT_EQ(read.width(), width);
        ASSERT_EQ(read.height(), height);
        EXPECT_EQ(read.depth(), PixelDepth::Bits24);
        int worst = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const Rgb want = gradient(x, y);
                const Rgb got = read.pixelColor(x, y);
                worst = std::max({worst, std::abs(redOf(got) - redOf(want)),
                                  std::abs(greenOf(got) - greenOf(want)),
                                  std::abs(blueOf(got) - blueOf(want))});
            }
        }
        EXPECT_LE(worst, 6);
    }
    EXPECT_EQ(encoded(29, 17, RowFormat::Bgrx32, test::noise, 90),
              encoded(29, 17, RowFormat::Bgr24, test::noise, 90));
}

TEST(JpegEncoder, QualityChangesTheFileAndIsClamped) {
    const auto at = [](int quality) {
        return encoded(64, 64, RowFormat::Bgr24, test::noise, quality);
    };
    EXPECT_LT(at(10).size() * 2, at(95).size());
    EXPECT_EQ(at(-40), at(1));
    EXPECT_EQ(at(1000), at(100));
}

TEST(JpegEncoder, StopsWhenTheRowSourceOrTheSinkFails) {
    // Large enough for several chunks to reach the sink before the stop.
    constexpr int kSide = 300;
    const std::vector<std::uint8_t> pixels =
        test::encoderRows(kSide, kSide, RowFormat::Bgr24, test::noise);
    int asked = 0;
    for (const int stopAt : {0, 250, kSide - 1}) {
        SCOPED_TRACE(stopAt);
        asked = 0;
        const RowSource source = [&](int y) -> const std::uint8_t* {
            EXPECT_EQ(y, asked++);
            return y == stopAt ? nullptr : test::rowSource(pixels, kSide)(y);
        };
        MemorySink sink;
        EXPECT_FALSE(writeJpeg(sink, kSide, kSide, RowFormat::Bgr24, source, 100));
        EXPECT_EQ(asked, stopAt + 1);
        EXPECT_EQ(stopAt > 0, !sink.bytes().empty()); // part of a file, never a whole one
        WorkBitmap read;
        EXPECT_NE(decodeJpeg(sink.bytes(), read), DecodeStatus::Ok);
    }

    // A sink failing at its first or a later write ends the writing there.
    const RowSource counted = [&](int y) {
        ++asked;
        return test::rowSource(pixels, kSide)(y);
    };
    for (const bool throws : {false, true}) {
        for (const std::size_t allowed : {0u, 1u}) {
            asked = 0;
            test::LimitedSink sink(allowed, throws);
            EXPECT_FALSE(writeJpeg(sink, kSide, kSide, RowFormat::Bgr24, counted, 100));
            EXPECT_EQ(sink.attempts_, allowed + 1);
            EXPECT_LT(asked, kSide);
        }
        test::LimitedSink sink(0, throws); // a small file fails on its only write
        EXPECT_FALSE(writeJpeg(sink, 1, 1, RowFormat::Bgr24, counted, 90));
        EXPECT_EQ(sink.attempts_, 1u);
    }
}

TEST(JpegEncoder, RefusesSizesOutsideTheLimits) {
    const std::vector<std::uint8_t> row(4 * 70000, 0x80);
    int asked = 0;
    const RowSource source = [&](int) {
        ++asked;
        return row.data();
    };
    // 65501 is inside the picture limits but beyond what JPEG can store.
    for (const auto& [width, height] : {std::pair{0, 5},
                                        {5, 0},
                                        {-1, 5},
                                        {5, -3},
                                        {70000, 1},
                                        {20000, 20000},
                                        {65501, 1},
                                        {1, 65501}}) {
        MemorySink sink;
        EXPECT_FALSE(writeJpeg(sink, width, height, RowFormat::Bgrx32, source, 90))
            << width << " x " << height;
        EXPECT_TRUE(sink.bytes().empty());
    }
    MemorySink sink;
    EXPECT_FALSE(writeJpeg(sink, 2, 2, RowFormat::Bgr24, RowSource(), 90));
    EXPECT_EQ(asked, 0);

    ASSERT_TRUE(writeJpeg(sink, 65500, 1, RowFormat::Bgrx32, source, 50));
    WorkBitmap read;
    ASSERT_EQ(decodeJpeg(sink.bytes(), read), DecodeStatus::Ok);
    EXPECT_EQ(read.width(), 65500);
}

} // namespace
} // namespace varnelo
