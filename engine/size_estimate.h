#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnelo {

/// The estimate line: "approximate resulting size: ~ " followed by
/// width × font size, "x" and height × font size, each field read with
/// readNumber and multiplied as signed 32-bit integers (wrapping).
std::string sizeEstimateText(std::string_view width, std::string_view height,
                             std::string_view fontSize);

/// Rounds to the nearest integer, halves to the even neighbour; values
/// beyond 32 bits wrap like the 32-bit fields they are written into.
std::int32_t roundHalfToEven(double value);

/// The height that keeps width in proportion: round(width ÷ aspectRatio).
std::int32_t proportionalHeight(std::int32_t width, double aspectRatio);

/// The width that keeps height in proportion: round(height × aspectRatio).
std::int32_t proportionalWidth(std::int32_t height, double aspectRatio);

} // namespace varnelo
