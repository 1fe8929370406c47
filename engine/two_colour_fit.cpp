#include "engine/two_colour_fit.h"

#include <algorithm>
#include <bit>

namespace varnelo {

namespace {

// Rec. 709's weights: a difference in green shows most, in blue least.
constexpr std::array<double, 3> kWeights = {0.2126, 0.7152, 0.0722};

} // namespace

void CellParts::add(int part, Rgb color) {
    Sum& sum = parts_[static_cast<std::size_t>(part)];
    const std::array<double, 3> channels = {static_cast<double>(redOf(color)),
                                            static_cast<double>(greenOf(color)),
                                            static_cast<double>(blueOf(color))};
    sum.count += 1;
    for (std::size_t c = 0; c < 3; ++c) {
        sum.channel[c] += channels[c];
        squares_ += kWeights[c] * channels[c] * channels[c];
    }
}

void CellParts::Sides::add(const Sides& other) {
    for (std::size_t c = 0; c < 3; ++c) {
        ink[c] += other.ink[c];
        rest[c] += other.rest[c];
    }
    inkCount += other.inkCount;
    restCount += other.restCount;
}

Rgb CellParts::Sides::means(Rgb& inkMean) const {
    const auto mean = [](const std::array<double, 3>& sums, double count) {
        const auto channel = [&](std::size_t c) {
            return static_cast<std::uint32_t>(sums[c] / count + 0.5);
        };
        return makeRgb(channel(0), channel(1), channel(2));
    };
    inkMean = mean(ink, std::max(inkCount, 1.0));
    return mean(rest, std::max(restCount, 1.0));
}

CellParts::Sides CellParts::sidesOf(std::uint64_t mask) const {
    Sides sides;
    for (int i = 0; i < 64; ++i) {
        const Sum& part = parts_[static_cast<std::size_t>(i)];
        const bool inked = (mask >> i & 1U) != 0;
        (inked ? sides.inkCount : sides.restCount) += part.count;
        for (std::size_t c = 0; c < 3; ++c)
            (inked ? sides.ink : sides.rest)[c] += part.channel[c];
    }
    return sides;
}

double CellParts::spreadOf(const Sum& side) {
    if (side.count == 0)
        return 0;
    double squaredSums = 0;
    for (std::size_t c = 0; c < 3; ++c)
        squaredSums += kWeights[c] * side.channel[c] * side.channel[c];
    return squaredSums / side.count;
}

std::size_t CellParts::closest(std::span<const std::uint64_t> masks) const {
    Sum whole;
    for (const Sum& part : parts_) {
        whole.count += part.count;
        for (std::size_t c = 0; c < 3; ++c)
            whole.channel[c] += part.channel[c];
    }
    std::size_t best = 0;
    double leastError = 0;
    for (std::size_t i = 0; i < masks.size(); ++i) {
        Sum inked;
        for (std::uint64_t bits = masks[i]; bits != 0; bits &= bits - 1) {
            const Sum& part = parts_[static_cast<std::size_t>(std::countr_zero(bits))];
            inked.count += part.count;
            for (std::size_t c = 0; c < 3; ++c)
                inked.channel[c] += part.channel[c];
        }
        Sum blank = whole;
        blank.count -= inked.count;
        for (std::size_t c = 0; c < 3; ++c)
            blank.channel[c] -= inked.channel[c];
        // The squares' sum is the same for every candidate: the one that
        // explains most of it leaves the least.
        const double error = squares_ - spreadOf(inked) - spreadOf(blank);
        if (i == 0 || error < leastError) {
            best = i;
            leastError = error;
        }
    }
    return best;
}

} // namespace varnelo
