#pragma once

#include "base/byte_string.h"
#include "engine/codepages.h"

#include <array>
#include <string_view>

namespace varnelo {

/// Turns the bytes a mode writes in its face's code page into the UTF-8
/// the writers take: each byte the character it stands for, but the
/// controls below 0x20 and 0x7F, which stay the controls they are (the
/// image of the Terminal face draws code page 437's pictures for them;
/// documents keep or blank them as they always have).
class FaceText {
public:
    explicit FaceText(CodePage codePage);
    /// The face's table, made once for each code page.
    static const FaceText& of(CodePage codePage);

    /// The bytes as UTF-8: themselves where they are all ASCII, as nearly
    /// every pixel's are; else converted into text. The reference is to
    /// bytes or text and lives as long as they do; utf8 gives a copy.
    const ByteString& toUtf8(const ByteString& bytes, ByteString& text) const {
        unsigned high = 0;
        for (const char c : bytes)
            high |= static_cast<std::uint8_t>(c);
        return high < 0x80 ? bytes : converted(bytes, text);
    }

    ByteString utf8(const ByteString& bytes) const {
        ByteString text;
        return ByteString(toUtf8(bytes, text));
    }

private:
    const ByteString& converted(const ByteString& bytes, ByteString& text) const;

    // Each byte's UTF-8, one to three bytes (and room for a fourth), and its length.
    std::array<std::array<char, 4>, 256> utf8_{};
    std::array<std::uint8_t, 256> length_{};
};

} // namespace varnelo
