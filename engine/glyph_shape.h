#pragma once

#include "base/byte_string.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varnelo {

/// How a character draws in a face, laid over an 8 × 8 grid of its cell:
/// bit (row × 8 + column) of mask is set where its ink covers that part,
/// and density is the share of the whole cell its ink covers, 0 to 255.
struct GlyphShape {
    /// The character's byte in the face's code page ("?" where the code
    /// page has none), and below the character itself.
    char byte = ' ';
    std::uint64_t mask = 0;
    std::uint8_t density = 0;
    char32_t character = U' ';
    /// How much of each part its ink covers, 0 to 255 (mask's parts are
    /// those covered enough to count as ink).
    std::array<std::uint8_t, 64> coverage{};
    /// Its advance as documents draw it, in thousandths of the face's cell:
    /// a character the face lacks takes the advance of the font readers
    /// fall back to, which may be another.
    std::uint16_t advance = 1000;
};

/// The shapes of the candidate characters (UTF-8) in a face, each character
/// once, in the order each first appears, those the face has no glyph for
/// left out; who draws glyphs knows them (the image writers' fonts).
using GlyphShaper =
    std::function<std::vector<GlyphShape>(const std::string& face, const ByteString& candidates)>;

} // namespace varnelo
