// Speed of the picture in memory: area-averaging shrink and pixel reading.
#include "base/pass_progress.h"
#include "base/work_bitmap.h"
#include "reading/resize_picture.h"

#include <benchmark/benchmark.h>

namespace varnelo {
namespace {

class SilentStatus final : public ProgressSink {
public:
    void showProgress(const PassProgress& /*progress*/) override {}
};

// A photo-sized picture with smooth gradients and some noise.
WorkBitmap photoLikePicture(int width, int height, PixelDepth depth) {
    WorkBitmap picture;
    if (!picture.allocate(width, height, depth))
        return picture;
    const auto bytes = static_cast<std::size_t>(bytesPerPixel(depth));
    std::uint32_t state = 12345;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.row(y);
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const auto noise = static_cast<int>(state >> 28);
            std::uint8_t* pixel = row + static_cast<std::size_t>(x) * bytes;
            pixel[0] = static_cast<std::uint8_t>((x * 255 / width + noise) & 0xFF);
            pixel[1] = static_cast<std::uint8_t>((y * 255 / height + noise) & 0xFF);
            pixel[2] = static_cast<std::uint8_t>(((x + y) * 127 / (width + height) + noise) & 0xFF);
        }
    }
    return picture;
}

void BM_ShrinkByAreaAveraging(benchmark::State& state) {
    const WorkBitmap original = photoLikePicture(4000, 3000, PixelDepth::Bits24);
    SilentStatus status;
    for (auto _ : state) {
        state.PauseTiming();
        WorkBitmap picture = original;
        state.ResumeTiming();
        if (!resizePicture(picture, 400, 300, status))
            state.SkipWithError("resize failed");
        benchmark::DoNotOptimize(picture.row(0));
    }
}
BENCHMARK(BM_ShrinkByAreaAveraging)->Unit(benchmark::kMillisecond);

void BM_PixelColorOverWholePicture(benchmark::State& state) {
    const auto depth = static_cast<PixelDepth>(state.range(0));
    const WorkBitmap picture = photoLikePicture(1600, 1200, depth);
    for (auto _ : state) {
        Rgb sum = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                sum += picture.pixelColor(x, y);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * picture.width() * picture.height());
}
BENCHMARK(BM_PixelColorOverWholePicture)
    ->Arg(static_cast<int>(PixelDepth::Bits24))
    ->Arg(static_cast<int>(PixelDepth::Bits32))
    ->Arg(static_cast<int>(PixelDepth::Bits16))
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace varnelo

BENCHMARK_MAIN();
