#include "engine/font_family.h"

namespace varnelo {

std::string fontFamily(std::string_view face) {
    const std::size_t tag = face.rfind(" [");
    if (tag == std::string_view::npos || tag == 0 || !face.ends_with(']'))
        return std::string(face);
    return std::string(face.substr(0, tag));
}

} // namespace varnelo
