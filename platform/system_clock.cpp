#include "platform/system_clock.h"

#include <chrono>

namespace varnelo {

UtcTimeOfDay SystemClock::utcTimeOfDay() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto sinceMidnight = now - floor<days>(now);
    const hh_mm_ss<milliseconds> fields{duration_cast<milliseconds>(sinceMidnight)};
    return {static_cast<int>(fields.hours().count()), static_cast<int>(fields.minutes().count()),
            static_cast<int>(fields.seconds().count()),
            static_cast<int>(fields.subseconds().count())};
}

std::uint32_t SystemClock::tickCount() const {
    using namespace std::chrono;
    const auto elapsed = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(elapsed.count()));
}

} // namespace varnelo
