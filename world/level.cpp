// level.cpp -- reads the stage text into the Tilemap (or falls back to the built-in stage), then
// finishes it: solid top row and left column, enemy spawn list, player spawn point.
#include "world/level.h"

#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <system_error>

// The built-in stage: platforms rising to the right over a ground row with pits.
static const char* const rows[] = {
    "................................................................................",
    "................................................................................",
    "................................................................................",
    "................................................................................",
    "................................................................................",
    "..........................................................................G.....",
    "...............................................................====.............",
    "....................................................====........................",
    "............................................====................................",
    "....................................====........................................",
    "............................====................................................",
    "....................====........................................................",
    "............====................................................................",
    "...S............................................................................",
    "####...##...####...#####...####...#####...###...###...###...####...####...######",
};
static const int LEVEL_BUILTIN_ROWS = (int)(sizeof(rows) / sizeof(rows[0]));

// Longer paths than this cannot be opened anyway; such a path is treated as unusable.
static char gStagePath[4096] = LEVEL_STAGE_PATH;

// The file is read in chunks of this size; a line keeps at most MAP_MAX_COLS bytes, so neither the
// length of a line nor the size of the file decides how much memory the loader uses.
static unsigned char gReadChunk[4096];
// A stage is a few kilobytes. Reading stops after this many bytes, as if the file ended there, so a
// huge, sparse or still growing file cannot stall a stage start.
static const size_t LEVEL_MAX_READ_BYTES = (size_t)1 << 20;

void LevelSetStagePath(const char* path) {
    if (!path) {
        path = LEVEL_STAGE_PATH;
    }
    size_t length = strlen(path);
    if (length >= sizeof(gStagePath)) {
        gStagePath[0] = '\0';
        return;
    }
    memcpy(gStagePath, path, length + 1);
}

// The character table: every byte not listed is empty.
static int LevelTileForByte(unsigned char c) {
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
        return TILE_SOLID_4;
    case '5':
        return TILE_SOLID_5;
    case '6':
        return TILE_SOLID_6;
    case '7':
        return TILE_SOLID_7;
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

static void LevelWriteRow(Tilemap* map, int row, const unsigned char* line, int length) {
    for (int k = 0; k < length && k < MAP_MAX_COLS; ++k) {
        TilemapSetTile(map, k, row, LevelTileForByte(line[k]));
    }
}

// Reads up to MAP_MAX_ROWS lines split at 0x0A, writing the first MAP_MAX_COLS bytes of each.
static void LevelReadRows(Tilemap* map, FILE* file) {
    unsigned char line[MAP_MAX_COLS];
    int kept = 0;
    int row = 0;
    size_t total = 0;
    while (total < LEVEL_MAX_READ_BYTES) {
        size_t got = fread(gReadChunk, 1, sizeof(gReadChunk), file);
        if (got == 0) {
            break;
        }
        total += got;
        size_t pos = 0;
        while (pos < got) {
            const unsigned char* feed = (const unsigned char*)memchr(gReadChunk + pos, 0x0A, got - pos);
            size_t end = feed ? (size_t)(feed - gReadChunk) : got;
            size_t room = (size_t)(MAP_MAX_COLS - kept);
            size_t take = end - pos < room ? end - pos : room;
            memcpy(line + kept, gReadChunk + pos, take);
            kept += (int)take;
            if (!feed) {
                break; // the line goes on in the next chunk
            }
            LevelWriteRow(map, row, line, kept);
            kept = 0;
            if (++row == MAP_MAX_ROWS) {
                return;
            }
            pos = end + 1;
        }
    }
    // A last line without a line feed counts, unless the read broke off with an error.
    if (kept > 0 && !ferror(file)) {
        LevelWriteRow(map, row, line, kept);
    }
}

// Moves enemy markers into the spawn list (at most MAX_ENEMY_SPAWNS); every marker cell is emptied.
static void LevelCollectEnemySpawns(Tilemap* map) {
    map->enemySpawnCount = 0;
    for (int row = 0; row < map->height; ++row) {
        for (int col = 0; col < map->width; ++col) {
            if (TilemapGetTile(map, col, row) != TILE_ENEMY_SPAWN) {
                continue;
            }
            if (map->enemySpawnCount < MAX_ENEMY_SPAWNS) {
                map->enemySpawnX[map->enemySpawnCount] = (float)(TILE_SIZE * col + 8);
                map->enemySpawnY[map->enemySpawnCount] = (float)(TILE_SIZE * row + 8);
                map->enemySpawnCount++;
            }
            TilemapSetTile(map, col, row, TILE_EMPTY);
        }
    }
}

// Centre height at which a 28-px-tall box rests 0.01 px above the top of tile row `row`.
static float LevelStandYOnRow(int row) {
    return (float)(TILE_SIZE * row - 14) - 0.01f;
}

// Looks down columns col - 1, col, col + 1 (in that order) from startRow for the first solid cell;
// the first column with any solid cell decides.
static int LevelFindStandY(const Tilemap* map, int col, int startRow, float* outY) {
    for (int c = col - 1; c <= col + 1; ++c) {
        if (c < 0 || c >= map->width) {
            continue;
        }
        for (int row = startRow; row < map->height; ++row) {
            if (TilemapIsSolid(TilemapGetTile(map, c, row))) {
                *outY = LevelStandYOnRow(row);
                return 1;
            }
        }
    }
    return 0;
}

// Turns every player marker into a ground block; the last one in scan order sets the spawn.
static void LevelFinalizeSpawn(Tilemap* map) {
    int found = 0;
    for (int row = 0; row < map->height; ++row) {
        for (int col = 0; col < map->width; ++col) {
            if (TilemapGetTile(map, col, row) != TILE_PLAYER_SPAWN) {
                continue;
            }
            found = 1;
            map->spawnX = (float)(TILE_SIZE * col + 8);
            float standY;
            if (LevelFindStandY(map, col, row, &standY)) {
                map->spawnY = standY;
            } else {
                // Nothing to stand on: give the player a block in the bottom row.
                TilemapSetTile(map, col, map->height - 1, TILE_GROUND);
                map->spawnY = LevelStandYOnRow(map->height - 1);
            }
            TilemapSetTile(map, col, row, TILE_GROUND);
        }
    }
    if (!found) {
        map->spawnX = 40.0f;
        map->spawnY = LevelStandYOnRow(map->height - 1);
    }
}

// Border, enemy spawns, player spawn: the same for a file and for the built-in stage.
static void LevelFinishStage(Tilemap* map) {
    for (int col = 0; col < map->width; ++col) {
        TilemapSetTile(map, col, 0, TILE_GROUND);
    }
    for (int row = 0; row < map->height; ++row) {
        TilemapSetTile(map, 0, row, TILE_GROUND);
    }
    LevelCollectEnemySpawns(map);
    LevelFinalizeSpawn(map);
}

// 1 when the file gave a stage with at least one cell. Only regular files are opened, so a FIFO or
// a device can never block the game.
static int LevelLoadFromFile(Tilemap* map, const char* path) {
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status)) {
        return 0;
    }
    FILE* file = fopen(path, "rb");
    if (!file) {
        return 0;
    }
    TilemapClear(map);
    LevelReadRows(map, file);
    fclose(file);
    if (map->width == 0 || map->height == 0) {
        return 0;
    }
    LevelFinishStage(map);
    return 1;
}

void LevelLoadTestStage(Tilemap* map) {
    if (!map) {
        return;
    }
    if (LevelLoadFromFile(map, gStagePath)) {
        return;
    }
    TilemapClear(map);
    for (int row = 0; row < LEVEL_BUILTIN_ROWS; ++row) {
        size_t length = strlen(rows[row]);
        LevelWriteRow(map, row, (const unsigned char*)rows[row],
                      length < (size_t)MAP_MAX_COLS ? (int)length : MAP_MAX_COLS);
    }
    LevelFinishStage(map);
}
