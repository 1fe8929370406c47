#pragma once

#include "base/byte_sink.h"
#include "reading/codecs/row_source.h"

namespace varnelo {

/// Writes a baseline JPEG with libjpeg's default parameters at the given
/// quality (1..100, clamped), taking the rows one at a time from the top.
/// Returns false when the size is not a valid picture size or exceeds what
/// JPEG can store (65500 per side), the sink failed, or the row source
/// stopped; the sink then holds no complete file.
[[nodiscard]] bool writeJpeg(ByteSink& sink, int width, int height, RowFormat format,
                             const RowSource& rowAt, int quality);

} // namespace varnelo
