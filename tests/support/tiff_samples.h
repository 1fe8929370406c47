#pragma once

#include "tests/support/bad_files.h"
#include "tests/support/picture_files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varnelo::test {

/// How a sample TIFF stores its pixels.
struct TiffLayout {
    enum class Colours : std::uint8_t { Rgb, RgbAlpha, Grey, Palette, Cmyk, BlackAndWhite };
    Colours colours = Colours::Rgb;
    int bitsPerSample = 8; ///< 8 or 16 (1 for black and white)
    bool tiled = false;    ///< 16 × 16 tiles, else strips
    int rowsPerStrip = 4;
    bool deflate = false; ///< else uncompressed
    int orientation = 1;  ///< the Orientation tag
};

/// A TIFF whose pixel (x, y) has colorAt(x, y), as the layout stores it:
/// grey takes the green channel, the palette the colours in the order first
/// met (at most 256), black and white green above 127.
std::vector<std::uint8_t> encodeTiff(int width, int height, const ColorAt& colorAt,
                                     const TiffLayout& layout = {});

/// Broken TIFF files, named after what they break.
std::vector<BadFile> badTiffSamples();

} // namespace varnelo::test
