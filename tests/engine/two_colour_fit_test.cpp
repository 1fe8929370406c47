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

} // namespace
} // namespace varnelo
