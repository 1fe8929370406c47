#include "reading/codecs/png_bands.h"

#include "base/work_bitmap.h"
#include "reading/codecs/png_decoder.h"
#include "tests/support/limited_sink.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_samples.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <vector>

namespace varnelo {
namespace {

// Bands of rows deflated on their own threads must still make one valid
// zlib stream: every reader decodes the same pixels whatever the bands.
TEST(PngBands, EveryBandCountGivesTheSamePixels) {
    for (const auto& [width, height] : {std::pair{1, 1}, {37, 130}, {301, 517}}) {
        for (const RowFormat format : {RowFormat::Bgr24, RowFormat::Bgrx32}) {
            const auto pixels = test::encoderRows(width, height, format, test::noise);
            for (const int bands : {1, 2, 3, 8}) {
                SCOPED_TRACE(testing::Message() << width << " x " << height << ", " << bands);
                MemorySink sink;
                ASSERT_TRUE(writePngInBands(sink, width, height, format,
                                            test::rowSource(pixels, height), 2, bands));
                const auto& file = sink.bytes();
                EXPECT_EQ(test::findPngChunk(file, "IHDR"), 8);
                EXPECT_EQ(test::findPngChunk(file, "IEND") + 12, static_cast<long>(file.size()));
                WorkBitmap read;
                ASSERT_EQ(decodePng(file, read), DecodeStatus::Ok);
                ASSERT_EQ(read.width(), width);
                ASSERT_EQ(read.height(), height);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        ASSERT_EQ(read.pixelColor(x, y), test::noise(x, y)) << x << ", " << y;
            }
        }
    }
}

TEST(PngBands, AStoppedRowSourceOrAFailingSinkIsNoSuccess) {
    const int side = 400;
    const auto pixels = test::encoderRows(side, side, RowFormat::Bgrx32, test::noise);
    const RowSource rows = test::rowSource(pixels, side);
    std::atomic<int> served{0};
    const RowSource stopping = [&](int y) -> const std::uint8_t* {
        return ++served > 300 ? nullptr : rows(y);
    };
    MemorySink sink;
    EXPECT_FALSE(writePngInBands(sink, side, side, RowFormat::Bgrx32, stopping, 6, 4));
    EXPECT_TRUE(sink.bytes().empty());
    for (const bool throws : {false, true}) {
        for (std::size_t allowed : {0u, 1u, 4u}) {
            test::LimitedSink failing(allowed, throws);
            EXPECT_FALSE(writePngInBands(failing, side, side, RowFormat::Bgrx32, rows, 0, 2));
        }
    }
    EXPECT_FALSE(writePngInBands(sink, 0, 5, RowFormat::Bgr24, rows, 6, 2));
    EXPECT_FALSE(writePngInBands(sink, 5, 5, RowFormat::Bgr24, RowSource(), 6, 2));
}

// In one band the rows are read in order, on the caller's thread: the
// whole file as one zlib stream, the level and the failures as they come.
bool writeInOneBand(ByteSink& sink, int width, int height, RowFormat format, const RowSource& rowAt,
                    int level) {
    return writePngInBands(sink, width, height, format, rowAt, level, 1);
}

// Wide flat stripes: deflate packs them into almost nothing.
Rgb stripes(int /*x*/, int y) {
    return (y / 4) % 2 == 0 ? makeRgb(250, 120, 10) : makeRgb(10, 40, 90);
}

std::vector<std::uint8_t> encoded(int width, int height, RowFormat format,
                                  const test::ColorAt& colorAt, int level) {
    const std::vector<std::uint8_t> pixels = test::encoderRows(width, height, format, colorAt);
    MemorySink sink;
    EXPECT_TRUE(
        writeInOneBand(sink, width, height, format, test::rowSource(pixels, height), level));
    return sink.bytes();
}

void expectPicture(const std::vector<std::uint8_t>& file, int width, int height,
                   const test::ColorAt& colorAt) {
    WorkBitmap read;
    ASSERT_EQ(decodePng(file, read), DecodeStatus::Ok);
    ASSERT_EQ(read.width(), width);
    ASSERT_EQ(read.height(), height);
    EXPECT_EQ(read.depth(), PixelDepth::Device);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(read.pixelColor(x, y), colorAt(x, y)) << x << ", " << y;
    }
}

TEST(PngBandsInOne, RoundTripsBothPixelFormatsExactly) {
    for (const auto& [width, height] : {std::pair{1, 1}, {2, 3}, {37, 23}, {256, 5}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const std::vector<std::uint8_t> file =
            encoded(width, height, RowFormat::Bgrx32, test::noise, 6);
        expectPicture(file, width, height, test::noise);
        // The unused byte is dropped, neither stored nor taken for alpha.
        EXPECT_EQ(encoded(width, height, RowFormat::Bgr24, test::noise, 6), file);
        ASSERT_EQ(test::findPngChunk(file, "IHDR"), 8);
        EXPECT_EQ(file[8 + 16], 8); // bit depth
        EXPECT_EQ(file[8 + 17], 2); // colour type: RGB, no alpha
        EXPECT_EQ(test::findPngChunk(file, "tRNS"), -1);
        EXPECT_EQ(test::findPngChunk(file, "IEND") + 12, static_cast<long>(file.size()));
    }
}

TEST(PngBandsInOne, LevelChangesTheFileAndIsClamped) {
    const auto at = [](int level) { return encoded(200, 120, RowFormat::Bgr24, stripes, level); };
    const std::vector<std::uint8_t> stored = at(0);
    const std::vector<std::uint8_t> packed = at(9);
    EXPECT_GT(stored.size(), 200u * 120 * 3);
    EXPECT_LT(packed.size() * 20, stored.size());
    expectPicture(stored, 200, 120, stripes);
    expectPicture(packed, 200, 120, stripes);
    EXPECT_EQ(at(-5), stored);
    EXPECT_EQ(at(99), packed);
}

TEST(PngBandsInOne, StopsWhenTheRowSourceOrTheSinkFails) {
    constexpr int kSide = 64;
    const std::vector<std::uint8_t> pixels =
        test::encoderRows(kSide, kSide, RowFormat::Bgrx32, test::noise);
    for (const int stopAt : {0, 20, kSide - 1}) {
        SCOPED_TRACE(stopAt);
        int asked = 0;
        const RowSource source = [&](int y) -> const std::uint8_t* {
            EXPECT_EQ(y, asked++);
            return y == stopAt ? nullptr : test::rowSource(pixels, kSide)(y);
        };
        MemorySink sink;
        EXPECT_FALSE(writeInOneBand(sink, kSide, kSide, RowFormat::Bgrx32, source, 0));
        EXPECT_EQ(asked, stopAt + 1);
        EXPECT_EQ(test::findPngChunk(sink.bytes(), "IEND"), -1);
        WorkBitmap read;
        EXPECT_NE(decodePng(sink.bytes(), read), DecodeStatus::Ok);
    }

    // Count the writes of a whole file, then fail at each one in turn.
    test::LimitedSink whole(SIZE_MAX, false);
    ASSERT_TRUE(
        writeInOneBand(whole, kSide, kSide, RowFormat::Bgrx32, test::rowSource(pixels, kSide), 0));
    ASSERT_GT(whole.attempts_, 4u);
    for (std::size_t allowed = 0; allowed < whole.attempts_; ++allowed) {
        for (const bool throws : {false, true}) {
            test::LimitedSink sink(allowed, throws);
            EXPECT_FALSE(writeInOneBand(sink, kSide, kSide, RowFormat::Bgrx32,
                                        test::rowSource(pixels, kSide), 0))
                << allowed;
            EXPECT_EQ(sink.attempts_, allowed + 1);
        }
    }
}

TEST(PngBandsInOne, RefusesSizesOutsideTheLimits) {
    const std::vector<std::uint8_t> row(4 * 70000, 0x80);
    int asked = 0;
    const RowSource source = [&](int) {
        ++asked;
        return row.data();
    };
    for (const auto& [width, height] :
         {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -3}, {70000, 1}, {1, 70000}, {20000, 20000}}) {
        MemorySink sink;
        EXPECT_FALSE(writeInOneBand(sink, width, height, RowFormat::Bgrx32, source, 6))
            << width << " x " << height;
        EXPECT_TRUE(sink.bytes().empty());
    }
    MemorySink sink;
    EXPECT_FALSE(writeInOneBand(sink, 2, 2, RowFormat::Bgr24, RowSource(), 6));
    EXPECT_EQ(asked, 0);
}

} // namespace
} // namespace varnelo
