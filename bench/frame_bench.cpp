// frame_bench.cpp -- what a frame costs: the floor (one clear of the 320 x 200 buffer), a frame of
// play mid-stage on the shipped and the built-in stage, the other modes, and the tile renderer by tiles
// shown.
#include <benchmark/benchmark.h>

#include "app/game_state.h"
#include "bench/bench_play.h"
#include "render/render.h"

namespace {

constexpr float FRAME_MS = 16.0f;
constexpr int32_t VK_F = 70;

// The least a frame can cost: every pixel written once.
void BM_Floor_Clear(benchmark::State& state) {
    uint32_t colour = 0x58A4D8;
    for (auto _ : state) {
        RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, colour);
        benchmark::ClobberMemory();
        colour ^= 1;
    }
}
BENCHMARK(BM_Floor_Clear);

// The game started on the stage of argument 0 (1: shipped, 0: built-in), the player standing mid-stage;
// 0 (the benchmark skipped) when it cannot be.
int BenchPlaySetUp(benchmark::State& state) {
    const int shipped = (int)state.range(0);
    if (shipped && !BenchHaveShippedStage()) {
        state.SkipWithError("no shipped stage file");
        return 0;
    }
    BenchGameStart(shipped);
    if (!BenchPlayEnterMidStage()) {
        BenchGameStop();
        state.SkipWithError("no ground mid-stage that the walkers never reach");
        return 0;
    }
    return 1;
}

// A run that ended, or a death, while timed would have timed something else: the result is dropped.
void BenchPlayTearDown(benchmark::State& state) {
    if (!BenchPlayIsMidStage()) {
        state.SkipWithError("the play left mid-stage while timed");
    }
    BenchGameStop();
}

// The timed loop of every whole-frame benchmark: the game's update and render, one frame a pass.
static void BenchTimeFrames(benchmark::State& state) {
    for (auto _ : state) {
        GameStateUpdate(FRAME_MS);
        GameStateRender();
        benchmark::ClobberMemory();
    }
}

// Update and render of one frame of play, the player standing mid-stage with every enemy alive.
void BM_Frame_Play(benchmark::State& state) {
    if (!BenchPlaySetUp(state)) {
        return;
    }
    BenchTimeFrames(state);
    state.counters["tiles"] = BenchPlayTilesOnScreen();
    state.counters["enemies"] = BenchPlayEnemiesAlive();
    state.counters["cameraX"] = GameStateGetCamera()->x;
    state.SetLabel(state.range(0) ? "shipped stage" : "built-in stage");
    BenchPlayTearDown(state);
}
BENCHMARK(BM_Frame_Play)->Arg(1)->Arg(0);

// Only the update, and only the render, of the same frame.
void BM_Frame_PlayParts(benchmark::State& state) {
    if (!BenchPlaySetUp(state)) {
        return;
    }
    const int render = (int)state.range(1);
    for (auto _ : state) {
        if (render) {
            GameStateRender();
        } else {
            GameStateUpdate(FRAME_MS);
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(render ? "render only" : "update only");
    BenchPlayTearDown(state);
}
BENCHMARK(BM_Frame_PlayParts)->Args({1, 0})->Args({1, 1})->Args({0, 0})->Args({0, 1});

// The real game brought into a mode by its own input: the title, stage clear (flown onto the goal)
// and game over (flown below the stage).
int BenchEnterMode(int32_t mode) {
    BenchGameStart(BenchHaveShippedStage());
    if (mode == MODE_TITLE) {
        return GameStateGetMode() == MODE_TITLE;
    }
    BenchGamePressKey(VK_F); // play in debug flight
    const Tilemap* map = GameStateGetMap();
    float x = 40.0f;
    float y = (float)((map->height + 3) * TILE_SIZE); // below the stage: a fall
    if (mode == MODE_STAGE_CLEAR) {
        for (int32_t row = 0; row < map->height; ++row) {
            for (int32_t col = 0; col < map->width; ++col) {
                if (TilemapGetTile(map, col, row) == TILE_GOAL) {
                    x = (float)(TILE_SIZE * col + 8);
                    y = (float)(TILE_SIZE * row + 8);
                }
            }
        }
    }
    if (!BenchGameFlyTo(x, y)) {
        return 0;
    }
    for (int32_t i = 0; i < 40; ++i) {
        BenchGameFrame((uint32_t)FRAME_MS); // past the spawn grace, whatever the distance flown
    }
    BenchGamePressKey(VK_F); // flight off: the end tests run again
    BenchGameFrame((uint32_t)FRAME_MS);
    return GameStateGetMode() == mode;
}

void BM_Frame_Mode(benchmark::State& state) {
    const int32_t mode = (int32_t)state.range(0);
    if (!BenchEnterMode(mode)) {
        BenchGameStop();
        state.SkipWithError("could not reach the mode");
        return;
    }
    BenchTimeFrames(state);
    state.SetLabel(mode == MODE_TITLE ? "title" : mode == MODE_STAGE_CLEAR ? "stage clear" : "game over");
    BenchGameStop();
}
BENCHMARK(BM_Frame_Mode)->Arg(MODE_TITLE)->Arg(MODE_STAGE_CLEAR)->Arg(MODE_GAME_OVER);

// A frame of play on a one-screen stage (bench/stages/crowd.txt) holding as many walkers as the game
// keeps, all walking in view over tiles of every solid kind, the player hovering in debug flight.
void BM_Frame_Crowd(benchmark::State& state) {
    if (!BenchCrowdStart()) {
        state.SkipWithError("the crowded stage did not come up with every walker alive");
        return;
    }
    BenchTimeFrames(state);
    state.counters["tiles"] = BenchPlayTilesOnScreen();
    state.counters["enemies"] = BenchPlayEnemiesAlive();
    BenchGameStop();
}
BENCHMARK(BM_Frame_Crowd);

// The tile renderer with n of the 260 cells of the screen (camera at 0, 0) holding a ground tile.
Tilemap gTiles;

void BM_Tiles_OnScreen(benchmark::State& state) {
    const int32_t n = (int32_t)state.range(0);
    TilemapClear(&gTiles);
    TilemapSetTile(&gTiles, MAP_MAX_COLS - 1, MAP_MAX_ROWS - 1, TILE_EMPTY);
    for (int32_t i = 0; i < n; ++i) {
        TilemapSetTile(&gTiles, i % 20, i / 20, TILE_GROUND);
    }
    for (auto _ : state) {
        TilemapRender(&gTiles, 0.0f, 0.0f);
        benchmark::ClobberMemory();
    }
    state.counters["tiles"] = n;
}
BENCHMARK(BM_Tiles_OnScreen)->Arg(0)->Arg(65)->Arg(130)->Arg(195)->Arg(260);

// A full screen of every kind mixed, seen from a camera that cuts the tiles at all four edges, a goal
// among those cut at the left (drawn shape by shape).
void BM_Tiles_Mixed(benchmark::State& state) {
    const int32_t shown = BenchMixedTiles(&gTiles);
    for (auto _ : state) {
        TilemapRender(&gTiles, BENCH_MIXED_X, BENCH_MIXED_Y);
        benchmark::ClobberMemory();
    }
    state.counters["tiles"] = shown;
}
BENCHMARK(BM_Tiles_Mixed);

} // namespace
