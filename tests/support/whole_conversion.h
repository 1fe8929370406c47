#pragma once

#include "engine/conversion_pass.h"
#include "engine/random_generator.h"
#include "tests/support/recording_observer.h"
#include "tests/support/test_clock.h"
#include "writers/atomic_file.h"

#include <atomic>
#include <cstdint>
#include <utility>

namespace varnelo::test {

/// Runs a whole conversion of the settings, from loading the picture to
/// writing the output, its characters drawn from the seed (or shaped by
/// shaper, in shapes mode); how it ended.
inline PassEnd runConversion(const ConversionSettings& settings, std::uint32_t seed,
                             const WriterFactory& makeWriter, GlyphShaper shaper = {}) {
    RandomGenerator random(seed);
    const TestClock clock;
    RecordingObserver observer;
    const std::atomic<bool> cancel{false};
    ConversionPass pass(settings, random, clock, observer, cancel, makeWriter, openAtomicOutput);
    pass.setGlyphShaper(std::move(shaper));
    return pass.run().end;
}

} // namespace varnelo::test
