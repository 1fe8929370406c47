#include "engine/random_generator.h"

#include "base/clock.h"

namespace varnelo {

void RandomGenerator::seedFromClock(const Clock& clock) {
    const UtcTimeOfDay now = clock.utcTimeOfDay();
    const auto milliseconds =
        ((now.hour * 60 + now.minute) * 60 + now.second) * 1000 + now.millisecond;
    seed_ = static_cast<std::uint32_t>(milliseconds);
}

void RandomGenerator::skip(std::uint64_t steps) {
    // One step is x -> a x + c; k steps compose to x -> A x + C, and the
    // steps of a set bit compose with those of the bits below it.
    std::uint32_t multiplier = 134775813u;
    std::uint32_t increment = 1u;
    std::uint32_t totalMultiplier = 1u;
    std::uint32_t totalIncrement = 0u;
    for (; steps != 0; steps >>= 1) {
        if ((steps & 1u) != 0) {
            totalMultiplier *= multiplier;
            totalIncrement = totalIncrement * multiplier + increment;
        }
        increment = increment * (multiplier + 1u);
        multiplier *= multiplier;
    }
    seed_ = seed_ * totalMultiplier + totalIncrement;
}

} // namespace varnelo
