#include "engine/conversion_settings.h"

namespace varnelo {

std::int32_t readNumber(std::string_view text) {
    std::size_t index = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        index = 1;
    }
    std::uint32_t value = 0; // unsigned, so the wrap-around is defined
    for (; index < text.size() && text[index] >= '0' && text[index] <= '9'; ++index)
        value = value * 10u + static_cast<std::uint32_t>(text[index] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<std::int32_t>(value);
}

} // namespace varnelo
