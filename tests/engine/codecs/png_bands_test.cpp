#include "engine/codecs/png_bands.h"

#include "engine/codecs/png_decoder.h"
#include "engine/work_bitmap.h"
#include "tests/support/limited_sink.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_samples.h"

#include <gtest/gtest.h>

#include <atomic>
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

} // namespace
} // namespace varnelo
