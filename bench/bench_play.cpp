// bench_play.cpp -- the benchmarks' stage in play: the game's update and render in play, call for
// call, on records the benchmarks own, and a lockstep check that it draws what the game draws.
#include "bench/bench_play.h"

#include <string.h>
#include <sys/stat.h>

#include "app/game_state.h"
#include "input/input.h"
#include "platform/headless/headless.h"
#include "render/render.h"
#include "world/level.h"

static const float BENCH_CAMERA_START_OFFSET = 160.0f;
static const float BENCH_FRAME_MS = 16.0f;

// A countdown exactly as the game's: above 0 loses dt and stops at 0.
static float BenchCountDown(float timer, float dt) {
    if (timer > 0.0f) {
        timer -= dt;
        if (timer < 0.0f) {
            timer = 0.0f;
        }
    }
    return timer;
}

void BenchPlayStart(BenchPlay* play) {
    LevelLoadTestStage(&play->map);
    PlayerReset(&play->player, play->map.spawnX, play->map.spawnY);
    play->spawnGraceMs = SPAWN_GRACE_MS;
    play->fireBlockMs = FIRE_BLOCK_MS;
    CameraInit(&play->camera);
    const float camX = play->player.body.x - BENCH_CAMERA_START_OFFSET;
    play->camera.x = camX > 0.0f ? camX : 0.0f;
    EnemySpawnDefaults(play->enemies, &play->enemyCount, &play->map);
    play->ended = 0;
}

void BenchPlayUpdate(BenchPlay* play, float dtMs) {
    play->spawnGraceMs = BenchCountDown(play->spawnGraceMs, dtMs);
    play->fireBlockMs = BenchCountDown(play->fireBlockMs, dtMs);
    const float worldW = (float)(play->map.width * TILE_SIZE);
    const float worldH = (float)(play->map.height * TILE_SIZE);
    InputSetCamera(play->camera.x, play->camera.y);
    if (play->fireBlockMs == 0.0f) {
        PlayerTryFire(&play->player, &play->map, play->enemies, play->enemyCount);
    }
    PlayerUpdate(&play->player, &play->map, dtMs);
    EnemyUpdate(play->enemies, play->enemyCount, &play->map, dtMs);
    CameraFollow(&play->camera, play->player.body.x, play->player.body.y, worldW, worldH, dtMs);
    const Body* body = &play->player.body;
    if (EnemyCheckPlayerContact(play->enemies, play->enemyCount, body->x, body->y) &&
        play->spawnGraceMs == 0.0f) {
        play->ended = 1;
    } else if (PlayerFellOff(&play->player, &play->map) && play->spawnGraceMs == 0.0f) {
        play->ended = 1;
    } else if (PlayerReachedGoal(&play->player, &play->map)) {
        play->ended = 1;
    }
}

void BenchPlayRender(const BenchPlay* play) {
    TilemapRender(&play->map, play->camera.x, play->camera.y);
    EnemyRender(play->enemies, play->enemyCount, play->camera.x, play->camera.y);
    PlayerRender(&play->player, play->camera.x, play->camera.y);
    PlayerRenderHud(&play->player);
}

// 1 when a 14 x 28 box can stand on the solid tile at (col, row): the two cells above are free.
static int BenchStandsOn(const Tilemap* map, int32_t col, int32_t row) {
    return row >= 2 && TilemapIsSolid(TilemapGetTile(map, col, row)) &&
           !TilemapIsSolid(TilemapGetTile(map, col, row - 1)) &&
           !TilemapIsSolid(TilemapGetTile(map, col, row - 2));
}

int BenchPlayMoveToMiddle(BenchPlay* play) {
    const Tilemap* map = &play->map;
    const int32_t middle = map->width / 2;
    for (int32_t d = 0; d < map->width; ++d) {
        for (int32_t col = middle - d; col <= middle + d; col += (d > 0 ? 2 * d : 1)) {
            if (col < 1 || col >= map->width - 1) {
                continue;
            }
            for (int32_t row = 2; row < map->height; ++row) {
                if (!BenchStandsOn(map, col, row)) {
                    continue;
                }
                PlayerReset(&play->player, (float)(TILE_SIZE * col + 8),
                            (float)(TILE_SIZE * row - 14) - 0.01f);
                const float camX = play->player.body.x - BENCH_CAMERA_START_OFFSET;
                play->camera.x = camX > 0.0f ? camX : 0.0f;
                // Let the camera ease in and the player settle, as after a walk there.
                for (int32_t i = 0; i < 600; ++i) {
                    BenchPlayUpdate(play, BENCH_FRAME_MS);
                }
                play->ended = 0;
                return play->player.body.onGround;
            }
        }
    }
    return 0;
}

int32_t BenchPlayTilesOnScreen(const BenchPlay* play) {
    int32_t count = 0;
    for (int32_t row = 0; row < play->map.height; ++row) {
        for (int32_t col = 0; col < play->map.width; ++col) {
            const int id = TilemapGetTile(&play->map, col, row);
            if (id == TILE_EMPTY || id == TILE_PLAYER_SPAWN || id == TILE_ENEMY_SPAWN) {
                continue;
            }
            const float sx = (float)(TILE_SIZE * col) - play->camera.x;
            const float sy = (float)(TILE_SIZE * row) - play->camera.y;
            if (sx > -16.0f && sx < (float)LOGICAL_WIDTH && sy > -16.0f && sy < (float)LOGICAL_HEIGHT) {
                ++count;
            }
        }
    }
    return count;
}

static BenchPlay gLockstep;
static uint32_t gGamePicture[LOGICAL_WIDTH * LOGICAL_HEIGHT];

int32_t BenchPlayCheckAgainstGame(PlatformWindow* window, int32_t frames) {
    // Aim points around the player (client pixels at scale 3), one shot every 40 frames.
    static const int32_t AIMS[][2] = {{300, 560}, {660, 560}, {480, 590}, {200, 300}, {760, 300}, {480, 20}};
    const int32_t aimCount = (int32_t)(sizeof(AIMS) / sizeof(AIMS[0]));
    HeadlessSetCursor(480, 300);
    HeadlessSetKeyDown(1, 1);
    for (int32_t frame = 0; frame < frames; ++frame) {
        if (frame > 0 && frame % 40 == 0) {
            const int32_t* aim = AIMS[(frame / 40) % aimCount];
            HeadlessSetCursor(aim[0], aim[1]);
            HeadlessSetKeyDown(1, 1);
        }
        if (frame % 150 == 149) {
            HeadlessSetKeyDown('R', 1);
        }
        HeadlessAdvanceTicks((uint32_t)BENCH_FRAME_MS);
        HeadlessRunFrame(window);
        HeadlessSetKeyDown(1, 0);
        HeadlessSetKeyDown('R', 0);
        if (frame == 0) {
            BenchPlayStart(&gLockstep);
        }
        if (GameStateGetMode() != MODE_PLAYING) {
            return frame;
        }
        memcpy(gGamePicture, pixelBuffer, sizeof(gGamePicture));
        BenchPlayUpdate(&gLockstep, BENCH_FRAME_MS);
        BenchPlayRender(&gLockstep);
        if (memcmp(gGamePicture, pixelBuffer, sizeof(gGamePicture)) != 0) {
            return -(frame + 1);
        }
    }
    return frames;
}

const char* BenchStagePath(int shipped) {
    return shipped ? KALVORO_SOURCE_DIR "/" LEVEL_STAGE_PATH : "";
}

int BenchHaveShippedStage(void) {
    struct stat st;
    return stat(BenchStagePath(1), &st) == 0 && S_ISREG(st.st_mode);
}
