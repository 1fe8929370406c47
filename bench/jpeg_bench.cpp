// Loading a 4000 × 3000 JPEG: our decoder and the whole load from a file,
// next to libjpeg's own decode of the same bytes into a plain buffer.
#include "base/work_bitmap.h"
#include "reading/codecs/jpeg_decoder.h"
#include "reading/picture_loader.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <jpeglib.h>
#include <memory>
#include <vector>

namespace varnelo {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const std::vector<std::uint8_t>& photoJpeg() {
    static const std::vector<std::uint8_t> file = [] {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
        std::uint32_t state = 4242;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                state = state * 1664525u + 1013904223u;
                const auto noise = static_cast<int>(state >> 29);
                std::uint8_t* pixel =
                    &pixels[(static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) *
                            3];
                pixel[0] = static_cast<std::uint8_t>((x / 16 + noise) & 0xFF);
                pixel[1] = static_cast<std::uint8_t>((y / 12 + noise) & 0xFF);
                pixel[2] = static_cast<std::uint8_t>(((x + y) / 28 + noise) & 0xFF);
            }
        test::JpegSampleOptions options;
        options.quality = 90;
        options.fullChroma = false; // 4:2:0, as cameras write
        return test::encodeJpeg(kWidth, kHeight, 3, pixels, options);
    }();
    return file;
}

// libjpeg decoding into a buffer of its own, taken fresh for every picture
// as any program that loads one must.
void BM_LibjpegOwnDecode(benchmark::State& state) {
    const auto& file = photoJpeg();
    for (auto _ : state) {
        const std::unique_ptr<std::uint8_t[]> buffer(
            new std::uint8_t[static_cast<std::size_t>(kWidth) * kHeight * 3]);
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row =
                buffer.get() + static_cast<std::size_t>(info.output_scanline) * kWidth * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(buffer.get());
    }
}
BENCHMARK(BM_LibjpegOwnDecode)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg(benchmark::State& state) {
    const auto& file = photoJpeg();
    for (auto _ : state) {
        WorkBitmap picture;
        if (decodeJpeg(file, picture) != DecodeStatus::Ok)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(picture.row(0));
    }
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);

void BM_LoadPictureFromJpegFile(benchmark::State& state) {
    const test::TempDir folder;
    const std::string path = folder.file("photo.jpg");
    test::writeBytes(path, photoJpeg());
    for (auto _ : state) {
        WorkBitmap picture;
        if (loadPicture(path, picture).status != LoadStatus::Loaded)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(picture.row(0));
    }
}
BENCHMARK(BM_LoadPictureFromJpegFile)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace varnelo

BENCHMARK_MAIN();
