#pragma once

#include <cstdint>

namespace varnelo {

/// The time of day in Coordinated Universal Time, broken into its fields.
struct UtcTimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

/// The clock, behind an interface so tests can set the time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual UtcTimeOfDay utcTimeOfDay() const = 0;
    /// Milliseconds since some fixed point, wrapping modulo 2^32.
    virtual std::uint32_t tickCount() const = 0;
};

} // namespace varnelo
