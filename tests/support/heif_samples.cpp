#include "tests/support/heif_samples.h"

#include "tests/support/temp_dir.h"

#include <libheif/heif.h>

#include <algorithm>
#include <stdexcept>

namespace varnelo::test {

namespace {

void check(const heif_error& error, const char* what) {
    if (error.code != heif_error_Ok)
        throw std::runtime_error(std::string(what) + ": " + error.message);
}

} // namespace

std::vector<std::uint8_t> encodeHeif(int width, int height, const ColorAt& colorAt,
                                     int orientation) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    check(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder),
          "no HEVC encoder");
    heif_encoder_set_lossy_quality(encoder, 100);
    heif_encoder_set_lossless(encoder, 1);
    heif_image* image = nullptr;
    check(
        heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image),
        "heif_image_create");
    check(heif_image_add_plane(image, heif_channel_interleaved, width, height, 8),
          "heif_image_add_plane");
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb color = colorAt(x, y);
            std::uint8_t* pixel = plane + y * stride + x * 3;
            pixel[0] = redOf(color);
            pixel[1] = greenOf(color);
            pixel[2] = blueOf(color);
        }
    }
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    check(heif_context_encode_image(context, image, encoder, options, nullptr),
          "heif_context_encode_image");
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_image_release(image);
    return writtenHeif(context);
}

std::vector<std::uint8_t> writtenHeif(heif_context* context) {
    const TempDir folder;
    const std::string path = folder.file("sample.heic");
    const heif_error error = heif_context_write_to_file(context, path.c_str());
    heif_context_free(context);
    check(error, "heif_context_write_to_file");
    return readBytes(path);
}

std::vector<BadFile> badHeifSamples() {
    const std::vector<std::uint8_t> good =
        encodeHeif(8, 8, [](int, int) { return makeRgb(9, 99, 199); });
    std::vector<BadFile> samples;
    std::vector<std::uint8_t> cut = good;
    cut.resize(std::min<std::size_t>(good.size() - 30, 500));
    samples.push_back({"heif-cut-before-its-end.heic", cut, DecodeStatus::Truncated});
    std::vector<std::uint8_t> header = good;
    header.resize(60);
    samples.push_back({"heif-cut-in-meta-box.heic", header, DecodeStatus::Corrupt});
    return samples;
}

} // namespace varnelo::test
