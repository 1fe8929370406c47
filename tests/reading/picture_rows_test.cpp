#include "reading/picture_rows.h"

#include "reading/resize_picture.h"
#include "tests/support/recording_observer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace varnelo {
namespace {

// A 6 × 4 indexed picture whose row y has index y + x in every pixel.
void writeRows(PictureRows& rows, int width, int height) {
    for (int y = 0; y < height && !rows.complete(); ++y) {
        std::uint8_t* row = rows.row(y);
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<std::uint8_t>(y + x);
        rows.rowDone(y);
    }
}

std::array<Rgb, 256> greys() {
    std::array<Rgb, 256> table{};
    for (std::uint32_t i = 0; i < table.size(); ++i)
        table[i] = makeRgb(i * 20 % 256, i, 255 - i);
    return table;
}

// Streamed rows give, pixel for pixel, what loading whole and resizing gives,
// and the facts of the picture at its own size.
TEST(PictureRows, StreamedRowsGiveWhatTheWholePictureResizedGives) {
    ConversionLoad conversion;
    conversion.sizeOf = [](int, int) { return PictureSize{4, 3}; };

    WorkBitmap whole;
    PictureRows wholeRows(whole, nullptr);
    EXPECT_FALSE(wholeRows.conversionSize(6, 4));
    ASSERT_EQ(wholeRows.startWhole(6, 4, PixelDepth::Bits8), DecodeStatus::Ok);
    wholeRows.setColorTable(greys());
    writeRows(wholeRows, 6, 4);
    EXPECT_FALSE(wholeRows.complete());
    ASSERT_EQ(wholeRows.finish(DecodeStatus::Ok), DecodeStatus::Ok);
    EXPECT_EQ(whole.pixelColor(5, 3), greys()[8]);
    test::RecordingObserver quiet;
    ASSERT_TRUE(resizePicture(whole, 4, 3, quiet));

    WorkBitmap streamed;
    PictureRows streamedRows(streamed, &conversion);
    const std::optional<PictureSize> size = streamedRows.conversionSize(6, 4);
    ASSERT_TRUE(size);
    ASSERT_EQ(streamedRows.startStreamed(*size, 6, 4, PixelDepth::Bits8, {6, 4}, 2),
              DecodeStatus::Ok);
    streamedRows.setColorTable(greys());
    EXPECT_TRUE(streamedRows.streamed());
    writeRows(streamedRows, 6, 4);
    EXPECT_TRUE(streamedRows.complete());
    ASSERT_EQ(streamedRows.finish(DecodeStatus::Ok), DecodeStatus::Ok);

    ASSERT_EQ(streamed.width(), 4);
    ASSERT_EQ(streamed.height(), 3);
    EXPECT_EQ(streamed.depth(), PixelDepth::Bits8);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(streamed.pixelColor(x, y), whole.pixelColor(x, y)) << x << "," << y;
    }
    EXPECT_EQ(conversion.facts.width, 6);
    EXPECT_EQ(conversion.facts.height, 4);
    EXPECT_EQ(conversion.facts.depth, PixelDepth::Bits8);
    EXPECT_EQ(conversion.facts.topLeft, greys()[0]);
}

// Rows resized on a thread beside the decoder give the picture resized
// between its rows; a decoding given up halfway, ended or not, stops it.
TEST(PictureRows, RowsResizedBesideTheDecoderGiveWhatResizingBetweenThemGives) {
    constexpr int kWidth = 700, kHeight = 500;
    const PictureSize size{900, 640}; // enough pixels for the thread
    const auto decode = [&](bool beside, int rowsWritten, bool finished) {
        ConversionLoad conversion;
        WorkBitmap picture;
        {
            PictureRows rows(picture, &conversion);
            EXPECT_EQ(rows.startStreamed(size, kWidth, kHeight, PixelDepth::Bits24,
                                         {kWidth, kHeight}, 16, SourceExtent(), beside),
                      DecodeStatus::Ok);
            for (int y = 0; y < rowsWritten && !rows.complete(); ++y) {
                std::uint8_t* row = rows.row(y);
                for (int x = 0; x < kWidth * 3; ++x)
                    row[x] = static_cast<std::uint8_t>((x * 7 + y * 13) ^ (x * y));
                rows.rowDone(y);
            }
            const DecodeStatus status =
                rowsWritten == kHeight ? DecodeStatus::Ok : DecodeStatus::Corrupt;
            if (finished) {
                EXPECT_EQ(rows.finish(status), status);
            }
        }
        return picture;
    };
    const WorkBitmap between = decode(false, kHeight, true);
    const WorkBitmap beside = decode(true, kHeight, true);
    ASSERT_EQ(beside.height(), size.height);
    for (int y = 0; y < size.height; ++y)
        ASSERT_TRUE(std::equal(beside.row(y), beside.row(y) + size.width * 3, between.row(y)))
            << "row " << y;
    decode(true, kHeight / 2, true);
    decode(true, kHeight / 2, false);
}

TEST(PictureRows, AWholeLoadForAConversionIsResizedAndAFailedOneLeftAlone) {
    ConversionLoad conversion;
    conversion.sizeOf = [](int, int) { return PictureSize{3, 2}; };
    WorkBitmap picture;
    PictureRows rows(picture, &conversion);
    ASSERT_EQ(rows.startWhole(6, 4, PixelDepth::Bits24), DecodeStatus::Ok);
    EXPECT_EQ(rows.row(2), picture.row(2));
    EXPECT_EQ(rows.finish(DecodeStatus::Truncated), DecodeStatus::Truncated);
    EXPECT_EQ(picture.width(), 6);
    EXPECT_EQ(rows.finish(DecodeStatus::Ok), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 3);
    EXPECT_EQ(conversion.facts.width, 6);
}

} // namespace
} // namespace varnelo
