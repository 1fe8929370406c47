#include "engine/core_placement.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <thread>

namespace varnelo {
namespace {

cpu_set_t allowedCores() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    EXPECT_EQ(::sched_getaffinity(0, sizeof allowed, &allowed), 0);
    return allowed;
}

TEST(CorePlacement, AThreadThatLeavesItsStartersCoreMayStillGoAnywhereAllowed) {
    const cpu_set_t before = allowedCores();
    const int starters = currentCore();
    ASSERT_GE(starters, 0);
    int landed = -1;
    cpu_set_t after;
    std::thread([&] {
        leaveStartersCore(starters);
        landed = currentCore();
        after = allowedCores();
    }).join();
    EXPECT_TRUE(CPU_EQUAL(&after, &before)) << "the thread is not tied to any core";
    if (CPU_COUNT(&before) > 1) {
        EXPECT_NE(landed, -1);
        EXPECT_TRUE(CPU_ISSET(static_cast<std::size_t>(landed), &before));
    }
    // A core the thread is not on, or none: nothing changes.
    std::thread([&] {
        leaveStartersCore(-1);
        after = allowedCores();
    }).join();
    EXPECT_TRUE(CPU_EQUAL(&after, &before));
}

} // namespace
} // namespace varnelo
