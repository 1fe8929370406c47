#include "reading/codecs/bmp_reader.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "tests/support/bmp_samples.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

namespace varnelo {
namespace {

using test::BmpSample;
using test::packBmpRows;
using Grid = std::vector<std::vector<int>>;

// Colours of the picture, top row first.
std::vector<Rgb> colorsOf(const WorkBitmap& picture) {
    std::vector<Rgb> colors;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            colors.push_back(picture.pixelColor(x, y));
    }
    return colors;
}

// Index bytes of an indexed picture, top row first.
Grid indexesOf(const WorkBitmap& picture) {
    Grid grid;
    for (int y = 0; y < picture.height(); ++y)
        grid.emplace_back(picture.row(y), picture.row(y) + picture.width());
    return grid;
}

WorkBitmap decoded(const std::vector<std::uint8_t>& bytes) {
    WorkBitmap picture;
    EXPECT_EQ(decodeBmp(bytes, picture), DecodeStatus::Ok);
    return picture;
}

TEST(BmpReader, EveryVariantShowsThePictureItStores) {
    for (const auto& sample : test::validBmpSamples()) {
        SCOPED_TRACE(sample.name);
        const WorkBitmap picture = decoded(sample.bytes);
        ASSERT_EQ(picture.width(), test::kValidBmpWidth);
        ASSERT_EQ(picture.height(), test::kValidBmpHeight);
        EXPECT_EQ(colorsOf(picture), sample.colors);
    }
}

TEST(BmpReader, DepthFollowsTheStoredLayout) {
    const std::map<std::string, PixelDepth> expected{
        {"header40-1bit.bmp", PixelDepth::Bits1},
        {"header12-4bit.bmp", PixelDepth::Bits4},
        {"header124-8bit.bmp", PixelDepth::Bits8},
        {"rle4.bmp", PixelDepth::Bits4},
        {"rle8.bmp", PixelDepth::Bits8},
        {"16bit-555.bmp", PixelDepth::Bits15},
        {"16bit-565.bmp", PixelDepth::Bits16},
        {"16bit-555-masks.bmp", PixelDepth::Bits16},
        {"header16-24bit.bmp", PixelDepth::Bits24},
        {"32bit.bmp", PixelDepth::Bits32},
        {"32bit-v4-rgbx-masks.bmp", PixelDepth::Bits32},
    };
    std::size_t seen = 0;
    for (const auto& sample : test::validBmpSamples()) {
        const auto it = expected.find(sample.name);
        if (it == expected.end())
            continue;
        SCOPED_TRACE(sample.name);
        EXPECT_EQ(decoded(sample.bytes).depth(), it->second);
        ++seen;
    }
    EXPECT_EQ(seen, expected.size());
}

TEST(BmpReaderIndexed, UnpacksBitsAcrossBytesInOrder) {
    BmpSample sample;
    sample.width = 10;
    sample.height = 2;
    sample.bitsPerPixel = 1;
    sample.palette = {makeRgb(1, 2, 3), makeRgb(200, 100, 50)};
    sample.pixels =
        packBmpRows(1, {{1, 0, 0, 0, 0, 0, 0, 1, 1, 0}, {0, 1, 1, 1, 1, 1, 1, 0, 0, 1}});
    EXPECT_EQ(indexesOf(decoded(sample.bytes())),
              (Grid{{0, 1, 1, 1, 1, 1, 1, 0, 0, 1}, {1, 0, 0, 0, 0, 0, 0, 1, 1, 0}}));

    sample.width = 3;
    sample.bitsPerPixel = 4;
    sample.pixels = packBmpRows(4, {{15, 0, 9}, {1, 14, 2}});
    EXPECT_EQ(indexesOf(decoded(sample.bytes())), (Grid{{1, 14, 2}, {15, 0, 9}}));
}

TEST(BmpReaderIndexed, ShortColorTablesReadBlackPastTheirEnd) {
    const Rgb a = makeRgb(10, 20, 30);
    const Rgb b = makeRgb(40, 50, 60);
    const Rgb c = makeRgb(70, 80, 90);
    BmpSample sample;
    sample.width = 4;
    sample.height = 1;
    sample.bitsPerPixel = 8;
    sample.pixels = packBmpRows(8, {{0, 1, 2, 255}});

    // Counted by biClrUsed.
    sample.colorsUsed = 2;
    sample.palette = {a, b};
    EXPECT_EQ(colorsOf(decoded(sample.bytes())), (std::vector<Rgb>{a, b, 0, 0}));

    // A count beyond the depth's table is capped, not read past the pixel offset.
    sample.bitsPerPixel = 4;
    sample.colorsUsed = 0xFFFFFFFF;
    sample.palette.assign(16, c);
    sample.palette[0] = a;
    sample.pixels = packBmpRows(4, {{0, 1, 15, 3}});
    EXPECT_EQ(colorsOf(decoded(sample.bytes())), (std::vector<Rgb>{a, c, c, c}));

    // Cut short by the pixel offset: 16 entries expected, 3 present.
    sample.colorsUsed = 0;
    sample.palette = {a, b, c, a};
    sample.pixelOffset = 14 + 40 + 3 * 4;
    const WorkBitmap picture = decoded(sample.bytes());
    EXPECT_EQ(colorsOf(picture), (std::vector<Rgb>{a, b, 0, 0}));
    EXPECT_EQ(picture.colorTable()[3], 0u);

    // The same in a core header's 3-byte entries.
    sample.headerSize = 12;
    sample.pixelOffset = 14 + 12 + 3 * 3;
    EXPECT_EQ(colorsOf(decoded(sample.bytes())), (std::vector<Rgb>{a, b, 0, 0}));
}

TEST(BmpReaderRle, Rle8RunsDeltasAndAbsoluteRuns) {
    BmpSample sample;
    sample.width = 6;
    sample.height = 4;
    sample.bitsPerPixel = 8;
    sample.compression = test::kBmpRle8;
    // clang-format off
    sample.pixels = {
        3, 1,                         // run
        0, 3, 2, 3, 4, 0xEE,          // odd absolute run and its padding byte
        0, 0,                         // end of line
        1, 5,                         //
        0, 2, 3, 1,                   // delta: 3 right, 1 row up
        4, 6,                         // run past the end of the row
        0, 0,                         //
        0, 8, 1, 2, 3, 4, 5, 6, 7, 8, // absolute run past the end of the row
        0, 1,                         // end of bitmap
    };
    // clang-format on
    const Grid topDown{
        {1, 2, 3, 4, 5, 6},
        {0, 0, 0, 0, 6, 6},
        {5, 0, 0, 0, 0, 0},
        {1, 1, 1, 2, 3, 4},
    };
    EXPECT_EQ(indexesOf(decoded(sample.bytes())), topDown);
}

TEST(BmpReaderRle, Rle4RunsDeltasAndAbsoluteRuns) {
    BmpSample sample;
    sample.width = 5;
    sample.height = 2;
    sample.bitsPerPixel = 4;
    sample.compression = test::kBmpRle4;
    // clang-format off
    sample.pixels = {
        0, 5, 0x12, 0x34, 0x50, 0xEE, // 5 pixels in 3 bytes, padded to 4
        0, 0,                         //
        0, 2, 1, 0,                   // delta: 1 right
        7, 0x67,                      // alternating run past the end of the row
        0, 1,
    };
    // clang-format on
    EXPECT_EQ(indexesOf(decoded(sample.bytes())), (Grid{{0, 6, 7, 6, 7}, {1, 2, 3, 4, 5}}));
}

TEST(BmpReaderRle, StreamEndsDecideBetweenDoneAndTruncated) {
    const auto rle = [](int bits, std::int32_t width, std::int32_t height,
                        std::vector<std::uint8_t> data) {
        BmpSample sample;
        sample.width = width;
        sample.height = height;
        sample.bitsPerPixel = static_cast<std::uint16_t>(bits);
        sample.compression = bits == 8 ? test::kBmpRle8 : test::kBmpRle4;
        sample.pixels = std::move(data);
        return sample.bytes();
    };
    WorkBitmap picture;
    // A delta past the last row ends the picture; the rest stays index 0.
    EXPECT_EQ(decodeBmp(rle(8, 4, 2, {2, 1, 0, 2, 1, 5, 4, 2, 0, 1}), picture), DecodeStatus::Ok);
    EXPECT_EQ(indexesOf(picture), (Grid{{0, 0, 0, 0}, {1, 1, 0, 0}}));

    // No end marker, but every pixel reached.
    EXPECT_EQ(decodeBmp(rle(8, 2, 2, {2, 1, 0, 0, 2, 2}), picture), DecodeStatus::Ok);
    EXPECT_EQ(indexesOf(picture), (Grid{{2, 2}, {1, 1}}));
    EXPECT_EQ(decodeBmp(rle(8, 2, 2, {2, 1, 0, 0, 2, 2, 0, 0}), picture), DecodeStatus::Ok);
    EXPECT_EQ(decodeBmp(rle(8, 2, 1, {0, 4, 1, 2}), picture), DecodeStatus::Ok);
    EXPECT_EQ(indexesOf(picture), (Grid{{1, 2}}));
    EXPECT_EQ(decodeBmp(rle(4, 3, 1, {0, 7, 0x12, 0x30}), picture), DecodeStatus::Ok);
    EXPECT_EQ(indexesOf(picture), (Grid{{1, 2, 3}}));

    // Cut before the picture is complete: inside a row, inside an escape,
    // inside an absolute run.
    for (const auto& data : std::vector<std::vector<std::uint8_t>>{
             {2, 1, 0, 0, 1, 2}, {2, 1, 0}, {2, 1, 0, 2, 1}, {0, 4, 1, 2, 3}, {2, 1, 0, 4, 1}}) {
        EXPECT_EQ(decodeBmp(rle(8, 2, 2, data), picture), DecodeStatus::Truncated);
        EXPECT_TRUE(picture.isEmpty());
    }
    EXPECT_EQ(decodeBmp(rle(4, 3, 1, {0, 7, 0x12}), picture), DecodeStatus::Truncated);
    EXPECT_EQ(decodeBmp(rle(8, 2, -2, {2, 1, 0, 0, 2, 2, 0, 1}), picture), DecodeStatus::Corrupt);
}

// Channels of n < 8 bits are shifted left by 8 - n, wider ones right.
TEST(BmpReader, ACancelStopsItBetweenRows) {
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    for (const test::NamedBmp& sample : test::validBmpSamples()) {
        EXPECT_EQ(decodeBmp(sample.bytes, picture, nullptr, &cancel), DecodeStatus::Cancelled)
            << sample.name;
        EXPECT_TRUE(picture.isEmpty());
    }
    // A run-length file, past its first rows.
    BmpSample rle;
    rle.width = 2;
    rle.height = 130;
    rle.bitsPerPixel = 8;
    rle.compression = test::kBmpRle8;
    for (int row = 0; row < 130; ++row)
        rle.pixels.insert(rle.pixels.end(), {2, 1, 0, 0});
    EXPECT_EQ(decodeBmp(rle.bytes(), picture, nullptr, &cancel), DecodeStatus::Cancelled);
    EXPECT_EQ(decodeBmp(rle.bytes(), picture), DecodeStatus::Ok);
}

TEST(BmpReaderMasks, SixteenBitPixels) {
    BmpSample sample;
    sample.width = 5;
    sample.height = 1;
    sample.bitsPerPixel = 16;
    sample.pixels = packBmpRows(16, {{0x7FFF, 0x7C00, 0x03E0, 0x001F, 0xFFFF}});
    WorkBitmap picture = decoded(sample.bytes());
    EXPECT_EQ(picture.depth(), PixelDepth::Bits15);
    EXPECT_EQ(colorsOf(picture),
              (std::vector<Rgb>{makeRgb(248, 248, 248), makeRgb(248, 0, 0), makeRgb(0, 248, 0),
                                makeRgb(0, 0, 248), makeRgb(248, 248, 248)}));
    // Code reading the words directly relies on the unused top bit being clear.
    EXPECT_EQ(picture.row(0)[9], 0x7F);

    sample.compression = test::kBmpBitfields;
    sample.masks = {0xF800, 0x07E0, 0x001F};
    sample.pixels = packBmpRows(16, {{0xFFFF, 0x07E0, 0x0020, 0x8001, 0}});
    picture = decoded(sample.bytes());
    EXPECT_EQ(picture.depth(), PixelDepth::Bits16);
    EXPECT_EQ(colorsOf(picture), (std::vector<Rgb>{makeRgb(248, 252, 248), makeRgb(0, 252, 0),
                                                   makeRgb(0, 4, 0), makeRgb(128, 0, 8), 0}));

    // Odd masks inside a V4 header: 10-bit red, 2-bit green, 4-bit blue.
    sample.headerSize = 108;
    sample.masks = {0xFFC0, 0x0030, 0x000F};
    sample.pixels = packBmpRows(16, {{0xFFFF, 0x8000, 0x0010, 0x0001, 0x003F}});
    EXPECT_EQ(colorsOf(decoded(sample.bytes())),
              (std::vector<Rgb>{makeRgb(248, 192, 240), makeRgb(128, 0, 0), makeRgb(0, 64, 0),
                                makeRgb(0, 0, 16), makeRgb(0, 192, 240)}));
}

TEST(BmpReaderMasks, ThirtyTwoBitPixels) {
    BmpSample sample;
    sample.width = 2;
    sample.height = 1;
    sample.bitsPerPixel = 32;
    sample.compression = test::kBmpBitfields;
    sample.masks = {0xFF0000, 0xFF00, 0xFF};
    sample.pixels = packBmpRows(32, {{0xAA123456, 0x00FEDCBA}});
    WorkBitmap picture = decoded(sample.bytes());
    EXPECT_EQ(picture.depth(), PixelDepth::Bits32);
    EXPECT_EQ(colorsOf(picture),
              (std::vector<Rgb>{makeRgb(0x12, 0x34, 0x56), makeRgb(0xFE, 0xDC, 0xBA)}));

    // 10 bits a channel in a V5 header, alpha in the top two bits.
    sample.headerSize = 124;
    sample.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    sample.pixels = packBmpRows(32, {{0xFFF00004u | (512u << 10), 0x00000000}});
    picture = decoded(sample.bytes());
    EXPECT_EQ(colorsOf(picture), (std::vector<Rgb>{makeRgb(255, 128, 1), 0}));

    // Alpha masks after a plain info header take 16 bytes.
    sample.headerSize = 40;
    sample.compression = test::kBmpAlphaBitfields;
    sample.masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
    sample.pixels = packBmpRows(32, {{0x80563412, 0x01020304}});
    EXPECT_EQ(colorsOf(decoded(sample.bytes())),
              (std::vector<Rgb>{makeRgb(0x12, 0x34, 0x56), makeRgb(4, 3, 2)}));
}

TEST(BmpReader, UncompressedDataMustHoldEveryPaddedRow) {
    BmpSample sample;
    sample.width = 3; // 9 bytes a row, padded to 12
    sample.height = 2;
    sample.pixels = packBmpRows(24, {{1, 2, 3}, {4, 5, 6}});
    WorkBitmap picture = decoded(sample.bytes());
    sample.pixels.pop_back();
    EXPECT_EQ(decodeBmp(sample.bytes(), picture), DecodeStatus::Truncated);
    EXPECT_TRUE(picture.isEmpty());
}

// Every prefix and many one-byte changes of the valid files: the decoder
// must neither read outside the bytes (the sanitizer build checks) nor hand
// back a half-made picture.
TEST(BmpReader, DamagedFilesFailCleanly) {
    for (const auto& sample : test::validBmpSamples()) {
        SCOPED_TRACE(sample.name);
        const bool compressed = sample.name.starts_with("rle") || sample.name == "os2-rle4.bmp";
        for (std::size_t length = 0; length < sample.bytes.size(); ++length) {
            const std::vector<std::uint8_t> cut(
                sample.bytes.begin(), sample.bytes.begin() + static_cast<std::ptrdiff_t>(length));
            WorkBitmap picture;
            const DecodeStatus status = decodeBmp(cut, picture);
            EXPECT_EQ(picture.isEmpty(), status != DecodeStatus::Ok) << length;
            if (!compressed) {
                EXPECT_NE(status, DecodeStatus::Ok) << length;
            }
        }
        for (std::size_t at = 0; at < sample.bytes.size(); ++at) {
            for (const int value : {0x00, 0x7F, 0x80, 0xFF}) {
                std::vector<std::uint8_t> changed = sample.bytes;
                changed[at] = static_cast<std::uint8_t>(value);
                WorkBitmap picture;
                const DecodeStatus status = decodeBmp(changed, picture);
                EXPECT_EQ(picture.isEmpty(), status != DecodeStatus::Ok) << at;
            }
        }
    }
}

TEST(BmpBadFiles, FailCleanlyOrDecodeSafely) {
    test::checkBadFiles(
        test::badBmpSamples(), ".bmp",
        [](FileBytes file, WorkBitmap& picture) { return decodeBmp(file, picture); },
        decoded(test::validBmpSamples().front().bytes));
}

// Rows of a conversion that shrinks go straight to the resizer, read from
// the file's end for bottom-up files: the same files must fail as cleanly.
TEST(BmpBadFiles, FailCleanlyOrDecodeSafelyWhenShrunkWhileDecoding) {
    test::checkBadFiles(test::badBmpSamples(), ".bmp",
                        [](FileBytes file, WorkBitmap& picture) {
                            ConversionLoad conversion = test::loadShrunkBy(3, 2);
                            return decodeBmp(file, picture, &conversion);
                        },
                        {});
}

// Every valid kind of file, streamed, gives what loading it whole and
// resizing gives, to the bit.
TEST(BmpConversionLoad, EveryKindStreamsLikeLoadingWholeThenResizing) {
    for (const auto& sample : test::validBmpSamples()) {
        SCOPED_TRACE(sample.name);
        WorkBitmap whole;
        ASSERT_EQ(decodeBmp(sample.bytes, whole), DecodeStatus::Ok);
        const PictureSize size{std::max(1, whole.width() / 2 + 1), std::max(1, whole.height() - 1)};
        ConversionLoad conversion = test::loadTo(size);
        WorkBitmap streamed;
        ASSERT_EQ(decodeBmp(sample.bytes, streamed, &conversion), DecodeStatus::Ok);
        EXPECT_EQ(conversion.facts.width, whole.width());
        EXPECT_EQ(conversion.facts.topLeft, whole.pixelColor(0, 0));
        EXPECT_EQ(conversion.facts.depth, whole.depth());
        whole = test::resizedCopy(whole, size);
        ASSERT_EQ(streamed.width(), whole.width());
        ASSERT_EQ(streamed.height(), whole.height());
        EXPECT_EQ(streamed.depth(), whole.depth());
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                ASSERT_EQ(streamed.pixelColor(x, y), whole.pixelColor(x, y)) << x << ", " << y;
    }
}

TEST(BmpBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badBmpSamples());
}

} // namespace
} // namespace varnelo
