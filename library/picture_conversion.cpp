#include "library/picture_conversion.h"

#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/face_text.h"
#include "engine/output_formats.h"
#include "engine/shape_matching.h"
#include "library/drawing_defaults.h"
#include "library/early_match.h"
#include "writers/atomic_file.h"
#include "writers/glyph_shapes.h"

#include <system_error>

namespace varnelo {

namespace {

// A mode that draws shapes from the face draws them once a font is found,
// which takes fontconfig some milliseconds: on a thread of its own while
// the picture loads.
GlyphShaper shaperDrawingWhileLoading(const ConversionSettings& choices) {
    const CharacterMode& mode = characterModeOf(choices.transformation);
    const ByteString glyphs = mode.drawnFromFace ? mode.drawnFromFace(choices) : ByteString();
    if (glyphs.empty())
        return glyphShapesOf;
    const std::string face = conversionFace(choices.transformation, choices.fontFace);
    std::shared_future<std::vector<GlyphShape>> drawn;
    try {
        drawn = std::async(std::launch::async, glyphShapesOf, face, glyphs).share();
    } catch (const std::system_error&) {
        return glyphShapesOf; // no thread to be had: drawn when needed
    }
    return [drawn, face, glyphs](const std::string& wantedFace, const ByteString& candidates) {
        if (wantedFace == face && candidates == glyphs)
            return drawn.get();
        return glyphShapesOf(wantedFace, candidates);
    };
}

// Whether a picture's cells may be matched while it loads: a mode that
// weighs every sample of its detail, at a size the command line gives
// whole, or fitted into cells of terminal text, whose proportion no face
// decides; so that the picture's size is all of its facts the matching reads.
bool matchesEarly(const CommandLine& options) {
    const CharacterMode& mode = characterModeOf(options.choices.transformation);
    return mode.matchCells != nullptr && mode.everySample &&
           (bothSidesGiven(options) ||
            (options.fit && outputFormatOf(options.choices).kind == OutputKind::TerminalText));
}

// The settings a picture of its own size converts with but for what its
// other facts decide, the face once it is settled: found on the matching's
// thread, so without the run's measures of a cell, which the sizes it
// serves do not need.
std::function<ConversionSettings(PictureSize own)> earlySettings(const PictureRun& run,
                                                                 const PictureJob& job) {
    SizingContext noCells = job.sizing;
    noCells.imageCell = {};
    noCells.documentCell = {};
    return [options = run.options, face = run.settledChoices, picturePath = job.picturePath,
            noCells](PictureSize own) mutable {
        if (face.valid())
            options.choices = face.get();
        PictureFacts facts;
        facts.width = own.width;
        facts.height = own.height;
        return conversionSettings(options, picturePath, facts, noCells);
    };
}

// A picture loaded to convert, and what went on beside its decoding: the
// shapes drawn from the face, the cells matched from its rows.
struct LoadedPicture {
    LoadOutcome outcome;
    ConversionLoad conversion;
    WorkBitmap picture;
    GlyphShaper shaper;
    // Last, so that its threads end before the picture they read goes.
    std::unique_ptr<EarlyMatch> early;
};

// Loads a picture once, at the size it converts to: the defaults that
// depend on the picture need its facts, and the conversion goes on from it.
void loadWithWhatGoesBeside(const PictureRun& run, const PictureJob& job, LoadedPicture& loaded) {
    const CommandLine& options = run.options;
    const CharacterMode& mode = characterModeOf(options.choices.transformation);
    if (mode.drawnFromFace && !mode.drawnFromFace(options.choices).empty())
        run.settleFace(); // the shapes are drawn in it
    loaded.shaper = shaperDrawingWhileLoading(options.choices);
    if (matchesEarly(options)) {
        loaded.early = std::make_unique<EarlyMatch>(earlySettings(run, job), loaded.shaper,
                                                    run.cancelRequested);
        loaded.conversion.arriving = &loaded.early->arriving();
    }
    ConversionLoad& conversion = loaded.conversion;
    conversion.autoOrient = options.autoOrient;
    conversion.memoryLimit = options.choices.memoryLimit;
    conversion.coarserBy = loadCoarserBy(options.choices);
    conversion.keepCoarser = !mode.everySample;
    conversion.sizeOf = [&options, &sizing = job.sizing](int width, int height) {
        return conversionLoadSize(options.choices,
                                  conversionSizeFor(options, width, height, sizing));
    };
    // Not even read once cancelled: standard input could keep it waiting.
    if (!run.cancelRequested.load(std::memory_order_relaxed))
        loaded.outcome = job.load(loaded.picture, conversion);
    if (loaded.early)
        loaded.early->loadEnded();
    run.settleFace();
}

} // namespace

ConvertedPicture convertOnePicture(const PictureRun& run, const PictureJob& job) {
    ConvertedPicture converted;
    LoadedPicture loaded;
    loadWithWhatGoesBeside(run, job, loaded);
    if (run.cancelRequested.load(std::memory_order_relaxed) || loaded.picture.isEmpty()) {
        converted.load = loaded.outcome;
        converted.result = PassResult::cancelled();
        return converted;
    }
    converted.loaded = true;

    ConversionSettings settings =
        conversionSettings(run.options, job.picturePath, loaded.conversion.facts, job.sizing);
    std::optional<ConversionPass::MatchedCells> matched;
    if (loaded.early)
        matched = loaded.early->take(settings);
    job.chooseOutput(settings);
    converted.problem = checkConversionStart(settings, true);
    if (converted.problem != StartProblem::None)
        return converted;

    converted.size = {settings.imageWidth, settings.imageHeight};
    converted.outputPath = settings.outputPath;
    ConversionPass pass(std::move(settings), run.random, run.clock, job.observer,
                        run.cancelRequested, job.makeWriter, job.openOutput);
    pass.setGlyphShaper(loaded.shaper);
    if (matched)
        pass.setMatchedCells(*std::move(matched));
    converted.result = pass.run(std::move(loaded.picture));
    return converted;
}

namespace {

std::shared_future<ConversionSettings> settlingFace(CommandLine& options, bool toTerminal) {
    if (!settleAllButTheFace(options, toTerminal))
        return {};
    if (bothSidesGiven(options)) {
        try {
            return std::async(std::launch::async, withSettledFace, options.choices,
                              options.fontChosen)
                .share();
        } catch (const std::system_error&) {
            // no thread to be had: found here
        }
    }
    options.choices = withSettledFace(std::move(options.choices), options.fontChosen);
    return {};
}

} // namespace

RunStart::RunStart(CommandLine& options, bool toTerminal)
    : options_(options), face_(settlingFace(options, toTerminal)), faceSettled_(!face_.valid()) {
    if (options.seed)
        random_.setSeed(*options.seed);
    else
        random_.seedFromClock(clock_);
}

PictureRun RunStart::run(const std::atomic<bool>& cancelRequested,
                         std::function<CellSize(const ConversionSettings&)> imageCell,
                         std::function<double(const ConversionSettings&)> documentCell) {
    return {options_,
            cancelRequested,
            random_,
            clock_,
            std::move(imageCell),
            std::move(documentCell),
            [this] {
                if (!faceSettled_)
                    options_.choices = face_.get();
                faceSettled_ = true;
            },
            face_};
}

} // namespace varnelo
