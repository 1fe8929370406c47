#pragma once

#include <cstdint>
#include <functional>

namespace varnelo {

/// How the rows an encoder is given lay out their pixels.
enum class RowFormat : std::uint8_t { Bgr24, Bgrx32 };

/// Gives row y (0 = top) of the picture being encoded, in the encoder's row
/// format, or nullptr to stop the encoding (a cancelled conversion). The BMP,
/// JPEG and PNG encoders all take their rows through it.
using RowSource = std::function<const std::uint8_t*(int y)>;

} // namespace varnelo
