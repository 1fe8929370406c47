#pragma once

#include "base/clock.h"

namespace varnelo {

/// The system's real-time clock and a monotonic millisecond counter.
class SystemClock final : public Clock {
public:
    UtcTimeOfDay utcTimeOfDay() const override;
    std::uint32_t tickCount() const override;
};

} // namespace varnelo
