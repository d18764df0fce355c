// editor_bench.cpp -- what a frame of the stage editor costs, against the buffer clear: the blank stage
// and the largest stage full of tiles and walkers, stepped and drawn as the frame step does.
#include <benchmark/benchmark.h>

#include "app/editor.h"
#include "app/main.h"
#include "backends/headless/headless.h"
#include "bench/bench_data.h"
#include "platform/keys.h"

namespace {

// Argument 0: the blank stage; 1: a stage painted full (every cell, the walker limit), made by the
// editor itself by dragging the left button over the view with the palette stepping on; 2: the largest
// stage (bench/stages/largest.txt, 128 x 32 cells of every kind with the most walkers the loader keeps),
// the view on its walkers. The editor is brought there by its own input; returns its window.
PlatformWindow* BenchEditorSetUp(int64_t stage) {
    BenchFreshDataFolder(); // no recovery copy of an earlier run is offered
    PlatformWindow* window = HeadlessOpenWindow(320, 200);
    MainStartup(window);
    MainStartEditor(window, stage == 2 ? KALVORO_SOURCE_DIR "/bench/stages/largest.txt" : nullptr);
    HeadlessSetCursor(160, 100);
    if (stage == 2) {
        HeadlessSetKeyDown(KEY_RIGHT, 1); // scrolled onto the walkers, about (56, 10) in cells
        HeadlessSetKeyDown(KEY_DOWN, 1);
        float x = 0.0f, y = 0.0f;
        for (int32_t i = 0; i < 2000 && (x < 56.0f * TILE_SIZE || y < 10.0f * TILE_SIZE); ++i) {
            HeadlessSetKeyDown(KEY_RIGHT, x < 56.0f * TILE_SIZE);
            HeadlessSetKeyDown(KEY_DOWN, y < 10.0f * TILE_SIZE);
            HeadlessAdvanceTicks(16);
            HeadlessRunFrame(window);
            EditorGetView(&x, &y);
        }
        HeadlessSetKeyDown(KEY_RIGHT, 0);
        HeadlessSetKeyDown(KEY_DOWN, 0);
    }
    if (stage == 1) {
        for (int32_t y = EDITOR_BAR_H + 2; y < EDITOR_STATUS_Y; y += 8) {
            HeadlessSetKeyDown('1' + (y / 8) % 9, 1);
            for (int32_t x = 0; x < 320; x += 8) {
                HeadlessSetCursor(x + 4, y);
                HeadlessSetKeyDown(1, 1);
                HeadlessAdvanceTicks(16);
                HeadlessRunFrame(window);
            }
            HeadlessSetKeyDown(1, 0);
            HeadlessSetKeyDown('1' + (y / 8) % 9, 0);
        }
        HeadlessSetCursor(160, 100);
    }
    return window;
}

void BenchEditorTearDown(void) {
    EditorClose();
    MainShutdown();
}

// The editor's whole frame step: input, step, render, present and the sound block.
void BM_Frame_Editor(benchmark::State& state) {
    PlatformWindow* window = BenchEditorSetUp(state.range(0));
    for (auto _ : state) {
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
    }
    BenchEditorTearDown();
}
BENCHMARK(BM_Frame_Editor)->Arg(0)->Arg(1)->Arg(2);

// What a frame of play times, for the editor: its step and its picture, without the present and the
// sound block that every mode's frame shares.
void BM_Frame_EditorDraw(benchmark::State& state) {
    PlatformWindow* window = BenchEditorSetUp(state.range(0));
    for (auto _ : state) {
        HeadlessAdvanceTicks(16);
        EditorStep(window, 16.0f);
        EditorRender();
        benchmark::ClobberMemory();
    }
    BenchEditorTearDown();
}
BENCHMARK(BM_Frame_EditorDraw)->Arg(0)->Arg(1)->Arg(2);

} // namespace

namespace {

// The shipped stage solved inside the editor, a slice per frame, timed as wall time from V to the
// route; the counter "frames" says how many editor frames the search took.
void BM_Editor_SolveShipped(benchmark::State& state) {
    PlatformWindow* window = HeadlessOpenWindow(320, 200);
    BenchFreshDataFolder();
    MainStartup(window);
    int32_t frames = 0;
    for (auto _ : state) {
        MainStartEditor(window, KALVORO_SOURCE_DIR "/tools/maptool/map.txt");
        HeadlessSetKeyDown('V', 1);
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
        HeadlessSetKeyDown('V', 0);
        frames = 1;
        while (EditorIsSolving() && frames < 100000) {
            // The clock moves as a window's would, so the slices are bounded by time as they are there.
            HeadlessAdvanceTicks(16);
            HeadlessRunFrame(window);
            ++frames;
        }
    }
    int clears = 0;
    EditorRouteSteps(&clears);
    state.counters["frames"] = (double)frames;
    state.counters["clears"] = (double)clears;
    EditorClose();
    MainShutdown();
}
BENCHMARK(BM_Editor_SolveShipped)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
