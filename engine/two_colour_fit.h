#pragma once

#include "base/color.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace varnelo {

/// Which colours a cell's two may be: any; a palette's (a terminal of
/// 256 or 16 colours), those it shows for them; or two given ones (text
/// without colours, drawn in the terminal's own ink on its ground).
struct ShownColours {
    Rgb (*palette)(Rgb) = nullptr;
    bool given = false;
    Rgb ink = 0;
    Rgb background = 0;
};

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

    /// How much of each of the 8 × 8 parts a symbol's ink covers, 0 to 255.
    using Coverage = std::array<std::uint8_t, 64>;

    /// The two colours that, the ink laid over the background as much as
    /// the coverage says part by part, come closest to the samples, as
    /// shown says they may be; and the weighted squared difference they
    /// leave.
    struct Fit {
        double error = 0;
        Rgb ink = 0;
        Rgb background = 0;
    };

    void add(int part, Rgb color);
    /// Makes these the parts of one sample each, 8 × 8 pixels of a picture
    /// from first on: blue, green and red, step bytes apart, rows stride
    /// bytes apart.
    void assignSamples(const std::uint8_t* first, std::ptrdiff_t stride, int step);
    Fit fit(const Coverage& coverage, const ShownColours& shown = {}) const;
    /// The same for a coverage of whole parts only, those of the mask.
    Fit fit(std::uint64_t mask, const ShownColours& shown = {}) const;
    Sides sidesOf(std::uint64_t mask) const;
    /// The weighted squared difference the mask's two mean colours leave
    /// from the samples.
    double errorOf(std::uint64_t mask) const;
    /// The parts on the bright side of the middle of the channel that
    /// varies most (weighted): the split two colours would make, for a
    /// first guess at the candidates worth weighing.
    std::uint64_t split() const;
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

    // The samples' own sums, in whole numbers: adding one is cheap.
    struct PartSum {
        std::uint32_t count = 0;
        std::array<std::uint32_t, 3> channel{};
    };
    static Sum asSum(const PartSum& part);
    // The fit from the sums over the parts of coverage a: of n a, of n a²
    // and of a S.
    Fit fitted(double inked, double inkedTwice, const std::array<double, 3>& underInk,
               const ShownColours& shown) const;
    // split() of parts of as many samples each, whose sums range from low
    // to high.
    std::uint64_t evenSplit(const std::array<std::uint32_t, 3>& low,
                            const std::array<std::uint32_t, 3>& high) const;
    // The weighted sum of the samples' squared channels.
    double squares() const;

    std::array<PartSum, 64> parts_{};
    PartSum whole_;
    std::array<std::uint64_t, 3> squareSums_{};
    // Set by assignSamples: a sample a part, whose extremes are these.
    bool sampled_ = false;
    std::array<std::uint32_t, 3> low_{};
    std::array<std::uint32_t, 3> high_{};
};

} // namespace varnelo
