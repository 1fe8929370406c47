#include "reading/codecs/zlib_inflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Built twice: against the engine's inflater (ISA-L where the build has it)
// and against zlib's, which stands in where Debian has no ISA-L.
namespace varnelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Rows of a picture-like pattern: runs, repeats far back and noise.
Bytes pictureLike(std::size_t size) {
    Bytes data(size);
    unsigned noise = 7;
    for (std::size_t i = 0; i < size; ++i) {
        noise = noise * 1103515245u + 12345u;
        data[i] = static_cast<std::uint8_t>(i % 997 < 500 ? (i / 3) % 251 : noise >> 24);
    }
    return data;
}

Bytes compressed(const Bytes& data, int level) {
    Bytes packed(compressBound(static_cast<uLong>(data.size())));
    uLongf size = static_cast<uLongf>(packed.size());
    compress2(packed.data(), &size, data.data(), static_cast<uLong>(data.size()), level);
    packed.resize(size);
    return packed;
}

struct Inflated {
    Bytes bytes;
    ZlibInflater::Result last = ZlibInflater::Result::NeedsData;
};

// Inflates a whole zlib stream, the input given inPiece bytes at a time and
// the output taken outPiece bytes at a time, up to want bytes.
Inflated inflateInPieces(const Bytes& stream, std::size_t inPiece, std::size_t outPiece,
                         std::size_t want) {
    Inflated out;
    ZlibInflater inflater(stream[0], stream[1]);
    EXPECT_TRUE(inflater.ready());
    std::size_t given = 2;
    while (out.bytes.size() < want) {
        Bytes piece(std::min(outPiece, want - out.bytes.size()));
        std::size_t written = 0;
        out.last = inflater.inflateInto(piece, written);
        out.bytes.insert(out.bytes.end(), piece.begin(),
                         piece.begin() + static_cast<std::ptrdiff_t>(written));
        if (out.last == ZlibInflater::Result::NeedsData) {
            if (given == stream.size())
                break;
            const std::size_t count = std::min(inPiece, stream.size() - given);
            inflater.give({stream.data() + given, count});
            given += count;
        } else if (out.last != ZlibInflater::Result::Full) {
            break;
        }
    }
    return out;
}

TEST(ZlibInflater, GivesTheDataWhateverThePieces) {
    const Bytes data = pictureLike(300000);
    for (const int level : {0, 1, 6, 9}) {
        const Bytes stream = compressed(data, level);
        for (const auto& [inPiece, outPiece] :
             {std::pair<std::size_t, std::size_t>{1, 7}, {7, 1}, {8192, 49}, {1 << 20, 1 << 20}}) {
            const std::string what = "level " + std::to_string(level) + ", pieces of " +
                                     std::to_string(inPiece) + " in, " + std::to_string(outPiece) +
                                     " out";
            const Inflated whole = inflateInPieces(stream, inPiece, outPiece, data.size());
            ASSERT_EQ(whole.bytes.size(), data.size()) << what;
            EXPECT_TRUE(whole.bytes == data) << what;
            // Asked for more than the stream holds: it ends, short.
            const Inflated more = inflateInPieces(stream, inPiece, outPiece, data.size() + 10);
            EXPECT_EQ(more.bytes.size(), data.size()) << what;
            EXPECT_EQ(more.last, ZlibInflater::Result::Ended) << what;
        }
    }
}

TEST(ZlibInflater, ChecksTheHeaderAsZlibDoes) {
    EXPECT_TRUE(zlibHeaderSound(0x78, 0x9C));
    EXPECT_TRUE(zlibHeaderSound(0x78, 0x01));
    EXPECT_TRUE(zlibHeaderSound(0x08, 0x1D));  // a 256-byte window
    EXPECT_FALSE(zlibHeaderSound(0x78, 0x9D)); // check bits wrong
    EXPECT_FALSE(zlibHeaderSound(0x79, 0x9C)); // not deflate
    EXPECT_FALSE(zlibHeaderSound(0x88, 0x98)); // a 64 kB window
    EXPECT_FALSE(zlibHeaderSound(0x78, 0xBB)); // a preset dictionary
}

TEST(ZlibInflater, RefusesBrokenData) {
    // Block type 3 does not exist.
    const Bytes reserved = {0x78, 0x9C, 0x07, 0x00, 0x00};
    EXPECT_EQ(inflateInPieces(reserved, 100, 100, 100).last, ZlibInflater::Result::Broken);
    // A stored block whose length and its complement disagree.
    const Bytes stored = {0x78, 0x01, 0x01, 0x05, 0x00, 0x00, 0x00, 1, 2, 3, 4, 5};
    EXPECT_EQ(inflateInPieces(stored, 100, 100, 100).last, ZlibInflater::Result::Broken);
    // Fixed codes, then length 3 at distance 1 with nothing before it.
    const Bytes farBack = {0x78, 0x9C, 0x03, 0x02, 0x00};
    EXPECT_EQ(inflateInPieces(farBack, 100, 100, 100).last, ZlibInflater::Result::Broken);
}

} // namespace
} // namespace varnelo
