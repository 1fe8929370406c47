#include "engine/face_text.h"

namespace varnelo {

FaceText::FaceText(CodePage codePage) {
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        const auto value = static_cast<std::uint8_t>(byte);
        appendUtf8(utf8_[byte], byte < 0x20 || byte == 0x7F ? char32_t{byte}
                                                            : char32_t{toUnicode(codePage, value)});
    }
}

const FaceText& FaceText::of(CodePage codePage) {
    static const FaceText windows1252(CodePage::Windows1252);
    static const FaceText cp437(CodePage::Cp437);
    return codePage == CodePage::Cp437 ? cp437 : windows1252;
}

} // namespace varnelo
