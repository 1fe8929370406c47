#pragma once

#include "base/clock.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varnelo::test {

/// A clock that stands still at a time of day and answers tick readings
/// from a list, one per reading, the last one over and over once the list
/// is used up (0 for an empty list): a known time for the generator's seed
/// and for the measured milliseconds.
class TestClock final : public Clock {
public:
    explicit TestClock(std::vector<std::uint32_t> ticks = {}, UtcTimeOfDay time = {})
        : ticks_(std::move(ticks)), time_(time) {}

    UtcTimeOfDay utcTimeOfDay() const override { return time_; }
    std::uint32_t tickCount() const override {
        if (ticks_.empty())
            return 0;
        const std::uint32_t tick = ticks_[next_];
        if (next_ + 1 < ticks_.size())
            ++next_;
        return tick;
    }

private:
    std::vector<std::uint32_t> ticks_;
    UtcTimeOfDay time_;
    mutable std::size_t next_ = 0;
};

} // namespace varnelo::test
