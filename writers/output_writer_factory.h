#pragma once

#include "engine/conversion_pass.h"

#include <memory>

namespace varnelo {

/// The writer that the output format table names for the settings: HTML
/// for both HTML formats, RTF, or the image output.
std::unique_ptr<OutputWriter> makeOutputWriter(const ConversionSettings& settings,
                                               WriterContext& context);

} // namespace varnelo
