#include "tests/support/png_samples.h"

#include "reading/codecs/png_chunks.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>

#include <png.h>
#include <zlib.h>

namespace varnelo::test {
namespace {

void appendToVector(png_structp png, png_bytep bytes, std::size_t count) {
    auto& out = *static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out.insert(out.end(), bytes, bytes + count);
}

void noFlush(png_structp /*png*/) {}

// Packs sample values into file rows: big-endian 16-bit samples, sub-byte
// samples filled from the high bits.
std::vector<std::uint8_t> packRow(const PngSample& sample, int y) {
    const int count = sample.width * pngChannelsOf(sample.colorType);
    const auto bits = static_cast<std::size_t>(count) * static_cast<std::size_t>(sample.bitDepth);
    std::vector<std::uint8_t> row((bits + 7) / 8);
    const std::uint16_t* in = sample.samples.data() + static_cast<std::ptrdiff_t>(y) * count;
    for (int i = 0; i < count; ++i) {
        const unsigned value = in[i];
        const auto index = static_cast<std::size_t>(i);
        if (sample.bitDepth == 16) {
            row[index * 2] = static_cast<std::uint8_t>(value >> 8);
            row[index * 2 + 1] = static_cast<std::uint8_t>(value);
        } else if (sample.bitDepth == 8) {
            row[index] = static_cast<std::uint8_t>(value);
        } else {
            const std::size_t bit = index * static_cast<std::size_t>(sample.bitDepth);
            const auto shift = 8 - sample.bitDepth - static_cast<int>(bit % 8);
            row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | (value << shift));
        }
    }
    return row;
}

} // namespace

int pngChannelsOf(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

// libpng's default error handling (message, then abort) only ever fires for
// a broken test: the samples come from values the tests control.
std::vector<std::uint8_t> encodePng(const PngSample& sample) {
    const auto count = static_cast<std::size_t>(sample.width) *
                       static_cast<std::size_t>(sample.height) *
                       static_cast<std::size_t>(pngChannelsOf(sample.colorType));
    if (sample.samples.size() != count)
        throw std::invalid_argument("encodePng: sample count does not match the size");
    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < sample.height; ++y)
        rows.push_back(packRow(sample, y));
    for (auto& row : rows)
        rowPointers.push_back(row.data());

    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendToVector, noFlush);
    png_set_compression_level(png, sample.compressionLevel);
    if (sample.filters != 0)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, sample.filters);
    if (sample.chunkBytes != 0)
        png_set_compression_buffer_size(png, sample.chunkBytes);
    // Some samples hold indexes past the palette on purpose.
    png_set_check_for_invalid_index(png, 0);
    png_set_IHDR(png, info, static_cast<png_uint_32>(sample.width),
                 static_cast<png_uint_32>(sample.height), sample.bitDepth, sample.colorType,
                 sample.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (const Rgb color : sample.palette)
        palette.push_back(png_color{redOf(color), greenOf(color), blueOf(color)});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!sample.paletteAlpha.empty())
        png_set_tRNS(png, info, sample.paletteAlpha.data(),
                     static_cast<int>(sample.paletteAlpha.size()), nullptr);
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

long findPngChunk(const std::vector<std::uint8_t>& png, const char* type) {
    std::size_t at = 8;
    while (at + 8 <= png.size()) {
        const std::size_t length = (std::size_t{png[at]} << 24) | (std::size_t{png[at + 1]} << 16) |
                                   (std::size_t{png[at + 2]} << 8) | png[at + 3];
        if (std::memcmp(png.data() + at + 4, type, 4) == 0)
            return static_cast<long>(at);
        at += length + 12;
    }
    return -1;
}

void setPngSize(std::vector<std::uint8_t>& png, std::uint32_t width, std::uint32_t height) {
    const long at = findPngChunk(png, "IHDR");
    if (at < 0)
        throw std::invalid_argument("setPngSize: no IHDR chunk");
    std::uint8_t* chunk = png.data() + at;
    const auto put = [](std::uint8_t* out, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    };
    put(chunk + 8, width);
    put(chunk + 12, height);
    put(chunk + 21, static_cast<std::uint32_t>(crc32(0, chunk + 4, 17)));
}

namespace {

void put32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// Hand-made files for what libpng's encoder refuses to write.
void appendChunk(std::vector<std::uint8_t>& out, const char* type,
                 const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> chunk(12 + data.size());
    put32(chunk.data(), static_cast<std::uint32_t>(data.size()));
    std::memcpy(chunk.data() + 4, type, 4);
    std::copy(data.begin(), data.end(), chunk.begin() + 8);
    put32(
        chunk.data() + 8 + data.size(),
        static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, static_cast<uInt>(4 + data.size()))));
    out.insert(out.end(), chunk.begin(), chunk.end());
}

std::vector<std::uint8_t> rawPng(std::uint8_t bitDepth, std::uint8_t colorType,
                                 const std::vector<std::uint8_t>& imageData, bool withPalette) {
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header(13, 0);
    put32(header.data(), 4);
    put32(header.data() + 4, 4);
    header[8] = bitDepth;
    header[9] = colorType;
    appendChunk(out, "IHDR", header);
    if (withPalette)
        appendChunk(out, "PLTE", {200, 100, 50});
    appendChunk(out, "IDAT", imageData);
    appendChunk(out, "IEND", {});
    return out;
}

// Rows of a 4 × 4 picture, each with its filter byte, deflated.
std::vector<std::uint8_t> deflatedRows(int rows, std::size_t rowBytes) {
    const std::vector<std::uint8_t> raw(static_cast<std::size_t>(rows) * (rowBytes + 1), 0);
    std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(raw.size())));
    uLongf size = static_cast<uLongf>(packed.size());
    compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(size);
    return packed;
}

} // namespace

std::vector<BadPng> badPngSamples() {
    std::vector<BadPng> samples;
    const auto add = [&samples](std::string name, std::vector<std::uint8_t> bytes,
                                DecodeStatus expected) {
        samples.push_back({std::move(name), std::move(bytes), expected});
    };
    PngSample small{.width = 4, .height = 4, .colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 8};
    for (std::uint16_t i = 0; i < 48; ++i)
        small.samples.push_back(static_cast<std::uint16_t>(i * 5));
    const auto base = encodePng(small);
    const auto ihdrAt = static_cast<std::size_t>(findPngChunk(base, "IHDR"));
    const auto idatAt = static_cast<std::size_t>(findPngChunk(base, "IDAT"));

    const std::string text = "This is not a PNG file.\n";
    add("not-a-png.png", {text.begin(), text.end()}, DecodeStatus::WrongFormat);
    {
        auto bytes = base;
        bytes[ihdrAt + 8 + 13] ^= 0x55;
        add("bad-crc-ihdr.png", bytes, DecodeStatus::Corrupt);
        bytes = base;
        bytes[idatAt + 8] ^= 0x55;
        add("bad-crc-idat.png", bytes, DecodeStatus::Corrupt);
        bytes = base;
        bytes.resize(idatAt + 8 + (base[idatAt + 3] / 2u));
        add("truncated-idat.png", bytes, DecodeStatus::Truncated);
    }
    {
        auto bytes = base;
        setPngSize(bytes, 16384, 16384);
        add("huge-claim-tiny-file.png", bytes, DecodeStatus::Corrupt);
        setPngSize(bytes, 100000, 100000);
        add("absurd-dimensions.png", bytes, DecodeStatus::TooLarge);
        setPngSize(bytes, 0, 4);
        add("zero-width.png", bytes, DecodeStatus::Corrupt);
    }
    add("bad-bit-depth.png", rawPng(4, PNG_COLOR_TYPE_RGB, deflatedRows(4, 6), false),
        DecodeStatus::Corrupt);
    add("missing-palette.png", rawPng(8, PNG_COLOR_TYPE_PALETTE, deflatedRows(4, 4), false),
        DecodeStatus::Corrupt);
    add("invalid-deflate.png",
        rawPng(8, PNG_COLOR_TYPE_GRAY, {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}, false),
        DecodeStatus::Corrupt);
    add("idat-data-ends-early.png", rawPng(8, PNG_COLOR_TYPE_GRAY, deflatedRows(2, 4), false),
        DecodeStatus::Corrupt);
    {
        // 2-bit indexes 1 to 3 into a one-colour palette: they read black.
        std::vector<std::uint8_t> raw = {0, 0x1B, 0, 0xE4, 0, 0x1B, 0, 0xE4};
        std::vector<std::uint8_t> packed(64);
        uLongf size = 64;
        compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
        packed.resize(size);
        add("palette-index-out-of-range.png", rawPng(2, PNG_COLOR_TYPE_PALETTE, packed, true),
            DecodeStatus::Ok);
    }
    return samples;
}

std::vector<std::uint8_t> greyPngWithDataPastTheRows(int width, int height, bool interlaced,
                                                     std::size_t extra, std::size_t keep) {
    std::vector<std::uint8_t> raw;
    struct Pass {
        int firstColumn, columnStep, firstRow, rowStep;
    };
    const std::vector<Pass> passes =
        interlaced ? std::vector<Pass>{{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                       {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}}
                   : std::vector<Pass>{{0, 1, 0, 1}};
    for (const Pass& pass : passes) {
        if (pass.firstColumn >= width)
            continue;
        for (int y = pass.firstRow; y < height; y += pass.rowStep) {
            raw.push_back(0); // no filter
            for (int x = pass.firstColumn; x < width; x += pass.columnStep)
                raw.push_back(static_cast<std::uint8_t>(10 * x + y));
        }
    }
    z_stream stream{};
    if (deflateInit(&stream, 1) != Z_OK)
        throw std::runtime_error("zlib cannot deflate");
    // Deflates the bytes in pieces of a mebibyte at most, zeros when none given.
    const auto deflated = [&](const std::vector<std::uint8_t>& in, std::size_t zeros, int flush) {
        std::vector<std::uint8_t> out;
        const std::vector<std::uint8_t> nothing(std::size_t{1} << 20);
        std::size_t left = in.empty() ? zeros : in.size();
        do {
            const std::size_t take = std::min(left, nothing.size());
            left -= take;
            stream.next_in = const_cast<Bytef*>(in.empty() ? nothing.data()
                                                           : in.data() + in.size() - left - take);
            stream.avail_in = static_cast<uInt>(take);
            do {
                std::uint8_t buffer[65536];
                stream.next_out = buffer;
                stream.avail_out = sizeof buffer;
                if (deflate(&stream, left == 0 ? flush : Z_NO_FLUSH) == Z_STREAM_ERROR)
                    throw std::runtime_error("zlib cannot deflate");
                out.insert(out.end(), buffer, buffer + sizeof buffer - stream.avail_out);
            } while (stream.avail_out == 0);
        } while (left > 0);
        return out;
    };
    const std::vector<std::uint8_t> rows = deflated(raw, 0, Z_SYNC_FLUSH);
    const std::vector<std::uint8_t> rest = deflated({}, extra, Z_FINISH);
    deflateEnd(&stream);

    const auto big = [](std::uint32_t value) {
        return std::vector<std::uint8_t>{
            static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    };
    std::vector<std::uint8_t> header = big(static_cast<std::uint32_t>(width));
    for (const std::uint8_t byte : big(static_cast<std::uint32_t>(height)))
        header.push_back(byte);
    header.insert(header.end(), {8, 0, 0, 0, static_cast<std::uint8_t>(interlaced ? 1 : 0)});
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    appendPngChunk(file, "IHDR", header);
    appendPngChunk(file, "IDAT", rows);
    const std::size_t restAt = file.size() + 8;
    appendPngChunk(file, "IDAT", rest);
    if (keep < rest.size())
        file.resize(restAt + keep); // cut inside the chunk: no checksum, no IEND
    else
        appendPngChunk(file, "IEND", {});
    return file;
}

} // namespace varnelo::test
