// game_snapshot.h -- the whole state of a game as one plain record: everything that decides what the
// game does next, gathered from the modules that own it, listed once below, and one hash over it.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "audio/audio.h"
#include "input/input.h"
#include "render/render.h"
#include "world/camera.h"
#include "world/tilemap.h"

// Every piece of the game's state, once. The record, save, restore, the hash and what a search keeps
// of a game are all made from this list, so a new piece of state is one line here (and its static in
// game_state.cpp, or its module's save and restore). Columns:
//   VALUE(type, field, static in game_state.cpp, hash, play)
//   ARRAY(type, field, static in game_state.cpp, count, hash, play)
//   MODULE(type, field, module's save, module's restore, hash, play)
// hash names how the hash reads the field (Skip: not at all); play is 1 for what changes while a stage
// is played, 0 for what is fixed once it starts (the stage) or never decides play (layout, sound).
// The order is the hash's order.
#define GAME_STATE_LIST(VALUE, ARRAY, MODULE)                                                                \
    VALUE(int32_t, mode, gMode, Int, 1)                                                                      \
    VALUE(int32_t, debugFly, gDebugFlyMode, Int, 1)                                                          \
    VALUE(float, spawnGraceMs, gSpawnGraceMs, Float, 1)                                                      \
    VALUE(float, fireBlockMs, gFireBlockMs, Float, 1)                                                        \
    VALUE(int32_t, titleBlink, gTitleBlink, Int, 1)                                                          \
    VALUE(int32_t, ignoreEscapePress, gIgnoreEscapePress, Int, 1)                                            \
    VALUE(Player, player, gPlayer, Player, 1)                                                                \
    VALUE(int32_t, enemyCount, gEnemyCount, Int, 1)                                                          \
    ARRAY(Enemy, enemies, gEnemies, MAX_ENEMIES, Enemy, 1)                                                   \
    VALUE(Camera, camera, gCamera, Camera, 1)                                                                \
    VALUE(Tilemap, map, gMap, Map, 0)                                                                        \
    MODULE(InputState, input, InputSave, InputRestore, Input, 1)                                             \
    MODULE(RenderLayout, layout, RenderSaveLayout, RenderRestoreLayout, Skip, 0)                             \
    MODULE(AudioState, audio, AudioSave, AudioRestore, Skip, 0)

#define GAME_SNAPSHOT_VALUE(type, field, name, hash, play) type field;
#define GAME_SNAPSHOT_ARRAY(type, field, name, count, hash, play) type field[count];
#define GAME_SNAPSHOT_MODULE(type, field, save, restore, hash, play) type field;
struct GameSnapshot {
    GAME_STATE_LIST(GAME_SNAPSHOT_VALUE, GAME_SNAPSHOT_ARRAY, GAME_SNAPSHOT_MODULE)
};
#undef GAME_SNAPSHOT_VALUE
#undef GAME_SNAPSHOT_ARRAY
#undef GAME_SNAPSHOT_MODULE

// Where one listed piece lies in the record.
struct GameSnapshotPart {
    const char* name;
    size_t offset;
    size_t size;
    int32_t play; // 1: changes while a stage is played
};

// The listed pieces in list order; count may be null.
const GameSnapshotPart* GameSnapshotParts(int32_t* count);

// FNV-1a over every field that decides play, field by field so padding never enters it. Left out: the
// layout and the synthesiser (the same game plays at any window size, with or without sound), the
// shotgun's definition pointer (there is one definition), pellets past pelletCount and stage spawns
// past enemySpawnCount (never read).
uint64_t GameSnapshotHash(const GameSnapshot* snapshot);
