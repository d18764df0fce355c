// present_bench.cpp -- presentation through the headless backend at several client sizes: the game's
// per-frame call alone, and with the client image read back as a tool that captures frames would.
#include <benchmark/benchmark.h>

#include "backends/headless/headless.h"
#include "render/render.h"

namespace {

void BM_Present_Headless(benchmark::State& state) {
    const int32_t w = (int32_t)state.range(0);
    const int32_t h = (int32_t)state.range(1);
    const int readBack = (int)state.range(2);
    PlatformWindow* window = HeadlessOpenWindow(w, h);
    RenderReleaseBackBuffer();
    UpdateDisplayLayout(window);
    for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++i) {
        pixelBuffer[i] = (uint32_t)i * 2654435761u >> 8;
    }
    uint64_t sum = 0;
    for (auto _ : state) {
        PresentPixelBuffer(window);
        if (readBack) {
            int32_t iw = 0, ih = 0;
            const uint32_t* image = HeadlessPresentedImage(&iw, &ih);
            sum += image[(size_t)(ih / 2) * (size_t)iw + (size_t)(iw / 2)];
        }
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(sum);
    RenderReleaseBackBuffer();
    state.counters["clientPixels"] = (double)w * (double)h;
    state.SetLabel(readBack ? "present + image read" : "present");
}
BENCHMARK(BM_Present_Headless)
    ->ArgNames({"w", "h", "read"})
    ->Args({320, 200, 0})
    ->Args({960, 600, 0})
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({320, 200, 1})
    ->Args({640, 400, 1})
    ->Args({960, 600, 1})
    ->Args({1280, 800, 1})
    ->Args({1920, 1080, 1})
    ->Args({2560, 1440, 1})
    ->Args({3840, 2160, 1});

} // namespace
