// game_snapshot.h -- the whole state of a game as one plain record: everything that decides what the
// game does next, gathered from the modules that own it, and one hash over it.
#pragma once
#include <stdint.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "audio/audio.h"
#include "input/input.h"
#include "render/render.h"
#include "world/camera.h"
#include "world/tilemap.h"

struct GameSnapshot {
    Tilemap map;
    Player player;
    Camera camera;
    Enemy enemies[MAX_ENEMIES];
    int32_t enemyCount;
    float spawnGraceMs;
    float fireBlockMs;
    int32_t mode;
    int32_t titleBlink;
    int32_t debugFly;
    int32_t ignoreEscapePress;
    InputState input;
    RenderLayout layout;
    AudioState audio;
};

// FNV-1a over every field that decides play, field by field so padding never enters it. Left out: the
// layout and the synthesiser (the same game plays at any window size, with or without sound), the
// shotgun's definition pointer (there is one definition), pellets past pelletCount and stage spawns
// past enemySpawnCount (never read).
uint64_t GameSnapshotHash(const GameSnapshot* snapshot);
