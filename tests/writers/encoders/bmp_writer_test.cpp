#include "writers/encoders/bmp_writer.h"

#include "base/work_bitmap.h"
#include "reading/codecs/bmp_reader.h"
#include "tests/support/picture_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace varnelo {
namespace {

// Every byte differs from its neighbours, so a shifted, swapped or flipped row shows.
WorkBitmap patterned(int width, int height, PixelDepth depth) {
    WorkBitmap picture;
    EXPECT_TRUE(picture.allocate(width, height, depth));
    const auto bytes = static_cast<std::size_t>(width * bytesPerPixel(depth));
    for (int y = 0; y < height; ++y) {
        for (std::size_t i = 0; i < bytes; ++i)
            picture.row(y)[i] =
                static_cast<std::uint8_t>(i * 37 + static_cast<std::size_t>(y) * 101 + 1);
    }
    return picture;
}

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | (std::uint32_t{bytes[at + 1]} << 8) | (std::uint32_t{bytes[at + 2]} << 16) |
           (std::uint32_t{bytes[at + 3]} << 24);
}

std::uint16_t u16At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Accepts a given number of writes, then fails; keeps only counts.
class CountingSink final : public ByteSink {
public:
    explicit CountingSink(std::size_t writesAllowed = SIZE_MAX) : writesAllowed_(writesAllowed) {}
    bool write(std::span<const std::uint8_t> bytes) override {
        if (writes_ == writesAllowed_)
            return false;
        ++writes_;
        total_ += bytes.size();
        largest_ = std::max(largest_, bytes.size());
        return true;
    }
    std::size_t writes() const { return writes_; }
    std::size_t total() const { return total_; }
    std::size_t largest() const { return largest_; }

private:
    std::size_t writesAllowed_;
    std::size_t writes_ = 0;
    std::size_t total_ = 0;
    std::size_t largest_ = 0;
};

TEST(BmpWriter, RoundTripsEveryAcceptedDepth) {
    for (const PixelDepth depth : {PixelDepth::Bits24, PixelDepth::Bits32, PixelDepth::Device}) {
        // Widths 1 to 5 give every amount of row padding.
        for (const auto& [width, height] : {std::pair{1, 1}, {2, 3}, {3, 2}, {4, 1}, {5, 4}}) {
            SCOPED_TRACE(testing::Message()
                         << static_cast<int>(depth) << ": " << width << " x " << height);
            const WorkBitmap original = patterned(width, height, depth);
            MemorySink sink;
            ASSERT_TRUE(test::writeBmp(sink, original));
            WorkBitmap read;
            ASSERT_EQ(decodeBmp(sink.bytes(), read), DecodeStatus::Ok);
            ASSERT_EQ(read.width(), width);
            ASSERT_EQ(read.height(), height);
            EXPECT_EQ(read.depth(),
                      depth == PixelDepth::Bits24 ? PixelDepth::Bits24 : PixelDepth::Bits32);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(read.pixelColor(x, y), original.pixelColor(x, y)) << x << ", " << y;
            }
        }
    }
}

TEST(BmpWriter, WritesAPaddedBottomUpFile) {
    const WorkBitmap picture = patterned(3, 2, PixelDepth::Bits24);
    MemorySink sink;
    ASSERT_TRUE(test::writeBmp(sink, picture));
    const auto& bytes = sink.bytes();
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32At(bytes, 2), bytes.size());
    EXPECT_EQ(u32At(bytes, 10), 54u);
    EXPECT_EQ(u32At(bytes, 14), 40u);
    EXPECT_EQ(u32At(bytes, 18), 3u);
    EXPECT_EQ(u32At(bytes, 22), 2u); // positive height: bottom-up
    EXPECT_EQ(u16At(bytes, 26), 1u);
    EXPECT_EQ(u16At(bytes, 28), 24u);
    EXPECT_EQ(u32At(bytes, 30), 0u);
    EXPECT_EQ(u32At(bytes, 34), 24u);
    // The bottom row comes first, each padded with zeros to 12 bytes.
    EXPECT_TRUE(std::equal(picture.row(1), picture.row(1) + 9, bytes.begin() + 54));
    EXPECT_TRUE(std::equal(picture.row(0), picture.row(0) + 9, bytes.begin() + 66));
    for (const std::size_t pad : {63u, 64u, 65u, 75u, 76u, 77u})
        EXPECT_EQ(bytes[pad], 0) << pad;

    // Whatever a 32-bit source keeps in its unused byte is not written.
    MemorySink sink32;
    ASSERT_TRUE(test::writeBmp(sink32, patterned(2, 1, PixelDepth::Device)));
    ASSERT_EQ(sink32.bytes().size(), 54u + 8);
    EXPECT_EQ(u16At(sink32.bytes(), 28), 32u);
    EXPECT_EQ(sink32.bytes()[57], 0);
    EXPECT_EQ(sink32.bytes()[61], 0);
}

TEST(BmpWriter, ReportsFailingSinksAndStoppedSources) {
    const WorkBitmap picture = patterned(4, 3, PixelDepth::Bits24);
    for (std::size_t allowed = 0; allowed < 2; ++allowed) {
        CountingSink sink(allowed);
        EXPECT_FALSE(test::writeBmp(sink, picture)) << allowed;
    }
    // A picture far larger than one write fails part-way.
    const WorkBitmap large = patterned(1000, 1000, PixelDepth::Bits32);
    CountingSink partWay(3);
    EXPECT_FALSE(test::writeBmp(partWay, large));
    EXPECT_EQ(partWay.writes(), 3u);

    std::vector<int> asked;
    MemorySink sink;
    const RowSource stopAtRowOne = [&](int y) -> const std::uint8_t* {
        asked.push_back(y);
        return y == 1 ? nullptr : picture.row(y);
    };
    EXPECT_FALSE(writeBmp(sink, 4, 3, RowFormat::Bgr24, stopAtRowOne));
    EXPECT_EQ(asked, (std::vector<int>{2, 1}));
}

TEST(BmpWriter, RefusesDepthsAndSizesItCannotStore) {
    for (const PixelDepth depth : {PixelDepth::Bits1, PixelDepth::Bits4, PixelDepth::Bits8,
                                   PixelDepth::Bits15, PixelDepth::Bits16}) {
        MemorySink sink;
        EXPECT_FALSE(test::writeBmp(sink, patterned(2, 2, depth))) << static_cast<int>(depth);
        EXPECT_TRUE(sink.bytes().empty());
    }
    MemorySink sink;
    EXPECT_FALSE(test::writeBmp(sink, WorkBitmap()));

    int calls = 0;
    const std::vector<std::uint8_t> row(4 * 70000);
    const RowSource source = [&](int) {
        ++calls;
        return row.data();
    };
    for (const auto& [width, height] :
         {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -1}, {70000, 1}, {20000, 20000}}) {
        EXPECT_FALSE(writeBmp(sink, width, height, RowFormat::Bgrx32, source))
            << width << " x " << height;
    }
    EXPECT_FALSE(writeBmp(sink, 2, 2, RowFormat::Bgr24, RowSource()));
    EXPECT_TRUE(sink.bytes().empty());
    EXPECT_EQ(calls, 0);
}

TEST(BmpWriter, StreamsALargePictureInSmallWrites) {
    constexpr int kSide = 5079;
    const std::vector<std::uint8_t> row(kSide * 3, 0x5A);
    int nextRow = kSide - 1;
    bool inOrder = true;
    const RowSource source = [&](int y) {
        inOrder = inOrder && y == nextRow--;
        return row.data();
    };
    CountingSink sink;
    ASSERT_TRUE(writeBmp(sink, kSide, kSide, RowFormat::Bgr24, source));
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(nextRow, -1);
    constexpr std::size_t kStride = (kSide * 3 + 3) / 4 * 4;
    EXPECT_EQ(sink.total(), 54 + kStride * kSide);
    EXPECT_LE(sink.largest(), std::size_t{1} << 20);
}

} // namespace
} // namespace varnelo
