#pragma once

#include "base/work_bitmap.h"

#include <atomic>

namespace varnelo {

class ProgressSink;

/// Scales the whole picture to exactly newWidth × newHeight. Shrinking
/// averages every source pixel that falls into a target pixel, weighted by
/// how much of it falls there; enlarging interpolates linearly. The picture
/// keeps its depth (indexed pictures take the nearest colour of their own
/// table). Nothing happens, and no status is shown, when the size is
/// unchanged; a size of 0 or below in either direction gives the empty
/// picture. Returns false, leaving the picture empty, when the new size is
/// outside the picture limits or memory runs out, or once the cancel is set
/// (looked at between rows).
[[nodiscard]] bool resizePicture(WorkBitmap& picture, int newWidth, int newHeight,
                                 ProgressSink& progress, const std::atomic<bool>* cancel = nullptr);

} // namespace varnelo
