#pragma once

#include "base/color.h"

#include <array>
#include <cstdint>

namespace varnelo {

/// The 16 colours of the standard VGA palette, black first, white last.
const std::array<Rgb, 16>& vgaPalette();

/// The fixed 256-colour palette of 8-bit pictures: the 20 colours of the
/// default system palette, the 6 × 6 × 6 colour cube and greys, no colour twice.
const std::array<Rgb, 256>& generalPalette();

/// Index of the colour of the palette nearest to color (Euclidean distance in
/// RGB; on a tie the lower index wins).
template <std::size_t N>
int nearestIndex(const std::array<Rgb, N>& palette, Rgb color) {
    const int red = redOf(color);
    const int green = greenOf(color);
    const int blue = blueOf(color);
    int best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t index = 0; index < N; ++index) {
        const int dr = red - redOf(palette[index]);
        const int dg = green - greenOf(palette[index]);
        const int db = blue - blueOf(palette[index]);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(index);
        }
    }
    return best;
}

} // namespace varnelo
