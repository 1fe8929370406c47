#pragma once

#include "base/color.h"

#include <array>
#include <cstring>

namespace varnelo {

/// The six upper-case hexadecimal digits of a colour, red first: pure red
/// is FF0000, a dark blue 000080.
std::array<char, 6> hexColor(Rgb color);

namespace detail {

// The two digits of every byte value, so that a colour takes three lookups.
struct ByteDigits {
    std::array<std::array<char, 2>, 256> pairs{};
    constexpr ByteDigits() {
        constexpr char kDigits[] = "0123456789ABCDEF";
        for (unsigned value = 0; value < 256; ++value)
            pairs[value] = {kDigits[value >> 4], kDigits[value & 15]};
    }
};

inline constexpr ByteDigits kByteDigits;

} // namespace detail

/// The same six digits written to out; the end of what it wrote. For lines
/// built by the million, where handing the digits over costs more than
/// making them, and a call more than both.
inline char* writeHexColor(char* out, Rgb color) {
    std::memcpy(out, detail::kByteDigits.pairs[redOf(color)].data(), 2);
    std::memcpy(out + 2, detail::kByteDigits.pairs[greenOf(color)].data(), 2);
    std::memcpy(out + 4, detail::kByteDigits.pairs[blueOf(color)].data(), 2);
    return out + 6;
}

} // namespace varnelo
