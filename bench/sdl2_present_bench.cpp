// sdl2_present_bench.cpp -- presentation through the SDL2 backend (texture upload, clear, scaled copy,
// present) at several client sizes, in a real window; run under a display, e.g. a private Xvfb.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stdio.h>

#include "backends/sdl2/sdl2_platform.h"
#include "render/render.h"

namespace {

PlatformWindow* gWindow;
char gRendererName[64] = "?";

// Resizes the game window and waits until the renderer reports the new drawable size.
int BenchResize(int32_t w, int32_t h) {
    SDL_Window* window = SDL_GetWindowFromID(1);
    if (!window) {
        return 0;
    }
    SDL_SetWindowSize(window, w, h);
    for (int32_t i = 0; i < 200; ++i) {
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        int32_t cw = 0, ch = 0;
        PlatformGetClientSize(gWindow, &cw, &ch);
        if (cw == w && ch == h) {
            return 1;
        }
        SDL_Delay(10);
    }
    return 0;
}

void BM_Present_Sdl2(benchmark::State& state) {
    const int32_t w = (int32_t)state.range(0);
    const int32_t h = (int32_t)state.range(1);
    if (!BenchResize(w, h)) {
        state.SkipWithError("the window could not take this size");
        return;
    }
    RenderReleaseBackBuffer();
    for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++i) {
        pixelBuffer[i] = (uint32_t)i * 2654435761u >> 8;
    }
    for (auto _ : state) {
        PresentPixelBuffer(gWindow);
        // The game pumps events every frame; an unpumped queue would grow.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    state.counters["clientPixels"] = (double)w * (double)h;
    state.SetLabel(gRendererName);
}
BENCHMARK(BM_Present_Sdl2)
    ->ArgNames({"w", "h"})
    ->Args({960, 600})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    SDL_SetMainReady();
    benchmark::Initialize(&argc, argv);
    const char* whyNot = "";
    gWindow = Sdl2OpenWindow(&whyNot);
    if (!gWindow) {
        fprintf(stderr, "kalvoro_bench_sdl2: no window (%s)\n", whyNot);
        return 1;
    }
    SDL_Renderer* renderer = SDL_GetRenderer(SDL_GetWindowFromID(1));
    SDL_RendererInfo info;
    if (renderer && SDL_GetRendererInfo(renderer, &info) == 0) {
        snprintf(gRendererName, sizeof(gRendererName), "SDL renderer %s", info.name);
    } else if (!renderer) {
        snprintf(gRendererName, sizeof(gRendererName), "window surface");
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Sdl2CloseWindow(gWindow);
    SDL_Quit();
    return 0;
}
