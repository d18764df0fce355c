// enemy.h -- the walking enemies: spawning, patrol with ledge and wall turns, death pose, hit box
// and the player-contact test.
#pragma once
#include <stdint.h>

#include "world/physics.h"
#include "world/tilemap.h"

constexpr int32_t MAX_ENEMIES = 8;
constexpr int32_t ENEMY_ALIVE = 0;
constexpr int32_t ENEMY_DEAD = 1;

struct Enemy {
    float x; // centre line, world pixels
    float y; // reference point: hitbox centre 2 px above, ground probed 18 px below
    int32_t dir; // -1 left, +1 right
    float animMs;
    int32_t state;
    float deathMs;
    float deathSpread;
};

// One alive enemy at (x, y) walking left.
void EnemyInit(Enemy* enemy, float x, float y);
// Clears count records.
void EnemyResetAll(Enemy* enemies, int count);
int EnemyIsAlive(const Enemy* enemy);
// 14 x 24 box centred on (x, y - 2); (0, 0, 0, 0) for null.
AABB EnemyGetHitbox(const Enemy* enemy);
// Fills all 8 records from the stage's spawn list, or the four fixed enemies when it has none.
void EnemySpawnDefaults(Enemy* enemies, int* outCount, const Tilemap* map);
// Walks, turns at ledges and walls; the dead sink.
void EnemyUpdate(Enemy* enemies, int count, Tilemap* map, float dtMs);
void EnemyKill(Enemy* enemy);
// A pellet hit: the same as EnemyKill.
void EnemyApplyHit(Enemy* enemy);
void EnemyRender(const Enemy* enemies, int count, float camX, float camY);
// 1 when a live enemy's box overlaps the 12 x 24 box round the player's centre.
int EnemyCheckPlayerContact(const Enemy* enemies, int count, float px, float py);
