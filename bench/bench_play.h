// bench_play.h -- the real game driven through the headless backend into what the benchmarks time:
// started on a stage, flown anywhere in debug flight, and standing mid-stage in play.
#pragma once
#include <stdint.h>

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
