#pragma once

#include "base/clock.h"
#include "base/work_bitmap.h"
#include "engine/conversion_pass.h"
#include "engine/random_generator.h"
#include "engine/start_check.h"
#include "library/command_line.h"
#include "library/picture_settings.h"
#include "platform/system_clock.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "writers/cell_size.h"

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

namespace varnelo {

/// What the conversions of a run share: the options with their drawing
/// defaults settled (their face perhaps still being found), the cancel, the
/// random sequence, the clock and the measures of a cell.
struct PictureRun {
    const CommandLine& options;
    const std::atomic<bool>& cancelRequested;
    RandomGenerator& random;
    const Clock& clock;
    /// The image output's cell for the run's settings.
    std::function<CellSize(const ConversionSettings&)> imageCell;
    /// A document's character cell's proportion for them.
    std::function<double(const ConversionSettings&)> documentCell;
    /// Settles the options' face, where it is still being found.
    std::function<void()> settleFace;
    /// The options' settled choices, where their face is still being found.
    std::shared_future<ConversionSettings> settledChoices;
};

/// Where one picture comes from and where its output goes.
struct PictureJob {
    /// The picture's path as messages name it and settings record it.
    std::string picturePath;
    /// What its default size is fitted to.
    SizingContext sizing;
    /// Loads the picture with the conversion load given.
    std::function<LoadOutcome(WorkBitmap& picture, ConversionLoad& conversion)> load;
    /// Names the output in the settings.
    std::function<void(ConversionSettings& settings)> chooseOutput;
    WriterFactory makeWriter;
    OutputOpener openOutput;
    PassObserver& observer;
};

/// How one picture's conversion ended.
struct ConvertedPicture {
    /// The load's outcome where the picture did not load (or the run was
    /// cancelled while it did): no pass ran then.
    bool loaded = false;
    LoadOutcome load;
    /// Why the conversion could not start, where it could not.
    StartProblem problem = StartProblem::None;
    /// The pass's result, once one ran.
    PassResult result;
    /// The size converted to, and the output the settings named.
    PictureSize size;
    std::string outputPath;
};

/// Converts one picture as the run's options say: loaded once at the size
/// it converts to, the face settled and a mode's shapes drawn while it
/// loads, and a mode that weighs every sample matched from its rows as they
/// arrive where its size is known first.
ConvertedPicture convertOnePicture(const PictureRun& run, const PictureJob& job);

/// What a run of conversions starts from, kept while it lasts: the clock,
/// the random sequence seeded by --seed or the clock, and the options'
/// drawing defaults settled as settleAllButTheFace settles them (toTerminal
/// as there). The face, which takes fontconfig some milliseconds, is found
/// on a thread of its own while the first picture decodes where the size it
/// loads at does not depend on it (both sides given).
class RunStart {
public:
    RunStart(CommandLine& options, bool toTerminal);
    RunStart(const RunStart&) = delete;
    RunStart& operator=(const RunStart&) = delete;

    /// The run, with these measures of a cell.
    PictureRun run(const std::atomic<bool>& cancelRequested,
                   std::function<CellSize(const ConversionSettings&)> imageCell,
                   std::function<double(const ConversionSettings&)> documentCell);

private:
    CommandLine& options_;
    SystemClock clock_;
    RandomGenerator random_;
    std::shared_future<ConversionSettings> face_;
    bool faceSettled_ = false;
};

/// A measure of a cell (face, size, mode and its characters decide it, the
/// same for every picture of a run) taken once, at the first call.
template <typename Measure>
auto measuredOnce(Measure measure) {
    using Measured = decltype(measure(ConversionSettings{}));
    return [measure, cache = std::make_shared<std::optional<Measured>>()](
               const ConversionSettings& settings) {
        if (!*cache)
            *cache = measure(settings);
        return **cache;
    };
}

} // namespace varnelo
