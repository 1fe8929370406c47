#pragma once

#include <cstdint>
#include <span>

namespace varnelo {

/// Undoes the filter a PNG row was written with, in place: row holds the
/// row's bytes after its filter type byte, above the same bytes of the row
/// before it, unfiltered (zeros for the first row). bytesPerPixel is 1 to 4
/// (8-bit grey, grey and alpha, RGB, RGBA). False for a filter type PNG does
/// not have.
bool unfilterPngRow(std::uint8_t filterType, std::span<std::uint8_t> row, const std::uint8_t* above,
                    int bytesPerPixel);

} // namespace varnelo
