#include "writers/hex_colour.h"

namespace varnelo {

std::array<char, 6> hexColour(Rgb color) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const unsigned red = redOf(color), green = greenOf(color), blue = blueOf(color);
    return {kDigits[red >> 4],   kDigits[red & 15],  kDigits[green >> 4],
            kDigits[green & 15], kDigits[blue >> 4], kDigits[blue & 15]};
}

} // namespace varnelo
