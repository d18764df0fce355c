// bench_play.cpp -- the real game brought by its own input into what the benchmarks time. Mid-stage
// play is reached in debug flight: the walkers are watched over a whole beat to find ground none of them
// reaches, the player flies there, lands, and is watched standing there over another beat.
#include "bench/bench_play.h"

#include <sys/stat.h>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/main.h"
#include "backends/headless/headless.h"
#include "bench/bench_data.h"
#include "platform/keys.h"
#include "render/render.h"
#include "world/level.h"

static const uint32_t BENCH_FRAME_MS = 16;
static const int32_t BENCH_VK_F = 70;
static const int32_t BENCH_FLY_MAX_FRAMES = 20000;
// A walker crosses the widest stage in under 4000 frames; this bounds a watch that never ends.
static const int32_t BENCH_WATCH_MAX_FRAMES = 60000;

static PlatformWindow* gBenchWindow;

// A place to stand: the top of the solid tile at (col, row); touched once a walker reached it.
struct BenchSpot {
    int32_t col;
    int32_t row;
    int32_t touched;
};

static BenchSpot gSpots[MAP_MAX_COLS * MAP_MAX_ROWS];
static int32_t gSpotCount;
static int32_t gWalkerDir[MAX_ENEMIES];
static int32_t gWalkerTurns[MAX_ENEMIES];

void BenchGameStart(int shipped) {
    BenchGameStartOn(BenchStagePath(shipped));
}

void BenchGameStartOn(const char* path) {
    LevelSetStagePath(path);
    gBenchWindow = HeadlessOpenWindow(WINDOW_CLIENT_WIDTH, WINDOW_CLIENT_HEIGHT);
    HeadlessAudioSetRecording(0);
    MainStartup(gBenchWindow);
    BenchGameFrame(BENCH_FRAME_MS);
}

void BenchGameFrame(uint32_t ms) {
    HeadlessAdvanceTicks(ms);
    HeadlessRunFrame(gBenchWindow);
}

void BenchGamePressKey(int32_t vk) {
    HeadlessSetKeyDown(vk, 1);
    BenchGameFrame(BENCH_FRAME_MS);
    HeadlessSetKeyDown(vk, 0);
}

// Flies in frames of frameMs until the centre is within one such frame's move of (x, y).
static int BenchFlyWithin(float x, float y, uint32_t frameMs) {
    const float step = DEBUG_FLY_SPEED * (float)frameMs;
    for (int32_t i = 0; i < BENCH_FLY_MAX_FRAMES; ++i) {
        const Player* p = GameStateGetPlayer();
        const float dx = x - p->body.x;
        const float dy = y - p->body.y;
        const int right = dx >= step, left = dx <= -step, down = dy >= step, up = dy <= -step;
        HeadlessSetKeyState('D', right);
        HeadlessSetKeyState('A', left);
        HeadlessSetKeyState('S', down);
        HeadlessSetKeyState('W', up);
        if (!right && !left && !down && !up) {
            return 1;
        }
        BenchGameFrame(frameMs);
    }
    return 0;
}

int BenchGameFlyTo(float x, float y) {
    // Whole frames for the way there, 1 ms frames for the last pixels.
    const int arrived = BenchFlyWithin(x, y, BENCH_FRAME_MS) && BenchFlyWithin(x, y, 1);
    HeadlessSetKeyState('A', 0);
    HeadlessSetKeyState('D', 0);
    HeadlessSetKeyState('W', 0);
    HeadlessSetKeyState('S', 0);
    return arrived;
}

void BenchGameStop(void) {
    // Debug flight outlives the game's shutdown and its next start: left on, the next benchmark's F
    // would start its stage with flight off, and its set-up would fail in some repetitions only.
    if (GameStateGetDebugFly()) {
        MainOnKeyDown(BENCH_VK_F);
    }
    MainShutdown();
    LevelSetStagePath(nullptr);
}

// 1 when the body can stand on the solid tile at (col, row): the two cells above are free.
static int BenchStandsOn(const Tilemap* map, int32_t col, int32_t row) {
    return row >= 2 && TilemapIsSolid(TilemapGetTile(map, col, row)) &&
           !TilemapIsSolid(TilemapGetTile(map, col, row - 1)) &&
           !TilemapIsSolid(TilemapGetTile(map, col, row - 2));
}

// Every place to stand, the middle column first, then outward one column each side, top down.
static void BenchFindSpots(const Tilemap* map) {
    const int32_t middle = map->width / 2;
    gSpotCount = 0;
    for (int32_t d = 0; d < map->width; ++d) {
        for (int32_t col = middle - d; col <= middle + d; col += (d > 0 ? 2 * d : 1)) {
            if (col < 1 || col >= map->width - 1) {
                continue;
            }
            for (int32_t row = 2; row < map->height; ++row) {
                if (BenchStandsOn(map, col, row)) {
                    gSpots[gSpotCount++] = BenchSpot{col, row, 0};
                }
            }
        }
    }
}

// The body's centre standing on the spot.
static float BenchSpotX(const BenchSpot* spot) {
    return (float)(TILE_SIZE * spot->col + TILE_SIZE / 2);
}
static float BenchSpotY(const BenchSpot* spot) {
    return (float)(TILE_SIZE * spot->row) - 0.5f * BODY_BOX_H;
}

// Marks the spots a live walker touches now: the player standing there, or a pixel off it either way.
static void BenchMarkTouchedSpots(void) {
    int32_t count = 0;
    const Enemy* enemies = GameStateGetEnemies(&count);
    for (int32_t i = 0; i < gSpotCount; ++i) {
        BenchSpot* spot = &gSpots[i];
        const float x = BenchSpotX(spot);
        const float y = BenchSpotY(spot);
        for (int32_t corner = 0; corner < 4 && !spot->touched; ++corner) {
            const float dx = (corner & 1) ? 1.0f : -1.0f;
            const float dy = (corner & 2) ? 1.0f : -1.0f;
            spot->touched = EnemyCheckPlayerContact(enemies, count, x + dx, y + dy);
        }
    }
}

static void BenchWatchWalkersStart(void) {
    int32_t count = 0;
    const Enemy* enemies = GameStateGetEnemies(&count);
    for (int32_t i = 0; i < count; ++i) {
        gWalkerDir[i] = enemies[i].dir;
        gWalkerTurns[i] = 0;
    }
}

// Counts the turns since the last frame (a walker turns at most once a frame); 1 once every live walker
// has turned twice since the start: between those turns it walked the whole of its beat.
static int BenchWatchWalkersDone(void) {
    int32_t count = 0;
    const Enemy* enemies = GameStateGetEnemies(&count);
    int done = 1;
    for (int32_t i = 0; i < count; ++i) {
        if (enemies[i].dir != gWalkerDir[i]) {
            gWalkerDir[i] = enemies[i].dir;
            ++gWalkerTurns[i];
        }
        if (EnemyIsAlive(&enemies[i]) && gWalkerTurns[i] < 2) {
            done = 0;
        }
    }
    return done;
}

int BenchPlayEnterMidStage(void) {
    BenchGamePressKey(BENCH_VK_F); // the stage in debug flight: nothing ends the run
    if (GameStateGetMode() != MODE_PLAYING || !GameStateGetDebugFly()) {
        return 0;
    }
    // The walkers go their way wherever the player is: watch them over a whole beat from the start.
    BenchFindSpots(GameStateGetMap());
    BenchWatchWalkersStart();
    for (int32_t i = 0; i < BENCH_WATCH_MAX_FRAMES; ++i) {
        BenchMarkTouchedSpots();
        if (BenchWatchWalkersDone()) {
            break;
        }
        BenchGameFrame(BENCH_FRAME_MS);
    }
    const BenchSpot* spot = nullptr;
    for (int32_t i = 0; i < gSpotCount && !spot; ++i) {
        spot = gSpots[i].touched ? nullptr : &gSpots[i];
    }
    if (!spot || !BenchGameFlyTo(BenchSpotX(spot), BenchSpotY(spot) - 1.0f)) {
        return 0;
    }
    HeadlessSetCursor(WINDOW_CLIENT_WIDTH / 2, WINDOW_CLIENT_HEIGHT / 2);
    BenchGamePressKey(BENCH_VK_F); // flight off: the player drops the last pixel and the end tests run
    // Standing there over another whole beat proves the run does not end; the camera settles meanwhile.
    BenchWatchWalkersStart();
    const Camera* camera = GameStateGetCamera();
    for (int32_t i = 0; i < BENCH_WATCH_MAX_FRAMES && GameStateGetMode() == MODE_PLAYING; ++i) {
        const float camX = camera->x;
        const float camY = camera->y;
        BenchGameFrame(BENCH_FRAME_MS);
        if (BenchWatchWalkersDone() && camera->x == camX && camera->y == camY) {
            break;
        }
    }
    return BenchPlayIsMidStage();
}

int32_t BenchPlayEnemiesAlive(void) {
    int32_t count = 0;
    const Enemy* enemies = GameStateGetEnemies(&count);
    int32_t alive = 0;
    for (int32_t i = 0; i < count; ++i) {
        alive += EnemyIsAlive(&enemies[i]);
    }
    return alive;
}

int BenchPlayIsMidStage(void) {
    int32_t count = 0;
    GameStateGetEnemies(&count);
    return GameStateGetMode() == MODE_PLAYING && !GameStateGetDebugFly() &&
           GameStateGetPlayer()->body.onGround && BenchPlayEnemiesAlive() == count;
}

int32_t BenchPlayTilesOnScreen(void) {
    const Tilemap* map = GameStateGetMap();
    const Camera* camera = GameStateGetCamera();
    int32_t count = 0;
    for (int32_t row = 0; row < map->height; ++row) {
        for (int32_t col = 0; col < map->width; ++col) {
            const int id = TilemapGetTile(map, col, row);
            if (id == TILE_EMPTY || id == TILE_PLAYER_SPAWN || id == TILE_ENEMY_SPAWN) {
                continue;
            }
            const float sx = (float)(TILE_SIZE * col) - camera->x;
            const float sy = (float)(TILE_SIZE * row) - camera->y;
            if (sx > -16.0f && sx < (float)LOGICAL_WIDTH && sy > -16.0f && sy < (float)LOGICAL_HEIGHT) {
                ++count;
            }
        }
    }
    return count;
}

const char* BenchStagePath(int shipped) {
    return shipped ? KALVORO_SOURCE_DIR "/" LEVEL_STAGE_PATH : "";
}

int BenchHaveShippedStage(void) {
    struct stat st;
    return stat(BenchStagePath(1), &st) == 0 && S_ISREG(st.st_mode);
}

int32_t BenchMixedTiles(Tilemap* map) {
    static const int32_t KINDS[] = {TILE_GROUND,  TILE_PLATFORM, TILE_PILLAR,  TILE_SOLID_4,
                                    TILE_SOLID_5, TILE_SOLID_6,  TILE_SOLID_7, TILE_GOAL};
    TilemapClear(map);
    int32_t shown = 0;
    for (int32_t row = 0; row < 14; ++row) {
        for (int32_t col = 0; col < 22; ++col) {
            TilemapSetTile(map, col, row, KINDS[(row * 3 + col) % 8]);
            const float sx = (float)(TILE_SIZE * col) - BENCH_MIXED_X;
            const float sy = (float)(TILE_SIZE * row) - BENCH_MIXED_Y;
            shown += sx > -16.0f && sx < (float)LOGICAL_WIDTH && sy > -16.0f && sy < (float)LOGICAL_HEIGHT;
        }
    }
    return shown;
}

int BenchCrowdStart(void) {
    BenchGameStartOn(KALVORO_SOURCE_DIR "/bench/stages/crowd.txt");
    BenchGamePressKey(BENCH_VK_F);
    for (int32_t i = 0; i < 40; ++i) {
        BenchGameFrame(BENCH_FRAME_MS);
    }
    if (GameStateGetMode() != MODE_PLAYING || BenchPlayEnemiesAlive() != MAX_ENEMIES) {
        BenchGameStop();
        return 0;
    }
    return 1;
}

PlatformWindow* BenchEditorStart(int64_t stage) {
    BenchFreshDataFolder(); // no recovery copy of an earlier run is offered
    PlatformWindow* window = HeadlessOpenWindow(320, 200);
    MainStartup(window);
    MainStartEditor(window, stage == 2 ? KALVORO_SOURCE_DIR "/bench/stages/largest.txt" : nullptr);
    HeadlessSetCursor(160, 100);
    if (stage == 2) {
        HeadlessSetKeyDown(KEY_RIGHT, 1); // scrolled onto the walkers, about (56, 10) in cells
        HeadlessSetKeyDown(KEY_DOWN, 1);
        float x = 0.0f, y = 0.0f;
        for (int32_t i = 0; i < 2000 && (x < 56.0f * TILE_SIZE || y < 10.0f * TILE_SIZE); ++i) {
            HeadlessSetKeyDown(KEY_RIGHT, x < 56.0f * TILE_SIZE);
            HeadlessSetKeyDown(KEY_DOWN, y < 10.0f * TILE_SIZE);
            HeadlessAdvanceTicks(16);
            HeadlessRunFrame(window);
            EditorGetView(&x, &y);
        }
        HeadlessSetKeyDown(KEY_RIGHT, 0);
        HeadlessSetKeyDown(KEY_DOWN, 0);
    }
    if (stage == 1) {
        for (int32_t y = EDITOR_BAR_H + 2; y < EDITOR_STATUS_Y; y += 8) {
            HeadlessSetKeyDown('1' + (y / 8) % 9, 1);
            for (int32_t x = 0; x < 320; x += 8) {
                HeadlessSetCursor(x + 4, y);
                HeadlessSetKeyDown(1, 1);
                HeadlessAdvanceTicks(16);
                HeadlessRunFrame(window);
            }
            HeadlessSetKeyDown(1, 0);
            HeadlessSetKeyDown('1' + (y / 8) % 9, 0);
        }
        HeadlessSetCursor(160, 100);
    }
    return window;
}

void BenchEditorStop(void) {
    EditorClose();
    MainShutdown();
}
