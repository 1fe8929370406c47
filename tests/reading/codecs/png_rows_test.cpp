#include "reading/codecs/png_rows.h"

#include "base/work_bitmap.h"
#include "reading/codecs/png_chunks.h"
#include "reading/codecs/png_decoder.h"
#include "reading/conversion_load.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/png_samples.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace varnelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every 8-bit type without a palette goes the decoder's own way.
constexpr int kOwnTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                             PNG_COLOR_TYPE_RGB_ALPHA};

// Smooth gradients with noise on top: every filter has something to predict,
// and the predictions overflow both ways.
test::PngSample photoLike(int width, int height, int colorType) {
    test::PngSample sample{.width = width, .height = height, .colorType = colorType};
    const int channels = test::pngChannelsOf(colorType);
    unsigned noise = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                noise = noise * 1103515245u + 12345u;
                const unsigned value = static_cast<unsigned>(x * (c + 1) + 3 * y) + (noise >> 28);
                sample.samples.push_back(static_cast<std::uint16_t>(value & 0xFFu));
            }
    return sample;
}

struct Decoded {
    DecodeStatus status;
    WorkBitmap picture;
};

Decoded decodeOwn(const Bytes& file, ConversionLoad* conversion = nullptr) {
    Decoded out{DecodeStatus::Ok, {}};
    out.status = decodePng(file, out.picture, nullptr, conversion);
    return out;
}

Decoded decodeByLibpng(const Bytes& file, ConversionLoad* conversion = nullptr) {
    Decoded out{DecodeStatus::Ok, {}};
    out.status = decodePngWithLibpng(file, out.picture, nullptr, conversion);
    return out;
}

bool samePixels(const WorkBitmap& a, const WorkBitmap& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.depth() != b.depth())
        return false;
    const std::size_t bytes = static_cast<std::size_t>(a.width()) * 4;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), bytes) != 0)
            return false;
    return true;
}

void expectSameAsLibpng(const Bytes& file, const std::string& what) {
    const Decoded own = decodeOwn(file);
    const Decoded libpng = decodeByLibpng(file);
    ASSERT_EQ(own.status, libpng.status) << what;
    EXPECT_TRUE(samePixels(own.picture, libpng.picture)) << what;
    ConversionLoad ownLoad = test::loadShrunkBy(3, 2);
    ConversionLoad libpngLoad = test::loadShrunkBy(3, 2);
    const Decoded ownShrunk = decodeOwn(file, &ownLoad);
    const Decoded libpngShrunk = decodeByLibpng(file, &libpngLoad);
    ASSERT_EQ(ownShrunk.status, libpngShrunk.status) << what << ", shrunk";
    EXPECT_TRUE(samePixels(ownShrunk.picture, libpngShrunk.picture)) << what << ", shrunk";
}

TEST(PngRows, EqualLibpngsForEveryTypeFilterAndChunking) {
    const std::pair<int, const char*> filters[] = {
        {PNG_FILTER_NONE, "none"},   {PNG_FILTER_SUB, "sub"},     {PNG_FILTER_UP, "up"},
        {PNG_FILTER_AVG, "average"}, {PNG_FILTER_PAETH, "Paeth"}, {PNG_ALL_FILTERS, "all"}};
    for (const int colorType : kOwnTypes)
        for (const auto& [width, height] : {std::pair{1, 1}, {2, 3}, {13, 11}, {301, 4}})
            for (const auto& [filter, filterName] : filters)
                for (const std::size_t chunkBytes : {std::size_t{0}, std::size_t{7}}) {
                    test::PngSample sample = photoLike(width, height, colorType);
                    sample.filters = filter;
                    sample.chunkBytes = chunkBytes;
                    // Stored blocks for the smallest, Huffman codes for the rest.
                    sample.compressionLevel = width == 1 ? 0 : 6;
                    expectSameAsLibpng(test::encodePng(sample),
                                       "type " + std::to_string(colorType) + ", " +
                                           std::to_string(width) + " x " + std::to_string(height) +
                                           ", " + filterName +
                                           (chunkBytes != 0 ? ", 7-byte chunks" : ""));
                }
}

// Big enough to be read on two threads: a batch of rows inflated while the
// one before it is unfiltered.
TEST(PngRows, TwoThreadsGiveLibpngsRows) {
    for (const int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
        test::PngSample sample = photoLike(1100, 700, colorType);
        sample.chunkBytes = 65536;
        const Bytes file = test::encodePng(sample);
        expectSameAsLibpng(file, "type " + std::to_string(colorType));
        ConversionLoad small = test::loadTo({40, 20});
        ConversionLoad smallByLibpng = test::loadTo({40, 20});
        const Decoded own = decodeOwn(file, &small);
        ASSERT_EQ(own.status, DecodeStatus::Ok);
        EXPECT_TRUE(samePixels(own.picture, decodeByLibpng(file, &smallByLibpng).picture));

        const std::atomic<bool> cancel{true};
        WorkBitmap picture;
        EXPECT_EQ(decodePng(file, picture, &cancel), DecodeStatus::Cancelled);
        EXPECT_TRUE(picture.isEmpty());
    }
}

// A file of a 16 × 8 RGB picture whose image data is zlibData, split into
// IDAT chunks of chunkBytes.
Bytes pngWithImageData(const Bytes& zlibData, std::size_t chunkBytes, int width = 16,
                       int height = 8) {
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header(13, 0);
    header[3] = static_cast<std::uint8_t>(width);
    header[7] = static_cast<std::uint8_t>(height);
    header[8] = 8;
    header[9] = PNG_COLOR_TYPE_RGB;
    appendPngChunk(file, "IHDR", header);
    for (std::size_t at = 0; at < zlibData.size(); at += chunkBytes) {
        const std::size_t count = std::min(chunkBytes, zlibData.size() - at);
        appendPngChunk(file, "IDAT", {zlibData.data() + at, count});
    }
    appendPngChunk(file, "IEND", {});
    return file;
}

// The rows of a 16 × 8 RGB picture, each behind the filter type byte of
// its row number (0 to 4, then again), deflated into a zlib stream.
Bytes deflatedRows(int level, std::uint8_t firstRowsFilter = 0xFF) {
    Bytes raw;
    for (int y = 0; y < 8; ++y) {
        raw.push_back(firstRowsFilter != 0xFF ? firstRowsFilter : static_cast<std::uint8_t>(y % 5));
        for (int i = 0; i < 48; ++i)
            raw.push_back(static_cast<std::uint8_t>(i * 7 + y * 13));
    }
    Bytes packed(compressBound(static_cast<uLong>(raw.size())));
    uLongf size = static_cast<uLongf>(packed.size());
    compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
    packed.resize(size);
    return packed;
}

TEST(PngRows, BrokenImageDataFailsAsWithLibpng) {
    const Bytes rows = deflatedRows(6);
    ASSERT_EQ(decodeOwn(pngWithImageData(rows, 1000)).status, DecodeStatus::Ok);

    struct Case {
        const char* what;
        Bytes data;
        std::size_t chunkBytes;
    };
    std::vector<Case> cases;
    cases.push_back({"a filter type past Paeth", deflatedRows(6, 5), 1000});
    Bytes badCheck = rows;
    badCheck[1] ^= 0x01;
    cases.push_back({"a header failing its check", badCheck, 1000});
    Bytes dictionary = rows;
    dictionary[1] = 0x20;
    dictionary[1] = static_cast<std::uint8_t>(dictionary[1] + 31 - ((rows[0] << 8) | 0x20) % 31);
    cases.push_back({"a preset dictionary", dictionary, 1000});
    Bytes method = rows;
    method[0] = 0x79;
    cases.push_back({"a method other than deflate", method, 1000});
    cases.push_back({"a stream that ends before the rows", deflatedRows(6, 0), 1000});
    cases.back().data.resize(cases.back().data.size() / 2);
    cases.push_back({"the header split over two chunks", rows, 1});
    for (const Case& broken : cases) {
        const Bytes file = pngWithImageData(broken.data, broken.chunkBytes);
        const Decoded own = decodeOwn(file);
        EXPECT_EQ(own.status, decodeByLibpng(file).status) << broken.what;
        EXPECT_EQ(own.picture.isEmpty(), own.status != DecodeStatus::Ok) << broken.what;
    }
    EXPECT_EQ(decodeOwn(pngWithImageData(deflatedRows(6, 5), 1000)).status, DecodeStatus::Corrupt);
    EXPECT_EQ(decodeOwn(pngWithImageData(rows, 1)).status, DecodeStatus::Ok);

    // Image data that stops at a chunk other than IDAT.
    Bytes file = pngWithImageData(rows, 1000);
    const Bytes cut(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(rows.size() / 2));
    Bytes early = {file.begin(), file.begin() + 33};
    appendPngChunk(early, "IDAT", cut);
    const Bytes text = {'a', 0, 'b'};
    appendPngChunk(early, "tEXt", text);
    appendPngChunk(early, "IDAT", {rows.data() + cut.size(), rows.size() - cut.size()});
    appendPngChunk(early, "IEND", {});
    EXPECT_EQ(decodeOwn(early).status, DecodeStatus::Corrupt);
    EXPECT_EQ(decodeByLibpng(early).status, DecodeStatus::Corrupt);
}

// Whether the stream inflates to size bytes and then fails its checksum
// only: the one damage libpng refuses a picture for and the decoder not,
// and libpng too only where nothing is left to inflate after the rows.
bool onlyTheChecksumFails(const Bytes& stream, std::size_t size) {
    z_stream inflater{};
    inflateInit(&inflater);
    inflateValidate(&inflater, 0);
    Bytes out(size + 1);
    inflater.next_in = const_cast<std::uint8_t*>(stream.data());
    inflater.avail_in = static_cast<uInt>(stream.size());
    inflater.next_out = out.data();
    inflater.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&inflater, Z_FINISH);
    const bool whole = result == Z_STREAM_END && inflater.total_out == size;
    inflateEnd(&inflater);
    uLongf length = static_cast<uLongf>(out.size());
    return whole && uncompress(out.data(), &length, stream.data(),
                               static_cast<uLong>(stream.size())) == Z_DATA_ERROR;
}

// Every byte of the image data damaged in turn, its chunk's checksum made
// right again so that the damage reaches the inflater: the decoder's own
// reading fails where libpng's does and reads the same pixels where not.
TEST(PngRows, DamagedStreamsReadAsWithLibpng) {
    int checksumsOnly = 0;
    for (const int level : {0, 1, 9}) {
        const Bytes rows = deflatedRows(level);
        for (std::size_t at = 0; at < rows.size(); ++at)
            for (const unsigned flip : {0x01u, 0x10u, 0xFFu}) {
                Bytes damaged = rows;
                damaged[at] = static_cast<std::uint8_t>(damaged[at] ^ flip);
                const Bytes file = pngWithImageData(damaged, 64);
                const Decoded own = decodeOwn(file);
                const Decoded libpng = decodeByLibpng(file);
                const std::string what = "level " + std::to_string(level) + ", byte " +
                                         std::to_string(at) + " ^ " + std::to_string(flip);
                if (own.status == DecodeStatus::Ok && libpng.status == DecodeStatus::Corrupt &&
                    onlyTheChecksumFails(damaged, 8 * 49)) {
                    ++checksumsOnly;
                    continue;
                }
                ASSERT_EQ(own.status, libpng.status) << what;
                ASSERT_TRUE(samePixels(own.picture, libpng.picture)) << what;
            }
    }
    // Stored blocks end where the rows do: zlib reads their checksum.
    EXPECT_GT(checksumsOnly, 0);
}

} // namespace
} // namespace varnelo
