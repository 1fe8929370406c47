#pragma once

#include "base/color.h"
#include "reading/codecs/decode_status.h"
#include "tests/support/bad_files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnelo::test {

// BMP compression values as stored in the info header.
inline constexpr std::uint32_t kBmpRgb = 0;
inline constexpr std::uint32_t kBmpRle8 = 1;
inline constexpr std::uint32_t kBmpRle4 = 2;
inline constexpr std::uint32_t kBmpBitfields = 3;
inline constexpr std::uint32_t kBmpJpeg = 4;
inline constexpr std::uint32_t kBmpPng = 5;
inline constexpr std::uint32_t kBmpAlphaBitfields = 6;

/// A BMP file described field by field, so tests can build every variant,
/// including broken ones, without keeping binary files around.
struct BmpSample {
    std::string magic = "BM";
    /// 12 (core), 16..64 (OS/2 2.x, cut after any field), 40, 52, 56, 108 or 124.
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;  ///< stored as 16 bits in a 12-byte header
    std::int32_t height = 1; ///< negative for top-down rows
    std::uint16_t planes = 1;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = kBmpRgb;
    std::uint32_t colorsUsed = 0;
    /// Written after the header (and masks): 3-byte entries for a 12-byte
    /// header, else 4 bytes.
    std::vector<Rgb> palette;
    /// Red, green, blue and optionally alpha. Inside a header of 52 bytes or
    /// more; after a 40-byte header as the bitfields layout wants.
    std::vector<std::uint32_t> masks;
    /// The pixel data exactly as stored.
    std::vector<std::uint8_t> pixels;
    /// bfOffBits; by default the pixels follow the palette.
    std::optional<std::uint32_t> pixelOffset;

    std::vector<std::uint8_t> bytes() const;
};

/// Rows of pixel values packed as an uncompressed BMP stores them: rows in
/// file order, each padded to 4 bytes. Values are colour indexes for 1, 4 and
/// 8 bits, raw little-endian words for 16 and 32 bits, and 0xRRGGBB for 24.
std::vector<std::uint8_t> packBmpRows(int bitsPerPixel,
                                      const std::vector<std::vector<std::uint32_t>>& rows);

using BadBmp = BadFile;

/// The broken files kept in tests/data/bad.
std::vector<BadBmp> badBmpSamples();

/// A valid file and the colours it shows, top row first.
struct NamedBmp {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::vector<Rgb> colors;
};

inline constexpr int kValidBmpWidth = 4;
inline constexpr int kValidBmpHeight = 3;

/// One valid kValidBmpWidth × kValidBmpHeight file of each variant the reader
/// handles, named after it; all but the 1-bit ones show the same picture.
std::vector<NamedBmp> validBmpSamples();

} // namespace varnelo::test
