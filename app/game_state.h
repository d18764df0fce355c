// game_state.h -- the stage in play (map, player, camera, enemies, grace timers) and the mode
// machine: title, play, stage clear, game over.
#pragma once
#include <stdint.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "app/game_snapshot.h"
#include "input/input.h"
#include "platform/platform.h"
#include "world/camera.h"
#include "world/tilemap.h"

constexpr int32_t MODE_TITLE = 0;
constexpr int32_t MODE_PLAYING = 1;
constexpr int32_t MODE_STAGE_CLEAR = 2;
constexpr int32_t MODE_GAME_OVER = 3;

constexpr float SPAWN_GRACE_MS = 500.0f;
constexpr float FIRE_BLOCK_MS = 200.0f;

// Input and audio up, title mode, menu music.
void GameStateInit(void);
// A stage start as the start key gives it: sound, stage loaded afresh, play, stage music.
void GameStateStartStage(void);
// The title screen and its music.
void GameStateShowTitle(void);
// The stage just started puts its player at (x, y) instead of the start (the editor's play-test from
// a chosen point); the camera follows as at a start.
void GameStatePlacePlayer(float x, float y);
// This frame's input snapshot, the editor's too; while a pad aims, its aim is the cursor.
void GameStatePollMouse(PlatformWindow* window);
// Mode changes on this frame's press edges.
void GameStatePollKeys(void);
// Mode changes on a key-down message (auto-repeats included).
void GameStateHandleKey(int32_t code);
// Advances the stage in play by dt milliseconds.
void GameStateUpdate(float dt);
// Draws the current mode into pixelBuffer.
void GameStateRender(void);
// A frame without drawing, presenting or sound: input snapshot, polled mode changes, update. The
// frame step runs exactly this before it draws; searches run it alone.
void GameStateStep(PlatformWindow* window, float dt);
// The same step with the frame's input given instead of read from the platform (searches, playback).
void GameStateStepWith(const InputFrame* input, float dt);
// The first frame of a run played back: its input, a stage start whatever the input, its step.
void GameStateStartWith(const InputFrame* input, float dt);

// Copies the whole game (this module's stage and mode, the input, the layout, the synthesiser) into
// snapshot, and back. The frame clock and the sound device are not part of it.
void GameStateSave(GameSnapshot* snapshot);
void GameStateRestore(const GameSnapshot* snapshot);

// Read-only views for tools and tests.
int32_t GameStateGetMode(void);
const Player* GameStateGetPlayer(void);
const Enemy* GameStateGetEnemies(int32_t* count);
const Camera* GameStateGetCamera(void);
const Tilemap* GameStateGetMap(void);
int32_t GameStateGetDebugFly(void);
// The countdowns of a stage start (ms left of the spawn grace and of the fire block) and the
// title prompt's blink counter; any pointer may be null.
void GameStateGetTimers(float* spawnGraceMs, float* fireBlockMs, int32_t* titleBlink);
