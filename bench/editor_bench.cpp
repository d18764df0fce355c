// editor_bench.cpp -- what a frame of the stage editor costs, against the buffer clear: the blank stage
// and the largest stage full of tiles and walkers, stepped and drawn as the frame step does.
#include <benchmark/benchmark.h>

#include "app/editor.h"
#include "app/main.h"
#include "backends/headless/headless.h"
#include "bench/bench_data.h"
#include "bench/bench_play.h"
#include "platform/keys.h"

namespace {

// The editor's whole frame step: input, step, render, present and the sound block, on the three stages
// of BenchEditorStart.
void BM_Frame_Editor(benchmark::State& state) {
    PlatformWindow* window = BenchEditorStart(state.range(0));
    for (auto _ : state) {
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
    }
    BenchEditorStop();
}
BENCHMARK(BM_Frame_Editor)->Arg(0)->Arg(1)->Arg(2);

// What a frame of play times, for the editor: its step and its picture, without the present and the
// sound block that every mode's frame shares.
void BM_Frame_EditorDraw(benchmark::State& state) {
    PlatformWindow* window = BenchEditorStart(state.range(0));
    for (auto _ : state) {
        HeadlessAdvanceTicks(16);
        EditorStep(window, 16.0f);
        EditorRender();
        benchmark::ClobberMemory();
    }
    BenchEditorStop();
}
BENCHMARK(BM_Frame_EditorDraw)->Arg(0)->Arg(1)->Arg(2);

// The same on the largest stage while the view moves every frame (Right held, then Left, turning every
// 64 frames): a still view's kept picture never serves, so this is what a scrolling (or painting)
// editor costs. The counter "moved" is the share of frames whose view moved.
void BM_Frame_EditorScroll(benchmark::State& state) {
    PlatformWindow* window = BenchEditorStart(state.range(0));
    int64_t frames = 0, moved = 0;
    float x = 0.0f, y = 0.0f;
    EditorGetView(&x, &y);
    for (auto _ : state) {
        const int right = (frames / 64) % 2 == 0;
        HeadlessSetKeyDown(KEY_RIGHT, right);
        HeadlessSetKeyDown(KEY_LEFT, !right);
        HeadlessAdvanceTicks(16);
        EditorStep(window, 16.0f);
        EditorRender();
        benchmark::ClobberMemory();
        const float was = x;
        EditorGetView(&x, &y);
        moved += x != was;
        ++frames;
    }
    HeadlessSetKeyDown(KEY_RIGHT, 0);
    HeadlessSetKeyDown(KEY_LEFT, 0);
    state.counters["moved"] = frames > 0 ? (double)moved / (double)frames : 0.0;
    BenchEditorStop();
}
BENCHMARK(BM_Frame_EditorScroll)->Arg(2);

// The same on the largest stage with what the editor draws over its view turned on by its key: G's
// grid (argument 'G') or O's overview of the whole stage ('O'), the view still. The key is pressed
// again at the end: the editor keeps both across the stages it opens, and so across benchmarks.
void BM_Frame_EditorOver(benchmark::State& state) {
    PlatformWindow* window = BenchEditorStart(2);
    const int32_t key = (int32_t)state.range(0);
    const auto press = [window, key] {
        for (int32_t down = 1; down >= 0; --down) {
            HeadlessSetKeyDown(key, down);
            HeadlessAdvanceTicks(16);
            HeadlessRunFrame(window);
        }
    };
    press();
    for (auto _ : state) {
        HeadlessAdvanceTicks(16);
        EditorStep(window, 16.0f);
        EditorRender();
        benchmark::ClobberMemory();
    }
    press();
    BenchEditorStop();
}
BENCHMARK(BM_Frame_EditorOver)->Arg('G')->Arg('O');

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
