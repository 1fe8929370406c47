#pragma once

#include "engine/codecs/bmp_writer.h"
#include "engine/codecs/byte_sink.h"

namespace varnelo {

/// Writes an 8-bit RGB PNG without transparency at zlib level 0..9 (clamped),
/// taking the rows one at a time from the top. Returns false when the size is
/// not a valid picture size, the sink failed, or the row source stopped; the
/// sink then holds no complete file.
[[nodiscard]] bool writePng(ByteSink& sink, int width, int height, BmpPixelFormat format,
                            const BmpRowSource& rowAt, int compressionLevel);

} // namespace varnelo
