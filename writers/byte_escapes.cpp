#include "writers/byte_escapes.h"

namespace varnelo {

ByteEscapes::ByteEscapes() {
    for (unsigned byte = 0; byte <= 0xFF; ++byte)
        identity_[byte] = static_cast<std::uint8_t>(byte);
}

void ByteEscapes::replace(std::uint8_t byte, std::string_view replacement) {
    replaced_[byte] = true;
    replacement_[byte] = ByteString(replacement);
    longest_ = std::max(longest_, replacement.size());
}

void ByteEscapes::append(ByteString& line, std::string_view text) const {
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (replaced_[byte])
            line += replacement_[byte];
        else
            line += c;
    }
}

} // namespace varnelo
