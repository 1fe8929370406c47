#pragma once

#include "tests/support/bad_files.h"
#include "tests/support/picture_files.h"

#include <cstdint>
#include <vector>

namespace varnelo::test {

/// A still WebP whose pixel (x, y) has colorAt(x, y): lossless, so every
/// colour decodes as given, or lossy at quality 90.
std::vector<std::uint8_t> encodeWebp(int width, int height, const ColorAt& colorAt,
                                     bool lossless = true);

/// One frame of an animated WebP: a lossless still placed on the canvas.
struct WebpFrame {
    int x = 0; ///< even, as the format wants
    int y = 0;
    std::vector<std::uint8_t> still;
};

/// An animated WebP of the frames on a canvas of width × height.
std::vector<std::uint8_t> encodeAnimatedWebp(int width, int height,
                                             const std::vector<WebpFrame>& frames);

/// Broken WebP files, named after what they break.
std::vector<BadFile> badWebpSamples();

/// The WebP with an EXIF chunk holding the EXIF data.
std::vector<std::uint8_t> withWebpExif(const std::vector<std::uint8_t>& webp,
                                       const std::vector<std::uint8_t>& exif);

} // namespace varnelo::test
