#pragma once

#include "engine/color.h"

#include <array>

namespace varnelo {

/// The six upper-case hexadecimal digits of a colour, red first: pure red
/// is FF0000, a dark blue 000080.
std::array<char, 6> hexColor(Rgb color);

/// The same six digits written to out; the end of what it wrote. For lines
/// built by the million, where handing the digits over costs more than
/// making them.
char* writeHexColor(char* out, Rgb color);

} // namespace varnelo
