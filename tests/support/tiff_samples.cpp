#include "tests/support/tiff_samples.h"

#include "tests/support/temp_dir.h"

#include <tiffio.h>

#include <map>
#include <stdexcept>

namespace varnelo::test {

namespace {

std::vector<std::uint8_t> samplesOf(Rgb color, const TiffLayout& layout,
                                    std::map<Rgb, std::uint16_t>& palette) {
    using Colours = TiffLayout::Colours;
    const std::uint8_t r = redOf(color);
    const std::uint8_t g = greenOf(color);
    const std::uint8_t b = blueOf(color);
    switch (layout.colours) {
    case Colours::Rgb:
        return {r, g, b};
    case Colours::RgbAlpha:
        return {r, g, b, 0}; // fully transparent: the colours must still show
    case Colours::Grey:
        return {g};
    case Colours::Palette: {
        const auto found = palette.emplace(color, static_cast<std::uint16_t>(palette.size()));
        if (palette.size() > 256)
            throw std::invalid_argument("a palette TIFF holds at most 256 colours");
        return {static_cast<std::uint8_t>(found.first->second)};
    }
    case Colours::Cmyk:
        return {static_cast<std::uint8_t>(255 - r), static_cast<std::uint8_t>(255 - g),
                static_cast<std::uint8_t>(255 - b), 0};
    case Colours::BlackAndWhite:
        return {static_cast<std::uint8_t>(g > 127 ? 1 : 0)};
    }
    return {};
}

int samplesPerPixel(TiffLayout::Colours colours) {
    using Colours = TiffLayout::Colours;
    switch (colours) {
    case Colours::Rgb:
        return 3;
    case Colours::RgbAlpha:
    case Colours::Cmyk:
        return 4;
    case Colours::Grey:
    case Colours::Palette:
    case Colours::BlackAndWhite:
        break;
    }
    return 1;
}

void setTags(TIFF* tiff, int width, int height, const TiffLayout& layout, int samples) {
    using Colours = TiffLayout::Colours;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(samples));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(layout.bitsPerSample));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(layout.orientation));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION,
                 layout.deflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    if (layout.colours == Colours::Grey || layout.colours == Colours::BlackAndWhite)
        photometric = PHOTOMETRIC_MINISBLACK;
    else if (layout.colours == Colours::Palette)
        photometric = PHOTOMETRIC_PALETTE;
    else if (layout.colours == Colours::Cmyk)
        photometric = PHOTOMETRIC_SEPARATED;
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    if (layout.colours == Colours::RgbAlpha) {
        const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (layout.tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16U);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16U);
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(layout.rowsPerStrip));
    }
}

// The samples of row y, packed at the layout's bits per sample.
std::vector<std::uint8_t> packedRow(const std::vector<std::vector<std::uint8_t>>& pixels,
                                    const TiffLayout& layout) {
    std::vector<std::uint8_t> row;
    if (layout.bitsPerSample == 1) {
        row.assign((pixels.size() + 7) / 8, 0);
        for (std::size_t x = 0; x < pixels.size(); ++x)
            if (pixels[x][0] != 0)
                row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
        return row;
    }
    for (const auto& samples : pixels) {
        for (const std::uint8_t value : samples) {
            row.push_back(value);
            if (layout.bitsPerSample == 16)
                row.push_back(value); // native order, value × 257
        }
    }
    return row;
}

} // namespace

std::vector<std::uint8_t> encodeTiff(int width, int height, const ColorAt& colorAt,
                                     const TiffLayout& layout) {
    const TempDir folder;
    const std::string path = folder.file("sample.tif");
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr)
        throw std::runtime_error("TIFFOpen failed");
    std::map<Rgb, std::uint16_t> palette;
    std::vector<std::vector<std::uint8_t>> rows;
    for (int y = 0; y < height; ++y) {
        std::vector<std::vector<std::uint8_t>> pixels;
        for (int x = 0; x < width; ++x)
            pixels.push_back(samplesOf(colorAt(x, y), layout, palette));
        rows.push_back(packedRow(pixels, layout));
    }
    setTags(tiff, width, height, layout, samplesPerPixel(layout.colours));
    if (layout.colours == TiffLayout::Colours::Palette) {
        std::vector<std::uint16_t> red(256), green(256), blue(256);
        for (const auto& [color, index] : palette) {
            red[index] = static_cast<std::uint16_t>(redOf(color) * 257);
            green[index] = static_cast<std::uint16_t>(greenOf(color) * 257);
            blue[index] = static_cast<std::uint16_t>(blueOf(color) * 257);
        }
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    if (layout.tiled) {
        if (layout.bitsPerSample < 8)
            throw std::invalid_argument("tiles are written whole bytes a pixel");
        const std::size_t pixelBytes = rows.front().size() / static_cast<std::size_t>(width);
        std::vector<std::uint8_t> tile(16 * 16 * pixelBytes);
        for (int top = 0; top < height; top += 16) {
            for (int left = 0; left < width; left += 16) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = top; y < std::min(height, top + 16); ++y)
                    for (int x = left; x < std::min(width, left + 16); ++x)
                        std::copy_n(rows[static_cast<std::size_t>(y)].begin() +
                                        static_cast<long>(static_cast<std::size_t>(x) * pixelBytes),
                                    pixelBytes,
                                    tile.begin() +
                                        static_cast<long>((static_cast<std::size_t>(y - top) * 16 +
                                                           static_cast<std::size_t>(x - left)) *
                                                          pixelBytes));
                TIFFWriteTile(tiff, tile.data(), static_cast<std::uint32_t>(left),
                              static_cast<std::uint32_t>(top), 0, 0);
            }
        }
    } else {
        for (int y = 0; y < height; ++y)
            TIFFWriteScanline(tiff, rows[static_cast<std::size_t>(y)].data(),
                              static_cast<std::uint32_t>(y), 0);
    }
    TIFFClose(tiff);
    return readBytes(path);
}

namespace {

std::uint32_t littleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

// Sets the value of a SHORT or LONG tag of the first directory of a
// little-endian TIFF, in place.
std::vector<std::uint8_t> withTag(std::vector<std::uint8_t> bytes, std::uint16_t tag,
                                  std::uint32_t value) {
    const std::size_t directory = littleEndian(bytes, 4, 4);
    const std::uint32_t entries = littleEndian(bytes, directory, 2);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + i * 12;
        if (littleEndian(bytes, entry, 2) != tag)
            continue;
        const int size = littleEndian(bytes, entry + 2, 2) == 3 ? 2 : 4;
        for (int b = 0; b < 4; ++b)
            bytes[entry + 8 + static_cast<std::size_t>(b)] =
                b < size ? static_cast<std::uint8_t>(value >> (8 * b)) : std::uint8_t{0};
        return bytes;
    }
    throw std::runtime_error("no such tag");
}

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

} // namespace

std::vector<BadFile> badTiffSamples() {
    // One strip, so that its offset is the tag's own value.
    TiffLayout oneStrip;
    oneStrip.rowsPerStrip = 6;
    const std::vector<std::uint8_t> plain = encodeTiff(8, 6, noise, oneStrip);
    TiffLayout grey = oneStrip;
    grey.colours = TiffLayout::Colours::Grey;
    TiffLayout deflate;
    deflate.deflate = true;
    deflate.rowsPerStrip = 6;
    const std::vector<std::uint8_t> packed = encodeTiff(8, 6, noise, deflate);
    std::vector<BadFile> samples;
    // The pixels come first, the directory last: a cut loses the directory.
    samples.push_back(
        {"tiff-cut-before-directory.tif", cut(plain, plain.size() - 20), DecodeStatus::Corrupt});
    samples.push_back({"tiff-directory-beyond-file.tif",
                       [&] {
                           std::vector<std::uint8_t> bytes = plain;
                           bytes[4] = 0xF0;
                           bytes[5] = 0xFF;
                           return bytes;
                       }(),
                       DecodeStatus::Corrupt});
    samples.push_back(
        {"tiff-absurd-dimensions.tif",
         withTag(withTag(plain, TIFFTAG_IMAGEWIDTH, 65535), TIFFTAG_IMAGELENGTH, 65535),
         DecodeStatus::TooLarge});
    samples.push_back(
        {"tiff-zero-height.tif", withTag(plain, TIFFTAG_IMAGELENGTH, 0), DecodeStatus::Corrupt});
    samples.push_back({"tiff-strip-beyond-file.tif",
                       withTag(plain, TIFFTAG_STRIPOFFSETS, 0x7FFFFF00), DecodeStatus::Truncated});
    samples.push_back({"tiff-unknown-compression.tif", withTag(plain, TIFFTAG_COMPRESSION, 12345),
                       DecodeStatus::Unsupported});
    samples.push_back({"tiff-broken-deflate-data.tif",
                       [&] {
                           std::vector<std::uint8_t> bytes = packed;
                           for (std::size_t i = 10; i < 40; ++i)
                               bytes[i] = static_cast<std::uint8_t>(bytes[i] ^ 0xA5);
                           return bytes;
                       }(),
                       DecodeStatus::Corrupt});
    samples.push_back({"tiff-sixty-four-bits-per-sample.tif",
                       withTag(encodeTiff(8, 6, noise, grey), TIFFTAG_BITSPERSAMPLE, 64),
                       DecodeStatus::Unsupported});
    return samples;
}

} // namespace varnelo::test
