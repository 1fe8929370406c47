#include "cli/picture_settings.h"

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

// The size when neither -W nor -H is given.
PictureSize defaultSize(const ConversionSettings& settings, const PictureFacts& picture,
                        const SizingContext& context, double heightScale) {
    const PictureSize own{picture.width, picture.height};
    if (own.width <= 0 || own.height <= 0)
        return own;
    switch (outputFormatOf(settings).kind) {
    case OutputKind::Document:
        return largestSizeWithin(own, kDefaultDocumentWidth, std::numeric_limits<int>::max());
    case OutputKind::Image: {
        if (!context.imageCell)
            return own;
        const CellSize cell = context.imageCell(settings);
        return largestSizeWithin(own, kMaxImageSide / std::max(1, cell.width),
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

} // namespace

ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const PictureFacts& picture, const SizingContext& context) {
    ConversionSettings settings = options.choices;
    settings.sourcePath = picturePath;
    // As in the window: a phrase typed for text mode does not reach the
    // other modes, whose cell measure would otherwise see it.
    if (!takesPhrase(settings.transformation))
        settings.customPhrase.clear();
    settings.fontFace = conversionFace(settings.transformation, settings.fontFace);
    settings.backgroundColor = options.backgroundColor.value_or(picture.topLeft);
    settings.terminalColors = options.colors.value_or(context.terminalColors);
    double heightScale = 1.0;
    // One character a pixel makes a pixel twice as high as wide on screen:
    // half the lines keep the picture's proportion there.
    if (outputFormatOf(settings).kind == OutputKind::TerminalText &&
        charactersPerPixel(settings) == 1 && options.aspectCorrection)
        heightScale = 0.5;
    const PictureSize size = options.width || options.height
                                 ? conversionSize(options.width, options.height, picture.width,
                                                  picture.height, heightScale)
                                 : defaultSize(settings, picture, context, heightScale);
    settings.imageWidth = size.width;
    settings.imageHeight = size.height;
    settings.colorDepth = options.colorDepth.value_or(colorDepthOf(picture.depth));
    return settings;
}

} // namespace varnelo
