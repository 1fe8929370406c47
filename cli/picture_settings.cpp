#include "cli/picture_settings.h"

#include "writers/cell_font.h"

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
                           int pictureWidth, int pictureHeight) {
    if (!width && !height)
        return {pictureWidth, pictureHeight};
    if (width && height)
        return {*width, *height};
    const double ratio = static_cast<double>(pictureWidth) / static_cast<double>(pictureHeight);
    if (width)
        return {*width, roundedSide(static_cast<double>(*width) / ratio)};
    return {roundedSide(static_cast<double>(*height) * ratio), *height};
}

std::string outputExtension(OutputFormat format, ImageFormat imageFormat) {
    switch (format) {
    case OutputFormat::PlainHtml:
    case OutputFormat::CssHtml:
        return ".html";
    case OutputFormat::Rtf:
        return ".rtf";
    case OutputFormat::Image:
        break;
    }
    switch (imageFormat) {
    case ImageFormat::Jpg:
        return ".jpg";
    case ImageFormat::Png:
        return ".png";
    case ImageFormat::Bmp:
        break;
    }
    return ".bmp";
}

ConversionSettings conversionSettings(const CommandLine& options, const std::string& picturePath,
                                      const WorkBitmap& picture) {
    ConversionSettings settings;
    settings.sourcePath = picturePath;
    settings.outputFormat = options.outputFormat;
    settings.imageFormat = options.imageFormat;
    settings.imageQuality = options.imageQuality;
    settings.transformation = options.transformation;
    // As in the window: a phrase typed for text mode does not reach the
    // other modes, whose cell measure would otherwise see it.
    if (options.transformation == PixelTransformation::CustomText)
        settings.customPhrase = options.phrase.value_or(ByteString{});
    settings.blockStrength = options.blockStrength;
    settings.rangeFrom = options.rangeFrom;
    settings.rangeTo = options.rangeTo;
    settings.fontSize = options.fontSize;
    settings.fontFace = options.transformation == PixelTransformation::TerminalBlocks
                            ? std::string(kTerminalFace)
                            : options.fontFace;
    settings.backgroundColor =
        options.backgroundColor.value_or(picture.isEmpty() ? Rgb{0} : picture.pixelColor(0, 0));
    const PictureSize size =
        conversionSize(options.width, options.height, picture.width(), picture.height());
    settings.imageWidth = size.width;
    settings.imageHeight = size.height;
    settings.colorDepth = options.colorDepth.value_or(colorDepthOf(picture.depth()));
    return settings;
}

} // namespace varnelo
