#include "writers/color_index_table.h"

namespace varnelo {

namespace {

constexpr int kInitialBits = 12;

std::size_t slotFor(Rgb color, int shift) {
    // Fibonacci hashing spreads neighbouring colours over the whole table.
    return static_cast<std::size_t>((color * 2654435769u) >> shift);
}

} // namespace

void ColorIndexTable::clear() {
    slots_.assign(std::size_t{1} << kInitialBits, 0);
    shift_ = 32 - kInitialBits;
    count_ = 0;
}

void ColorIndexTable::grow() {
    std::vector<std::uint64_t> old;
    old.swap(slots_);
    slots_.assign(old.size() * 2, 0);
    --shift_;
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint64_t entry : old) {
        if (entry == 0)
            continue;
        const auto color = static_cast<Rgb>((entry & 0xFFFFFFFFu) - 1);
        std::size_t slot = slotFor(color, shift_);
        while (slots_[slot] != 0)
            slot = (slot + 1) & mask;
        slots_[slot] = entry;
    }
}

std::uint32_t ColorIndexTable::indexOf(Rgb color, bool& isNew) {
    const std::uint64_t key = std::uint64_t{color} + 1;
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = slotFor(color, shift_);
    while (slots_[slot] != 0) {
        if ((slots_[slot] & 0xFFFFFFFFu) == key) {
            isNew = false;
            return static_cast<std::uint32_t>(slots_[slot] >> 32);
        }
        slot = (slot + 1) & mask;
    }
    isNew = true;
    const std::uint32_t index = ++count_;
    slots_[slot] = key | (std::uint64_t{index} << 32);
    if (std::uint64_t{count_} * 2 > slots_.size()) // at most half full keeps probes short
        grow();
    return index;
}

} // namespace varnelo
