#include "library/chosen_conversion.h"

#include "library/picture_conversion.h"
#include "reading/picture_loader.h"

#include <string>

namespace varnelo {

CommandLine chosenOptions(const ConversionSettings& chosen) {
    CommandLine options;
    options.choices = chosen;
    options.backgroundColor = chosen.backgroundColor;
    if (chosen.imageWidth > 0)
        options.width = chosen.imageWidth;
    if (chosen.imageHeight > 0)
        options.height = chosen.imageHeight;
    options.modeChosen = true;
    options.fontChosen = true;
    options.fillChosen = true;
    options.colorDepth = chosen.colorDepth;
    options.colors = chosen.terminalColors;
    return options;
}

namespace {

// The picture to convert: the file, loaded at the size the conversion asks
// for (the resizing told, as the window shows it), or the picture the
// program holds, at its own size, which the pass then brings to the
// conversion's.
LoadOutcome loadChosen(const std::string& path, const ChosenRun& with, const WorkBitmap* loaded,
                       WorkBitmap& picture, ConversionLoad& conversion) {
    if (loaded == nullptr) {
        const LoadOutcome outcome = loadPicture(path, picture, &with.cancelRequested, &conversion);
        if (!picture.isEmpty() && (conversion.facts.width != picture.width() ||
                                   conversion.facts.height != picture.height()))
            with.observer.showProgress(PassProgress::of(PassStage::Resizing));
        return outcome;
    }
    LoadOutcome outcome;
    picture = *loaded;
    conversion.facts = factsOf(*loaded);
    outcome.status = picture.isEmpty() ? LoadStatus::Failed : LoadStatus::Loaded;
    if (picture.isEmpty())
        outcome.detail = DecodeStatus::OutOfMemory;
    return outcome;
}

} // namespace

PassResult convertChosen(const ConversionSettings& chosen, const ChosenRun& with,
                         const WorkBitmap* loaded) {
    const CommandLine options = chosenOptions(chosen);
    // Every choice is given: neither a face to settle nor a cell to measure.
    const PictureRun run{options, with.cancelRequested, with.random, with.clock, {}, {}, [] {}, {}};
    const std::string& path = chosen.sourcePath;
    const PictureJob job{path,
                         SizingContext{},
                         [&](WorkBitmap& picture, ConversionLoad& conversion) {
                             return loadChosen(path, with, loaded, picture, conversion);
                         },
                         [&](ConversionSettings& settings) {
                             settings.outputPath = chosen.outputPath;
                             settings.outputNameBase = chosen.outputNameBase;
                         },
                         with.makeWriter,
                         with.openOutput,
                         with.observer};
    const ConvertedPicture converted = convertOnePicture(run, job);
    if (!converted.loaded) {
        // The picture was there when the conversion started; it has gone
        // or changed since. Converting nothing would look like success.
        if (with.cancelRequested.load())
            return PassResult::cancelled();
        return PassResult::failed({FailureStage::Loading, path, converted.load, {}});
    }
    if (converted.problem != StartProblem::None)
        return PassResult::failed(
            {FailureStage::Unexpected, path, {}, "the conversion could not start"});
    return converted.result;
}

} // namespace varnelo
