#include "tests/support/bmp_samples.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>

namespace varnelo::test {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void patch32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The info header fields up to the end of a V5 header; a shorter header
// keeps the front of it.
std::vector<std::uint8_t> infoHeader(const BmpSample& sample) {
    std::vector<std::uint8_t> dib;
    put32(dib, sample.headerSize);
    put32(dib, static_cast<std::uint32_t>(sample.width));
    put32(dib, static_cast<std::uint32_t>(sample.height));
    put16(dib, sample.planes);
    put16(dib, sample.bitsPerPixel);
    put32(dib, sample.compression);
    put32(dib, static_cast<std::uint32_t>(sample.pixels.size()));
    put32(dib, 2835); // 72 dpi
    put32(dib, 2835);
    put32(dib, sample.colorsUsed);
    put32(dib, 0);
    for (std::size_t i = 0; i < 4; ++i)
        put32(dib, i < sample.masks.size() && sample.headerSize >= 52 ? sample.masks[i] : 0);
    put32(dib, 0x73524742); // 'sRGB' colour space of V4 and V5
    dib.resize(std::max<std::size_t>(sample.headerSize, 12), 0);
    return dib;
}

} // namespace

std::vector<std::uint8_t> BmpSample::bytes() const {
    std::vector<std::uint8_t> out(magic.begin(), magic.end());
    out.resize(14, 0); // size and offset are filled in below

    if (headerSize == 12) {
        put32(out, 12);
        put16(out, static_cast<std::uint32_t>(width));
        put16(out, static_cast<std::uint32_t>(height));
        put16(out, planes);
        put16(out, bitsPerPixel);
    } else {
        const auto dib = infoHeader(*this);
        out.insert(out.end(), dib.begin(), dib.end());
        if (headerSize < 52) {
            for (const std::uint32_t mask : masks)
                put32(out, mask);
        }
    }
    for (const Rgb color : palette) {
        out.push_back(blueOf(color));
        out.push_back(greenOf(color));
        out.push_back(redOf(color));
        if (headerSize != 12)
            out.push_back(0);
    }
    // An offset below this point cuts the palette short, one above it leaves a gap.
    const std::uint32_t offset = pixelOffset.value_or(static_cast<std::uint32_t>(out.size()));
    out.resize(offset, 0);
    out.insert(out.end(), pixels.begin(), pixels.end());
    patch32(out, 2, static_cast<std::uint32_t>(out.size()));
    patch32(out, 10, offset);
    return out;
}

std::vector<std::uint8_t> packBmpRows(int bitsPerPixel,
                                      const std::vector<std::vector<std::uint32_t>>& rows) {
    std::vector<std::uint8_t> out;
    for (const auto& row : rows) {
        std::vector<std::uint8_t> packed;
        if (bitsPerPixel < 8) {
            const std::size_t perByte = 8 / static_cast<std::size_t>(bitsPerPixel);
            packed.resize((row.size() + perByte - 1) / perByte, 0);
            for (std::size_t x = 0; x < row.size(); ++x) {
                const auto shift =
                    static_cast<unsigned>(8 - bitsPerPixel) -
                    static_cast<unsigned>(x % perByte) * static_cast<unsigned>(bitsPerPixel);
                packed[x / perByte] |= static_cast<std::uint8_t>(row[x] << shift);
            }
        } else {
            for (const std::uint32_t value : row) {
                for (int byte = 0; byte < bitsPerPixel / 8; ++byte)
                    packed.push_back(static_cast<std::uint8_t>(value >> (8 * byte)));
            }
        }
        packed.resize((packed.size() + 3) / 4 * 4, 0);
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

namespace {

// A 2 × 2 24-bit picture: the base most broken files start from.
BmpSample small24() {
    BmpSample sample;
    sample.width = 2;
    sample.height = 2;
    sample.pixels = packBmpRows(24, {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}});
    return sample;
}

BmpSample rle8(std::int32_t width, std::int32_t height, std::vector<std::uint8_t> stream) {
    BmpSample sample;
    sample.width = width;
    sample.height = height;
    sample.bitsPerPixel = 8;
    sample.compression = kBmpRle8;
    sample.palette = {makeRgb(0, 0, 0), makeRgb(255, 0, 0), makeRgb(0, 255, 0)};
    sample.pixels = std::move(stream);
    return sample;
}

BmpSample rle4(std::int32_t width, std::int32_t height, std::vector<std::uint8_t> stream) {
    BmpSample sample = rle8(width, height, std::move(stream));
    sample.bitsPerPixel = 4;
    sample.compression = kBmpRle4;
    return sample;
}

BmpSample withCompression(BmpSample sample, std::uint32_t compression) {
    sample.compression = compression;
    return sample;
}

} // namespace

std::vector<BadBmp> badBmpSamples() {
    std::vector<BadBmp> samples;
    const auto add = [&samples](std::string name, std::vector<std::uint8_t> bytes,
                                DecodeStatus expected) {
        samples.push_back({std::move(name), std::move(bytes), expected});
    };

    add("empty.bmp", {}, DecodeStatus::WrongFormat);
    {
        BmpSample sample = small24();
        sample.magic = "MB";
        add("wrong-magic.bmp", sample.bytes(), DecodeStatus::WrongFormat);
    }
    {
        auto bytes = small24().bytes();
        bytes.resize(10);
        add("cut-inside-file-header.bmp", bytes, DecodeStatus::Truncated);
    }
    {
        auto bytes = small24().bytes();
        patch32(bytes, 14, 124);
        add("header-size-exceeds-file.bmp", bytes, DecodeStatus::Truncated);
        patch32(bytes, 14, 0xFFFFFFFF);
        add("header-size-huge.bmp", bytes, DecodeStatus::Truncated);
        patch32(bytes, 14, 8);
        add("header-size-too-small.bmp", bytes, DecodeStatus::Corrupt);
    }
    {
        BmpSample sample = small24();
        sample.width = 0x7FFFFFFF;
        sample.height = 0x7FFFFFFF;
        add("absurd-dimensions.bmp", sample.bytes(), DecodeStatus::TooLarge);
        sample.width = 2;
        sample.height = std::numeric_limits<std::int32_t>::min();
        add("height-int32-min.bmp", sample.bytes(), DecodeStatus::TooLarge);
        sample.height = 2;
        sample.width = 0;
        add("zero-width.bmp", sample.bytes(), DecodeStatus::Corrupt);
        sample.width = -2;
        add("negative-width.bmp", sample.bytes(), DecodeStatus::Corrupt);
        sample.width = 65536;
        sample.height = 1;
        add("width-beyond-limit.bmp", sample.bytes(), DecodeStatus::TooLarge);
    }
    {
        BmpSample sample = small24();
        sample.width = 8;
        sample.height = 8;
        sample.pixels.assign(100, 0x80);
        add("truncated-pixel-data.bmp", sample.bytes(), DecodeStatus::Truncated);
    }
    {
        auto bytes = small24().bytes();
        patch32(bytes, 10, 0x7FFFFFF0);
        add("pixel-offset-beyond-file.bmp", bytes, DecodeStatus::Truncated);
        patch32(bytes, 10, 20);
        add("pixel-offset-inside-header.bmp", bytes, DecodeStatus::Corrupt);
    }
    {
        BmpSample sample;
        sample.width = 4;
        sample.height = 2;
        sample.bitsPerPixel = 8;
        sample.colorsUsed = 2;
        sample.palette = {makeRgb(10, 20, 30), makeRgb(40, 50, 60)};
        sample.pixels = packBmpRows(8, {{0, 1, 200, 255}, {255, 2, 1, 0}});
        add("palette-index-out-of-range.bmp", sample.bytes(), DecodeStatus::Ok);

        sample.colorsUsed = 300;
        add("colors-used-beyond-depth.bmp", sample.bytes(), DecodeStatus::Ok);

        sample.colorsUsed = 256;
        auto bytes = sample.bytes();
        patch32(bytes, 10, 14 + 40 + 256 * 4);
        add("color-table-past-file.bmp", bytes, DecodeStatus::Truncated);
    }
    add("rle8-run-past-row.bmp", rle8(4, 2, {10, 1, 0, 0, 4, 2, 0, 1}).bytes(), DecodeStatus::Ok);
    add("rle8-delta-past-end.bmp", rle8(4, 2, {2, 1, 0, 2, 1, 5, 4, 2, 0, 1}).bytes(),
        DecodeStatus::Ok);
    add("rle8-absolute-run-past-file.bmp", rle8(4, 2, {0, 200, 1, 2, 1}).bytes(),
        DecodeStatus::Truncated);
    add("rle8-stream-cut-short.bmp", rle8(4, 4, {4, 1, 0, 0}).bytes(), DecodeStatus::Truncated);
    add("rle8-absolute-run-past-row.bmp", rle8(2, 2, {0, 5, 1, 2, 1, 2, 1, 0, 0, 1}).bytes(),
        DecodeStatus::Ok);
    add("rle4-run-past-row.bmp", rle4(3, 2, {9, 0x12, 0, 0, 3, 0x21, 0, 1}).bytes(),
        DecodeStatus::Ok);
    add("rle4-absolute-run-past-row.bmp", rle4(3, 1, {0, 7, 0x12, 0x12, 0x12, 0x10, 0, 1}).bytes(),
        DecodeStatus::Ok);
    {
        BmpSample sample = rle8(4, -2, {4, 1, 0, 0, 4, 2, 0, 1});
        add("rle-top-down.bmp", sample.bytes(), DecodeStatus::Corrupt);
        sample.height = 2;
        sample.bitsPerPixel = 24;
        add("rle8-with-24-bits.bmp", sample.bytes(), DecodeStatus::Corrupt);
    }
    {
        BmpSample sample = small24();
        sample.bitsPerPixel = 7;
        add("bits-per-pixel-7.bmp", sample.bytes(), DecodeStatus::Unsupported);
        sample.bitsPerPixel = 24;
        add("png-compression.bmp", withCompression(sample, kBmpPng).bytes(),
            DecodeStatus::Unsupported);
        sample.bitsPerPixel = 0;
        add("jpeg-compression.bmp", withCompression(sample, kBmpJpeg).bytes(),
            DecodeStatus::Unsupported);
    }
    {
        BmpSample sample = small24();
        sample.headerSize = 64;
        add("os2-rle24.bmp", withCompression(sample, 4).bytes(), DecodeStatus::Unsupported);
        sample.bitsPerPixel = 1;
        sample.palette = {0, 0xFFFFFF};
        sample.pixels = packBmpRows(1, {{0, 1}, {1, 0}});
        add("os2-huffman.bmp", withCompression(sample, 3).bytes(), DecodeStatus::Unsupported);
    }
    {
        BmpSample sample;
        sample.width = 2;
        sample.height = 1;
        sample.bitsPerPixel = 16;
        sample.compression = kBmpBitfields;
        sample.masks = {0xF800, 0x07E0, 0x001F};
        sample.pixels = packBmpRows(16, {{0xFFFF, 0x0000}});
        auto bytes = sample.bytes();
        bytes.resize(14 + 40 + 4);
        add("bitfields-masks-past-file.bmp", bytes, DecodeStatus::Truncated);

        sample.masks = {0, 0, 0};
        add("bitfields-zero-masks.bmp", sample.bytes(), DecodeStatus::Corrupt);

        sample.masks = {0xFFFF0000, 0x07E0, 0x001F};
        add("bitfields-mask-beyond-pixel.bmp", sample.bytes(), DecodeStatus::Ok);

        sample.bitsPerPixel = 24;
        sample.pixels = packBmpRows(24, {{0xFFFFFF, 0}});
        add("bitfields-24-bits.bmp", sample.bytes(), DecodeStatus::Corrupt);
    }
    return samples;
}

namespace {

// The picture every valid sample shows, top row first, as indexes into
// kSampleColors. The colours are exact in every depth, 5-5-5 included.
constexpr std::array<std::array<std::uint32_t, 4>, 3> kSampleIndexes{{
    {0, 1, 2, 3},
    {3, 3, 1, 0},
    {2, 0, 0, 1},
}};
constexpr std::array<Rgb, 4> kSampleColors{makeRgb(0, 0, 0), makeRgb(192, 64, 0),
                                           makeRgb(0, 128, 192), makeRgb(248, 248, 248)};

// Rows of the sample picture in file order (bottom-up unless topDown), each
// pixel turned into a stored value by encode.
// indexMask narrows the picture to the colours a 1-bit file can hold.
template <typename Encode>
std::vector<std::vector<std::uint32_t>> sampleRows(bool topDown, Encode encode,
                                                   std::uint32_t indexMask = 3) {
    std::vector<std::vector<std::uint32_t>> rows;
    for (std::size_t i = 0; i < kSampleIndexes.size(); ++i) {
        const auto& source = kSampleIndexes[topDown ? i : kSampleIndexes.size() - 1 - i];
        std::vector<std::uint32_t> row;
        for (const std::uint32_t index : source)
            row.push_back(encode(index & indexMask, kSampleColors[index & indexMask]));
        rows.push_back(row);
    }
    return rows;
}

std::vector<Rgb> sampleColors(std::uint32_t indexMask = 3) {
    std::vector<Rgb> colors;
    for (const auto& row : kSampleIndexes) {
        for (const std::uint32_t index : row)
            colors.push_back(kSampleColors[index & indexMask]);
    }
    return colors;
}

std::uint32_t as24(std::uint32_t, Rgb c) {
    return (std::uint32_t{redOf(c)} << 16) | (std::uint32_t{greenOf(c)} << 8) | blueOf(c);
}
std::uint32_t as555(std::uint32_t, Rgb c) {
    return (std::uint32_t{redOf(c)} >> 3 << 10) | (std::uint32_t{greenOf(c)} >> 3 << 5) |
           (std::uint32_t{blueOf(c)} >> 3);
}
std::uint32_t as565(std::uint32_t, Rgb c) {
    return (std::uint32_t{redOf(c)} >> 3 << 11) | (std::uint32_t{greenOf(c)} >> 2 << 5) |
           (std::uint32_t{blueOf(c)} >> 3);
}
std::uint32_t asRgbx(std::uint32_t, Rgb c) {
    return std::uint32_t{redOf(c)} | (std::uint32_t{greenOf(c)} << 8) |
           (std::uint32_t{blueOf(c)} << 16);
}
std::uint32_t asIndex(std::uint32_t index, Rgb) {
    return index;
}

// Runs of equal pixels per row, an end of line after each, as RLE8 or RLE4 stores them.
std::vector<std::uint8_t> sampleRle(bool fourBits) {
    std::vector<std::uint8_t> stream;
    for (const auto& row : sampleRows(false, asIndex)) {
        for (std::size_t x = 0; x < row.size();) {
            std::size_t run = 1;
            while (x + run < row.size() && row[x + run] == row[x])
                ++run;
            stream.push_back(static_cast<std::uint8_t>(run));
            stream.push_back(static_cast<std::uint8_t>(fourBits ? row[x] * 17 : row[x]));
            x += run;
        }
        stream.insert(stream.end(), {0, 0});
    }
    stream.insert(stream.end(), {0, 1});
    return stream;
}

} // namespace

std::vector<NamedBmp> validBmpSamples() {
    std::vector<NamedBmp> samples;
    const std::vector<Rgb> allColors = sampleColors();
    const auto add = [&samples, &allColors](std::string name, const BmpSample& sample) {
        samples.push_back({std::move(name), sample.bytes(), allColors});
    };
    BmpSample base;
    base.width = 4;
    base.height = 3;

    const std::vector<Rgb> palette(kSampleColors.begin(), kSampleColors.end());
    for (const std::uint32_t headerSize : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        const std::string prefix = "header" + std::to_string(headerSize);
        // Short headers have no colour count, so their tables (16 or 256
        // entries by default) are cut short by the offset to the pixels.
        BmpSample sample = base;
        sample.headerSize = headerSize;
        sample.palette = palette;
        sample.colorsUsed = 4;
        for (const int bits : {4, 8}) {
            sample.bitsPerPixel = static_cast<std::uint16_t>(bits);
            sample.pixels = packBmpRows(bits, sampleRows(false, asIndex));
            add(prefix + "-" + std::to_string(bits) + "bit.bmp", sample);
        }
        sample.bitsPerPixel = 1;
        sample.palette.resize(2);
        sample.colorsUsed = 2;
        sample.pixels = packBmpRows(1, sampleRows(false, asIndex, 1));
        samples.push_back({prefix + "-1bit.bmp", sample.bytes(), sampleColors(1)});

        sample.bitsPerPixel = 24;
        sample.palette.clear();
        sample.colorsUsed = 0;
        sample.pixels = packBmpRows(24, sampleRows(false, as24));
        add(prefix + "-24bit.bmp", sample);
    }
    {
        BmpSample sample = base;
        sample.bitsPerPixel = 8;
        sample.palette = palette;
        sample.compression = kBmpRle8;
        sample.pixels = sampleRle(false);
        add("rle8.bmp", sample);
        sample.bitsPerPixel = 4;
        sample.compression = kBmpRle4;
        sample.pixels = sampleRle(true);
        add("rle4.bmp", sample);
        sample.headerSize = 64;
        add("os2-rle4.bmp", sample);
    }
    for (const bool topDown : {false, true}) {
        BmpSample sample = base;
        sample.height = topDown ? -3 : 3;
        const std::string order = topDown ? "-top-down" : "";
        sample.pixels = packBmpRows(24, sampleRows(topDown, as24));
        add("24bit" + order + ".bmp", sample);

        sample.bitsPerPixel = 16;
        sample.pixels = packBmpRows(16, sampleRows(topDown, as555));
        add("16bit-555" + order + ".bmp", sample);

        sample.compression = kBmpBitfields;
        sample.masks = {0xF800, 0x07E0, 0x001F};
        sample.pixels = packBmpRows(16, sampleRows(topDown, as565));
        add("16bit-565" + order + ".bmp", sample);

        sample.masks = {0x7C00, 0x03E0, 0x001F};
        sample.pixels = packBmpRows(16, sampleRows(topDown, as555));
        add("16bit-555-masks" + order + ".bmp", sample);

        sample.compression = kBmpAlphaBitfields;
        sample.masks = {0xF800, 0x07E0, 0x001F, 0};
        sample.pixels = packBmpRows(16, sampleRows(topDown, as565));
        add("16bit-565-alpha-masks" + order + ".bmp", sample);

        sample.compression = kBmpRgb;
        sample.masks.clear();
        sample.bitsPerPixel = 32;
        sample.pixels = packBmpRows(32, sampleRows(topDown, as24));
        add("32bit" + order + ".bmp", sample);

        sample.headerSize = 108;
        sample.compression = kBmpBitfields;
        sample.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
        sample.pixels = packBmpRows(32, sampleRows(topDown, asRgbx));
        add("32bit-v4-rgbx-masks" + order + ".bmp", sample);
    }
    return samples;
}

} // namespace varnelo::test
