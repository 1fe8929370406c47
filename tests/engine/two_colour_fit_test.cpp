#include "engine/two_colour_fit.h"

#include <gtest/gtest.h>

#include <vector>

namespace varnelo {
namespace {

constexpr std::uint64_t kLeftHalf = 0x0F0F0F0F0F0F0F0FULL;
constexpr std::uint64_t kTopHalf = 0x00000000FFFFFFFFULL;

// A cell red in its left columns and blue in its right, with a dim stripe
// down the red: the split that keeps the two colours apart wins, whichever
// side is called ink; a mask that mixes them loses to taking one colour.
TEST(TwoColourFit, TheSplitThatKeepsTheColoursApartWins) {
    CellParts cell;
    for (int part = 0; part < 64; ++part) {
        const int column = part % 8;
        cell.add(part, column < 4 ? makeRgb(column == 1 ? 200 : 255, 0, 0) : makeRgb(0, 0, 255));
    }
    const std::vector<std::uint64_t> masks = {0, kTopHalf, kLeftHalf, ~kLeftHalf};
    EXPECT_EQ(cell.closest(masks), 2U) << "the left half, before its equal complement";
    const std::vector<std::uint64_t> mixed = {kTopHalf, 0};
    EXPECT_EQ(cell.closest(mixed), 0U) << "equal errors: the earliest";
    const std::vector<std::uint64_t> stripe = {0, 0x0202020202020202ULL, kLeftHalf};
    EXPECT_EQ(cell.closest(stripe), 2U);
}

// The split falls between a cell's two colours along the channel the eye
// sees vary most, however many samples each part holds, and the cell's own
// pixels give the same one.
TEST(TwoColourFit, TheSplitFollowsTheChannelThatVariesMost) {
    // Red 100 against 0 in the left half, green 100 against 60 across the
    // top: green weighs more than three times red, so the split is green's.
    const auto colour = [](int part) {
        return makeRgb(part % 8 < 4 ? 100 : 0, part < 32 ? 100 : 60, 0);
    };
    std::vector<std::uint8_t> pixels(8 * 8 * 3);
    for (std::size_t part = 0; part < 64; ++part) {
        const Rgb rgb = colour(static_cast<int>(part));
        pixels[part * 3] = static_cast<std::uint8_t>(blueOf(rgb));
        pixels[part * 3 + 1] = static_cast<std::uint8_t>(greenOf(rgb));
        pixels[part * 3 + 2] = static_cast<std::uint8_t>(redOf(rgb));
    }
    for (const int samples : {1, 2, 3}) {
        CellParts cell;
        for (int part = 0; part < 64; ++part)
            for (int sample = 0; sample < (part == 9 ? 1 : samples); ++sample)
                cell.add(part, colour(part));
        EXPECT_EQ(cell.split(), kTopHalf) << samples << " samples a part, one part of one";
    }
    CellParts assigned;
    assigned.assignSamples(pixels.data(), 8 * 3, 3);
    EXPECT_EQ(assigned.split(), kTopHalf);
}

} // namespace
} // namespace varnelo
