// search_bench.cpp -- what a search through saved games pays: the step without drawing, a save and a
// restore, and a branch (restore, one shot, its flight) as a search makes thousands of.
#include <benchmark/benchmark.h>

#include <math.h>

#include "app/game_state.h"
#include "app/main.h"
#include "bench/bench_play.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "world/level.h"

namespace {

constexpr float STEP_MS = 16.0f;
constexpr int32_t BRANCH_FRAMES = 24;
constexpr int32_t BRANCH_ANGLES = 12;

GameSnapshot gRoot;
GameSnapshot gScratch;
PlatformWindow* gWindow;

// The stage started in a 320 x 200 window (cursor pixels are logical pixels), past the fire block,
// the player settled on the spawn: where a search begins.
int SearchBenchStart(benchmark::State& state) {
    const int shipped = (int)state.range(0);
    if (shipped && !BenchHaveShippedStage()) {
        state.SkipWithError("no shipped stage file");
        return 0;
    }
    LevelSetStagePath(BenchStagePath(shipped));
    gWindow = HeadlessOpenWindow(LOGICAL_WIDTH, LOGICAL_HEIGHT);
    HeadlessAudioSetRecording(0);
    MainStartup(gWindow);
    HeadlessSetKeyState(KEY_LBUTTON, 1);
    GameStateStep(gWindow, STEP_MS);
    HeadlessSetKeyState(KEY_LBUTTON, 0);
    for (int32_t i = 0; i < 20; ++i) {
        GameStateStep(gWindow, STEP_MS);
    }
    GameStateSave(&gRoot);
    state.SetLabel(shipped ? "shipped stage" : "built-in stage");
    return GameStateGetMode() == MODE_PLAYING;
}

void SearchBenchStop(void) {
    MainShutdown();
    LevelSetStagePath(nullptr);
}

// The cursor 60 px from the player's screen position at angle k of a fan from straight down to level.
void SearchBenchAim(int32_t k) {
    const Player* player = GameStateGetPlayer();
    const Camera* camera = GameStateGetCamera();
    const float rad = (float)k * (3.14159265f / (float)(BRANCH_ANGLES - 1));
    const float sx = player->body.x - camera->x + 60.0f * cosf(rad);
    const float sy = player->body.y - camera->y + 60.0f * fabsf(sinf(rad)) + 1.0f;
    HeadlessSetCursor((int32_t)sx, (int32_t)sy);
}

// The update as a search runs it: input polled, modes, update; nothing drawn.
void BM_Search_Step(benchmark::State& state) {
    if (!SearchBenchStart(state)) {
        return;
    }
    for (auto _ : state) {
        GameStateStep(gWindow, STEP_MS);
        benchmark::ClobberMemory();
    }
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    SearchBenchStop();
}
BENCHMARK(BM_Search_Step)->Arg(1)->Arg(0);

// A save and a restore of the whole game.
void BM_Search_SaveRestore(benchmark::State& state) {
    if (!SearchBenchStart(state)) {
        return;
    }
    for (auto _ : state) {
        GameStateSave(&gScratch);
        GameStateRestore(&gScratch);
        benchmark::ClobberMemory();
    }
    SearchBenchStop();
}
BENCHMARK(BM_Search_SaveRestore)->Arg(1)->Arg(0);

// One branch of a search: back to the saved start, a shot at one of twelve angles, 24 frames of its
// flight. fps counts the frames run, restores included in the time.
void BM_Search_Branch(benchmark::State& state) {
    if (!SearchBenchStart(state)) {
        return;
    }
    int32_t k = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        GameStateRestore(&gRoot);
        SearchBenchAim(k);
        k = (k + 1) % BRANCH_ANGLES;
        HeadlessSetKeyState(KEY_LBUTTON, 1);
        GameStateStep(gWindow, STEP_MS);
        HeadlessSetKeyState(KEY_LBUTTON, 0);
        for (int32_t i = 1; i < BRANCH_FRAMES; ++i) {
            GameStateStep(gWindow, STEP_MS);
        }
        frames += BRANCH_FRAMES;
        benchmark::ClobberMemory();
    }
    state.counters["fps"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
    SearchBenchStop();
}
BENCHMARK(BM_Search_Branch)->Arg(1)->Arg(0);

} // namespace
