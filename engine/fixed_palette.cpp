#include "engine/fixed_palette.h"

#include <algorithm>
#include <cstddef>

namespace varnelo {

namespace {

std::array<Rgb, 256> makeGeneralPalette() {
    // The default system palette: the 16 VGA colours and the four colours
    // Windows reserves besides them (money green, sky blue, cream, medium grey).
    const std::array<Rgb, 16>& vga = vgaPalette();
    std::array<Rgb, 256> palette{};
    std::size_t count = 0;
    auto add = [&](Rgb color) {
        if (count < palette.size() &&
            std::find(palette.begin(), palette.begin() + static_cast<std::ptrdiff_t>(count),
                      color) == palette.begin() + static_cast<std::ptrdiff_t>(count))
            palette[count++] = color;
    };
    for (Rgb color : vga)
        add(color);
    add(makeRgb(192, 220, 192));
    add(makeRgb(166, 202, 240));
    add(makeRgb(255, 251, 240));
    add(makeRgb(160, 160, 164));
    // The cube spreads the rest evenly over the colour space; eight of its
    // corners are VGA colours already and are not repeated.
    for (std::uint32_t red = 0; red < 6; ++red)
        for (std::uint32_t green = 0; green < 6; ++green)
            for (std::uint32_t blue = 0; blue < 6; ++blue)
                add(makeRgb(red * 51, green * 51, blue * 51));
    // Greys fill the remaining places, for smoother grey pictures.
    for (std::uint32_t level = 4; count < palette.size() && level < 256; level += 8)
        add(makeRgb(level, level, level));
    return palette;
}

} // namespace

const std::array<Rgb, 16>& vgaPalette() {
    static const std::array<Rgb, 16> palette = {
        makeRgb(0, 0, 0),       makeRgb(128, 0, 0),   makeRgb(0, 128, 0),   makeRgb(128, 128, 0),
        makeRgb(0, 0, 128),     makeRgb(128, 0, 128), makeRgb(0, 128, 128), makeRgb(128, 128, 128),
        makeRgb(192, 192, 192), makeRgb(255, 0, 0),   makeRgb(0, 255, 0),   makeRgb(255, 255, 0),
        makeRgb(0, 0, 255),     makeRgb(255, 0, 255), makeRgb(0, 255, 255), makeRgb(255, 255, 255),
    };
    return palette;
}

const std::array<Rgb, 256>& generalPalette() {
    static const std::array<Rgb, 256> palette = makeGeneralPalette();
    return palette;
}

} // namespace varnelo
