#pragma once

#include "base/byte_sink.h"
#include "reading/codecs/row_source.h"

namespace varnelo {

/// Writes an 8-bit RGB PNG whose image data is deflated in bands of rows,
/// one thread each, and joined into one zlib stream: a big image compresses
/// in a fraction of the time on several cores. Rows are stored unfiltered.
/// rowAt is called from all the threads at once. Returns false when the size is
/// not a valid picture size, the sink failed or the row source stopped; the
/// sink then holds no complete file. The level is zlib's, 0..9 (clamped).
[[nodiscard]] bool writePngInBands(ByteSink& sink, int width, int height, RowFormat format,
                                   const RowSource& rowAt, int compressionLevel, int bands);

} // namespace varnelo
