#pragma once

#include "base/color.h"

#include <cstdint>
#include <vector>

namespace varnelo {

/// Numbers the distinct colours of a document in order of first appearance,
/// in constant time per lookup. A photo has hundreds of thousands of
/// colours, and a lookup happens at every change of colour in a line, so
/// this is a flat open-addressing table rather than a node-based map.
class ColorIndexTable {
public:
    ColorIndexTable() { clear(); }

    /// The 1-based number of the colour; a new colour gets the next number.
    /// isNew tells whether it was new.
    std::uint32_t indexOf(Rgb color, bool& isNew);
    std::uint32_t size() const { return count_; }
    void clear();

private:
    void grow();

    // Each slot holds colour + 1 in its low 32 bits (0 marks an empty slot)
    // and the colour's number in its high 32 bits.
    std::vector<std::uint64_t> slots_;
    std::uint32_t count_ = 0;
    int shift_ = 0;
};

} // namespace varnelo
