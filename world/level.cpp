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

// A stage given as text instead of the file; null when the file is read.
static const char* gStageText;
static size_t gStageTextLength;
// Grows whenever the source changes (path, text or both).
static uint32_t gStageSourceRevision;

void LevelSetStagePath(const char* path) {
    if (!path) {
        path = LEVEL_STAGE_PATH;
    }
    size_t length = strlen(path);
    if (length >= sizeof(gStagePath)) {
        gStagePath[0] = '\0';
        return;
    }
    memmove(gStagePath, path, length + 1);
    gStageSourceRevision++;
}

void LevelSetStageText(const char* text, size_t length) {
    gStageText = text;
    gStageTextLength = text ? length : 0;
    gStageSourceRevision++;
}

uint32_t LevelStageSourceRevision(void) {
    return gStageSourceRevision;
}

void LevelGetStageSource(LevelStageSource* out) {
    out->text = gStageText;
    out->length = gStageTextLength;
    memcpy(out->path, gStagePath, sizeof(out->path));
}

void LevelSetStageSource(const LevelStageSource* in) {
    memcpy(gStagePath, in->path, sizeof(gStagePath));
    gStagePath[sizeof(gStagePath) - 1] = '\0';
    LevelSetStageText(in->text, in->length);
}

// The character table: every byte not listed is empty.
int LevelTileForByte(unsigned char c) {
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

// Splits the bytes read into lines at 0x0A and writes the first MAP_MAX_COLS bytes of each, up to
// MAP_MAX_ROWS lines; fed one chunk at a time, so a line may go on in the next chunk.
struct LevelRowBuilder {
    Tilemap* map;
    unsigned char line[MAP_MAX_COLS];
    int kept;
    int row;
    int done; // every row the map can hold is written
};

static void LevelFeedRows(LevelRowBuilder* b, const unsigned char* chunk, size_t got) {
    size_t pos = 0;
    while (pos < got) {
        const unsigned char* feed = (const unsigned char*)memchr(chunk + pos, 0x0A, got - pos);
        size_t end = feed ? (size_t)(feed - chunk) : got;
        size_t room = (size_t)(MAP_MAX_COLS - b->kept);
        size_t take = end - pos < room ? end - pos : room;
        memcpy(b->line + b->kept, chunk + pos, take);
        b->kept += (int)take;
        if (!feed) {
            return; // the line goes on in the next chunk
        }
        LevelWriteRow(b->map, b->row, b->line, b->kept);
        b->kept = 0;
        if (++b->row == MAP_MAX_ROWS) {
            b->done = 1;
            return;
        }
        pos = end + 1;
    }
}

static LevelRowBuilder gBuilder; // a line buffer per load: kept off the stack like the chunk

static LevelRowBuilder* LevelStartRows(Tilemap* map) {
    TilemapClear(map);
    gBuilder.map = map;
    gBuilder.kept = 0;
    gBuilder.row = 0;
    gBuilder.done = 0;
    return &gBuilder;
}

// A last line without a line feed counts.
static void LevelEndRows(LevelRowBuilder* b) {
    if (!b->done && b->kept > 0) {
        LevelWriteRow(b->map, b->row, b->line, b->kept);
    }
}

static void LevelReadRows(Tilemap* map, FILE* file, LevelByteObserver observe, void* context,
                          LevelReadInfo* info) {
    LevelRowBuilder& builder = *LevelStartRows(map);
    uint64_t total = 0;
    while (total < LEVEL_MAX_READ_BYTES) {
        size_t got = fread(gReadChunk, 1, sizeof(gReadChunk), file);
        if (got == 0) {
            break;
        }
        total += got;
        if (observe) {
            observe(context, gReadChunk, got);
        }
        if (!builder.done) {
            LevelFeedRows(&builder, gReadChunk, got);
        }
        if (builder.done && !observe) {
            break;
        }
    }
    info->bytes = total;
    info->readError = ferror(file) != 0;
    // Only a tool asks whether anything lay beyond the cap; the game never reads past it.
    info->capped = total >= LEVEL_MAX_READ_BYTES && (!observe || fgetc(file) != EOF);
    // The rows read before an error count; a line the error broke off does not.
    if (!info->readError) {
        LevelEndRows(&builder);
    }
}

int LevelReadGridText(Tilemap* map, const char* text, size_t length) {
    if (!map) {
        return 0;
    }
    LevelRowBuilder* builder = LevelStartRows(map);
    if (text) {
        LevelFeedRows(builder, (const unsigned char*)text,
                      length < LEVEL_MAX_READ_BYTES ? length : (size_t)LEVEL_MAX_READ_BYTES);
        LevelEndRows(builder);
    }
    return map->width > 0 && map->height > 0;
}

// The byte each tile id is written as; markers and the goal by their letters.
static const char LEVEL_TILE_CHARS[TILE_GOAL + 1] = {'.', '#', '=', '|', '4', '5', '6', '7', 'S', 'E', 'G'};

size_t LevelWriteText(const Tilemap* map, char* out, size_t size) {
    if (!map || !out) {
        return 0;
    }
    const size_t need = (size_t)map->height * ((size_t)map->width + 1);
    if (need > size) {
        return 0;
    }
    size_t at = 0;
    for (int row = 0; row < map->height; ++row) {
        for (int col = 0; col < map->width; ++col) {
            const int id = TilemapGetTile(map, col, row);
            out[at++] = id <= TILE_GOAL ? LEVEL_TILE_CHARS[id] : '.';
        }
        out[at++] = '\n';
    }
    return at;
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

// The source the map came from; LEVEL_FROM_FILE when the file gave a stage with at least one cell.
// Only regular files are opened, so a FIFO or a device can never block the game.
static int32_t LevelLoadFromFile(Tilemap* map, const char* path, LevelByteObserver observe, void* context,
                                 LevelReadInfo* info, int finish) {
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        return LEVEL_BUILTIN_NO_FILE;
    }
    if (!std::filesystem::is_regular_file(status)) {
        return LEVEL_BUILTIN_NOT_REGULAR;
    }
    FILE* file = fopen(path, "rb");
    if (!file) {
        return LEVEL_BUILTIN_NO_FILE;
    }
    LevelReadRows(map, file, observe, context, info);
    fclose(file);
    if (map->width == 0 || map->height == 0) {
        return LEVEL_BUILTIN_NO_CELLS;
    }
    if (finish) {
        LevelFinishStage(map);
    }
    return LEVEL_FROM_FILE;
}

static void LevelLoadBuiltin(Tilemap* map) {
    TilemapClear(map);
    for (int row = 0; row < LEVEL_BUILTIN_ROWS; ++row) {
        size_t length = strlen(rows[row]);
        LevelWriteRow(map, row, (const unsigned char*)rows[row],
                      length < (size_t)MAP_MAX_COLS ? (int)length : MAP_MAX_COLS);
    }
    LevelFinishStage(map);
}

// Clears the caller's read report (or the local one when the caller wants none) and says whether there
// is a map to load into; without one the report says no file was read.
static LevelReadInfo* LevelBeginRead(Tilemap* map, LevelReadInfo* info, LevelReadInfo* local) {
    if (!info) {
        info = local;
    }
    memset(info, 0, sizeof(*info));
    if (!map) {
        info->source = LEVEL_BUILTIN_NO_FILE;
        return nullptr;
    }
    return info;
}

void LevelLoadStageFrom(Tilemap* map, const char* path, LevelByteObserver observe, void* context,
                        LevelReadInfo* info) {
    LevelReadInfo local;
    info = LevelBeginRead(map, info, &local);
    if (!info) {
        return;
    }
    info->source = LevelLoadFromFile(map, path ? path : "", observe, context, info, 1);
    if (info->source != LEVEL_FROM_FILE) {
        LevelLoadBuiltin(map);
    }
}

void LevelLoadStageText(Tilemap* map, const char* text, size_t length, LevelReadInfo* info) {
    LevelReadInfo local;
    info = LevelBeginRead(map, info, &local);
    if (!info) {
        return;
    }
    info->bytes = length < LEVEL_MAX_READ_BYTES ? length : (size_t)LEVEL_MAX_READ_BYTES;
    info->capped = length > info->bytes;
    if (!LevelReadGridText(map, text, length)) {
        info->source = LEVEL_BUILTIN_NO_CELLS;
        LevelLoadBuiltin(map);
        return;
    }
    LevelFinishStage(map);
    info->source = LEVEL_FROM_FILE;
}

int32_t LevelReadGridFile(Tilemap* map, const char* path) {
    LevelReadInfo info;
    memset(&info, 0, sizeof(info));
    if (!map) {
        return LEVEL_BUILTIN_NO_FILE;
    }
    return LevelLoadFromFile(map, path ? path : "", nullptr, nullptr, &info, 0);
}

void LevelLoadTestStage(Tilemap* map) {
    if (gStageText != nullptr) {
        LevelLoadStageText(map, gStageText, gStageTextLength, nullptr);
        return;
    }
    LevelLoadStageFrom(map, gStagePath, nullptr, nullptr, nullptr);
}
