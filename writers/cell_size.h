#pragma once

#include "engine/conversion_settings.h"

namespace varnelo {

class CellFont;

struct CellSize {
    int width = 0;
    int height = 0;
};

/// The cell every pixel text of a conversion is drawn in: as high as one
/// line of the font less 2 pixels, as wide as the widest (or the middle of
/// the widest and narrowest) of the two-byte texts the character mode can
/// produce. Measured on two bytes, also at font size 1, but on one in the
/// modes that draw a pixel as one character. Both sides
/// are at least 1.
CellSize measureCell(const ConversionSettings& settings, const CellFont& font);

/// The largest picture the image output draws, in each direction.
inline constexpr int kMaxImageSide = 5079;

/// The height of the font cells are drawn in at a font size.
int cellFontHeight(std::int32_t fontSize);

/// The cell an image output with these settings draws each pixel in,
/// measured in the face it draws with.
CellSize measureImageCell(const ConversionSettings& settings);

} // namespace varnelo
