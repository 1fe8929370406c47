#include "engine/start_check.h"

#include "engine/character_modes.h"

namespace varnelo {

StartProblem checkConversionStart(const ConversionSettings& settings, bool pictureLoaded) {
    if (!pictureLoaded)
        return StartProblem::NoPicture;
    if (settings.outputPath.empty())
        return StartProblem::NoOutputFile;
    if (takesPhrase(settings.transformation) && settings.customPhrase.empty())
        return StartProblem::NoPhrase;
    return StartProblem::None;
}

} // namespace varnelo
