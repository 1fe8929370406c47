#pragma once

#include "engine/byte_string.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace varnelo {

/// What each byte of a pixel text becomes in a document: itself, or a
/// replacement (an entity, an escape, a blank). A table of all 256, so that
/// the cost per byte stays one lookup whatever the mapping.
class ByteEscapes {
public:
    /// Every byte stands for itself.
    ByteEscapes();

    void replace(std::uint8_t byte, std::string_view replacement);
    /// Appends text to line, each byte as the table says.
    void append(ByteString& line, std::string_view text) const;
    template <class Line>
    void appendTo(Line& line, std::string_view text) const {
        for (const char c : text) {
            const auto byte = static_cast<std::uint8_t>(c);
            if (replaced_[byte])
                line.put(std::string_view(replacement_[byte]));
            else
                line.put(c);
        }
    }

private:
    std::array<bool, 256> replaced_{};
    std::array<ByteString, 256> replacement_;
};

} // namespace varnelo
