#pragma once

#include "base/color.h"
#include "reading/codecs/decode_status.h"
#include "tests/support/bad_files.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnelo::test {

struct PngSample {
    int width = 0;
    int height = 0;
    int colorType = 0; ///< PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    /// width × height × channels sample values, top row first, each within
    /// the bit depth (palette images: indexes).
    std::vector<std::uint16_t> samples{};
    std::vector<Rgb> palette{};
    /// Alpha of the first palette entries, written as a tRNS chunk.
    std::vector<std::uint8_t> paletteAlpha{};
    int compressionLevel = 6;
    /// PNG_FILTER_* flags libpng may choose among (0: its default).
    int filters = 0;
    /// The most image data in one IDAT chunk (0: libpng's 8 kB).
    std::size_t chunkBytes = 0;
};

/// The samples a pixel of a PNG colour type holds (a palette's: one).
int pngChannelsOf(int colorType);

/// A PNG file made by libpng.
std::vector<std::uint8_t> encodePng(const PngSample& sample);

/// Byte offset of the first chunk of the given type in a PNG file (its
/// length field), or −1.
long findPngChunk(const std::vector<std::uint8_t>& png, const char* type);

/// Rewrites the size in the IHDR chunk and fixes its checksum, for files that
/// claim sizes their data does not hold.
void setPngSize(std::vector<std::uint8_t>& png, std::uint32_t width, std::uint32_t height);

using BadPng = BadFile;

/// The broken files kept in tests/data/bad.
std::vector<BadPng> badPngSamples();

/// An 8-bit grey PNG whose pixel (x, y) is 10 x + y and whose image data
/// goes on past its rows: the rows as a zlib stream flushed to a byte
/// boundary in one IDAT chunk, then a second IDAT chunk whose deflate data
/// would inflate to `extra` more zero bytes, as an inflate bomb's does. When
/// that chunk holds more than `keep` bytes, the file ends after `keep` of them.
std::vector<std::uint8_t> greyPngWithDataPastTheRows(int width, int height, bool interlaced,
                                                     std::size_t extra, std::size_t keep);

} // namespace varnelo::test
