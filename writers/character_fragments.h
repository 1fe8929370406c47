#pragma once

#include "engine/codepages.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace varnelo {

/// What a character beyond ASCII becomes in an output (a reference, an
/// escape, the character itself), with its width where the output counts
/// one.
struct CharacterFragment {
    std::array<char, 23> bytes{};
    std::uint8_t size = 0;
    std::uint32_t width = 0;

    std::string_view view() const { return {bytes.data(), size}; }
    void append(std::string_view text) {
        const std::size_t room = bytes.size() - size;
        const std::size_t taken = text.size() < room ? text.size() : room;
        std::memcpy(bytes.data() + size, text.data(), taken);
        size = static_cast<std::uint8_t>(size + taken);
    }
};

/// The fragments of the characters beyond ASCII a writer has met, found
/// again by their UTF-8 bytes alone. A conversion draws few distinct
/// characters, so each is decoded and made once: later ones cost a lookup,
/// as a byte of a code page did.
class CharacterFragments {
public:
    /// The fragment of the character at index (its lead byte is not ASCII),
    /// index moved past it; make(char32_t) gives a fragment not met yet.
    template <class Make>
    const CharacterFragment& next(std::string_view text, std::size_t& index, Make&& make) {
        const auto lead = static_cast<std::uint8_t>(text[index]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        std::size_t end = index;
        const char32_t character0 = index + length <= text.size() ? 0 : nextUtf8(text, end);
        if (end != index) { // cut short: never remembered
            index = end;
            return scratch_ = make(character0);
        }
        // The key by shifts, not a copy of a varying length: a copy's bytes
        // would be read back as one word before they are stored.
        const auto at = [&](std::size_t offset) {
            return std::uint32_t{static_cast<std::uint8_t>(text[index + offset])};
        };
        std::uint32_t key = lead | at(1) << 8;
        if (length > 2)
            key |= at(2) << 16;
        if (length > 3)
            key |= at(3) << 24;
        // Open addressing, probed in order: a character once met is found
        // however many share its first slot.
        std::size_t place = (key * 0x9E3779B1u) >> (32 - kBits);
        while (slots_[place].key != 0) {
            if (slots_[place].key == key) {
                index += length;
                return slots_[place].fragment;
            }
            place = (place + 1) & (kSlots - 1);
        }
        const char32_t character = nextUtf8(text, end);
        if (end - index != length) { // not a character: U+FFFD, one byte on
            index = end;
            return scratch_ = make(character);
        }
        index = end;
        if (++used_ == kSlots / 2) { // half full: begin again
            clear();
            index -= length;
            return next(text, index, make);
        }
        Slot& slot = slots_[place];
        slot.key = key; // never 0: the lead byte is not
        slot.fragment = make(character);
        return slot.fragment;
    }

    /// Forgets every fragment, for an output whose fragments differ.
    void clear() {
        for (Slot& slot : slots_)
            slot.key = 0;
        used_ = 0;
    }

private:
    static constexpr unsigned kBits = 9;
    static constexpr std::size_t kSlots = std::size_t{1} << kBits;
    struct Slot {
        std::uint32_t key = 0;
        CharacterFragment fragment;
    };
    std::array<Slot, kSlots> slots_{};
    std::size_t used_ = 0;
    CharacterFragment scratch_;
};

} // namespace varnelo
