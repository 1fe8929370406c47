#include "writers/hex_color.h"

#include <cstring>

namespace varnelo {

namespace {

// The two digits of every byte value, so that a colour takes three lookups.
struct ByteDigits {
    std::array<std::array<char, 2>, 256> pairs{};
    constexpr ByteDigits() {
        constexpr char kDigits[] = "0123456789ABCDEF";
        for (unsigned value = 0; value < 256; ++value)
            pairs[value] = {kDigits[value >> 4], kDigits[value & 15]};
    }
};

constexpr ByteDigits kByteDigits;

} // namespace

std::array<char, 6> hexColor(Rgb color) {
    const auto& red = kByteDigits.pairs[redOf(color)];
    const auto& green = kByteDigits.pairs[greenOf(color)];
    const auto& blue = kByteDigits.pairs[blueOf(color)];
    return {red[0], red[1], green[0], green[1], blue[0], blue[1]};
}

char* writeHexColor(char* out, Rgb color) {
    std::memcpy(out, kByteDigits.pairs[redOf(color)].data(), 2);
    std::memcpy(out + 2, kByteDigits.pairs[greenOf(color)].data(), 2);
    std::memcpy(out + 4, kByteDigits.pairs[blueOf(color)].data(), 2);
    return out + 6;
}

} // namespace varnelo
