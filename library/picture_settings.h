#pragma once

#include "base/work_bitmap.h"
#include "engine/conversion_settings.h"
#include "engine/reduce_depth.h"
#include "library/command_line.h"
#include "reading/conversion_load.h"
#include "writers/cell_size.h"

#include <functional>

#include <optional>
#include <string>

namespace varnelo {

/// The size a picture of pictureWidth × pictureHeight converts to: the given
/// sides, with a missing one following the picture's proportion (rounded
/// half to even), or the picture's own size when neither is given. The
/// following height is multiplied by heightScale (the width divided by it).
PictureSize conversionSize(std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                           int pictureWidth, int pictureHeight, double heightScale = 1.0);

/// The largest size at most maxWidth × maxHeight with wanted's proportion
/// (the following side rounded as conversionSize rounds it), never larger
/// than wanted; each side at least 1.
PictureSize largestSizeWithin(PictureSize wanted, int maxWidth, int maxHeight);

/// The widest a document is made when no size is given, in pixels: at the
/// default font size, as wide as a laptop's screen shows without scrolling.
inline constexpr int kDefaultDocumentWidth = 120;
/// The background of the modes that draw a pixel as one character with
/// --no-fill, and theirs filled, as they are by default.
inline constexpr Rgb kCellModeBackground = 0xFFFFFF;
inline constexpr Rgb kFilledCellModeBackground = 0;
/// The columns text is made for when it goes elsewhere than a terminal.
inline constexpr int kDefaultTextColumns = 80;

/// What a picture's default size depends on besides the picture.
struct SizingContext {
    /// The terminal text goes to, 0 × 0 when it goes elsewhere.
    int terminalColumns = 0;
    int terminalRows = 0;
    /// Colours for that text unless --colors says otherwise.
    TerminalColors terminalColors = TerminalColors::Truecolor;
    /// The cell one pixel is drawn in by an image output with these
    /// settings; left empty, images keep the picture's size.
    std::function<CellSize(const ConversionSettings&)> imageCell;
    /// How wide a document's character cell is drawn for its height, in
    /// the modes that draw a pixel as one character; left empty, 1.
    std::function<double(const ConversionSettings&)> documentCell;
};

/// The settings that convert the picture loaded from picturePath as the
/// command line asks. The output path is left for the caller to choose.
/// Without -W, -H and --size: a document or an image is at most
/// kDefaultDocumentWidth pixels wide (an image within the image limit at
/// its cell), text fills the terminal's width and height or else
/// kDefaultTextColumns; a picture is never enlarged except text, which
/// fills its columns. In the modes that draw a pixel as one character the
/// height follows the character cell's proportion, so that the picture
/// keeps its own as drawn; kFilledCellModeBackground (kCellModeBackground
/// unfilled) is their background unless -b gives one.
ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const PictureFacts& picture,
                                      const SizingContext& context = {});
ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const WorkBitmap& picture, const SizingContext& context = {});

/// Whether the command line gives both sides of the size whole (-W and -H,
/// or --size with both): the size then needs neither the picture nor the
/// face's cell.
bool bothSidesGiven(const CommandLine& options);

/// The size the command line turns a picture of width × height into, as
/// conversionSettings gives it: what a conversion load asks the decoders for.
PictureSize conversionSizeFor(const CommandLine& options, int pictureWidth, int pictureHeight,
                              const SizingContext& context = {});

} // namespace varnelo
