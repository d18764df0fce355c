// bench_play.h -- a stage in play held by the benchmarks: the game's own records and the same calls,
// in the same order, as the game's update and render in play, so a frame can be timed anywhere on a stage.
#pragma once
#include <stdint.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "platform/platform.h"
#include "world/camera.h"
#include "world/tilemap.h"

struct BenchPlay {
    Tilemap map;
    Player player;
    Camera camera;
    Enemy enemies[MAX_ENEMIES];
    int32_t enemyCount;
    float spawnGraceMs;
    float fireBlockMs;
    int32_t ended; // the run would have ended (contact, fall or goal); play goes on regardless
};

// Loads the stage from the current stage path and starts it as the game does.
void BenchPlayStart(BenchPlay* play);
// One update in play: timers, fire, player physics, enemies, camera, end tests.
void BenchPlayUpdate(BenchPlay* play, float dtMs);
// One render in play: sky and tiles, enemies, player, heads-up display.
void BenchPlayRender(const BenchPlay* play);
// Puts the player on the ground nearest the middle of the stage and lets the camera settle there;
// 0 when the stage has nowhere to stand.
int BenchPlayMoveToMiddle(BenchPlay* play);
// Tiles the renderer draws for the current camera.
int32_t BenchPlayTilesOnScreen(const BenchPlay* play);
// Frames the real game and this copy in lockstep from the title through clicks and shots, comparing
// every rendered picture; returns the number of frames compared, or -(frame) at the first difference.
int32_t BenchPlayCheckAgainstGame(PlatformWindow* window, int32_t frames);

// Absolute path of a stage file of the repository ("" for the built-in stage).
const char* BenchStagePath(int shipped);
// 1 when the shipped stage file exists.
int BenchHaveShippedStage(void);
