#include "engine/face_text.h"

#include <algorithm>
#include <cstring>

namespace varnelo {

FaceText::FaceText(CodePage codePage) {
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        const auto value = static_cast<std::uint8_t>(byte);
        ByteString text;
        appendUtf8(text, byte < 0x20 || byte == 0x7F ? char32_t{byte}
                                                     : char32_t{toUnicode(codePage, value)});
        // Both code pages lie in the Basic Multilingual Plane: three bytes at most.
        std::copy(text.begin(), text.end(), utf8_[byte].begin());
        length_[byte] = static_cast<std::uint8_t>(text.size());
    }
}

const ByteString& FaceText::converted(const ByteString& bytes, ByteString& text) const {
    // Each byte's four table bytes are copied whole and the end moved by its
    // length: no loop or branch a byte.
    text.resize(bytes.size() * 3 + 1);
    char* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        std::memcpy(out, utf8_[byte].data(), 4);
        out += length_[byte];
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

const FaceText& FaceText::of(CodePage codePage) {
    static const FaceText windows1252(CodePage::Windows1252);
    static const FaceText cp437(CodePage::Cp437);
    return codePage == CodePage::Cp437 ? cp437 : windows1252;
}

} // namespace varnelo
