// game_snapshot.cpp -- where the listed pieces lie in a saved game, and the hash over them.
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

static void SnapshotHashInt(uint64_t* h, const int32_t* v) {
    SnapshotHashBytes(h, v, sizeof(*v));
}

static void SnapshotHashFloat(uint64_t* h, const float* v) {
    SnapshotHashBytes(h, v, sizeof(*v));
}

static void SnapshotHashBody(uint64_t* h, const Body* body) {
    SnapshotHashFloat(h, &body->x);
    SnapshotHashFloat(h, &body->y);
    SnapshotHashFloat(h, &body->vx);
    SnapshotHashFloat(h, &body->vy);
    SnapshotHashInt(h, &body->onGround);
}

static void SnapshotHashPlayer(uint64_t* h, const Player* player) {
    SnapshotHashBody(h, &player->body);
    SnapshotHashInt(h, &player->shotgun.shells);
    SnapshotHashFloat(h, &player->shotgun.reloadMs);
    SnapshotHashInt(h, &player->shotgun.reloading);
    SnapshotHashFloat(h, &player->aimAngle);
    SnapshotHashFloat(h, &player->flashMs);
    SnapshotHashInt(h, &player->pelletCount);
    for (int32_t i = 0; i < player->pelletCount && i < MAX_PELLETS; ++i) {
        const PelletRay* ray = &player->pellets[i];
        SnapshotHashFloat(h, &ray->originX);
        SnapshotHashFloat(h, &ray->originY);
        SnapshotHashFloat(h, &ray->dirX);
        SnapshotHashFloat(h, &ray->dirY);
        SnapshotHashFloat(h, &ray->range);
        SnapshotHashInt(h, &ray->active);
        SnapshotHashInt(h, &ray->stopSample);
    }
}

static void SnapshotHashEnemy(uint64_t* h, const Enemy* e) {
    SnapshotHashFloat(h, &e->x);
    SnapshotHashFloat(h, &e->y);
    SnapshotHashInt(h, &e->dir);
    SnapshotHashFloat(h, &e->animMs);
    SnapshotHashInt(h, &e->state);
    SnapshotHashFloat(h, &e->deathMs);
    SnapshotHashFloat(h, &e->deathSpread);
}

static void SnapshotHashMap(uint64_t* h, const Tilemap* map) {
    SnapshotHashInt(h, &map->width);
    SnapshotHashInt(h, &map->height);
    SnapshotHashFloat(h, &map->spawnX);
    SnapshotHashFloat(h, &map->spawnY);
    SnapshotHashBytes(h, map->tiles, sizeof(map->tiles));
    SnapshotHashInt(h, &map->enemySpawnCount);
    for (int32_t i = 0; i < map->enemySpawnCount && i < MAX_ENEMY_SPAWNS; ++i) {
        SnapshotHashFloat(h, &map->enemySpawnX[i]);
        SnapshotHashFloat(h, &map->enemySpawnY[i]);
    }
}

static void SnapshotHashInput(uint64_t* h, const InputState* in) {
    SnapshotHashBytes(h, in->keyDown, sizeof(in->keyDown));
    SnapshotHashBytes(h, in->keyPrev, sizeof(in->keyPrev));
    SnapshotHashInt(h, &in->mouseLeft);
    SnapshotHashInt(h, &in->mouseLeftPrev);
    SnapshotHashInt(h, &in->mouseLogicalX);
    SnapshotHashInt(h, &in->mouseLogicalY);
    SnapshotHashFloat(h, &in->cameraX);
    SnapshotHashFloat(h, &in->cameraY);
}

static void SnapshotHashCamera(uint64_t* h, const Camera* camera) {
    SnapshotHashFloat(h, &camera->x);
    SnapshotHashFloat(h, &camera->y);
}

static void SnapshotHashSkip(uint64_t* h, const void* part) {
    (void)h;
    (void)part;
}

#define SNAPSHOT_PART_VALUE(type, field, name, hash, play)                                                   \
    {#field, offsetof(GameSnapshot, field), sizeof(type), play},
#define SNAPSHOT_PART_ARRAY(type, field, name, count, hash, play)                                            \
    {#field, offsetof(GameSnapshot, field), sizeof(type) * (count), play},
#define SNAPSHOT_PART_MODULE(type, field, save, restore, hash, play)                                         \
    {#field, offsetof(GameSnapshot, field), sizeof(type), play},
static const GameSnapshotPart SNAPSHOT_PARTS[] = {
    GAME_STATE_LIST(SNAPSHOT_PART_VALUE, SNAPSHOT_PART_ARRAY, SNAPSHOT_PART_MODULE)};

const GameSnapshotPart* GameSnapshotParts(int32_t* count) {
    if (count != nullptr) {
        *count = (int32_t)(sizeof(SNAPSHOT_PARTS) / sizeof(SNAPSHOT_PARTS[0]));
    }
    return SNAPSHOT_PARTS;
}

#define SNAPSHOT_HASH_VALUE(type, field, name, hash, play) SnapshotHash##hash(&h, &s->field);
#define SNAPSHOT_HASH_ARRAY(type, field, name, count, hash, play)                                            \
    for (int32_t i = 0; i < (count); ++i) {                                                                  \
        SnapshotHash##hash(&h, &s->field[i]);                                                                \
    }
#define SNAPSHOT_HASH_MODULE(type, field, save, restore, hash, play) SnapshotHash##hash(&h, &s->field);
uint64_t GameSnapshotHash(const GameSnapshot* s) {
    uint64_t h = SNAPSHOT_HASH_BASIS;
    GAME_STATE_LIST(SNAPSHOT_HASH_VALUE, SNAPSHOT_HASH_ARRAY, SNAPSHOT_HASH_MODULE)
    return h;
}
