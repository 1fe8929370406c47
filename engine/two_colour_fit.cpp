#include "engine/two_colour_fit.h"

#include <algorithm>
#include <bit>

namespace varnelo {

namespace {

// Rec. 709's weights: a difference in green shows most, in blue least.
constexpr std::array<double, 3> kWeights = {0.2126, 0.7152, 0.0722};

} // namespace

void CellParts::add(int part, Rgb color) {
    sampled_ = false;
    PartSum& sum = parts_[static_cast<std::size_t>(part)];
    const std::array<std::uint32_t, 3> channels = {redOf(color), greenOf(color), blueOf(color)};
    sum.count += 1;
    whole_.count += 1;
    for (std::size_t c = 0; c < 3; ++c) {
        sum.channel[c] += channels[c];
        whole_.channel[c] += channels[c];
        squareSums_[c] += channels[c] * channels[c];
    }
}

void CellParts::assignSamples(const std::uint8_t* first, std::ptrdiff_t stride, int step) {
    std::array<std::uint32_t, 3> added{};
    std::array<std::uint32_t, 3> squared{};
    // The extremes too, which the split needs: here while the samples pass.
    std::array<std::uint32_t, 3> low = {255, 255, 255};
    std::array<std::uint32_t, 3> high{};
    PartSum* sum = parts_.data();
    for (int row = 0; row < 8; ++row, first += stride) {
        const std::uint8_t* pixel = first;
        for (int column = 0; column < 8; ++column, pixel += step, ++sum) {
            const std::array<std::uint32_t, 3> channels = {pixel[2], pixel[1], pixel[0]};
            sum->count = 1;
            for (std::size_t c = 0; c < 3; ++c) {
                sum->channel[c] = channels[c];
                added[c] += channels[c];
                squared[c] += channels[c] * channels[c];
                low[c] = std::min(low[c], channels[c]);
                high[c] = std::max(high[c], channels[c]);
            }
        }
    }
    low_ = low;
    high_ = high;
    sampled_ = true;
    whole_.count = 64;
    whole_.channel = added;
    for (std::size_t c = 0; c < 3; ++c)
        squareSums_[c] = squared[c];
}

CellParts::Sum CellParts::asSum(const PartSum& part) {
    return {static_cast<double>(part.count),
            {static_cast<double>(part.channel[0]), static_cast<double>(part.channel[1]),
             static_cast<double>(part.channel[2])}};
}

double CellParts::squares() const {
    double weighted = 0;
    for (std::size_t c = 0; c < 3; ++c)
        weighted += kWeights[c] * static_cast<double>(squareSums_[c]);
    return weighted;
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
        const Sum part = asSum(parts_[static_cast<std::size_t>(i)]);
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

double CellParts::errorOf(std::uint64_t mask) const {
    Sum inked;
    for (std::uint64_t bits = mask; bits != 0; bits &= bits - 1) {
        const PartSum& part = parts_[static_cast<std::size_t>(std::countr_zero(bits))];
        inked.count += part.count;
        for (std::size_t c = 0; c < 3; ++c)
            inked.channel[c] += part.channel[c];
    }
    Sum blank = asSum(whole_);
    blank.count -= inked.count;
    for (std::size_t c = 0; c < 3; ++c)
        blank.channel[c] -= inked.channel[c];
    // The squares' sum is the same for every candidate: the one that
    // explains most of it leaves the least.
    return squares() - spreadOf(inked) - spreadOf(blank);
}

CellParts::Fit CellParts::fit(const Coverage& coverage, const ShownColours& shown) const {
    // Least squares of a part's samples x against a F + (1 - a) B, for the
    // ink F and the background B of each channel: the normal equations'
    // matrix is the same for all three.
    // With n samples and sums S under a part of coverage a: the sums of
    // n a, n a² and a S over the parts give every term, the rest being the
    // whole's less them. One pass without a branch.
    constexpr double kShare = 1.0 / 255.0;
    // Four sums of each, over every fourth part: their additions need not
    // wait for each other.
    constexpr std::size_t kLanes = 4;
    std::array<double, kLanes> inkedLanes{};
    std::array<double, kLanes> twiceLanes{};
    std::array<std::array<double, kLanes>, 3> underLanes{};
    for (std::size_t i = 0; i < parts_.size(); i += kLanes)
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            const PartSum& part = parts_[i + lane];
            const double a = coverage[i + lane] * kShare;
            const double countA = static_cast<double>(part.count) * a;
            inkedLanes[lane] += countA;
            twiceLanes[lane] += countA * a;
            for (std::size_t c = 0; c < 3; ++c)
                underLanes[c][lane] += a * static_cast<double>(part.channel[c]);
        }
    const auto total = [](const std::array<double, kLanes>& lanes) {
        return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
    };
    const double inked = total(inkedLanes);
    const double inkedTwice = total(twiceLanes);
    std::array<double, 3> underInk{};
    for (std::size_t c = 0; c < 3; ++c)
        underInk[c] = total(underLanes[c]);
    return fitted(inked, inkedTwice, underInk, shown);
}

CellParts::Fit CellParts::fit(std::uint64_t mask, const ShownColours& shown) const {
    // Parts wholly inked or wholly not: the sums over the inked ones, or
    // over the fewer blank ones taken from the whole's.
    const bool mostlyInked = std::popcount(mask) > 32;
    PartSum side;
    for (std::uint64_t bits = mostlyInked ? ~mask : mask; bits != 0; bits &= bits - 1) {
        const PartSum& part = parts_[static_cast<std::size_t>(std::countr_zero(bits))];
        side.count += part.count;
        for (std::size_t c = 0; c < 3; ++c)
            side.channel[c] += part.channel[c];
    }
    if (mostlyInked) {
        side.count = whole_.count - side.count;
        for (std::size_t c = 0; c < 3; ++c)
            side.channel[c] = whole_.channel[c] - side.channel[c];
    }
    const Sum inked = asSum(side);
    return fitted(inked.count, inked.count, inked.channel, shown);
}

CellParts::Fit CellParts::fitted(double inked, double inkedTwice,
                                 const std::array<double, 3>& underInk,
                                 const ShownColours& shown) const {
    const double inkInk = inkedTwice;
    const double inkGround = inked - inkedTwice;
    const double groundGround = static_cast<double>(whole_.count) - 2 * inked + inkedTwice;
    std::array<double, 3> underGround{};
    for (std::size_t c = 0; c < 3; ++c)
        underGround[c] = static_cast<double>(whole_.channel[c]) - underInk[c];
    const double determinant = inkInk * groundGround - inkGround * inkGround;
    const double scale = (inkInk + groundGround) * (inkInk + groundGround);
    std::array<double, 3> ink{};
    std::array<double, 3> ground{};
    for (std::size_t c = 0; c < 3; ++c) {
        if (determinant > 1e-9 * scale) {
            ink[c] = (groundGround * underInk[c] - inkGround * underGround[c]) / determinant;
            ground[c] = (inkInk * underGround[c] - inkGround * underInk[c]) / determinant;
        } else {
            // One coverage throughout (a blank, a full cell): one colour,
            // the samples' mean.
            ink[c] = ground[c] = whole_.count > 0 ? static_cast<double>(whole_.channel[c]) /
                                                        static_cast<double>(whole_.count)
                                                  : 0;
        }
        ink[c] = std::clamp(ink[c], 0.0, 255.0);
        ground[c] = std::clamp(ground[c], 0.0, 255.0);
    }
    const auto rgb = [](const std::array<double, 3>& channels) {
        const auto channel = [&](std::size_t c) {
            return static_cast<std::uint32_t>(channels[c] + 0.5);
        };
        return makeRgb(channel(0), channel(1), channel(2));
    };
    Fit result;
    result.ink = rgb(ink);
    result.background = rgb(ground);
    if (shown.given) {
        result.ink = shown.ink;
        result.background = shown.background;
    } else if (shown.palette != nullptr) {
        result.ink = shown.palette(result.ink);
        result.background = shown.palette(result.background);
    }
    if (shown.given || shown.palette != nullptr) {
        ink = {static_cast<double>(redOf(result.ink)), static_cast<double>(greenOf(result.ink)),
               static_cast<double>(blueOf(result.ink))};
        ground = {static_cast<double>(redOf(result.background)),
                  static_cast<double>(greenOf(result.background)),
                  static_cast<double>(blueOf(result.background))};
    }
    result.error = squares();
    for (std::size_t c = 0; c < 3; ++c)
        result.error +=
            kWeights[c] * (inkInk * ink[c] * ink[c] + 2 * inkGround * ink[c] * ground[c] +
                           groundGround * ground[c] * ground[c] -
                           2 * (ink[c] * underInk[c] + ground[c] * underGround[c]));
    return result;
}

std::uint64_t CellParts::split() const {
    // Parts of as many samples each, as nearly every cell's are, compare
    // by their sums, in whole numbers; else by their means.
    if (sampled_)
        return evenSplit(low_, high_);
    const std::uint32_t count = parts_[0].count;
    const bool even = std::all_of(parts_.begin(), parts_.end(),
                                  [&](const PartSum& part) { return part.count == count; });
    if (even && count > 0) {
        std::array<std::uint32_t, 3> low = {UINT32_MAX, UINT32_MAX, UINT32_MAX};
        std::array<std::uint32_t, 3> high = {0, 0, 0};
        for (const PartSum& part : parts_)
            for (std::size_t c = 0; c < 3; ++c) {
                low[c] = std::min(low[c], part.channel[c]);
                high[c] = std::max(high[c], part.channel[c]);
            }
        return evenSplit(low, high);
    }
    const auto level = [&](const PartSum& part, std::size_t c) {
        return static_cast<double>(part.channel[c]) / static_cast<double>(part.count);
    };
    std::array<double, 3> low = {1e18, 1e18, 1e18};
    std::array<double, 3> high = {0, 0, 0};
    for (const PartSum& part : parts_) {
        if (part.count == 0)
            continue;
        for (std::size_t c = 0; c < 3; ++c) {
            const double mean = level(part, c);
            low[c] = std::min(low[c], mean);
            high[c] = std::max(high[c], mean);
        }
    }
    std::size_t widest = 1;
    for (std::size_t c = 0; c < 3; ++c)
        if (kWeights[c] * (high[c] - low[c]) > kWeights[widest] * (high[widest] - low[widest]))
            widest = c;
    const double middle = (low[widest] + high[widest]) / 2;
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        const PartSum& part = parts_[i];
        if (part.count != 0 && level(part, widest) > middle)
            mask |= std::uint64_t{1} << i;
    }
    return mask;
}

std::uint64_t CellParts::evenSplit(const std::array<std::uint32_t, 3>& low,
                                   const std::array<std::uint32_t, 3>& high) const {
    // Rec. 709's weights in ten-thousandths: the channel that varies most
    // as the eye sees it.
    constexpr std::array<std::uint64_t, 3> kWholeWeights = {2126, 7152, 722};
    std::size_t widest = 1;
    for (std::size_t c = 0; c < 3; ++c)
        if (kWholeWeights[c] * (high[c] - low[c]) >
            kWholeWeights[widest] * (high[widest] - low[widest]))
            widest = c;
    // Above the middle: twice a part's sum above the lowest and highest's.
    const std::uint64_t middleTwice = std::uint64_t{low[widest]} + high[widest];
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < parts_.size(); ++i)
        if (2 * std::uint64_t{parts_[i].channel[widest]} > middleTwice)
            mask |= std::uint64_t{1} << i;
    return mask;
}

std::size_t CellParts::closest(std::span<const std::uint64_t> masks) const {
    std::size_t best = 0;
    double leastError = 0;
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const double error = errorOf(masks[i]);
        if (i == 0 || error < leastError) {
            best = i;
            leastError = error;
        }
    }
    return best;
}

} // namespace varnelo
