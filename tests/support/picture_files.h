#pragma once

#include "base/byte_sink.h"
#include "base/color.h"
#include "base/work_bitmap.h"
#include "writers/encoders/bmp_writer.h"

#include <functional>
#include <string>
#include <vector>

namespace varnelo::test {

using ColorAt = std::function<Rgb(int x, int y)>;

/// A picture whose pixel (x, y) has colorAt(x, y), 24 bits deep or, given
/// another depth of at least 24 bits, that one.
WorkBitmap makePicture(int width, int height, const ColorAt& colorAt,
                       PixelDepth depth = PixelDepth::Bits24);

/// Rows as the encoders take them, top row first. The unused byte of
/// Bgrx32 holds junk, which must not reach any file.
std::vector<std::uint8_t> encoderRows(int width, int height, RowFormat format,
                                      const ColorAt& colorAt);

/// Hands out the rows of encoderRows one by one; pixels must outlive it.
RowSource rowSource(const std::vector<std::uint8_t>& pixels, int height);

/// Every channel of every pixel differs from its neighbours, so a shifted,
/// swapped or flipped row shows; also detail that costs bytes to compress.
Rgb noise(int x, int y);

/// Writes a picture of 24 or 32 bits as a BMP, its rows as they stand;
/// false for other depths, an empty picture or a failing sink.
bool writeBmp(ByteSink& sink, const WorkBitmap& picture);

/// Writes a 24-bit BMP file whose pixel (x, y) has colorAt(x, y).
void writeBmpFile(const std::string& path, int width, int height, const ColorAt& colorAt);

} // namespace varnelo::test
