#pragma once

#include "reading/codecs/decode_status.h"
#include "reading/codecs/exif_orientation.h"

namespace varnelo {

class WorkBitmap;

/// Turns and mirrors a picture as its orientation says, so that it shows
/// as the camera meant: the result has the picture's depth and colour
/// table, its sides swapped for orientations 5 to 8. Answers OutOfMemory
/// when the turned picture's memory cannot be had and Cancelled when
/// cancel was set; the picture is then unchanged.
[[nodiscard]] DecodeStatus turnUpright(WorkBitmap& picture, Orientation orientation,
                                       DecodeCancel cancel = nullptr);

} // namespace varnelo
