// player.cpp -- the player: a body moved only by gravity, tiles and shotgun recoil; the shot with
// its pellets and kills; reload on R; debug flight; drawing, heads-up display, goal and fall tests.
#include "actors/player.h"

#include <math.h>

#include "app/utils.h"
#include "audio/audio.h"
#include "input/input.h"
#include "platform/keys.h"
#include "render/msx_font.h"
#include "render/palette.h"
#include "render/render.h"

static const float PHYSICS_SUBSTEP_MS = 2.0f;
static const float PELLET_ORIGIN_RISE = 4.0f; // pellets leave 4 px above the body centre
static const float GUN_PIVOT_RISE = 8.0f;     // the gun pivots 8 px above the body centre
static const float GUN_LENGTH = 14.0f;

static const uint32_t PLAYER_CLOAK_COLOUR = PALETTE_BRICK;
static const uint32_t PLAYER_FACE_COLOUR = PALETTE_SKIN;
static const uint32_t PLAYER_GREY = PALETTE_GREY;
static const uint32_t PLAYER_FLASH_COLOUR = PALETTE_YELLOW;
static const uint32_t HUD_RELOAD_COLOUR = PALETTE_CYAN;
static const uint32_t HUD_WHITE = PALETTE_WHITE;

void PlayerInit(Player* player, float x, float y) {
    if (!player) {
        return;
    }
    player->body.x = x;
    player->body.y = y;
    player->body.vx = 0.0f;
    player->body.vy = 0.0f;
    player->body.onGround = 0;
    ShotgunInit(&player->shotgun, ShotgunGetS686());
    player->aimAngle = 0.0f;
    player->flashMs = 0.0f;
    // The rays stay as they were: with no count and no flash nothing of them is drawn.
    player->pelletCount = 0;
}

void PlayerReset(Player* player, float x, float y) {
    PlayerInit(player, x, y);
}

float PlayerGetAimAngle(const Player* player, float worldX, float worldY) {
    return MathAtan2(worldY - player->body.y, worldX - player->body.x);
}

// Resolves one pellet of the shot: a wall cuts its reach at its first sample in a solid tile, so
// only the samples before that one can hit, and the tracer ends on it.
static void PlayerResolvePellet(PelletRay* ray, const Tilemap* map, Enemy* enemies, int enemyCount) {
    int stop = PelletFirstSolidSample(ray, map, nullptr, nullptr);
    ray->stopSample = stop;
    int reach = (stop > 0) ? stop - 1 : PelletSampleCount(ray);
    int hitIndex = -1;
    if (PelletHitEnemyWithin(ray, enemies, enemyCount, reach, &hitIndex) && hitIndex >= 0 &&
        hitIndex < enemyCount) {
        EnemyApplyHit(&enemies[hitIndex]);
        AudioPlaySfx(SFX_HIT);
    }
}

void PlayerTryFire(Player* player, Tilemap* map, Enemy* enemies, int enemyCount) {
    if (!player || !map) {
        return;
    }
    // Reloading or empty: the click is ignored entirely (no aim, no sound, no flash).
    if (!ShotgunCanFire(&player->shotgun)) {
        return;
    }
    if (!InputWasMouseLeftPressed()) {
        return;
    }
    Body* body = &player->body;
    player->aimAngle = PlayerGetAimAngle(player, InputGetMouseWorldX(), InputGetMouseWorldY());
    if (!ShotgunTryFire(&player->shotgun)) {
        return;
    }
    // Recoil only for a level or downward aim; it replaces the velocity rather than adding to it.
    if (MathSin(player->aimAngle) >= 0.0f) {
        body->onGround = 0;
        body->vx = -MathCos(player->aimAngle) * RECOIL_SPEED;
        body->vy = -MathSin(player->aimAngle) * RECOIL_SPEED;
    }
    const ShotgunDef* def = player->shotgun.def ? player->shotgun.def : ShotgunGetS686();
    PelletFireSpread(body->x, body->y - PELLET_ORIGIN_RISE, player->aimAngle, def->pelletsPerShot,
                     def->spreadDeg, def->range, player->pellets, &player->pelletCount);
    // A kill is at once, so later pellets pass through the dead: one hit sound per enemy killed,
    // all of them before the shot sound.
    for (int i = 0; i < player->pelletCount; ++i) {
        PlayerResolvePellet(&player->pellets[i], map, enemies, enemyCount);
    }
    player->flashMs = FLASH_MS;
    AudioPlaySfx(SFX_SHOT);
}

void PlayerTryReload(Player* player) {
    if (!player || !InputWasKeyPressed(KEY_R)) {
        return;
    }
    if (!ShotgunCanReload(&player->shotgun)) {
        return;
    }
    ShotgunStartReload(&player->shotgun);
    AudioPlaySfx(SFX_RELOAD);
}

void PlayerDebugFlyUpdate(Player* player, float dtMs) {
    if (!player) {
        return;
    }
    int hx = (InputIsKeyDown(KEY_A) ? -1 : 0) + (InputIsKeyDown(KEY_D) ? 1 : 0);
    int hy = (InputIsKeyDown(KEY_W) ? -1 : 0) + (InputIsKeyDown(KEY_S) ? 1 : 0);
    Body* body = &player->body;
    body->vx = 0.0f;
    body->vy = 0.0f;
    body->onGround = 0;
    body->x += (float)hx * DEBUG_FLY_SPEED * dtMs;
    body->y += (float)hy * DEBUG_FLY_SPEED * dtMs;
}

void PlayerUpdate(Player* player, Tilemap* map, float dtMs) {
    if (!player || !map) {
        return;
    }
    // The reload counts the whole frame; only the physics is clamped.
    ShotgunUpdate(&player->shotgun, dtMs);
    PlayerTryReload(player);
    player->aimAngle = PlayerGetAimAngle(player, InputGetMouseWorldX(), InputGetMouseWorldY());
    // Short sub-steps keep gravity, landing and friction fine-grained.
    float remaining = PhysicsClampStepMs(dtMs);
    while (remaining > 0.0f) {
        float step = (remaining > PHYSICS_SUBSTEP_MS) ? PHYSICS_SUBSTEP_MS : remaining;
        PhysicsIntegrate(&player->body, step);
        TilemapResolveBody(map, &player->body, step);
        remaining -= step;
    }
    if (player->flashMs > 0.0f) {
        player->flashMs -= dtMs;
    }
}

static inline int32_t PlayerRound(float v) {
    return (int32_t)lroundf(v);
}

void PlayerRender(const Player* player, float camX, float camY) {
    if (!player) {
        return;
    }
    float x = player->body.x;
    float y = player->body.y;
    int32_t sx = PlayerRound(x - camX);
    int32_t sy = PlayerRound(y - camY);
    RenderDrawCircle(sx, sy + 6, 7, PLAYER_CLOAK_COLOUR);
    RenderFillRect(sx - 7, sy - 2, 14, 4, PLAYER_CLOAK_COLOUR);
    RenderFillRect(sx - 5, sy - 18, 10, 14, PLAYER_FACE_COLOUR);
    RenderFillRect(sx - 4, sy - 22, 8, 4, PLAYER_GREY);
    int32_t gunX0 = PlayerRound(x - camX);
    int32_t gunY0 = PlayerRound(y - GUN_PIVOT_RISE - camY);
    int32_t gunX1 = PlayerRound(x + GUN_LENGTH * MathCos(player->aimAngle) - camX);
    int32_t gunY1 = PlayerRound(y - GUN_PIVOT_RISE + GUN_LENGTH * MathSin(player->aimAngle) - camY);
    RenderDrawLine(gunX0, gunY0, gunX1, gunY1, PLAYER_GREY);
    if (player->flashMs > 0.0f) {
        RenderDrawCircle(gunX1, gunY1, 3, PLAYER_FLASH_COLOUR);
        // The tracers stay where the shot was fired while the player moves on.
        PelletRenderImpacts(player->pellets, player->pelletCount, camX, camY, player->flashMs);
    }
}

void PlayerRenderHud(const Player* player) {
    if (!player) {
        return;
    }
    const Shotgun* gun = &player->shotgun;
    int32_t magazine = gun->def ? gun->def->magazineSize : 0;
    for (int32_t i = 0; i < magazine; ++i) {
        uint32_t colour = (i < gun->shells) ? PLAYER_FLASH_COLOUR : PLAYER_GREY;
        RenderFillRect(8 + 10 * i, 8, 6, 6, colour);
    }
    if (ShotgunIsReloading(gun)) {
        float progress = ShotgunReloadProgress(gun);
        RenderDrawBox(8, 18, 34, 6, HUD_WHITE);
        RenderFillRect(9, 19, (int32_t)(progress * 32.0f), 4, HUD_RELOAD_COLOUR);
        DrawMsxString(8, 26, "RELOAD", HUD_RELOAD_COLOUR, 1);
    }
    int32_t mx = InputGetMouseLogicalX();
    int32_t my = InputGetMouseLogicalY();
    RenderDrawLine(mx - 4, my, mx + 4, my, HUD_WHITE);
    RenderDrawLine(mx, my - 4, mx, my + 4, HUD_WHITE);
}

int PlayerReachedGoal(const Player* player, const Tilemap* map) {
    if (!player || !map) {
        return 0;
    }
    // Truncated toward zero here, where the tile collision floors.
    int tx = (int)(player->body.x * 0.0625f);
    int ty = (int)(player->body.y * 0.0625f);
    if (TilemapGetTile(map, tx, ty) == TILE_GOAL) {
        return 1;
    }
    return (TilemapGetTile(map, tx, ty - 1) == TILE_GOAL) ? 1 : 0;
}

int PlayerFellOff(const Player* player, const Tilemap* map) {
    if (!player || !map) {
        return 0;
    }
    int32_t limit = (map->height + 2) * TILE_SIZE;
    return (player->body.y > (float)limit) ? 1 : 0;
}
