#pragma once

#include "engine/codecs/byte_sink.h"

#include <cstdint>
#include <functional>

namespace varnelo {

class WorkBitmap;

enum class BmpPixelFormat : std::uint8_t { Bgr24, Bgrx32 };

/// Gives row y (0 = top) of the picture in the writer's pixel format, or
/// nullptr to stop the writing (a cancelled conversion).
using BmpRowSource = std::function<const std::uint8_t*(int y)>;

/// Writes an uncompressed bottom-up BMP with a BITMAPINFOHEADER. Returns
/// false when the sink failed, the row source stopped, or the size is not
/// a valid picture size.
[[nodiscard]] bool writeBmp(ByteSink& sink, int width, int height, BmpPixelFormat format,
                            const BmpRowSource& rowAt);

/// Writes a 24-bit or 32-bit (or Device) WorkBitmap; other depths are refused.
[[nodiscard]] bool writeBmp(ByteSink& sink, const WorkBitmap& picture);

} // namespace varnelo
