#include "engine/size_estimate.h"

#include "engine/conversion_settings.h"

#include <cfenv>
#include <cmath>

namespace varnelo {

namespace {

std::int32_t wrappingProduct(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

} // namespace

std::string sizeEstimateText(std::string_view width, std::string_view height,
                             std::string_view fontSize) {
    const std::int32_t size = readNumber(fontSize);
    return "approximate resulting size: ~ " +
           std::to_string(wrappingProduct(readNumber(width), size)) + "x" +
           std::to_string(wrappingProduct(readNumber(height), size));
}

std::int32_t roundHalfToEven(double value) {
    if (!std::isfinite(value))
        return 0;
    // nearbyint rounds halves to even in the default rounding mode, which
    // nothing in the program changes.
    const double rounded = std::nearbyint(std::fmod(value, 4294967296.0));
    const auto wrapped = static_cast<std::int64_t>(rounded);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(wrapped));
}

std::int32_t proportionalHeight(std::int32_t width, double aspectRatio) {
    return roundHalfToEven(width / aspectRatio);
}

std::int32_t proportionalWidth(std::int32_t height, double aspectRatio) {
    return roundHalfToEven(height * aspectRatio);
}

} // namespace varnelo
