#pragma once

#include <cstdint>

namespace varnelo {

/// A 24-bit colour held in one integer as red + 256 × green + 65536 × blue.
using Rgb = std::uint32_t;

constexpr Rgb makeRgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}
constexpr std::uint8_t redOf(Rgb color) {
    return static_cast<std::uint8_t>(color);
}
constexpr std::uint8_t greenOf(Rgb color) {
    return static_cast<std::uint8_t>(color >> 8);
}
constexpr std::uint8_t blueOf(Rgb color) {
    return static_cast<std::uint8_t>(color >> 16);
}

} // namespace varnelo
