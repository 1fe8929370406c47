#pragma once

#include <cstdint>

namespace varnelo {

class Clock;

/// The program's pseudo-random generator: a 32-bit linear congruential
/// generator whose sequence is fixed to the bit, so that the same seed always
/// gives the same characters. One instance serves a whole run; it is seeded
/// once at start-up and used only by the conversion thread afterwards.
class RandomGenerator {
public:
    explicit RandomGenerator(std::uint32_t seed = 0) : seed_(seed) {}

    /// Seeds with the UTC time of day in milliseconds since midnight.
    void seedFromClock(const Clock& clock);

    /// Advances the seed once, then returns floor(u × seed / 2^32) where u is
    /// n taken as an unsigned 32-bit number: 0 <= r < n for n >= 1, 0 for n = 0.
    std::uint32_t nextBelow(std::int32_t n) {
        seed_ = seed_ * 134775813u + 1u;
        const auto u = static_cast<std::uint32_t>(n);
        return static_cast<std::uint32_t>((std::uint64_t{u} * seed_) >> 32);
    }

    /// Moves the sequence on by steps draws at once, as if nextBelow had
    /// been called steps times (O(log steps)).
    void skip(std::uint64_t steps);

    std::uint32_t seed() const { return seed_; }
    void setSeed(std::uint32_t seed) { seed_ = seed; }

private:
    std::uint32_t seed_;
};

} // namespace varnelo
