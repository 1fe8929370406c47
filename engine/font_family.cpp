#include "engine/font_family.h"

namespace varnelo {

std::string fontFamily(std::string_view face) {
    const std::size_t tag = face.rfind(" [");
    if (tag == std::string_view::npos || tag == 0 || !face.ends_with(']'))
        return std::string(face);
    return std::string(face.substr(0, tag));
}

bool usableFontFace(std::string_view face) {
    bool usable = !face.empty();
    for (const char c : face) {
        const bool printable = c >= ' ' && c <= '~';
        usable =
            usable && printable && std::string_view("\"<>&{}\\;").find(c) == std::string_view::npos;
    }
    return usable;
}

} // namespace varnelo
