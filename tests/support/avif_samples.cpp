#include "tests/support/avif_samples.h"

#include <avif/avif.h>

#include <stdexcept>

namespace varnelo::test {

std::vector<std::uint8_t> encodeAvif(int width, int height, const ColorAt& colorAt,
                                     int quarterTurns) {
    avifImage* image =
        avifImageCreate(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 8,
                        AVIF_PIXEL_FORMAT_YUV444);
    image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_IDENTITY;
    image->yuvRange = AVIF_RANGE_FULL;
    std::vector<std::uint8_t> bgr = encoderRows(width, height, RowFormat::Bgr24, colorAt);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.format = AVIF_RGB_FORMAT_BGR;
    rgb.pixels = bgr.data();
    rgb.rowBytes = static_cast<std::uint32_t>(width * 3);
    if (avifImageRGBToYUV(image, &rgb) != AVIF_RESULT_OK)
        throw std::runtime_error("avifImageRGBToYUV failed");
    if (quarterTurns != 0) {
        image->transformFlags |= AVIF_TRANSFORM_IROT;
        image->irot.angle = static_cast<std::uint8_t>(quarterTurns);
    }
    return encodedAvif(image, AVIF_QUANTIZER_LOSSLESS, AVIF_QUANTIZER_LOSSLESS);
}

std::vector<std::uint8_t> encodedAvif(avifImage* image, int minQuantizer, int maxQuantizer) {
    avifEncoder* encoder = avifEncoderCreate();
    encoder->speed = AVIF_SPEED_FASTEST;
    encoder->minQuantizer = minQuantizer;
    encoder->maxQuantizer = maxQuantizer;
    avifRWData out = AVIF_DATA_EMPTY;
    const avifResult result = avifEncoderWrite(encoder, image, &out);
    avifEncoderDestroy(encoder);
    avifImageDestroy(image);
    if (result != AVIF_RESULT_OK)
        throw std::runtime_error("avifEncoderWrite failed");
    std::vector<std::uint8_t> bytes(out.data, out.data + out.size);
    avifRWDataFree(&out);
    return bytes;
}

std::vector<BadFile> badAvifSamples() {
    const std::vector<std::uint8_t> good = encodeAvif(4, 3, noise);
    std::vector<BadFile> samples;
    std::vector<std::uint8_t> cut = good;
    cut.resize(good.size() - 20);
    samples.push_back({"avif-cut-in-image-data.avif", cut, DecodeStatus::Truncated});
    std::vector<std::uint8_t> header = good;
    header.resize(40);
    samples.push_back({"avif-cut-in-meta-box.avif", header, DecodeStatus::Truncated});
    std::vector<std::uint8_t> noMeta = good;
    for (std::size_t i = 0; i + 4 <= noMeta.size(); ++i) {
        if (noMeta[i] == 'm' && noMeta[i + 1] == 'e' && noMeta[i + 2] == 't' &&
            noMeta[i + 3] == 'a') {
            noMeta[i] = 'x';
            break;
        }
    }
    samples.push_back({"avif-meta-box-renamed.avif", noMeta, DecodeStatus::Truncated});
    return samples;
}

} // namespace varnelo::test
