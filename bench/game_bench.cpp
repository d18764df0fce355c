// game_bench.cpp -- the stage loaded from its file, and the whole headless game (input, update, render,
// presentation at 960 x 600, sound) run as fast as it goes over a long scripted play.
#include <benchmark/benchmark.h>

#include "app/game_state.h"
#include "app/main.h"
#include "bench/bench_long_play.h"
#include "bench/bench_play.h"
#include "backends/headless/headless.h"
#include "world/level.h"

#ifdef KALVORO_HAVE_REPLAY
#include <stdio.h>

#include <vector>

#include "tools/runner/replay_run.h"
#endif

namespace {

constexpr int32_t LONG_PLAY_FRAMES = 20000;

Tilemap gMap;

void BM_StageLoad(benchmark::State& state) {
    const int shipped = (int)state.range(0);
    if (shipped && !BenchHaveShippedStage()) {
        state.SkipWithError("no shipped stage file");
        return;
    }
    LevelSetStagePath(BenchStagePath(shipped));
    for (auto _ : state) {
        LevelLoadTestStage(&gMap);
        benchmark::ClobberMemory();
    }
    state.counters["cols"] = gMap.width;
    state.SetLabel(shipped ? "from the file" : "built-in (no file)");
    LevelSetStagePath(nullptr);
}
BENCHMARK(BM_StageLoad)->Arg(1)->Arg(0);

void BM_HeadlessGame(benchmark::State& state) {
    const int shipped = BenchHaveShippedStage();
    LevelSetStagePath(BenchStagePath(shipped));
    int32_t modeFrames[4] = {0, 0, 0, 0};
    for (auto _ : state) {
        PlatformWindow* window = HeadlessOpenWindow(960, 600);
        HeadlessAudioSetRecording(0);
        MainStartup(window);
        for (int32_t frame = 0; frame < LONG_PLAY_FRAMES; ++frame) {
            BenchLongPlayFrame(window, frame);
            modeFrames[GameStateGetMode() & 3]++;
        }
        MainShutdown();
    }
    state.counters["fps"] = benchmark::Counter((double)LONG_PLAY_FRAMES * (double)state.iterations(),
                                               benchmark::Counter::kIsRate);
    const double total = (double)LONG_PLAY_FRAMES * (double)state.iterations();
    state.counters["play"] = (double)modeFrames[MODE_PLAYING] / total;
    state.counters["over"] = (double)modeFrames[MODE_GAME_OVER] / total;
    state.counters["clear"] = (double)modeFrames[MODE_STAGE_CLEAR] / total;
    state.SetLabel(shipped ? "shipped stage, 20000 frames" : "built-in stage, 20000 frames");
    LevelSetStagePath(nullptr);
}
BENCHMARK(BM_HeadlessGame)->Unit(benchmark::kMillisecond)->Iterations(1);

#ifdef KALVORO_HAVE_REPLAY
// The runner's replays that clear the shipped and the built-in stage, played start to end at 960 x 600
// through the runner (which also reads and hashes the game's state after every frame).
void BM_Replay(benchmark::State& state) {
    const int shipped = (int)state.range(0);
    const char* path = shipped ? KALVORO_SOURCE_DIR "/tools/replays/shipped-stage.txt"
                               : KALVORO_SOURCE_DIR "/tools/replays/builtin-stage.txt";
    FILE* file = fopen(path, "rb");
    if (!file || (shipped && !BenchHaveShippedStage())) {
        if (file) {
            fclose(file);
        }
        state.SkipWithError("no replay or no stage file");
        return;
    }
    std::vector<char> text(REPLAY_MAX_BYTES);
    const size_t length = fread(text.data(), 1, text.size(), file);
    fclose(file);
    ReplayScript script;
    ReplayError error;
    if (!ReplayScriptParse(text.data(), length, &script, &error)) {
        state.SkipWithError(error.message);
        return;
    }
    ReplayRunOptions options = {};
    options.stagePath = BenchStagePath(shipped);
    options.clientW = 960;
    options.clientH = 600;
    ReplayRunResult result;
    for (auto _ : state) {
        if (!ReplayRun(&script, &options, &result)) {
            state.SkipWithError(result.message);
            break;
        }
    }
    state.counters["fps"] =
        benchmark::Counter((double)script.frames * (double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["frames"] = script.frames;
    state.SetLabel(shipped ? "shipped-stage replay" : "built-in-stage replay");
}
BENCHMARK(BM_Replay)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
#endif

} // namespace
