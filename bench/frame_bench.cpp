// frame_bench.cpp -- what a frame costs: the floor (one clear of the 320 x 200 buffer), a frame of
// play mid-stage on the shipped and the built-in stage, the other modes, and the tile renderer by tiles
// shown.
#include <benchmark/benchmark.h>

#include <string.h>

#include "app/game_state.h"
#include "app/main.h"
#include "bench/bench_play.h"
#include "platform/headless/headless.h"
#include "render/render.h"
#include "world/level.h"

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

BenchPlay gPlay;

// The stage of argument 0 (1: shipped, 0: built-in) started, the player standing mid-stage; 0 when it cannot
// be.
int BenchPlaySetUp(benchmark::State& state) {
    const int shipped = (int)state.range(0);
    if (shipped && !BenchHaveShippedStage()) {
        state.SkipWithError("no shipped stage file");
        return 0;
    }
    LevelSetStagePath(BenchStagePath(shipped));
    BenchPlayStart(&gPlay);
    LevelSetStagePath(nullptr);
    if (!BenchPlayMoveToMiddle(&gPlay)) {
        state.SkipWithError("nowhere to stand mid-stage");
        return 0;
    }
    return 1;
}

// Update and render of one frame of play, the player standing mid-stage with every enemy alive.
void BM_Frame_Play(benchmark::State& state) {
    if (!BenchPlaySetUp(state)) {
        return;
    }
    for (auto _ : state) {
        BenchPlayUpdate(&gPlay, FRAME_MS);
        BenchPlayRender(&gPlay);
        benchmark::ClobberMemory();
    }
    int32_t alive = 0;
    for (int32_t i = 0; i < gPlay.enemyCount; ++i) {
        alive += EnemyIsAlive(&gPlay.enemies[i]);
    }
    state.counters["tiles"] = BenchPlayTilesOnScreen(&gPlay);
    state.counters["enemies"] = alive;
    state.counters["cameraX"] = gPlay.camera.x;
    state.SetLabel(state.range(0) ? "shipped stage" : "built-in stage");
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
            BenchPlayRender(&gPlay);
        } else {
            BenchPlayUpdate(&gPlay, FRAME_MS);
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(render ? "render only" : "update only");
}
BENCHMARK(BM_Frame_PlayParts)->Args({1, 0})->Args({1, 1})->Args({0, 0})->Args({0, 1});

// The real game brought into a mode by its own input: the title, stage clear (flown onto the goal)
// and game over (flown below the stage).
PlatformWindow* gWindow;

void BenchGameFrame(void) {
    HeadlessAdvanceTicks((uint32_t)FRAME_MS);
    HeadlessRunFrame(gWindow);
}

// Flies (debug flight) until the player's centre is within a step of (x, y); 0 if it never gets there.
int BenchFlyTo(float x, float y) {
    for (int32_t i = 0; i < 20000; ++i) {
        const Player* p = GameStateGetPlayer();
        const float step = DEBUG_FLY_SPEED * FRAME_MS;
        const float dx = x - p->body.x;
        const float dy = y - p->body.y;
        if (dx < step && dx > -step && dy < step && dy > -step) {
            return 1;
        }
        HeadlessSetKeyState('D', dx >= step);
        HeadlessSetKeyState('A', dx <= -step);
        HeadlessSetKeyState('S', dy >= step);
        HeadlessSetKeyState('W', dy <= -step);
        BenchGameFrame();
    }
    return 0;
}

int BenchEnterMode(int32_t mode) {
    LevelSetStagePath(BenchStagePath(BenchHaveShippedStage()));
    gWindow = HeadlessOpenWindow(960, 600);
    HeadlessAudioSetRecording(0);
    MainStartup(gWindow);
    BenchGameFrame();
    if (mode == MODE_TITLE) {
        return GameStateGetMode() == MODE_TITLE;
    }
    HeadlessSetKeyDown(VK_F, 1); // play in debug flight
    BenchGameFrame();
    HeadlessSetKeyDown(VK_F, 0);
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
    if (!BenchFlyTo(x, y)) {
        return 0;
    }
    HeadlessSetKeyState('A', 0);
    HeadlessSetKeyState('D', 0);
    HeadlessSetKeyState('W', 0);
    HeadlessSetKeyState('S', 0);
    for (int32_t i = 0; i < 40; ++i) {
        BenchGameFrame(); // past the spawn grace, whatever the distance flown
    }
    HeadlessSetKeyDown(VK_F, 1); // flight off: the end tests run again
    BenchGameFrame();
    HeadlessSetKeyDown(VK_F, 0);
    BenchGameFrame();
    return GameStateGetMode() == mode;
}

void BM_Frame_Mode(benchmark::State& state) {
    const int32_t mode = (int32_t)state.range(0);
    if (!BenchEnterMode(mode)) {
        state.SkipWithError("could not reach the mode");
        return;
    }
    for (auto _ : state) {
        GameStateUpdate(FRAME_MS);
        GameStateRender();
        benchmark::ClobberMemory();
    }
    state.SetLabel(mode == MODE_TITLE ? "title" : mode == MODE_STAGE_CLEAR ? "stage clear" : "game over");
    MainShutdown();
    LevelSetStagePath(nullptr);
}
BENCHMARK(BM_Frame_Mode)->Arg(MODE_TITLE)->Arg(MODE_STAGE_CLEAR)->Arg(MODE_GAME_OVER);

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

// Runs once, untimed: the copy of the game's play frame timed above must draw exactly what the game
// draws, frame for frame, over 2000 frames of clicks and shots; the report says how many matched.
void BM_Check_PlayCopyMatchesGame(benchmark::State& state) {
    LevelSetStagePath(BenchStagePath(0));
    gWindow = HeadlessOpenWindow(960, 600);
    HeadlessAudioSetRecording(0);
    MainStartup(gWindow);
    BenchGameFrame();
    const int32_t compared = BenchPlayCheckAgainstGame(gWindow, 2000);
    MainShutdown();
    LevelSetStagePath(nullptr);
    if (compared < 0) {
        state.SkipWithError("the benchmark's play frame differs from the game's");
        return;
    }
    for (auto _ : state) {
    }
    state.counters["frames"] = compared;
}
BENCHMARK(BM_Check_PlayCopyMatchesGame)->Iterations(1)->Repetitions(1);

} // namespace
