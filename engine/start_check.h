#pragma once

#include "engine/conversion_settings.h"

#include <cstdint>

namespace varnelo {

/// What keeps a conversion from starting.
enum class StartProblem : std::uint8_t {
    None,
    NoPicture,    ///< no picture is loaded
    NoOutputFile, ///< no output file is named
    NoPhrase,     ///< custom-text mode without a phrase
};

/// The checks a conversion must pass before it starts, in the order they
/// are made; only the first that fails is answered.
StartProblem checkConversionStart(const ConversionSettings& settings, bool pictureLoaded);

} // namespace varnelo
