#include "reading/codecs/png_chunks.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace varnelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// CRCs as every PNG of their kind carries them: IEND's is the same in every
// file, and a 1 × 1 picture's header is the same in every file of its type.
TEST(PngChunks, CarryThePublishedCrcs) {
    EXPECT_EQ(pngChunkCrc("IEND", {}), 0xAE426082u);
    const Bytes rgb = {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0};
    EXPECT_EQ(pngChunkCrc("IHDR", rgb), 0x907753DEu);
    const Bytes rgba = {0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0};
    EXPECT_EQ(pngChunkCrc("IHDR", rgba), 0x1F15C489u);
    // zlib's own stream of one red pixel behind filter byte 0.
    const Bytes idat = {0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00};
    EXPECT_EQ(pngChunkCrc("IDAT", idat), 0xC9FE92EFu);
}

TEST(PngChunks, FrameLengthTypeDataAndCrcBigEndian) {
    Bytes out;
    appendPngChunk(out, "IEND", {});
    EXPECT_EQ(out, (Bytes{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));

    out.clear();
    const Bytes data = {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0};
    appendPngChunk(out, "IHDR", data);
    const Bytes expected = {0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,    0,    0,    1,   0,
                            0, 0, 1, 8,  2,   0,   0,   0,   0x90, 0x77, 0x53, 0xDE};
    EXPECT_EQ(out, expected);

    const PngChunkFrame frame = pngChunkFrame("IHDR", data);
    EXPECT_EQ(frame.head, Bytes(expected.begin(), expected.begin() + 8));
    EXPECT_EQ(frame.tail, Bytes(expected.end() - 4, expected.end()));
}

} // namespace
} // namespace varnelo
