// projectile.h -- a shot as an even fan of instant pellet rays, marched in 2 px samples against
// enemies and tiles, and drawn as tracers.
#pragma once
#include <stdint.h>

#include "actors/enemy.h"
#include "world/tilemap.h"

constexpr int32_t MAX_PELLETS = 16;

struct PelletRay {
    float originX;
    float originY;
    float dirX; // cos of the ray's angle
    float dirY; // sin of the ray's angle, positive = down
    float range;
    int32_t active;
    // 0: the pellet flies its full range; k > 0: a wall stops it at sample k (2k px along the ray),
    // where its tracer ends and from where on it hits nothing.
    int32_t stopSample;
};

// Fills count (clamped 1..16) rays evenly across spreadDeg around aim; rays must hold 16.
void PelletFireSpread(float ox, float oy, float aim, int count, float spreadDeg, float range, PelletRay* rays,
                      int* outCount);
// Marches the ray; 1 and the index of the first live enemy reached, else 0.
int PelletHitEnemy(const PelletRay* ray, Enemy* enemies, int count, int* outIndex);
// Point where the ray first samples a solid tile, or its full-reach end point.
void PelletResolveTiles(const PelletRay* ray, const Tilemap* map, float* outX, float* outY);
// Samples along the ray: 0.5 * range truncated (60 for 120 px); 0 for null or no reach.
int PelletSampleCount(const PelletRay* ray);
// Number (1-based) of the first sample that lies in a solid tile, and its point; 0 when none
// (the point is then left unwritten).
int PelletFirstSolidSample(const PelletRay* ray, const Tilemap* map, float* outX, float* outY);
// PelletHitEnemy over the first maxSamples samples only (a wall's cut); 0 or less tests nothing.
int PelletHitEnemyWithin(const PelletRay* ray, Enemy* enemies, int count, int maxSamples, int* outIndex);
// Tracers of the active rays while timer > 0.
void PelletRenderImpacts(const PelletRay* rays, int count, float camX, float camY, float timer);
