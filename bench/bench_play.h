// bench_play.h -- the real game driven through the headless backend into what the benchmarks time:
// started on a stage, flown anywhere in debug flight, and standing mid-stage in play.
#pragma once
#include <stdint.h>

#include "platform/platform.h"
#include "world/tilemap.h"

// Opens the headless window at 960 x 600 and starts the game silent on the stage (1: shipped, 0:
// built-in) up to its first frame: the title.
void BenchGameStart(int shipped);
// The same on the stage file at path.
void BenchGameStartOn(const char* path);
// Advances the clock by ms and runs one whole frame.
void BenchGameFrame(uint32_t ms);
// One frame with the key pressed, then the key let go.
void BenchGamePressKey(int32_t vk);
// In debug flight, flies until the player's centre is within a fifth of a pixel of (x, y) and lets go of
// the keys; 0 if it never gets there.
int BenchGameFlyTo(float x, float y);
// Shuts the game down and forgets the stage path.
void BenchGameStop(void);

// From the title: the player standing on the ground nearest the middle of the stage that no walker
// ever reaches, in play, the camera settled and every enemy alive; 0 when there is no such place.
int BenchPlayEnterMidStage(void);
// 1 while that still holds: in play (not flying), the player on the ground, every enemy alive.
int BenchPlayIsMidStage(void);
// Live enemies on the stage.
int32_t BenchPlayEnemiesAlive(void);
// Tiles the renderer draws for the game's current camera.
int32_t BenchPlayTilesOnScreen(void);

// Absolute path of a stage file of the repository ("" for the built-in stage).
const char* BenchStagePath(int shipped);
// 1 when the shipped stage file exists.
int BenchHaveShippedStage(void);

// The busiest screens. A full screen of every tile kind mixed, for a camera at (BENCH_MIXED_X,
// BENCH_MIXED_Y) that cuts the tiles at all four edges, goals among those cut at the left and the top;
// returns the tiles shown.
constexpr float BENCH_MIXED_X = 8.5f;
constexpr float BENCH_MIXED_Y = 7.25f;
int32_t BenchMixedTiles(Tilemap* map);
// A frame of play on a one-screen stage (bench/stages/crowd.txt) holding as many walkers as the game
// keeps, all walking in view over tiles of every solid kind, the player hovering in debug flight; 0
// when the stage did not come up with every walker alive (the game is then stopped).
int BenchCrowdStart(void);
// The editor brought by its own input onto a blank stage (0), a stage it painted full (1: every cell,
// the walker limit, by dragging the left button over the view with the palette stepping on) or the
// largest stage (2: bench/stages/largest.txt, 128 x 32 cells of every kind with the most walkers the
// loader keeps, the view on its walkers), in a fresh data folder; returns its window.
PlatformWindow* BenchEditorStart(int64_t stage);
void BenchEditorStop(void);
