#pragma once

#include <avif/avif.h>

#include "tests/support/bad_files.h"
#include "tests/support/picture_files.h"

#include <cstdint>
#include <vector>

namespace varnelo::test {

/// A lossless AVIF (4:4:4, identity matrix) whose pixel (x, y) has
/// colorAt(x, y), with an irot box of the quarter turns when not 0.
std::vector<std::uint8_t> encodeAvif(int width, int height, const ColorAt& colorAt,
                                     int quarterTurns = 0);

/// The picture encoded at the codec's fastest, between the quantizers;
/// the picture is freed.
std::vector<std::uint8_t> encodedAvif(avifImage* image, int minQuantizer, int maxQuantizer);

/// Broken AVIF files, named after what they break.
std::vector<BadFile> badAvifSamples();

} // namespace varnelo::test
