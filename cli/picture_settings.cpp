#include "cli/picture_settings.h"

#include "engine/char_source.h"

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

ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const WorkBitmap& picture, int terminalColumns,
                                      TerminalColors terminalColors) {
    return conversionSettings(options, picturePath, factsOf(picture), terminalColumns,
                              terminalColors);
}

PictureSize conversionSizeFor(const CommandLine& options, int pictureWidth, int pictureHeight,
                              int terminalColumns) {
    PictureFacts picture;
    picture.width = pictureWidth;
    picture.height = pictureHeight;
    const ConversionSettings settings =
        conversionSettings(options, std::string(), picture, terminalColumns);
    return {settings.imageWidth, settings.imageHeight};
}

ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const PictureFacts& picture, int terminalColumns,
                                      TerminalColors terminalColors) {
    ConversionSettings settings = options.choices;
    settings.sourcePath = picturePath;
    // As in the window: a phrase typed for text mode does not reach the
    // other modes, whose cell measure would otherwise see it.
    if (settings.transformation != PixelTransformation::CustomText)
        settings.customPhrase.clear();
    settings.fontFace = conversionFace(settings.transformation, settings.fontFace);
    settings.backgroundColor = options.backgroundColor.value_or(picture.topLeft);
    settings.terminalColors = options.colors.value_or(terminalColors);
    std::optional<std::int32_t> width = options.width;
    double heightScale = 1.0;
    if (outputFormatOf(settings).kind == OutputKind::TerminalText) {
        // One character a pixel makes a pixel twice as high as wide on
        // screen: half the lines keep the picture's proportion there.
        const int characters = charactersPerPixel(settings);
        if (characters == 1 && options.aspectCorrection)
            heightScale = 0.5;
        if (!options.width && !options.height && terminalColumns > 0)
            width = std::max(1, terminalColumns / characters);
    }
    const PictureSize size =
        conversionSize(width, options.height, picture.width, picture.height, heightScale);
    settings.imageWidth = size.width;
    settings.imageHeight = size.height;
    settings.colorDepth = options.colorDepth.value_or(colorDepthOf(picture.depth));
    return settings;
}

} // namespace varnelo
