#pragma once

#include "cli/command_line.h"
#include "engine/conversion_load.h"
#include "engine/conversion_settings.h"
#include "engine/reduce_depth.h"
#include "engine/work_bitmap.h"

#include <optional>
#include <string>

namespace varnelo {

/// The size a picture of pictureWidth × pictureHeight converts to: the given
/// sides, with a missing one following the picture's proportion (rounded
/// half to even), or the picture's own size when neither is given. The
/// following height is multiplied by heightScale (the width divided by it).
PictureSize conversionSize(std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                           int pictureWidth, int pictureHeight, double heightScale = 1.0);

/// The settings that convert the picture loaded from picturePath as the
/// command line asks. The output path is left for the caller to choose.
/// terminalColumns is the width of the terminal the output goes to, 0 when
/// it goes elsewhere: text for a terminal then fills its width unless a size
/// is given. terminalColors colour that text unless --colors says otherwise.
ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const PictureFacts& picture, int terminalColumns = 0,
                                      TerminalColors terminalColors = TerminalColors::Truecolor);
ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const WorkBitmap& picture, int terminalColumns = 0,
                                      TerminalColors terminalColors = TerminalColors::Truecolor);

/// The size the command line turns a picture of width × height into, as
/// conversionSettings gives it: what a conversion load asks the decoders for.
PictureSize conversionSizeFor(const CommandLine& options, int pictureWidth, int pictureHeight,
                              int terminalColumns = 0);

} // namespace varnelo
