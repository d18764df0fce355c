// game_snapshot.cpp -- the hash of a saved game, over its fields listed once here.
#include "app/game_snapshot.h"

#include <stddef.h>

static const uint64_t SNAPSHOT_HASH_BASIS = 14695981039346656037ull;
static const uint64_t SNAPSHOT_HASH_PRIME = 1099511628211ull;

static void SnapshotHashBytes(uint64_t* h, const void* data, size_t n) {
    const uint8_t* bytes = (const uint8_t*)data;
    for (size_t i = 0; i < n; ++i) {
        *h ^= bytes[i];
        *h *= SNAPSHOT_HASH_PRIME;
    }
}

static void SnapshotHashI(uint64_t* h, int32_t v) {
    SnapshotHashBytes(h, &v, sizeof(v));
}

static void SnapshotHashF(uint64_t* h, float v) {
    SnapshotHashBytes(h, &v, sizeof(v));
}

static void SnapshotHashBody(uint64_t* h, const Body* body) {
    SnapshotHashF(h, body->x);
    SnapshotHashF(h, body->y);
    SnapshotHashF(h, body->vx);
    SnapshotHashF(h, body->vy);
    SnapshotHashI(h, body->onGround);
}

static void SnapshotHashPlayer(uint64_t* h, const Player* player) {
    SnapshotHashBody(h, &player->body);
    SnapshotHashI(h, player->shotgun.shells);
    SnapshotHashF(h, player->shotgun.reloadMs);
    SnapshotHashI(h, player->shotgun.reloading);
    SnapshotHashF(h, player->aimAngle);
    SnapshotHashF(h, player->flashMs);
    SnapshotHashI(h, player->pelletCount);
    for (int32_t i = 0; i < player->pelletCount && i < MAX_PELLETS; ++i) {
        const PelletRay* ray = &player->pellets[i];
        SnapshotHashF(h, ray->originX);
        SnapshotHashF(h, ray->originY);
        SnapshotHashF(h, ray->dirX);
        SnapshotHashF(h, ray->dirY);
        SnapshotHashF(h, ray->range);
        SnapshotHashI(h, ray->active);
        SnapshotHashI(h, ray->stopSample);
    }
}

static void SnapshotHashEnemy(uint64_t* h, const Enemy* e) {
    SnapshotHashF(h, e->x);
    SnapshotHashF(h, e->y);
    SnapshotHashI(h, e->dir);
    SnapshotHashF(h, e->animMs);
    SnapshotHashI(h, e->state);
    SnapshotHashF(h, e->deathMs);
    SnapshotHashF(h, e->deathSpread);
}

static void SnapshotHashMap(uint64_t* h, const Tilemap* map) {
    SnapshotHashI(h, map->width);
    SnapshotHashI(h, map->height);
    SnapshotHashF(h, map->spawnX);
    SnapshotHashF(h, map->spawnY);
    SnapshotHashBytes(h, map->tiles, sizeof(map->tiles));
    SnapshotHashI(h, map->enemySpawnCount);
    for (int32_t i = 0; i < map->enemySpawnCount && i < MAX_ENEMY_SPAWNS; ++i) {
        SnapshotHashF(h, map->enemySpawnX[i]);
        SnapshotHashF(h, map->enemySpawnY[i]);
    }
}

static void SnapshotHashInput(uint64_t* h, const InputState* in) {
    SnapshotHashBytes(h, in->keyDown, sizeof(in->keyDown));
    SnapshotHashBytes(h, in->keyPrev, sizeof(in->keyPrev));
    SnapshotHashI(h, in->mouseLeft);
    SnapshotHashI(h, in->mouseLeftPrev);
    SnapshotHashI(h, in->mouseLogicalX);
    SnapshotHashI(h, in->mouseLogicalY);
    SnapshotHashF(h, in->cameraX);
    SnapshotHashF(h, in->cameraY);
}

uint64_t GameSnapshotHash(const GameSnapshot* s) {
    uint64_t h = SNAPSHOT_HASH_BASIS;
    SnapshotHashI(&h, s->mode);
    SnapshotHashI(&h, s->debugFly);
    SnapshotHashF(&h, s->spawnGraceMs);
    SnapshotHashF(&h, s->fireBlockMs);
    SnapshotHashI(&h, s->titleBlink);
    SnapshotHashI(&h, s->ignoreEscapePress);
    SnapshotHashPlayer(&h, &s->player);
    SnapshotHashI(&h, s->enemyCount);
    for (int32_t i = 0; i < MAX_ENEMIES; ++i) {
        SnapshotHashEnemy(&h, &s->enemies[i]);
    }
    SnapshotHashF(&h, s->camera.x);
    SnapshotHashF(&h, s->camera.y);
    SnapshotHashMap(&h, &s->map);
    SnapshotHashInput(&h, &s->input);
    return h;
}
