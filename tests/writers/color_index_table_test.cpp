#include "writers/color_index_table.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

TEST(ColorIndexTable, NumbersColoursInOrderOfFirstAppearance) {
    ColorIndexTable table;
    bool isNew = false;
    EXPECT_EQ(table.indexOf(0, isNew), 1u); // black is a colour like any other
    EXPECT_TRUE(isNew);
    EXPECT_EQ(table.indexOf(0xFFFFFF, isNew), 2u);
    EXPECT_EQ(table.indexOf(0, isNew), 1u);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(table.size(), 2u);
    table.clear();
    EXPECT_EQ(table.indexOf(0xFFFFFF, isNew), 1u);
    EXPECT_TRUE(isNew);
}

TEST(ColorIndexTable, KeepsEveryNumberWhileItGrows) {
    ColorIndexTable table;
    bool isNew = false;
    // Colours a photo might hold, far more than the table starts with.
    for (std::uint32_t i = 0; i < 300000; ++i)
        ASSERT_EQ(table.indexOf((i * 7919u) & 0xFFFFFFu, isNew), i + 1);
    for (std::uint32_t i = 0; i < 300000; i += 997) {
        ASSERT_EQ(table.indexOf((i * 7919u) & 0xFFFFFFu, isNew), i + 1);
        ASSERT_FALSE(isNew);
    }
}

} // namespace
} // namespace varnelo
