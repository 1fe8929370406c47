#include "engine/random_generator.h"

#include "engine/clock.h"

namespace varnelo {

void RandomGenerator::seedFromClock(const Clock& clock) {
    const UtcTimeOfDay now = clock.utcTimeOfDay();
    const auto milliseconds =
        ((now.hour * 60 + now.minute) * 60 + now.second) * 1000 + now.millisecond;
    seed_ = static_cast<std::uint32_t>(milliseconds);
}

} // namespace varnelo
