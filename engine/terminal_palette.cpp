#include "engine/terminal_palette.h"

#include <array>
#include <cstdint>
#include <cstdlib>

namespace varnelo {

namespace {

constexpr std::array<Rgb, 16> kSystemColors = {
    makeRgb(0, 0, 0),       makeRgb(205, 0, 0),   makeRgb(0, 205, 0),   makeRgb(205, 205, 0),
    makeRgb(0, 0, 238),     makeRgb(205, 0, 205), makeRgb(0, 205, 205), makeRgb(229, 229, 229),
    makeRgb(127, 127, 127), makeRgb(255, 0, 0),   makeRgb(0, 255, 0),   makeRgb(255, 255, 0),
    makeRgb(92, 92, 255),   makeRgb(255, 0, 255), makeRgb(0, 255, 255), makeRgb(255, 255, 255),
};

constexpr std::array<int, 6> kCubeLevels = {0, 95, 135, 175, 215, 255};

int distance(Rgb a, Rgb b) {
    const int red = redOf(a) - redOf(b);
    const int green = greenOf(a) - greenOf(b);
    const int blue = blueOf(a) - blueOf(b);
    return red * red + green * green + blue * blue;
}

// The nearest of the cube's six levels to a channel value.
int cubeStep(int value) {
    if (value < 48)
        return 0;
    if (value < 115)
        return 1;
    return (value - 35) / 40;
}

} // namespace

Rgb xtermColor(int index) {
    if (index < 16)
        return kSystemColors[static_cast<std::size_t>(index < 0 ? 0 : index)];
    if (index < 232) {
        const int cube = index - 16;
        return makeRgb(
            static_cast<std::uint32_t>(kCubeLevels[static_cast<std::size_t>(cube / 36)]),
            static_cast<std::uint32_t>(kCubeLevels[static_cast<std::size_t>(cube / 6 % 6)]),
            static_cast<std::uint32_t>(kCubeLevels[static_cast<std::size_t>(cube % 6)]));
    }
    const auto grey = static_cast<std::uint32_t>(8 + 10 * (index - 232));
    return makeRgb(grey, grey, grey);
}

int nearestXterm256(Rgb color) {
    const int cube =
        16 + 36 * cubeStep(redOf(color)) + 6 * cubeStep(greenOf(color)) + cubeStep(blueOf(color));
    // The grey nearest to the mean, then whichever of the two is nearer.
    const int mean = (redOf(color) + greenOf(color) + blueOf(color)) / 3;
    const int greyStep = mean < 8 ? 0 : mean > 238 ? 23 : (mean - 3) / 10;
    const int grey = 232 + greyStep;
    return distance(color, xtermColor(grey)) < distance(color, xtermColor(cube)) ? grey : cube;
}

int nearestXterm16(Rgb color) {
    int best = 0;
    for (int index = 1; index < 16; ++index) {
        if (distance(color, kSystemColors[static_cast<std::size_t>(index)]) <
            distance(color, kSystemColors[static_cast<std::size_t>(best)]))
            best = index;
    }
    return best;
}

Rgb shownInXterm256(Rgb color) {
    return xtermColor(nearestXterm256(color));
}

Rgb shownInXterm16(Rgb color) {
    return xtermColor(nearestXterm16(color));
}

} // namespace varnelo
