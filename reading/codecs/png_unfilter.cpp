#include "reading/codecs/png_unfilter.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace varnelo {
namespace {

using Byte = std::uint8_t;

enum Filter : std::uint8_t { None, Sub, Up, Average, Paeth };

Byte narrow(unsigned value) {
    return static_cast<Byte>(value);
}

void unfilterUp(std::span<Byte> row, const Byte* above) {
    for (std::size_t i = 0; i < row.size(); ++i)
        row[i] = narrow(row[i] + above[i]);
}

// The filters that look to the left are a chain through the row, one per
// channel: with the pixel's size known at compile time the pixel to the
// left stays in registers, and the channels' chains run side by side.
template <std::size_t kBytes>
void unfilterSub(std::span<Byte> row) {
    if (row.size() < kBytes)
        return;
    unsigned left[kBytes];
    for (std::size_t c = 0; c < kBytes; ++c)
        left[c] = row[c];
    for (std::size_t i = kBytes; i + kBytes <= row.size(); i += kBytes) {
        for (std::size_t c = 0; c < kBytes; ++c) {
            left[c] = (row[i + c] + left[c]) & 0xFFu;
            row[i + c] = narrow(left[c]);
        }
    }
}

template <std::size_t kBytes>
void unfilterAverage(std::span<Byte> row, const Byte* above) {
    if (row.size() < kBytes)
        return;
    unsigned left[kBytes];
    for (std::size_t c = 0; c < kBytes; ++c) {
        left[c] = (row[c] + above[c] / 2u) & 0xFFu;
        row[c] = narrow(left[c]);
    }
    for (std::size_t i = kBytes; i + kBytes <= row.size(); i += kBytes) {
        for (std::size_t c = 0; c < kBytes; ++c) {
            const std::size_t at = i + c;
            left[c] = (row[at] + ((left[c] + above[at]) >> 1)) & 0xFFu;
            row[at] = narrow(left[c]);
        }
    }
}

// The neighbour nearest to left + above − upper left, ties to the left,
// then above, as the format defines it.
inline unsigned paethOf(int left, int upper, int upperLeft) {
    const int towardsLeft = std::abs(upper - upperLeft);
    const int towardsUpper = std::abs(left - upperLeft);
    const int towardsUpperLeft = std::abs(left + upper - 2 * upperLeft);
    const int nearerOfTwo = towardsUpper <= towardsUpperLeft ? upper : upperLeft;
    return static_cast<unsigned>(
        towardsLeft <= towardsUpper && towardsLeft <= towardsUpperLeft ? left : nearerOfTwo);
}

template <std::size_t kBytes>
void unfilterPaeth(std::span<Byte> row, const Byte* above) {
    if (row.size() < kBytes)
        return;
    // Left and upper left are zero for the first pixel: the predictor is above.
    unsigned left[kBytes];
    for (std::size_t c = 0; c < kBytes; ++c) {
        left[c] = (row[c] + above[c]) & 0xFFu;
        row[c] = narrow(left[c]);
    }
    for (std::size_t i = kBytes; i + kBytes <= row.size(); i += kBytes) {
        for (std::size_t c = 0; c < kBytes; ++c) {
            const std::size_t at = i + c;
            const unsigned predicted =
                paethOf(static_cast<int>(left[c]), above[at], above[at - kBytes]);
            left[c] = (row[at] + predicted) & 0xFFu;
            row[at] = narrow(left[c]);
        }
    }
}

template <std::size_t kBytes>
bool unfilter(std::uint8_t filterType, std::span<Byte> row, const Byte* above) {
    switch (filterType) {
    case None:
        return true;
    case Sub:
        unfilterSub<kBytes>(row);
        return true;
    case Up:
        unfilterUp(row, above);
        return true;
    case Average:
        unfilterAverage<kBytes>(row, above);
        return true;
    case Paeth:
        unfilterPaeth<kBytes>(row, above);
        return true;
    default:
        return false;
    }
}

} // namespace

bool unfilterPngRow(std::uint8_t filterType, std::span<std::uint8_t> row, const std::uint8_t* above,
                    int bytesPerPixel) {
    switch (bytesPerPixel) {
    case 1:
        return unfilter<1>(filterType, row, above);
    case 2:
        return unfilter<2>(filterType, row, above);
    case 3:
        return unfilter<3>(filterType, row, above);
    default:
        return unfilter<4>(filterType, row, above);
    }
}

} // namespace varnelo
