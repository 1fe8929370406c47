#include "engine/picture_rows.h"

#include "engine/resize_picture.h"
#include "tests/support/recording_observer.h"

#include <gtest/gtest.h>

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
