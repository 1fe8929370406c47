#pragma once

#include "engine/color.h"

#include <array>
#include <cstdint>
#include <span>

namespace varnelo {

/// What the picture holds under each of the 8 × 8 parts of a cell (bit
/// row × 8 + column, as a glyph's mask): how many samples, the sums of
/// their channels and of their channels' squares, each channel weighted by
/// how much the eye sees it.
class CellParts {
public:
    /// What lies under a mask's ink and under the rest, added up.
    struct Sides {
        std::array<double, 3> ink{};
        std::array<double, 3> rest{};
        double inkCount = 0;
        double restCount = 0;
        /// Adds other's sides to these: the cell's characters side by side.
        void add(const Sides& other);
        /// The mean colours: ink's into ink, the rest's returned.
        Rgb means(Rgb& ink) const;
    };

    void add(int part, Rgb color);
    Sides sidesOf(std::uint64_t mask) const;
    /// The candidate whose two colours, the mean under its ink and the mean
    /// under the rest, leave the least weighted squared difference from the
    /// samples; the earliest among equal ones.
    std::size_t closest(std::span<const std::uint64_t> masks) const;

private:
    struct Sum {
        double count = 0;
        std::array<double, 3> channel{};
    };
    // The error left when a side's samples take its mean: the squares'
    // sum less the squared sums over the count.
    static double spreadOf(const Sum& side);

    std::array<Sum, 64> parts_{};
    double squares_ = 0;
};

} // namespace varnelo
