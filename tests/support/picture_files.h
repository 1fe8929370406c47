#pragma once

#include "engine/color.h"
#include "engine/work_bitmap.h"

#include <functional>
#include <string>

namespace varnelo::test {

using ColorAt = std::function<Rgb(int x, int y)>;

/// A 24-bit picture whose pixel (x, y) has colorAt(x, y).
WorkBitmap makePicture(int width, int height, const ColorAt& colorAt);

/// Writes a 24-bit BMP file whose pixel (x, y) has colorAt(x, y).
void writeBmpFile(const std::string& path, int width, int height, const ColorAt& colorAt);

} // namespace varnelo::test
