#pragma once

#include "base/byte_string.h"

#include <algorithm>
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
    /// What the byte becomes.
    std::string_view of(std::uint8_t byte) const {
        if (replaced_[byte])
            return replacement_[byte];
        return {reinterpret_cast<const char*>(&identity_[byte]), 1};
    }
    void appendByte(ByteString& line, std::uint8_t byte) const {
        if (replaced_[byte])
            line += replacement_[byte];
        else
            line += static_cast<char>(byte);
    }
    /// Appends text to a line that hands out room for it (a LineBuilder):
    /// one check of room for the whole text.
    template <class Line>
    void appendTo(Line& line, std::string_view text) const {
        char* const start = line.room(text.size() * longest_);
        char* out = start;
        for (const char c : text) {
            const auto byte = static_cast<std::uint8_t>(c);
            if (!replaced_[byte]) {
                *out++ = c;
                continue;
            }
            const ByteString& replacement = replacement_[byte];
            out = std::copy(replacement.begin(), replacement.end(), out);
        }
        line.commit(static_cast<std::size_t>(out - start));
    }

private:
    std::array<bool, 256> replaced_{};
    std::array<std::uint8_t, 256> identity_{};
    std::array<ByteString, 256> replacement_;
    std::size_t longest_ = 1; // the longest replacement, at least one byte
};

} // namespace varnelo
