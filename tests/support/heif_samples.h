#pragma once

#include <libheif/heif.h>

#include "tests/support/bad_files.h"
#include "tests/support/picture_files.h"

#include <cstdint>
#include <vector>

namespace varnelo::test {

/// A HEIC (HEVC at its best quality) whose pixel (x, y) has colorAt(x, y),
/// stating the orientation (as EXIF numbers it) in its irot and imir boxes.
std::vector<std::uint8_t> encodeHeif(int width, int height, const ColorAt& colorAt,
                                     int orientation = 1);

/// The file of a context holding encoded pictures; the context is freed.
std::vector<std::uint8_t> writtenHeif(heif_context* context);

/// Broken HEIF files, named after what they break.
std::vector<BadFile> badHeifSamples();

} // namespace varnelo::test
