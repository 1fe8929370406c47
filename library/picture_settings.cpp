#include "library/picture_settings.h"

#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/output_formats.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace varnelo {

namespace {

// A proportional side can outgrow 32 bits; the conversion refuses it with
// its size message, which needs the number to stay a number.
std::int32_t roundedSide(double side) {
    const double rounded = std::nearbyint(side);
    if (!(rounded >= 0.0))
        return 0;
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

} // namespace

PictureSize conversionSize(std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                           int pictureWidth, int pictureHeight, double heightScale) {
    if (!width && !height)
        return {pictureWidth, pictureHeight};
    if (width && height)
        return {*width, *height};
    const double ratio =
        static_cast<double>(pictureWidth) / (static_cast<double>(pictureHeight) * heightScale);
    if (width)
        return {*width, roundedSide(static_cast<double>(*width) / ratio)};
    return {roundedSide(static_cast<double>(*height) * ratio), *height};
}

PictureSize largestSizeWithin(PictureSize wanted, int maxWidth, int maxHeight) {
    if (wanted.width <= maxWidth && wanted.height <= maxHeight)
        return wanted;
    const auto atLeastOne = [](PictureSize size) {
        return PictureSize{std::max(1, size.width), std::max(1, size.height)};
    };
    if (wanted.width > maxWidth) {
        const PictureSize byWidth =
            conversionSize(maxWidth, std::nullopt, wanted.width, wanted.height);
        if (byWidth.height <= maxHeight)
            return atLeastOne(byWidth);
    }
    return atLeastOne(conversionSize(std::nullopt, maxHeight, wanted.width, wanted.height));
}

ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const WorkBitmap& picture, const SizingContext& context) {
    return conversionSettings(options, picturePath, factsOf(picture), context);
}

PictureSize conversionSizeFor(const CommandLine& options, int pictureWidth, int pictureHeight,
                              const SizingContext& context) {
    PictureFacts picture;
    picture.width = pictureWidth;
    picture.height = pictureHeight;
    const ConversionSettings settings =
        conversionSettings(options, std::string(), picture, context);
    return {settings.imageWidth, settings.imageHeight};
}

namespace {

// The size's height for cells heightScale times as wide as high, as its
// width keeps the picture's proportion.
PictureSize followingCells(PictureSize size, PictureSize own, double heightScale) {
    if (heightScale == 1.0)
        return size;
    const PictureSize followed =
        conversionSize(size.width, std::nullopt, own.width, own.height, heightScale);
    return {size.width, std::max(1, followed.height)};
}

// How wide a pixel is drawn for its height in the output: a character cell
// in the modes that draw a pixel as one, whose grid follows the cell; 1
// (a pixel keeps the picture's proportion) in the others.
double pixelProportion(const ConversionSettings& settings, const SizingContext& context,
                       bool aspectCorrection) {
    const OutputKind kind = outputFormatOf(settings).kind;
    // One character a pixel makes a pixel twice as high as wide on screen:
    // half the lines keep the picture's proportion there.
    if (kind == OutputKind::TerminalText)
        return charactersPerPixel(settings) == 1 && aspectCorrection ? 0.5 : 1.0;
    if (!pixelIsACell(settings.transformation))
        return 1.0;
    double proportion = 0.0;
    if (kind == OutputKind::Image && context.imageCell) {
        const CellSize cell = context.imageCell(settings);
        proportion = static_cast<double>(cell.width) / std::max(cell.height, 1);
    } else if (kind == OutputKind::Document && context.documentCell) {
        proportion = context.documentCell(settings);
    }
    return proportion > 0.0 ? proportion : 1.0;
}

// The size when neither -W nor -H is given.
PictureSize defaultSize(const ConversionSettings& settings, const PictureFacts& picture,
                        const SizingContext& context, double heightScale) {
    const PictureSize own{picture.width, picture.height};
    if (own.width <= 0 || own.height <= 0)
        return own;
    switch (outputFormatOf(settings).kind) {
    case OutputKind::Document:
        return followingCells(
            largestSizeWithin(own, kDefaultDocumentWidth, std::numeric_limits<int>::max()), own,
            heightScale);
    case OutputKind::Image: {
        // As wide as a document, so that its characters show unzoomed.
        PictureSize size = followingCells(
            largestSizeWithin(own, kDefaultDocumentWidth, std::numeric_limits<int>::max()), own,
            heightScale);
        if (!context.imageCell)
            return size;
        const CellSize cell = context.imageCell(settings);
        return largestSizeWithin(size, kMaxImageSide / std::max(1, cell.width),
                                 kMaxImageSide / std::max(1, cell.height));
    }
    case OutputKind::TerminalText:
        break;
    }
    // Text fills its columns, and on a terminal no more lines than fit
    // above the prompt.
    const int characters = charactersPerPixel(settings);
    const int columns = context.terminalColumns > 0 ? context.terminalColumns : kDefaultTextColumns;
    const int width = std::max(1, columns / characters);
    PictureSize size = conversionSize(width, std::nullopt, own.width, own.height, heightScale);
    const int rows = context.terminalRows - 1;
    if (context.terminalColumns > 0 && rows >= 1 && size.height > rows)
        size = conversionSize(std::nullopt, rows, own.width, own.height, heightScale);
    return {std::max(1, size.width), std::max(1, size.height)};
}

// The largest size within columns × rows that keeps the picture's
// proportion as drawn: as wide as the columns, or as high as the rows.
PictureSize fittedSize(int columns, int rows, PictureSize own, double heightScale) {
    if (own.width <= 0 || own.height <= 0)
        return {columns, rows};
    PictureSize size = conversionSize(columns, std::nullopt, own.width, own.height, heightScale);
    if (size.height > rows)
        size = conversionSize(std::nullopt, rows, own.width, own.height, heightScale);
    return {std::clamp(size.width, 1, columns), std::clamp(size.height, 1, rows)};
}

} // namespace

bool bothSidesGiven(const CommandLine& options) {
    return !options.fit && (options.columns || options.width) && (options.rows || options.height);
}

ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const PictureFacts& picture, const SizingContext& context) {
    ConversionSettings settings = options.choices;
    settings.sourcePath = picturePath;
    // As in the window: a phrase typed for text mode does not reach the
    // other modes, whose cell measure would otherwise see it.
    if (!takesPhrase(settings.transformation))
        settings.customPhrase.clear();
    settings.fontFace = conversionFace(settings.transformation, settings.fontFace);
    // Characters drawn in their pixels' colours vanished into a background
    // like the picture's own corner. On white, their ink darkening each
    // cell as much as the picture is dark there, real photographs show
    // best; filled, on black, whose even dark cells then take the least
    // ink in a light shade (bench/recognisability.sh, every photo).
    settings.backgroundColor =
        options.backgroundColor.value_or(!pixelIsACell(settings.transformation) ? picture.topLeft
                                         : settings.fillCells ? kFilledCellModeBackground
                                                              : kCellModeBackground);
    settings.terminalColors = options.colors.value_or(context.terminalColors);
    // Both sides given need no proportion, nor the face that may decide it.
    const double heightScale = bothSidesGiven(options)
                                   ? 1.0
                                   : pixelProportion(settings, context, options.aspectCorrection);
    // --size counts characters: a pixel is one or two of them.
    const std::optional<std::int32_t> width =
        options.columns
            ? std::optional(std::max(1, *options.columns / charactersPerPixel(settings)))
            : options.width;
    const std::optional<std::int32_t> height = options.rows ? options.rows : options.height;
    const PictureSize size =
        options.fit ? fittedSize(*width, *height, {picture.width, picture.height}, heightScale)
        : width || height
            ? conversionSize(width, height, picture.width, picture.height, heightScale)
            : defaultSize(settings, picture, context, heightScale);
    settings.imageWidth = size.width;
    settings.imageHeight = size.height;
    settings.colorDepth = options.colorDepth.value_or(colorDepthOf(picture.depth));
    return settings;
}

} // namespace varnelo
