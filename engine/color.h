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

/// The brightness the eye sees, 0 to 255, by Rec. 709's weights.
constexpr std::uint32_t luminanceOf(Rgb color) {
    return (2126U * redOf(color) + 7152U * greenOf(color) + 722U * blueOf(color) + 5000U) / 10000U;
}

/// A shade of the colour that stands out on it: halfway to black from a
/// light colour, halfway to white from a dark one.
constexpr Rgb contrastingShade(Rgb color) {
    const std::uint32_t end = luminanceOf(color) >= 128 ? 0U : 255U;
    return makeRgb((redOf(color) + end) / 2, (greenOf(color) + end) / 2, (blueOf(color) + end) / 2);
}

/// The colour of ink that makes a cell, covered/255 of it inked and the
/// rest background, as bright as wanted, as near as a colour can: a glyph
/// drawn in the picture's own colour shows it that much nearer the
/// background. wanted itself where nothing is covered.
constexpr Rgb inkShowing(Rgb wanted, Rgb background, std::uint32_t covered) {
    if (covered == 0)
        return wanted;
    const auto channel = [covered](std::uint32_t want, std::uint32_t ground) {
        const std::int64_t ink =
            static_cast<std::int64_t>(ground) +
            (static_cast<std::int64_t>(want) - ground) * 255 / static_cast<std::int64_t>(covered);
        return static_cast<std::uint32_t>(ink < 0 ? 0 : ink > 255 ? 255 : ink);
    };
    return makeRgb(channel(redOf(wanted), redOf(background)),
                   channel(greenOf(wanted), greenOf(background)),
                   channel(blueOf(wanted), blueOf(background)));
}

} // namespace varnelo
