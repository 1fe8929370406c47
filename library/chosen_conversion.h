#pragma once

#include "base/work_bitmap.h"
#include "engine/conversion_pass.h"
#include "library/command_line.h"

#include <atomic>

namespace varnelo {

class Clock;
class RandomGenerator;

/// The options of settings a program chose whole, as the window's controls
/// give them: every choice given, so that no default of the converter's (a
/// mode's own face, fill or background, the terminal's colours, a size or
/// a depth from the picture) replaces one.
CommandLine chosenOptions(const ConversionSettings& chosen);

/// What a program converting its chosen settings brings: its generator,
/// clock, observer and cancel, and the writers with where they write.
struct ChosenRun {
    RandomGenerator& random;
    const Clock& clock;
    PassObserver& observer;
    const std::atomic<bool>& cancelRequested;
    WriterFactory makeWriter;
    OutputOpener openOutput;
};

/// Converts a picture as the converter converts it with chosenOptions(chosen),
/// into chosen.outputPath: the file at chosen.sourcePath, loaded at the size
/// it converts to, or the picture given, already loaded at its own size.
PassResult convertChosen(const ConversionSettings& chosen, const ChosenRun& run,
                         const WorkBitmap* loaded = nullptr);

} // namespace varnelo
