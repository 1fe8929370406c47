#include "writers/hex_color.h"

namespace varnelo {

std::array<char, 6> hexColor(Rgb color) {
    std::array<char, 6> digits{};
    writeHexColor(digits.data(), color);
    return digits;
}

} // namespace varnelo
