// Drawing the image output at its size limit: 5079 × 5079 pixels of
// 12 × 11 cells, every cell in its own colour, before encoding.
#include "engine/random_generator.h"
#include "writers/atomic_file.h"
#include "writers/image_output.h"

#include <benchmark/benchmark.h>

namespace varnelo {
namespace {

class SilentObserver final : public PassObserver {
public:
    void showProgress(const PassProgress& /*progress*/) override {}
    void setProgressRange(int) override {}
    void setProgressPosition(int) override {}
};

void BM_DrawCellsAtTheSizeLimit(benchmark::State& state) {
    ConversionSettings settings;
    settings.outputFormat = OutputFormat::Image;
    settings.transformation = PixelTransformation::RandomNumbers;
    const int width = 5079 / 12;
    const int height = 5079 / 11;
    DocumentLines lines;
    SilentObserver observer;
    RandomGenerator random(1);
    const std::atomic<bool> cancel{false};
    const OutputOpener openOutput = openAtomicOutput;
    WriterContext context{lines, observer, random, cancel, openOutput};
    ByteString text = "00";
    for (auto _ : state) {
        ImageOutput output(context);
        if (!output.beginOutput(settings, width, height).proceeds()) {
            state.SkipWithError("refused");
            break;
        }
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                text[0] = static_cast<char>('0' + random.nextBelow(10));
                text[1] = static_cast<char>('0' + random.nextBelow(10));
                output.putPixel(
                    x, y, text,
                    makeRgb(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 99),
                    true);
            }
        benchmark::DoNotOptimize(output.image().row(0));
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_DrawCellsAtTheSizeLimit)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace varnelo

BENCHMARK_MAIN();
