// tilemap.h -- the stage grid (tile ids, player spawn, enemy spawn list), tile classification,
// the collision response that keeps a body out of solid tiles, and the tile drawing.
#pragma once
#include <stdint.h>

#include "world/physics.h"

constexpr int32_t TILE_SIZE = 16;
constexpr int32_t MAP_MAX_ROWS = 32;
constexpr int32_t MAP_MAX_COLS = 128;
constexpr int32_t MAX_ENEMY_SPAWNS = 32;

constexpr int32_t TILE_EMPTY = 0;
constexpr int32_t TILE_GROUND = 1;
constexpr int32_t TILE_PLATFORM = 2;
constexpr int32_t TILE_PILLAR = 3;
constexpr int32_t TILE_SOLID_4 = 4;
constexpr int32_t TILE_SOLID_5 = 5;
constexpr int32_t TILE_SOLID_6 = 6;
constexpr int32_t TILE_SOLID_7 = 7;
constexpr int32_t TILE_PLAYER_SPAWN = 8;
constexpr int32_t TILE_ENEMY_SPAWN = 9;
constexpr int32_t TILE_GOAL = 10;

constexpr float BODY_BOX_W = 14.0f;
constexpr float BODY_BOX_H = 28.0f;
constexpr float COLLISION_SKIN = 0.05f;
constexpr float GROUND_FRICTION = 0.88f;
// How far above the top of the tile it stands on a body at rest has its centre: half its height and
// the skin the collision leaves.
constexpr float BODY_REST_HEIGHT = 14.05f;
static_assert(BODY_REST_HEIGHT == BODY_BOX_H * 0.5f + COLLISION_SKIN, "the rest height follows the box");

struct Tilemap {
    int32_t width;  // used width in tiles, 0..128
    int32_t height; // used height in tiles, 0..32
    uint8_t tiles[MAP_MAX_ROWS][MAP_MAX_COLS];
    float spawnX; // player spawn (body centre), world pixels
    float spawnY;
    int32_t enemySpawnCount; // 0..32
    float enemySpawnX[MAX_ENEMY_SPAWNS];
    float enemySpawnY[MAX_ENEMY_SPAWNS];
};

// Empties the grid: size 0 x 0, spawn (32, 32), no enemy spawns.
void TilemapClear(Tilemap* map);
// Tile id at (col, row); 0 outside the used grid.
int TilemapGetTile(const Tilemap* map, int col, int row);
// Stores the low 8 bits of id and grows the used size; ignored outside 128 x 32.
void TilemapSetTile(Tilemap* map, int col, int row, int id);
// 1 for ids 1..7.
int TilemapIsSolid(int id);
// Always 0: no tile is one-way.
int TilemapIsOneWay(int id);
// Pushes the 14 x 28 box round the body out of solid tiles after a step of dtMs: horizontal pass,
// vertical pass (landing, head hits), then ground friction.
void TilemapResolveBody(Tilemap* map, Body* body, float dtMs);
// One tile of kind id with its top-left corner at screen (sx, sy), clipped; markers draw nothing.
void TilemapRenderTile(int id, int sx, int sy);
// The same tile drawn shape by shape with the primitives: what the ready-drawn copies are made from.
void TilemapRenderTileDirect(int id, int sx, int sy);
// Sky and every visible tile for a camera at (camX, camY).
void TilemapRender(const Tilemap* map, float camX, float camY);
// The same, for a picture whose rows above top and from bottom on are covered by other drawing: rows
// top .. bottom - 1 come out as TilemapRender draws them; a tile cut by the picture's edge and drawn by
// its shapes may still reach the rows outside.
void TilemapRenderRows(const Tilemap* map, float camX, float camY, int32_t top, int32_t bottom);
