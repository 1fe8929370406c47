#pragma once

#include "base/work_bitmap.h"
#include "engine/conversion_settings.h"

namespace varnelo {

/// The depth a ColorDepth choice produces, and the choice that names a
/// picture's depth (the display's own format counts as 24 bits).
PixelDepth pixelDepthOf(ColorDepth depth);
ColorDepth colorDepthOf(PixelDepth depth);

/// Converts the picture in place to the given depth, each pixel mapped by
/// itself, without dithering: 1 bit to the nearer of black and white, 4 bits
/// to the nearest VGA colour, 8 bits to the nearest colour of the fixed
/// general palette, 15 and 16 bits by cutting each channel to its top bits,
/// 24 and 32 bits unchanged. Returns false, leaving the picture empty, when
/// memory runs out.
[[nodiscard]] bool reduceDepth(WorkBitmap& picture, ColorDepth depth);

} // namespace varnelo
