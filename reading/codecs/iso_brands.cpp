#include "reading/codecs/iso_brands.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

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

namespace {

std::uint64_t bigEndian(FileBytes bytes, std::size_t at, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = value << 8 | bytes[at + i];
    return value;
}

// The box of the type among those from `from` to `to`: where its content
// starts and ends; nothing when there is none or a box runs past its end.
std::optional<std::pair<std::size_t, std::size_t>> findBox(FileBytes file, std::size_t from,
                                                           std::size_t to, std::string_view type) {
    while (from + 8 <= to) {
        std::uint64_t size = bigEndian(file, from, 4);
        std::size_t header = 8;
        if (size == 1 && from + 16 <= to) {
            size = bigEndian(file, from + 8, 8);
            header = 16;
        } else if (size == 0) {
            size = to - from;
        }
        if (size < header || size > to - from)
            return std::nullopt;
        if (std::memcmp(file.data() + from + 4, type.data(), 4) == 0)
            return std::pair{from + header, from + static_cast<std::size_t>(size)};
        from += static_cast<std::size_t>(size);
    }
    return std::nullopt;
}

} // namespace

std::uint32_t isoItemsOfType(FileBytes file, std::string_view type) {
    const auto meta = findBox(file, 0, file.size(), "meta");
    if (!meta || meta->first + 4 > meta->second)
        return 0;
    const auto items = findBox(file, meta->first + 4, meta->second, "iinf");
    if (!items || items->first + 6 > items->second)
        return 0;
    // A full box: version 0 counts its entries in 16 bits, others in 32.
    std::size_t at = items->first + 4 + (file[items->first] == 0 ? 2 : 4);
    std::uint32_t count = 0;
    while (at + 8 <= items->second) {
        const std::uint64_t size = bigEndian(file, at, 4);
        if (size < 8 || size > items->second - at)
            break;
        const std::size_t body = at + 8;
        if (std::memcmp(file.data() + at + 4, "infe", 4) == 0 && body + 4 <= at + size) {
            const int version = file[body];
            // Versions 2 and 3: the item's number (16 or 32 bits), its
            // protection (16 bits), then its type.
            const std::size_t typeAt = body + 4 + (version == 3 ? 4 : 2) + 2;
            if (version >= 2 && typeAt + 4 <= at + size &&
                std::memcmp(file.data() + typeAt, type.data(), 4) == 0)
                ++count;
        }
        at += static_cast<std::size_t>(size);
    }
    return count;
}

} // namespace varnelo
