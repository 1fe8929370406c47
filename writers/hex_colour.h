#pragma once

#include "engine/color.h"

#include <array>

namespace varnelo {

/// The six upper-case hexadecimal digits of a colour, red first: pure red
/// is FF0000, a dark blue 000080.
std::array<char, 6> hexColour(Rgb color);

} // namespace varnelo
