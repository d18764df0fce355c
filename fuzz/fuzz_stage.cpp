// fuzz_stage.cpp -- libFuzzer target: any bytes as the stage file, read by the real loader from a real
// file, then a few hundred frames of play on that stage with scripted shots, checking every frame.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "app/game_state.h"
#include "app/main.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "tests/reliability/state_check.h"
#include "world/level.h"

static const int32_t FLY_KEYS[4] = {KEY_W, KEY_A, KEY_S, KEY_D};
static const int32_t FUZZ_FRAMES = 240;
// Frame times in turn: the usual 16 ms, the 50 ms cap, no time at all, odd ones.
static const uint32_t FUZZ_TICKS[8] = {16, 16, 16, 50, 0, 33, 16, 7};

static char gPath[64];
static PlatformWindow* gWindow;
static Tilemap gFirst;
static Tilemap gSecond;

static void FuzzRemoveFile(void) {
    remove(gPath);
}

static void FuzzFail(const char* what, const char* message) {
    fprintf(stderr, "fuzz_stage: %s: %s\n", what, message);
    abort();
}

static void FuzzFrame(uint32_t ticks, int32_t frame) {
    HeadlessAdvanceTicks(ticks);
    HeadlessRunFrame(gWindow);
    char message[STATE_CHECK_MESSAGE];
    if (!StateCheckGame(message)) {
        char where[STATE_CHECK_MESSAGE + 32];
        snprintf(where, sizeof(where), "frame %d", (int)frame);
        FuzzFail(where, message);
    }
}

// The character table, written out here again: the check must not take it from the loader it checks.
static int FuzzTileForByte(uint8_t c) {
    switch (c) {
    case '#':
    case '1':
        return TILE_GROUND;
    case '=':
    case '2':
        return TILE_PLATFORM;
    case '|':
    case '3':
        return TILE_PILLAR;
    case '4':
    case '5':
    case '6':
    case '7':
        return TILE_SOLID_4 + (c - '4');
    case 'S':
        return TILE_PLAYER_SPAWN;
    case 'E':
        return TILE_ENEMY_SPAWN;
    case 'G':
        return TILE_GOAL;
    default:
        return TILE_EMPTY;
    }
}

// The stage the format describes, worked out here from the bytes in one pass over memory (the loader
// reads the file in chunks): sizes, every cell, the enemy spawn list and the player spawn.
static void FuzzExpectStage(const uint8_t* data, size_t size, const Tilemap* map) {
    static uint8_t raw[MAP_MAX_ROWS][MAP_MAX_COLS];
    memset(raw, 0, sizeof(raw));
    int32_t width = 0, height = 0, row = 0, col = 0;
    for (size_t i = 0; i < size && row < MAP_MAX_ROWS; ++i) {
        if (data[i] == 0x0A) {
            ++row;
            col = 0;
            continue;
        }
        if (col < MAP_MAX_COLS) {
            raw[row][col] = (uint8_t)FuzzTileForByte(data[i]);
            ++col;
            width = col > width ? col : width;
            height = row + 1;
        }
    }
    if (width == 0) {
        if (map->width != 80 || map->height != 15) {
            FuzzFail("loader", "a file without cells does not give the built-in stage");
        }
        return;
    }
    if (map->width != width || map->height != height) {
        FuzzFail("loader", "stage size differs from the file's lines");
    }
    // Player markers, in reading order; each turns into ground and may put a block in the bottom row
    // of its column, over whatever was there, a later marker included.
    static int32_t markerRow[MAP_MAX_ROWS * MAP_MAX_COLS];
    static int32_t markerCol[MAP_MAX_ROWS * MAP_MAX_COLS];
    int32_t markers = 0;
    int blockMayDrop[MAP_MAX_COLS] = {0};
    int32_t enemies = 0;
    for (int32_t r = 1; r < height; ++r) {
        for (int32_t c = 1; c < width; ++c) {
            if (raw[r][c] == TILE_PLAYER_SPAWN) {
                markerRow[markers] = r;
                markerCol[markers] = c;
                ++markers;
                blockMayDrop[c] = 1;
            } else if (raw[r][c] == TILE_ENEMY_SPAWN && enemies < MAX_ENEMY_SPAWNS) {
                if (map->enemySpawnX[enemies] != (float)(TILE_SIZE * c + 8) ||
                    map->enemySpawnY[enemies] != (float)(TILE_SIZE * r + 8)) {
                    FuzzFail("loader", "enemy spawn list differs from the file's markers");
                }
                ++enemies;
            }
        }
    }
    if (map->enemySpawnCount != enemies) {
        FuzzFail("loader", "enemy spawn count differs from the file's markers");
    }
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            int want = raw[r][c];
            if (r == 0 || c == 0 || want == TILE_PLAYER_SPAWN) {
                want = TILE_GROUND;
            } else if (want == TILE_ENEMY_SPAWN) {
                want = TILE_EMPTY;
            }
            const int got = map->tiles[r][c];
            if (got != want && !(r == height - 1 && blockMayDrop[c] && got == TILE_GROUND)) {
                FuzzFail("loader", "a cell differs from the file");
            }
        }
    }
    // The last marker still there when the scan reaches it sets the spawn, standing on a row at or
    // below its own: the last one in reading order, or an earlier one when the later ones sat in the
    // bottom row under an earlier marker of their column and were covered by its block.
    int matched = 0;
    for (int32_t m = markers - 1; m >= -1 && !matched; --m) {
        const int32_t lowest = m >= 0 ? markerRow[m] : height - 1;
        const float x = m >= 0 ? (float)(TILE_SIZE * markerCol[m] + 8) : 40.0f;
        for (int32_t r = lowest; r < height; ++r) {
            matched |= map->spawnX == x && map->spawnY == (float)(TILE_SIZE * r - 14) - 0.01f;
        }
        int coverable = 0;
        for (int32_t k = 0; m >= 0 && k < m; ++k) {
            coverable |= markerCol[k] == markerCol[m];
        }
        if (m < 0 || markerRow[m] != height - 1 || !coverable) {
            break;
        }
    }
    if (!matched) {
        FuzzFail("loader", "the spawn point does not follow the file's markers");
    }
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    (void)argc;
    (void)argv;
    // One file per process, so parallel fuzzing jobs never share it.
    snprintf(gPath, sizeof(gPath), "/tmp/kalvoro-fuzz-stage-%d.txt", (int)getpid());
    atexit(FuzzRemoveFile);
    HeadlessAudioSetRecording(0);
    LevelSetStagePath(gPath);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = fopen(gPath, "wb");
    if (!file) {
        FuzzFail("setup", "cannot write the stage file");
    }
    if (size > 0 && fwrite(data, 1, size, file) != size) {
        FuzzFail("setup", "cannot write the stage file");
    }
    fclose(file);

    // The loader alone, twice over the same file: a sound stage, the same both times.
    memset(&gFirst, 0, sizeof(gFirst));
    memset(&gSecond, 0, sizeof(gSecond));
    LevelLoadTestStage(&gFirst);
    LevelLoadTestStage(&gSecond);
    char message[STATE_CHECK_MESSAGE];
    if (!StateCheckMap(&gFirst, message)) {
        FuzzFail("loader", message);
    }
    if (memcmp(&gFirst, &gSecond, sizeof(gFirst)) != 0) {
        FuzzFail("loader", "two loads of the same file differ");
    }
    FuzzExpectStage(data, size, &gFirst);

    // A fresh game on a fresh window; the first click starts the stage from the file.
    if (GameStateGetDebugFly() != 0) {
        MainOnKeyDown(KEY_F);
    }
    gWindow = HeadlessOpenWindow(320, 200);
    MainStartup(gWindow);
    FuzzFrame(16, -3);
    HeadlessSetKeyDown(KEY_LBUTTON, 1);
    FuzzFrame(16, -2);
    HeadlessSetKeyDown(KEY_LBUTTON, 0);
    FuzzFrame(16, -1);
    const Tilemap* map = GameStateGetMap();
    if (map->width != gFirst.width || map->height != gFirst.height ||
        memcmp(map->tiles, gFirst.tiles, sizeof(map->tiles)) != 0 || map->spawnX != gFirst.spawnX ||
        map->spawnY != gFirst.spawnY) {
        FuzzFail("game", "the stage in play is not the stage in the file");
    }

    // Shots toward points drawn from the input, reloads, a flight, retries and restarts.
    uint32_t aim = 2166136261u;
    for (size_t i = 0; i < size; ++i) {
        aim = (aim ^ data[i]) * 16777619u;
    }
    for (int32_t frame = 0; frame < FUZZ_FRAMES; ++frame) {
        const int32_t mode = GameStateGetMode();
        if (frame % 12 == 0) {
            aim = aim * 1664525u + 1013904223u;
            HeadlessSetCursor((int32_t)((aim >> 8) % 320u), (int32_t)((aim >> 20) % 200u));
        }
        const int menu = mode == MODE_TITLE || mode == MODE_STAGE_CLEAR;
        HeadlessSetKeyDown(KEY_LBUTTON, frame % 12 == 0 || (menu && frame % 4 == 0));
        HeadlessSetKeyDown(KEY_R, frame % 40 == 20 || (mode == MODE_GAME_OVER && frame % 4 == 0));
        HeadlessSetKeyDown(KEY_F, frame == 100 || frame == 140);
        for (int32_t k = 0; k < 4; ++k) {
            HeadlessSetKeyDown(FLY_KEYS[k], frame > 100 && frame < 140 && ((aim >> (k + 3)) & 1u));
        }
        HeadlessSetKeyDown(KEY_ESCAPE, frame == 200);
        FuzzFrame(FUZZ_TICKS[frame % 8], frame);
    }
    return 0;
}
