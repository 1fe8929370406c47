#pragma once

#include "engine/codecs/byte_sink.h"
#include "engine/codecs/row_source.h"

namespace varnelo {

/// Writes an 8-bit RGB PNG without transparency at zlib level 0..9 (clamped),
/// taking the rows one at a time from the top. Returns false when the size is
/// not a valid picture size, the sink failed, or the row source stopped; the
/// sink then holds no complete file.
[[nodiscard]] bool writePng(ByteSink& sink, int width, int height, RowFormat format,
                            const RowSource& rowAt, int compressionLevel);

} // namespace varnelo
