#include "engine/printable_text.h"

#include <cstdint>

namespace varnelo {

namespace {

void appendEscaped(std::string& out, std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    if (byte == 0x1B) {
        out += "\\e";
        return;
    }
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
}

// The length of the UTF-8 sequence starting at text[at], 0 when none
// starts there.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || text.size() - at < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<std::uint8_t>(text[at + k]) & 0xC0) != 0x80)
            return 0;
    }
    const auto second = static_cast<std::uint8_t>(text[at + 1]);
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

} // namespace

std::string printableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<std::uint8_t>(text[at]);
        if (byte < 0x20 || byte == 0x7F) {
            appendEscaped(out, byte);
            ++at;
            continue;
        }
        if (byte < 0x80) {
            out += text[at++];
            continue;
        }
        const std::size_t length = sequenceLength(text, at);
        // U+0080 to U+009F: C2 80 to C2 9F.
        const bool c1 =
            length == 2 && byte == 0xC2 && static_cast<std::uint8_t>(text[at + 1]) < 0xA0;
        if (length == 0 || c1) {
            const std::size_t count = length == 0 ? 1 : length;
            for (std::size_t k = 0; k < count; ++k)
                appendEscaped(out, static_cast<std::uint8_t>(text[at + k]));
            at += count;
            continue;
        }
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

} // namespace varnelo
