// Writes a seed corpus for the fuzz targets: small valid files of every
// variant the decoders read, one folder per format.
#include "base/color.h"
#include "tests/support/avif_samples.h"
#include "tests/support/bmp_samples.h"
#include "tests/support/exif_samples.h"
#include "tests/support/gif_samples.h"
#include "tests/support/heif_samples.h"
#include "tests/support/hostile_pictures.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/jxl_samples.h"
#include "tests/support/png_samples.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_samples.h"
#include "tests/support/webp_samples.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace test = varnelo::test;

void save(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(folder);
    test::writeBytes((folder / name).string(), bytes);
}

Bytes gradient(int width, int height, int channels) {
    Bytes pixels(static_cast<std::size_t>(width * height * channels));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i * 37 % 251);
    return pixels;
}

void jpegSeeds(const std::filesystem::path& folder) {
    for (const int channels : {1, 3, 4}) {
        const Bytes pixels = gradient(19, 13, channels);
        test::JpegSampleOptions options;
        save(folder, "baseline-" + std::to_string(channels) + ".jpg",
             test::encodeJpeg(19, 13, channels, pixels, options));
        options.progressive = true;
        save(folder, "progressive-" + std::to_string(channels) + ".jpg",
             test::encodeJpeg(19, 13, channels, pixels, options));
        options.progressive = false;
        options.arithmetic = true;
        save(folder, "arithmetic-" + std::to_string(channels) + ".jpg",
             test::encodeJpeg(19, 13, channels, pixels, options));
    }
    test::JpegSampleOptions plainCmyk;
    plainCmyk.adobeMarker = false;
    save(folder, "cmyk-no-adobe.jpg", test::encodeJpeg(8, 8, 4, gradient(8, 8, 4), plainCmyk));
    // Turned by their EXIF orientation, in both byte orders.
    for (const int orientation : {3, 6}) {
        save(folder, "exif-" + std::to_string(orientation) + ".jpg",
             test::withExifSegment(test::encodeJpeg(19, 13, 3, gradient(19, 13, 3)),
                                   test::exifWithOrientation(orientation, orientation == 6)));
    }
}

void gifSeeds(const std::filesystem::path& folder) {
    test::GifSample sample;
    sample.screenWidth = 9;
    sample.screenHeight = 7;
    sample.globalColors = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
    test::GifFrameSample frame;
    frame.left = 1;
    frame.top = 1;
    frame.width = 7;
    frame.height = 5;
    frame.indexes.resize(35);
    for (std::size_t i = 0; i < frame.indexes.size(); ++i)
        frame.indexes[i] = static_cast<std::uint8_t>(i % 4);
    sample.frames = {frame};
    save(folder, "plain.gif", test::encodeGif(sample));
    sample.frames[0].interlaced = true;
    sample.frames[0].transparentIndex = 2;
    sample.frames.push_back(frame);
    save(folder, "interlaced-two-frames.gif", test::encodeGif(sample));
    sample.frames.resize(1);
    sample.frames[0].localColors = {0x123456, 0x654321, 0xABCDEF, 0x0F0F0F};
    sample.globalColors.clear();
    save(folder, "local-map.gif", test::encodeGif(sample));
}

void pngSeeds(const std::filesystem::path& folder) {
    struct Kind {
        int colorType;
        int channels;
        std::vector<int> depths;
    };
    const Kind kinds[] = {{PNG_COLOR_TYPE_GRAY, 1, {1, 2, 4, 8, 16}},
                          {PNG_COLOR_TYPE_RGB, 3, {8, 16}},
                          {PNG_COLOR_TYPE_PALETTE, 1, {1, 2, 4, 8}},
                          {PNG_COLOR_TYPE_GRAY_ALPHA, 2, {8, 16}},
                          {PNG_COLOR_TYPE_RGB_ALPHA, 4, {8, 16}}};
    for (const Kind& kind : kinds)
        for (const int depth : kind.depths)
            for (const bool interlaced : {false, true}) {
                test::PngSample sample;
                sample.width = 11;
                sample.height = 9;
                sample.colorType = kind.colorType;
                sample.bitDepth = depth;
                sample.interlaced = interlaced;
                const int maximum = kind.colorType == PNG_COLOR_TYPE_PALETTE
                                        ? 1 << std::min(depth, 2)
                                        : (1 << depth);
                sample.samples.resize(static_cast<std::size_t>(11 * 9 * kind.channels));
                for (std::size_t i = 0; i < sample.samples.size(); ++i)
                    sample.samples[i] =
                        static_cast<std::uint16_t>(i * 7 % static_cast<std::size_t>(maximum));
                if (kind.colorType == PNG_COLOR_TYPE_PALETTE) {
                    sample.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
                    sample.palette.resize(static_cast<std::size_t>(maximum));
                    sample.paletteAlpha = {0, 128};
                }
                save(folder,
                     "type" + std::to_string(kind.colorType) + "-depth" + std::to_string(depth) +
                         (interlaced ? "-interlaced" : "") + ".png",
                     test::encodePng(sample));
            }
    test::PngSample turned;
    turned.width = 5;
    turned.height = 3;
    turned.colorType = PNG_COLOR_TYPE_GRAY;
    turned.samples.assign(15, 99);
    // Image data that goes on past the rows, which is never read.
    save(folder, "data-past-the-rows.png",
         test::greyPngWithDataPastTheRows(9, 7, false, std::size_t{1} << 16, SIZE_MAX));
    save(folder, "exif-8.png",
         test::withExifChunk(test::encodePng(turned), test::exifWithOrientation(8)));
}

// Colours that change every pixel, so every coding tool has work to do.
varnelo::Rgb busyColour(int x, int y) {
    const auto at = [](int value) { return static_cast<std::uint32_t>(value) & 255U; };
    return varnelo::makeRgb(at(x * 37 + y * 11), at(y * 53), at((x ^ y) * 29));
}

varnelo::Rgb fewColours(int x, int y) {
    return varnelo::makeRgb(static_cast<std::uint32_t>(x % 4) * 80,
                            static_cast<std::uint32_t>(y % 3) * 120, 40);
}

void webpSeeds(const std::filesystem::path& folder) {
    const Bytes lossless = test::encodeWebp(19, 13, busyColour);
    save(folder, "lossless.webp", lossless);
    save(folder, "lossy.webp", test::encodeWebp(19, 13, busyColour, false));
    save(folder, "exif-6.webp", test::withWebpExif(lossless, test::exifWithOrientation(6)));
    const Bytes frame = test::encodeWebp(6, 4, busyColour);
    save(folder, "animated.webp", test::encodeAnimatedWebp(12, 8, {{0, 0, frame}, {4, 2, frame}}));
}

void tiffSeeds(const std::filesystem::path& folder) {
    using Colours = test::TiffLayout::Colours;
    const std::pair<Colours, std::vector<int>> kinds[] = {
        {Colours::Rgb, {8, 16}}, {Colours::RgbAlpha, {8, 16}}, {Colours::Grey, {8, 16}},
        {Colours::Palette, {8}}, {Colours::Cmyk, {8}},         {Colours::BlackAndWhite, {1}}};
    int number = 0;
    for (const auto& [colours, depths] : kinds)
        for (const int depth : depths)
            for (const bool tiled : {false, true}) {
                if (tiled && depth < 8)
                    continue;
                test::TiffLayout layout;
                layout.colours = colours;
                layout.bitsPerSample = depth;
                layout.tiled = tiled;
                layout.deflate = tiled;
                layout.orientation = number % 8 + 1;
                save(folder,
                     "kind" + std::to_string(number++) + "-depth" + std::to_string(depth) +
                         (tiled ? "-tiled" : "-strips") + ".tif",
                     test::encodeTiff(19, 21, colours == Colours::Palette ? fewColours : busyColour,
                                      layout));
            }
}

void isoSeeds(const std::filesystem::path& avifFolder, const std::filesystem::path& heifFolder) {
    save(avifFolder, "plain.avif", test::encodeAvif(12, 10, busyColour));
    save(avifFolder, "turned.avif", test::encodeAvif(12, 10, busyColour, 1));
    save(heifFolder, "plain.heic", test::encodeHeif(16, 12, busyColour));
    save(heifFolder, "exif-6.heic", test::encodeHeif(16, 12, busyColour, 6));
}

void jxlSeeds(const std::filesystem::path& folder) {
    save(folder, "colour.jxl", test::encodeJxl(19, 13, busyColour));
    save(folder, "grey.jxl", test::encodeJxl(19, 13, busyColour, true));
    save(folder, "orientation-5.jxl", test::encodeJxl(19, 13, busyColour, false, 5));
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    for (const auto& sample : test::validBmpSamples())
        save(folder / "bmp", sample.name, sample.bytes);
    jpegSeeds(folder / "jpeg");
    gifSeeds(folder / "gif");
    pngSeeds(folder / "png");
    webpSeeds(folder / "webp");
    tiffSeeds(folder / "tiff");
    isoSeeds(folder / "avif", folder / "heif");
    jxlSeeds(folder / "jxl");
    // Files whose headers claim far more than they hold, by their type.
    for (const test::HostilePicture& hostile : test::hostilePictures()) {
        const std::string extension = hostile.name.substr(hostile.name.rfind('.') + 1);
        const std::string format = extension == "tif"    ? "tiff"
                                   : extension == "heic" ? "heif"
                                                         : extension;
        save(folder / format, hostile.name, hostile.bytes);
    }
    return 0;
}
