#pragma once

#include <jxl/encode.h>

#include "tests/support/bad_files.h"
#include "tests/support/picture_files.h"

#include <cstdint>
#include <vector>

namespace varnelo::test {

/// A lossless JPEG XL whose pixel (x, y) has colorAt(x, y), in colour or,
/// grey, the green channel, stating the orientation in its header.
std::vector<std::uint8_t> encodeJxl(int width, int height, const ColorAt& colorAt,
                                    bool grey = false, int orientation = 1);

/// The file an encoder whose input is closed makes.
std::vector<std::uint8_t> encodedJxl(JxlEncoder* encoder);

/// Broken JPEG XL files, named after what they break.
std::vector<BadFile> badJxlSamples();

} // namespace varnelo::test
