#include "writers/glyph_shapes.h"

#include <gtest/gtest.h>

#include <bit>

namespace varnelo {
namespace {

int inkedIn(std::uint64_t mask, int fromColumn, int toColumn, int fromRow, int toRow) {
    int count = 0;
    for (int row = fromRow; row <= toRow; ++row)
        for (int column = fromColumn; column <= toColumn; ++column)
            count += static_cast<int>((mask >> (row * 8 + column)) & 1U);
    return count;
}

TEST(GlyphShapes, MasksFollowTheStrokesOfTheFace) {
    for (const char* face : {"DejaVu Sans Mono", "Tahoma"}) {
        const std::vector<GlyphShape> shapes = glyphShapesOf(face, " |-/\\.@");
        ASSERT_EQ(shapes.size(), 7U) << face;
        const auto& [blank, bar, dash, slash, backslash, dot, at] =
            std::tie(shapes[0], shapes[1], shapes[2], shapes[3], shapes[4], shapes[5], shapes[6]);
        EXPECT_EQ(blank.byte, ' ');
        EXPECT_EQ(blank.mask, 0U) << face;
        // A bar is inked in the middle columns, top to bottom, nowhere else.
        EXPECT_EQ(inkedIn(bar.mask, 0, 1, 0, 7) + inkedIn(bar.mask, 6, 7, 0, 7), 0) << face;
        EXPECT_GE(inkedIn(bar.mask, 2, 5, 0, 7), 5) << face;
        // A dash is one or two rows in the middle.
        EXPECT_EQ(inkedIn(dash.mask, 0, 7, 0, 2) + inkedIn(dash.mask, 0, 7, 6, 7), 0) << face;
        EXPECT_GE(std::popcount(dash.mask), 2) << face;
        // A slash rises to the right, a backslash falls.
        EXPECT_GT(inkedIn(slash.mask, 4, 7, 0, 3), 0) << face;
        EXPECT_GT(inkedIn(slash.mask, 0, 3, 4, 7), 0) << face;
        EXPECT_EQ(inkedIn(slash.mask, 0, 2, 0, 2) + inkedIn(slash.mask, 5, 7, 5, 7), 0) << face;
        EXPECT_EQ(inkedIn(backslash.mask, 5, 7, 0, 2) + inkedIn(backslash.mask, 0, 2, 5, 7), 0)
            << face;
        EXPECT_LT(blank.density, dot.density) << face;
        EXPECT_LT(dot.density, at.density) << face;
        EXPECT_LT(std::popcount(dot.mask), std::popcount(at.mask)) << face;
    }
}

TEST(GlyphShapes, KeepsTheLastFacesShapes) {
    const std::vector<GlyphShape> first = glyphShapesOf("DejaVu Sans Mono", "ab");
    const std::vector<GlyphShape> again = glyphShapesOf("DejaVu Sans Mono", "ab");
    ASSERT_EQ(first.size(), 2U);
    EXPECT_EQ(first[1].mask, again[1].mask);
    EXPECT_NE(glyphShapesOf("DejaVu Sans Mono", "ba")[0].mask, first[0].mask);
    EXPECT_TRUE(glyphShapesOf("DejaVu Sans Mono", "").empty());
    // A character given again is drawn once, where it first stands.
    const std::vector<GlyphShape> repeated =
        glyphShapesOf("DejaVu Sans Mono", ByteString(40000, 'b') + "ab" + ByteString(40000, 'a'));
    ASSERT_EQ(repeated.size(), 2U);
    EXPECT_EQ(repeated[0].byte, 'b');
    EXPECT_EQ(repeated[1].mask, first[0].mask);
}

} // namespace
} // namespace varnelo
