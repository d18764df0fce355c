// enemy.cpp -- the walking enemies: spawning from the stage, patrol with ledge and wall turns, the
// sinking death pose, the hit box and the player-contact test.
#include "actors/enemy.h"

#include "app/utils.h"
#include "render/palette.h"
#include "render/render.h"

static const float ENEMY_WALK_SPEED = 0.035f;  // px/ms: 35 px per second
static const float ENEMY_DEATH_FALL = 0.04f;   // px/ms
static const float ENEMY_DEATH_SPREAD = 0.01f; // per ms
static const float ENEMY_DEATH_SHOWN_MS = 3000.0f;
static const float ENEMY_HITBOX_W = 14.0f;
static const float ENEMY_HITBOX_H = 24.0f;
static const float PLAYER_CONTACT_W = 12.0f;
static const float PLAYER_CONTACT_H = 24.0f;
static const uint32_t ENEMY_BODY_COLOUR = PALETTE_GREEN;
static const uint32_t ENEMY_LIMB_COLOUR = PALETTE_DARK_GREEN;
static const uint32_t ENEMY_DEAD_COLOUR = PALETTE_GREY;

static void EnemyClear(Enemy* enemy, float x, float y) {
    enemy->x = x;
    enemy->y = y;
    enemy->dir = -1;
    enemy->animMs = 0.0f;
    enemy->state = ENEMY_ALIVE;
    enemy->deathMs = 0.0f;
    enemy->deathSpread = 0.0f;
}

void EnemyInit(Enemy* enemy, float x, float y) {
    if (!enemy) {
        return;
    }
    EnemyClear(enemy, x, y);
}

void EnemyResetAll(Enemy* enemies, int count) {
    if (!enemies) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        EnemyClear(&enemies[i], 0.0f, 0.0f);
    }
}

int EnemyIsAlive(const Enemy* enemy) {
    return (enemy && enemy->state == ENEMY_ALIVE) ? 1 : 0;
}

AABB EnemyGetHitbox(const Enemy* enemy) {
    if (!enemy) {
        AABB empty = {0.0f, 0.0f, 0.0f, 0.0f};
        return empty;
    }
    return AABBFromCenter(enemy->x, enemy->y - 2.0f, ENEMY_HITBOX_W, ENEMY_HITBOX_H);
}

void EnemySpawnDefaults(Enemy* enemies, int* outCount, const Tilemap* map) {
    if (!outCount || !map || !enemies) {
        return;
    }
    EnemyResetAll(enemies, MAX_ENEMIES);
    if (map->enemySpawnCount > 0) {
        int n = map->enemySpawnCount;
        if (n > MAX_ENEMIES) {
            n = MAX_ENEMIES; // later markers are ignored
        }
        *outCount = n;
        for (int i = 0; i < n; ++i) {
            EnemyClear(&enemies[i], map->enemySpawnX[i], map->enemySpawnY[i]);
            enemies[i].dir = (i % 2 == 0) ? -1 : 1;
        }
        return;
    }
    // A stage without markers gets four fixed enemies.
    float groundY = (float)(map->height * TILE_SIZE - 24);
    *outCount = 4;
    EnemyClear(&enemies[0], 200.0f, groundY);
    EnemyClear(&enemies[1], 320.0f, groundY);
    enemies[1].dir = 1;
    EnemyClear(&enemies[2], 480.0f, groundY);
    EnemyClear(&enemies[3], 592.0f, 128.0f);
    enemies[3].dir = 1;
}

// Tile under a world point, truncating toward zero (not flooring): x = -8 probes column 0.
static int EnemyProbeSolid(const Tilemap* map, float wx, float wy) {
    return TilemapIsSolid(TilemapGetTile(map, (int)(wx * 0.0625f), (int)(wy * 0.0625f)));
}

static void EnemyTurn(Enemy* enemy) {
    enemy->dir = -enemy->dir;
    enemy->x += (float)(2 * enemy->dir); // step back 2 px
}

void EnemyUpdate(Enemy* enemies, int count, Tilemap* map, float dtMs) {
    if (!enemies || !map) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        Enemy* e = &enemies[i];
        e->animMs += dtMs;
        if (e->state == ENEMY_DEAD) {
            e->deathMs += dtMs;
            e->y += ENEMY_DEATH_FALL * dtMs;
            e->deathSpread += ENEMY_DEATH_SPREAD * dtMs;
            continue;
        }
        e->x += (float)e->dir * ENEMY_WALK_SPEED * dtMs;
        // Ledge: straight under the centre, 18 px below the reference point.
        if (!EnemyProbeSolid(map, e->x, e->y + 18.0f)) {
            EnemyTurn(e);
            continue;
        }
        // Wall: 10 px ahead at the height of the reference point.
        if (EnemyProbeSolid(map, e->x + (float)(e->dir * 10), e->y)) {
            EnemyTurn(e);
        }
    }
}

void EnemyKill(Enemy* enemy) {
    if (!enemy || enemy->state == ENEMY_DEAD) {
        return;
    }
    enemy->state = ENEMY_DEAD;
    enemy->deathMs = 0.0f;
}

void EnemyApplyHit(Enemy* enemy) {
    EnemyKill(enemy);
}

// Enemies are placed on screen by truncation toward zero, not rounding.
static inline int32_t EnemyScreen(float world, float cam) {
    return (int32_t)(world - cam);
}

static void EnemyLine(float x0, float y0, float x1, float y1, float camX, float camY, uint32_t colour) {
    RenderDrawLine(EnemyScreen(x0, camX), EnemyScreen(y0, camY), EnemyScreen(x1, camX), EnemyScreen(y1, camY),
                   colour);
}

static void EnemyRenderAlive(const Enemy* e, float camX, float camY) {
    float x = e->x;
    float y = e->y;
    float s = 0.4f * MathSin(0.012f * e->animMs);
    RenderFillRect(EnemyScreen(x - 6.0f, camX), EnemyScreen(y - 14.0f, camY), 12, 14, ENEMY_BODY_COLOUR);
    RenderFillRect(EnemyScreen(x - 5.0f, camX), EnemyScreen(y - 22.0f, camY), 10, 8, ENEMY_LIMB_COLOUR);
    float leftElbowX = x - 10.0f + 3.0f * s;
    float leftElbowY = y - 8.0f + 4.0f * s;
    EnemyLine(x - 6.0f, y - 12.0f, leftElbowX, leftElbowY, camX, camY, ENEMY_LIMB_COLOUR);
    EnemyLine(leftElbowX, leftElbowY, leftElbowX - 3.0f - 2.0f * s, y - 2.0f, camX, camY, ENEMY_LIMB_COLOUR);
    float rightElbowX = x + 10.0f - 3.0f * s;
    float rightElbowY = y - 8.0f - 4.0f * s;
    EnemyLine(x + 6.0f, y - 12.0f, rightElbowX, rightElbowY, camX, camY, ENEMY_LIMB_COLOUR);
    EnemyLine(rightElbowX, rightElbowY, rightElbowX + 3.0f + 2.0f * s, y - 2.0f, camX, camY,
              ENEMY_LIMB_COLOUR);
    float leftKneeY = y + 6.0f - 3.0f * s;
    EnemyLine(x - 3.0f, y - 2.0f, x - 4.0f, leftKneeY, camX, camY, ENEMY_LIMB_COLOUR);
    EnemyLine(x - 4.0f, leftKneeY, x - 4.0f - 4.0f * s, y + 12.0f, camX, camY, ENEMY_LIMB_COLOUR);
    float rightKneeY = y + 6.0f + 3.0f * s;
    EnemyLine(x + 3.0f, y - 2.0f, x + 4.0f, rightKneeY, camX, camY, ENEMY_LIMB_COLOUR);
    EnemyLine(x + 4.0f, rightKneeY, x + 4.0f + 4.0f * s, y + 12.0f, camX, camY, ENEMY_LIMB_COLOUR);
}

static void EnemyRenderDead(const Enemy* e, float camX, float camY) {
    float x = e->x;
    float y = e->y;
    RenderFillRect(EnemyScreen(x - 6.0f, camX), EnemyScreen(y + 0.02f * e->deathMs - 10.0f, camY), 12, 10,
                   ENEMY_DEAD_COLOUR);
    EnemyLine(x - 4.0f, y, x - 10.0f + 5.0f * e->deathSpread, y + 8.0f, camX, camY, ENEMY_DEAD_COLOUR);
    EnemyLine(x + 4.0f, y, x + 10.0f - 5.0f * e->deathSpread, y + 8.0f, camX, camY, ENEMY_DEAD_COLOUR);
}

void EnemyRender(const Enemy* enemies, int count, float camX, float camY) {
    if (!enemies) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        const Enemy* e = &enemies[i];
        if (e->state == ENEMY_ALIVE) {
            EnemyRenderAlive(e, camX, camY);
        } else if (e->state == ENEMY_DEAD && e->deathMs < ENEMY_DEATH_SHOWN_MS) {
            EnemyRenderDead(e, camX, camY);
        }
    }
}

int EnemyCheckPlayerContact(const Enemy* enemies, int count, float px, float py) {
    if (!enemies) {
        return 0;
    }
    AABB player = AABBFromCenter(px, py, PLAYER_CONTACT_W, PLAYER_CONTACT_H);
    for (int i = 0; i < count; ++i) {
        if (!EnemyIsAlive(&enemies[i])) {
            continue;
        }
        AABB box = EnemyGetHitbox(&enemies[i]);
        if (AABBOverlap(&player, &box)) {
            return 1;
        }
    }
    return 0;
}
