#include "engine/size_estimate.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

TEST(SizeEstimate, MultipliesBothSidesByTheFontSize) {
    EXPECT_EQ(sizeEstimateText("640", "480", "8"), "approximate resulting size: ~ 5120x3840");
    EXPECT_EQ(sizeEstimateText("640", "480", "10"), "approximate resulting size: ~ 6400x4800");
    EXPECT_EQ(sizeEstimateText("0", "0", "8"), "approximate resulting size: ~ 0x0");
    EXPECT_EQ(sizeEstimateText("", "12x", "3"), "approximate resulting size: ~ 0x36");
}

TEST(SizeEstimate, ProductsWrapAsSigned32BitNumbers) {
    EXPECT_EQ(sizeEstimateText("65536", "1", "32768"),
              "approximate resulting size: ~ -2147483648x32768");
    EXPECT_EQ(sizeEstimateText("65536", "65536", "65536"), "approximate resulting size: ~ 0x0");
}

TEST(SizeEstimate, KeepsTheProportionRoundingHalvesToEven) {
    const double photo = 640.0 / 480.0;
    EXPECT_EQ(proportionalHeight(320, photo), 240);
    EXPECT_EQ(proportionalWidth(100, photo), 133);
    EXPECT_EQ(proportionalHeight(5, 1.5), 3);
    EXPECT_EQ(proportionalHeight(3, 1.5), 2);
    EXPECT_EQ(proportionalWidth(3, 2.0), 6);
    EXPECT_EQ(proportionalHeight(5, 2.0), 2); // 2.5
    EXPECT_EQ(proportionalHeight(7, 2.0), 4); // 3.5
    EXPECT_EQ(roundHalfToEven(-2.5), -2);
    EXPECT_EQ(roundHalfToEven(0.5), 0);
    EXPECT_EQ(roundHalfToEven(1.5), 2);
}

TEST(SizeEstimate, HugeProportionsWrapInsteadOfOverflowing) {
    EXPECT_EQ(proportionalHeight(2147483647, 1.0 / 65535), 2147418113);
    EXPECT_EQ(roundHalfToEven(4294967296.0 + 5), 5);
    EXPECT_EQ(roundHalfToEven(1e300), 0);
}

} // namespace
} // namespace varnelo
