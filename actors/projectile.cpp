// projectile.cpp -- a shot as an even fan of instant pellet rays, each marched in 2 px samples
// against live enemies and solid tiles, and drawn as tracers.
#include "actors/projectile.h"

#include <math.h>

#include "app/utils.h"
#include "render/palette.h"
#include "render/render.h"

static const float PELLET_SAMPLE_PX = 2.0f;
static const uint32_t PELLET_TRACER_COLOUR = PALETTE_YELLOW;
// Largest float below 2^31: keeps the sample count's conversion defined for absurd ranges.
static const float PELLET_MAX_SAMPLES = 2147483520.0f;

// One 2 px step along the ray. Every march accumulates the same way, so sample k is the same
// point for the enemy march, the tile march and the tracer.
static inline void PelletStep(const PelletRay* ray, float* x, float* y) {
    *x += ray->dirX * PELLET_SAMPLE_PX;
    *y += ray->dirY * PELLET_SAMPLE_PX;
}

void PelletFireSpread(float ox, float oy, float aim, int count, float spreadDeg, float range, PelletRay* rays,
                      int* outCount) {
    if (!rays || !outCount) {
        return;
    }
    int n = count;
    if (n < 1) {
        n = 1;
    }
    if (n > MAX_PELLETS) {
        n = MAX_PELLETS;
    }
    float half = 0.5f * spreadDeg * 3.1415927f / 180.0f;
    for (int i = 0; i < n; ++i) {
        float t = 0.0f;
        if (count > 1) {
            t = ((float)i / (float)(n - 1)) * 2.0f - 1.0f;
        }
        float angle = t * half + aim;
        PelletRay* ray = &rays[i];
        ray->originX = ox;
        ray->originY = oy;
        ray->dirX = MathCos(angle);
        ray->dirY = MathSin(angle);
        ray->range = range;
        ray->active = 1;
        ray->stopSample = 0;
    }
    *outCount = n;
}

int PelletSampleCount(const PelletRay* ray) {
    if (!ray) {
        return 0;
    }
    float half = 0.5f * ray->range;
    if (!(half >= 1.0f)) {
        return 0; // also a NaN range
    }
    if (half > PELLET_MAX_SAMPLES) {
        half = PELLET_MAX_SAMPLES;
    }
    return (int)half;
}

int PelletHitEnemyWithin(const PelletRay* ray, Enemy* enemies, int count, int maxSamples, int* outIndex) {
    if (!ray || !enemies) {
        return 0;
    }
    int steps = PelletSampleCount(ray);
    if (maxSamples < steps) {
        steps = maxSamples;
    }
    float x = ray->originX;
    float y = ray->originY;
    for (int s = 0; s < steps; ++s) {
        PelletStep(ray, &x, &y);
        // Samples outside, enemies inside: the enemy reached first wins, then the lowest index.
        for (int j = 0; j < count; ++j) {
            if (!EnemyIsAlive(&enemies[j])) {
                continue;
            }
            AABB box = EnemyGetHitbox(&enemies[j]);
            if (box.x <= x && x <= box.x + box.w && box.y <= y && y <= box.y + box.h) {
                if (outIndex) {
                    *outIndex = j;
                }
                return 1;
            }
        }
    }
    return 0;
}

int PelletHitEnemy(const PelletRay* ray, Enemy* enemies, int count, int* outIndex) {
    return PelletHitEnemyWithin(ray, enemies, count, PelletSampleCount(ray), outIndex);
}

int PelletFirstSolidSample(const PelletRay* ray, const Tilemap* map, float* outX, float* outY) {
    if (!ray || !map) {
        return 0;
    }
    int steps = PelletSampleCount(ray);
    float x = ray->originX;
    float y = ray->originY;
    for (int s = 1; s <= steps; ++s) {
        PelletStep(ray, &x, &y);
        int col = (int)floorf(x * 0.0625f);
        int row = (int)floorf(y * 0.0625f);
        if (TilemapIsSolid(TilemapGetTile(map, col, row))) {
            if (outX) {
                *outX = x;
            }
            if (outY) {
                *outY = y;
            }
            return s;
        }
    }
    return 0;
}

void PelletResolveTiles(const PelletRay* ray, const Tilemap* map, float* outX, float* outY) {
    if (!ray || !map) {
        return;
    }
    if (PelletFirstSolidSample(ray, map, outX, outY) > 0) {
        return;
    }
    if (outX) {
        *outX = ray->originX + ray->dirX * ray->range;
    }
    if (outY) {
        *outY = ray->originY + ray->dirY * ray->range;
    }
}

void PelletRenderImpacts(const PelletRay* rays, int count, float camX, float camY, float timer) {
    if (!rays || !(timer > 0.0f) || count <= 0) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        const PelletRay* ray = &rays[i];
        if (!ray->active) {
            continue;
        }
        float endX = ray->originX + ray->dirX * ray->range;
        float endY = ray->originY + ray->dirY * ray->range;
        if (ray->stopSample > 0 && ray->stopSample <= PelletSampleCount(ray)) {
            // Stopped by a wall: the tracer ends on the sample that lies in the tile.
            endX = ray->originX;
            endY = ray->originY;
            for (int s = 0; s < ray->stopSample; ++s) {
                PelletStep(ray, &endX, &endY);
            }
        }
        RenderDrawLine((int32_t)lroundf(ray->originX - camX), (int32_t)lroundf(ray->originY - camY),
                       (int32_t)lroundf(endX - camX), (int32_t)lroundf(endY - camY), PELLET_TRACER_COLOUR);
    }
}
