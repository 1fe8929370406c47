#pragma once

#include "base/work_bitmap.h"
#include "engine/conversion_settings.h"
#include "engine/glyph_shape.h"
#include "engine/shape_matching.h"

#include <span>

namespace varnelo {

/// Recolours the scaled picture of ramp mode without --fill: each pixel
/// the ink (inkShowing) that makes its character's cell, in the ramp's
/// glyphs, as bright as the pixel on the background; its character, the
/// one of its own colour, into texts. The glyphs' densities come from the
/// face the mode draws in. False, with the picture as it was, for a
/// picture of another depth than 24 or 32 bits (or the device's) or
/// without glyphs.
bool showRampInk(WorkBitmap& picture, const ConversionSettings& settings,
                 std::span<const GlyphShape> glyphs, ShapeTexts& texts);

} // namespace varnelo
