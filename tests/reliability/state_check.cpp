// state_check.cpp -- the invariants of the game's state, read through the game's read-only views,
// and the process's resident memory for the soak.
#include "tests/reliability/state_check.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <unistd.h>

#include "actors/shotgun.h"
#include "app/game_state.h"
#include "app/main.h"
#include "audio/audio.h"
#include "input/input.h"
#include "render/render.h"

static const float STATE_PI = 3.14159275f;

static int StateFail(char* message, const char* format, ...) {
    if (message) {
        va_list args;
        va_start(args, format);
        vsnprintf(message, STATE_CHECK_MESSAGE, format, args);
        va_end(args);
    }
    return 0;
}

static int StateInRange(float v, float lo, float hi) {
    return isfinite(v) && v >= lo && v <= hi;
}

int StateCheckMap(const Tilemap* map, char* message) {
    if (map->width < 1 || map->width > MAP_MAX_COLS || map->height < 1 || map->height > MAP_MAX_ROWS) {
        return StateFail(message, "stage size %d x %d", (int)map->width, (int)map->height);
    }
    for (int32_t row = 0; row < MAP_MAX_ROWS; ++row) {
        for (int32_t col = 0; col < MAP_MAX_COLS; ++col) {
            const int32_t id = map->tiles[row][col];
            const int inside = row < map->height && col < map->width;
            // Spawn markers never survive a load; nothing is written outside the used grid.
            if (inside ? (id > TILE_SOLID_7 && id != TILE_GOAL) : id != TILE_EMPTY) {
                return StateFail(message, "tile id %d at column %d, row %d of a %d x %d stage", (int)id,
                                 (int)col, (int)row, (int)map->width, (int)map->height);
            }
        }
    }
    if (!StateInRange(map->spawnX, 0.0f, (float)(MAP_MAX_COLS * TILE_SIZE)) ||
        !StateInRange(map->spawnY, -16.0f, (float)(MAP_MAX_ROWS * TILE_SIZE))) {
        return StateFail(message, "spawn (%g, %g)", (double)map->spawnX, (double)map->spawnY);
    }
    if (map->enemySpawnCount < 0 || map->enemySpawnCount > MAX_ENEMY_SPAWNS) {
        return StateFail(message, "%d enemy spawns", (int)map->enemySpawnCount);
    }
    for (int32_t i = 0; i < map->enemySpawnCount; ++i) {
        if (!StateInRange(map->enemySpawnX[i], 0.0f, (float)(map->width * TILE_SIZE)) ||
            !StateInRange(map->enemySpawnY[i], 0.0f, (float)(map->height * TILE_SIZE))) {
            return StateFail(message, "enemy spawn %d at (%g, %g)", (int)i, (double)map->enemySpawnX[i],
                             (double)map->enemySpawnY[i]);
        }
    }
    return 1;
}

static int StateCheckPlayer(const Player* p, char* message) {
    const Body* b = &p->body;
    if (!isfinite(b->x) || !isfinite(b->y)) {
        return StateFail(message, "player at (%g, %g)", (double)b->x, (double)b->y);
    }
    // Recoil sets at most 0.48 px/ms, gravity stops at the fall cap, nothing else adds speed.
    if (!StateInRange(b->vx, -RECOIL_SPEED, RECOIL_SPEED) ||
        !StateInRange(b->vy, -RECOIL_SPEED, MAX_FALL_SPEED)) {
        return StateFail(message, "player velocity (%g, %g)", (double)b->vx, (double)b->vy);
    }
    if (b->onGround != 0 && b->onGround != 1) {
        return StateFail(message, "onGround %d", (int)b->onGround);
    }
    const Shotgun* gun = &p->shotgun;
    if (gun->def != ShotgunGetS686() || gun->shells < 0 || gun->shells > gun->def->magazineSize) {
        return StateFail(message, "%d shells", (int)gun->shells);
    }
    if ((gun->reloading != 0 && gun->reloading != 1) ||
        !StateInRange(gun->reloadMs, 0.0f, gun->def->reloadTimeMs) ||
        (!gun->reloading && gun->reloadMs != 0.0f)) {
        return StateFail(message, "reload %d with %g ms left", (int)gun->reloading, (double)gun->reloadMs);
    }
    if (!StateInRange(p->aimAngle, -STATE_PI, STATE_PI)) {
        return StateFail(message, "aim angle %g", (double)p->aimAngle);
    }
    // The flash counts down from 80 ms and stops at the first frame that takes it to 0 or below.
    if (!StateInRange(p->flashMs, -(float)FRAME_DT_MAX_MS, FLASH_MS)) {
        return StateFail(message, "flash timer %g", (double)p->flashMs);
    }
    if (p->pelletCount < 0 || p->pelletCount > MAX_PELLETS) {
        return StateFail(message, "%d pellets", (int)p->pelletCount);
    }
    for (int32_t i = 0; i < p->pelletCount; ++i) {
        const PelletRay* r = &p->pellets[i];
        if (!isfinite(r->originX) || !isfinite(r->originY) || !StateInRange(r->dirX, -1.0f, 1.0f) ||
            !StateInRange(r->dirY, -1.0f, 1.0f) || !isfinite(r->range) || r->stopSample < 0 ||
            r->stopSample > PelletSampleCount(r)) {
            return StateFail(message, "pellet %d from (%g, %g) dir (%g, %g) stop %d", (int)i,
                             (double)r->originX, (double)r->originY, (double)r->dirX, (double)r->dirY,
                             (int)r->stopSample);
        }
    }
    return 1;
}

static int StateCheckEnemies(const Tilemap* map, char* message) {
    int32_t count = -1;
    const Enemy* enemies = GameStateGetEnemies(&count);
    if (count < 0 || count > MAX_ENEMIES) {
        return StateFail(message, "%d enemies", (int)count);
    }
    // Created with the stage they belong to: one per spawn entry up to 8, or the four fixed ones.
    if (map->width > 0) {
        const int32_t expected =
            map->enemySpawnCount > 0
                ? (map->enemySpawnCount < MAX_ENEMIES ? map->enemySpawnCount : MAX_ENEMIES)
                : 4;
        if (count != expected) {
            return StateFail(message, "%d enemies for %d spawn entries", (int)count,
                             (int)map->enemySpawnCount);
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        const Enemy* e = &enemies[i];
        if (!isfinite(e->x) || !isfinite(e->y) || (e->dir != -1 && e->dir != 1) ||
            (e->state != ENEMY_ALIVE && e->state != ENEMY_DEAD) || !(e->animMs >= 0.0f) ||
            !isfinite(e->animMs) || !(e->deathMs >= 0.0f) || !isfinite(e->deathMs) ||
            !isfinite(e->deathSpread)) {
            return StateFail(message, "enemy %d at (%g, %g) dir %d state %d", (int)i, (double)e->x,
                             (double)e->y, (int)e->dir, (int)e->state);
        }
    }
    return 1;
}

static int StateCheckAudio(int32_t mode, char* message) {
    // The menu music everywhere but in play, whatever path changed the mode.
    const int32_t track = AudioGetTrack();
    if (track != (mode == MODE_PLAYING ? TRACK_STAGE : TRACK_MENU)) {
        return StateFail(message, "track %d in mode %d", (int)track, (int)mode);
    }
    const SfxVoice* voices = AudioGetVoices();
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        const float t = voices[v].time;
        if (voices[v].id < SFX_SHOT || voices[v].id > SFX_START ||
            !(t == 100.0f || StateInRange(t, 0.0f, 0.601f))) {
            return StateFail(message, "voice %d: effect %d at %g s", (int)v, (int)voices[v].id, (double)t);
        }
    }
    if ((AudioGetBufferIndex() != 0 && AudioGetBufferIndex() != 1) || !(AudioGetDroneTime() >= 0.0f) ||
        !isfinite(AudioGetDroneTime())) {
        return StateFail(message, "sound block %d at %g s", (int)AudioGetBufferIndex(),
                         (double)AudioGetDroneTime());
    }
    return 1;
}

int StateCheckGame(char* message) {
    const int32_t mode = GameStateGetMode();
    if (mode < MODE_TITLE || mode > MODE_GAME_OVER) {
        return StateFail(message, "mode %d", (int)mode);
    }
    if (GameStateGetDebugFly() != 0 && GameStateGetDebugFly() != 1) {
        return StateFail(message, "debug flight %d", (int)GameStateGetDebugFly());
    }
    // Before the first stage start there is no stage, no player and no enemy yet.
    const Tilemap* map = GameStateGetMap();
    const int started = !(map->width == 0 && map->height == 0);
    if (started && (!StateCheckMap(map, message) || !StateCheckPlayer(GameStateGetPlayer(), message) ||
                    !StateCheckEnemies(map, message))) {
        return 0;
    }
    const Camera* cam = GameStateGetCamera();
    if (!StateInRange(cam->x, 0.0f, (float)(MAP_MAX_COLS * TILE_SIZE)) ||
        !StateInRange(cam->y, 0.0f, (float)(MAP_MAX_ROWS * TILE_SIZE))) {
        return StateFail(message, "camera (%g, %g)", (double)cam->x, (double)cam->y);
    }
    // In play every frame ends with the camera eased and clamped inside the stage.
    const float maxX = (float)(map->width * TILE_SIZE) - (float)LOGICAL_WIDTH;
    const float maxY = (float)(map->height * TILE_SIZE) - (float)LOGICAL_HEIGHT;
    if (mode == MODE_PLAYING &&
        (cam->x > (maxX > 0.0f ? maxX : 0.0f) || cam->y > (maxY > 0.0f ? maxY : 0.0f))) {
        return StateFail(message, "camera (%g, %g) outside a %d x %d stage", (double)cam->x, (double)cam->y,
                         (int)map->width, (int)map->height);
    }
    const int32_t mx = InputGetMouseLogicalX();
    const int32_t my = InputGetMouseLogicalY();
    if (mx < 0 || mx >= LOGICAL_WIDTH || my < 0 || my >= LOGICAL_HEIGHT) {
        return StateFail(message, "cursor at logical (%d, %d)", (int)mx, (int)my);
    }
    int32_t dx = 0, dy = 0, dw = 0, dh = 0;
    RenderGetLayout(&dx, &dy, &dw, &dh);
    const int32_t scale = GetDisplayScale();
    if (scale < 1 || dw != LOGICAL_WIDTH * scale || dh != LOGICAL_HEIGHT * scale) {
        return StateFail(message, "layout %d x %d at scale %d", (int)dw, (int)dh, (int)scale);
    }
    return StateCheckAudio(mode, message);
}

#if defined(__SANITIZE_ADDRESS__)
#define STATE_CHECK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STATE_CHECK_ASAN 1
#endif
#endif

size_t StateCheckResidentBytes(void) {
#ifdef STATE_CHECK_ASAN
    // AddressSanitizer keeps freed memory in quarantine, so the figure says nothing about leaks.
    return 0;
#endif
    FILE* f = fopen("/proc/self/statm", "r");
    if (!f) {
        return 0;
    }
    unsigned long size = 0, resident = 0;
    const int got = fscanf(f, "%lu %lu", &size, &resident);
    fclose(f);
    return got == 2 ? (size_t)resident * (size_t)sysconf(_SC_PAGESIZE) : 0;
}
