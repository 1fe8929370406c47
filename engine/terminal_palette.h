#pragma once

#include "base/color.h"

namespace varnelo {

/// The colour of an entry of the xterm palette: 0..15 its system colours,
/// 16..231 the 6 × 6 × 6 cube, 232..255 the greys.
Rgb xtermColor(int index);

/// The entry of the 256-colour palette nearest to the colour, among the cube
/// and the greys: the system colours differ from one terminal to another.
int nearestXterm256(Rgb color);

/// The nearest of the 16 system colours, as xterm shows them.
int nearestXterm16(Rgb color);

/// The colour a terminal of 256 (16) colours shows for the colour.
Rgb shownInXterm256(Rgb color);
Rgb shownInXterm16(Rgb color);

} // namespace varnelo
