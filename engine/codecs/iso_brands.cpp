#include "engine/codecs/iso_brands.h"

#include <algorithm>
#include <cstring>

namespace varnelo {

bool hasIsoBrand(FileBytes head, std::initializer_list<std::string_view> brands) {
    if (head.size() < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0)
        return false;
    const std::size_t boxSize = std::size_t{head[0]} << 24 | std::size_t{head[1]} << 16 |
                                std::size_t{head[2]} << 8 | head[3];
    const std::size_t end = std::min(head.size(), boxSize);
    const auto named = [&](std::size_t at) {
        const std::string_view brand(reinterpret_cast<const char*>(head.data() + at), 4);
        return std::find(brands.begin(), brands.end(), brand) != brands.end();
    };
    if (named(8)) // the major brand; 12 holds its version
        return true;
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        if (named(at))
            return true;
    }
    return false;
}

} // namespace varnelo
