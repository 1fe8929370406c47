#include "engine/start_check.h"

namespace varnelo {

StartProblem checkConversionStart(const ConversionSettings& settings, bool pictureLoaded) {
    if (!pictureLoaded)
        return StartProblem::NoPicture;
    if (settings.outputPath.empty())
        return StartProblem::NoOutputFile;
    if (settings.transformation == PixelTransformation::CustomText && settings.customPhrase.empty())
        return StartProblem::NoPhrase;
    return StartProblem::None;
}

} // namespace varnelo
