#pragma once

#include <algorithm>
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
/// rest background, as far from the background as the wanted colour is,
/// as near as a colour can: a glyph drawn in the picture's own colour
/// shows it that much nearer the background. Where no colour is that far,
/// the farthest on the way from the background through the wanted one, so
/// that the ink keeps the picture's hue. wanted itself where nothing is
/// covered.
constexpr Rgb inkShowing(Rgb wanted, Rgb background, std::uint32_t covered) {
    if (covered == 0)
        return wanted;
    const std::int64_t want[3] = {redOf(wanted), greenOf(wanted), blueOf(wanted)};
    const std::int64_t ground[3] = {redOf(background), greenOf(background), blueOf(background)};
    // The ink is ground + (want - ground) * scale / 255, scale at most
    // 255 * 255 / covered, and no channel past 0 or 255.
    std::int64_t scale = 255 * 255 / static_cast<std::int64_t>(covered);
    for (int c = 0; c < 3; ++c) {
        const std::int64_t away = want[c] - ground[c];
        if (away > 0)
            scale = std::min(scale, (255 - ground[c]) * 255 / away);
        else if (away < 0)
            scale = std::min(scale, ground[c] * 255 / -away);
    }
    scale = std::max<std::int64_t>(scale, 255);
    const auto channel = [&](int c) {
        const std::int64_t away = (want[c] - ground[c]) * scale;
        const std::int64_t ink = ground[c] + (away >= 0 ? away + 127 : away - 127) / 255;
        return static_cast<std::uint32_t>(std::clamp<std::int64_t>(ink, 0, 255));
    };
    return makeRgb(channel(0), channel(1), channel(2));
}

} // namespace varnelo
