#include "engine/codepages.h"

#include <array>
#include <vector>

namespace varnelo {

namespace {

// 0x80 to 0x9F; the rest of Windows-1252 equals Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::array<char16_t, 32> kCp437Low = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

constexpr std::array<char16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

} // namespace

char16_t windows1252ToUnicode(std::uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kWindows1252High[byte - 0x80u];
    return byte;
}

char16_t cp437ToUnicode(std::uint8_t byte) {
    if (byte < 0x20)
        return kCp437Low[byte];
    if (byte == 0x7F)
        return 0x2302;
    if (byte >= 0x80)
        return kCp437High[byte - 0x80u];
    return byte;
}

CodePage codePageOfFace(std::string_view face) {
    return face == kTerminalFace ? CodePage::Cp437 : CodePage::Windows1252;
}

char16_t toUnicode(CodePage codePage, std::uint8_t byte) {
    return codePage == CodePage::Cp437 ? cp437ToUnicode(byte) : windows1252ToUnicode(byte);
}

std::optional<std::uint8_t> unicodeToWindows1252(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<std::uint8_t>(character);
    for (std::size_t index = 0; index < kWindows1252High.size(); ++index) {
        if (kWindows1252High[index] == character)
            return static_cast<std::uint8_t>(0x80 + index);
    }
    return std::nullopt;
}

ByteString utf8ToWindows1252(std::string_view text) {
    ByteString bytes;
    bytes.reserve(text.size());
    // A stray byte is one unknown character, as is one the code page lacks.
    for (std::size_t index = 0; index < text.size();) {
        const auto byte = unicodeToWindows1252(nextUtf8(text, index));
        bytes += byte ? static_cast<char>(*byte) : '?';
    }
    return bytes;
}

void appendUtf8(std::string& text, char32_t character) {
    if (character < 0x80) {
        text += static_cast<char>(character);
    } else if (character < 0x800) {
        text += static_cast<char>(0xC0 | (character >> 6));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        text += static_cast<char>(0xE0 | (character >> 12));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (character >> 18));
        text += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    }
}

char32_t nextUtf8(std::string_view text, std::size_t& index) {
    const auto lead = static_cast<std::uint8_t>(text[index]);
    const std::size_t length = lead < 0x80         ? 1
                               : (lead >> 5) == 6  ? 2
                               : (lead >> 4) == 14 ? 3
                               : (lead >> 3) == 30 ? 4
                                                   : 0;
    if (length == 0 || index + length > text.size()) {
        ++index;
        return U'\uFFFD';
    }
    char32_t character = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[index + i]);
        if ((next & 0xC0) != 0x80) {
            ++index;
            return U'\uFFFD';
        }
        character = character << 6 | (next & 0x3Fu);
    }
    index += length;
    return character;
}

std::optional<std::uint8_t> fromUnicode(CodePage codePage, char32_t character) {
    // Each code page's characters lie in the Basic Multilingual Plane: a
    // table over it, byte + 1 where the code page has the character, made
    // once, answers at the speed of a document's characters.
    using Bytes = std::vector<std::uint16_t>;
    static const auto reverse = [](CodePage page) {
        Bytes bytes(0x10000, 0);
        for (unsigned byte = 0xFF; byte > 0; --byte)
            bytes[toUnicode(page, static_cast<std::uint8_t>(byte))] =
                static_cast<std::uint16_t>(byte + 1);
        bytes[0] = 1;
        return bytes;
    };
    static const Bytes windows1252 = reverse(CodePage::Windows1252);
    static const Bytes cp437 = reverse(CodePage::Cp437);
    if (character < 0x80)
        return static_cast<std::uint8_t>(character);
    if (character > 0xFFFF)
        return std::nullopt;
    const std::uint16_t found = (codePage == CodePage::Cp437 ? cp437 : windows1252)[character];
    if (found == 0)
        return std::nullopt;
    return static_cast<std::uint8_t>(found - 1);
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        appendUtf8(text, windows1252ToUnicode(static_cast<std::uint8_t>(byte)));
    return text;
}

} // namespace varnelo
