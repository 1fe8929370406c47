#pragma once

#include "base/color.h"
#include "reading/codecs/decode_status.h"
#include "tests/support/bad_files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varnelo::test {

struct GifFrameSample {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    /// Empty: the frame uses the global colour map.
    std::vector<Rgb> localColors{};
    /// width × height colour indexes, top row first (written in interlaced
    /// order when `interlaced` is set).
    std::vector<std::uint8_t> indexes{};
    /// Written in a graphic control extension when 0 or more.
    int transparentIndex = -1;
};

struct GifSample {
    int screenWidth = 0;
    int screenHeight = 0;
    /// Empty: no global colour map.
    std::vector<Rgb> globalColors{};
    int backgroundIndex = 0;
    std::vector<GifFrameSample> frames{};
};

/// A GIF file made by giflib. Colour maps are padded with black to the next
/// power of two (at least 2); indexes keep max(2, map bits) bits, so a
/// 2-colour map still carries indexes 2 and 3.
std::vector<std::uint8_t> encodeGif(const GifSample& sample);

using BadGif = BadFile;

/// The broken files kept in tests/data/bad.
std::vector<BadGif> badGifSamples();

} // namespace varnelo::test
