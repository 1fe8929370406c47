#pragma once

#include "base/byte_sink.h"
#include "reading/codecs/row_source.h"

namespace varnelo {

/// Writes an uncompressed bottom-up BMP with a BITMAPINFOHEADER. Returns
/// false when the sink failed, the row source stopped, or the size is not
/// a valid picture size.
[[nodiscard]] bool writeBmp(ByteSink& sink, int width, int height, RowFormat format,
                            const RowSource& rowAt);

} // namespace varnelo
