// map_check.cpp -- the stage maker's check: reads the raw lines for what the loader cuts or ignores,
// and the loaded map (the game's own loader) for the spawn, the goal and the enemies' patrols.
#include "tools/maptool/map_check.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "actors/enemy.h"
#include "render/render.h"
#include "world/level.h"

static const int32_t CHECK_MAX_GOALS_LISTED = 6;
static const int32_t CHECK_MAX_EXAMPLES = 4;     // unknown characters listed one by one before a count
static const int32_t CHECK_PATROL_FRAMES = 1875; // 30 s of 16 ms updates: long enough to see both turns
static const float CHECK_PATROL_DT = 16.0f;
static const float CHECK_CONTACT_X = 13.0f; // the enemy's half width 7 plus the contact box's 6

static void CheckAdd(std::vector<std::string>* list, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    list->push_back(text);
}

// What the loader makes of a byte, asked of the loader itself.
static int CheckIsTileChar(uint8_t c) {
    return LevelTileForByte(c) != TILE_EMPTY;
}

static int CheckIsSolidChar(uint8_t c) {
    return TilemapIsSolid(LevelTileForByte(c));
}

// A line of the file as the loader sees it: where it starts and how long it is (line feed excluded).
struct CheckLine {
    size_t start;
    size_t length;
};

// Splits into lines the way a line reader does: a last line without a line feed still counts, an
// empty remainder after the last line feed does not.
static void CheckSplit(const uint8_t* bytes, size_t length, std::vector<CheckLine>* lines) {
    size_t start = 0;
    while (start < length) {
        const uint8_t* nl = (const uint8_t*)memchr(bytes + start, '\n', length - start);
        size_t end = nl ? (size_t)(nl - bytes) : length;
        lines->push_back({start, end - start});
        start = end + 1;
    }
}

// The byte at (col, row) of the stage text as loaded: 0 outside the used part of the file.
static uint8_t CheckRaw(const uint8_t* bytes, const std::vector<CheckLine>& lines, int32_t col, int32_t row) {
    if (row < 0 || row >= MAP_MAX_ROWS || row >= (int32_t)lines.size() || col < 0 || col >= MAP_MAX_COLS ||
        (size_t)col >= lines[row].length) {
        return 0;
    }
    return bytes[lines[row].start + col];
}

static void CheckLines(const uint8_t* bytes, const std::vector<CheckLine>& lines, MapCheckReport* r) {
    int32_t crLines = 0;
    int32_t unknown = 0;
    const int32_t used = (int32_t)lines.size() < MAP_MAX_ROWS ? (int32_t)lines.size() : MAP_MAX_ROWS;
    for (int32_t row = 0; row < used; ++row) {
        const CheckLine& line = lines[row];
        const uint8_t* text = bytes + line.start;
        if (line.length > 0 && text[line.length - 1] == '\r') {
            crLines++;
        }
        if (line.length > (size_t)MAP_MAX_COLS) {
            int32_t cutTiles = 0;
            for (size_t k = MAP_MAX_COLS; k < line.length; ++k) {
                cutTiles += CheckIsTileChar(text[k]);
            }
            CheckAdd(&r->warnings, "line %d is %zu bytes long: only the first %d are used%s", (int)row + 1,
                     line.length, (int)MAP_MAX_COLS,
                     cutTiles ? ", and the cut part holds tiles" : " (the cut part is empty)");
        }
        const size_t usedLength = line.length < (size_t)MAP_MAX_COLS ? line.length : (size_t)MAP_MAX_COLS;
        for (size_t k = 0; k < usedLength; ++k) {
            const uint8_t c = text[k];
            if (CheckIsTileChar(c) || c == '.' || c == ' ' || (c == '\r' && k + 1 == line.length)) {
                continue;
            }
            if (unknown < CHECK_MAX_EXAMPLES) {
                const char* hint = c == 's'    ? " (did you mean S?)"
                                   : c == 'e'  ? " (did you mean E?)"
                                   : c == 'g'  ? " (did you mean G?)"
                                   : c == '\t' ? " (a tab is one empty column)"
                                   : c >= 0x80 ? " (a byte of a non-ASCII character: one empty column each)"
                                               : "";
                if (c >= 0x21 && c < 0x7F) {
                    CheckAdd(&r->warnings,
                             "line %d column %zu: '%c' is not a tile character, so the cell is empty%s",
                             (int)row + 1, k, (char)c, hint);
                } else {
                    CheckAdd(
                        &r->warnings,
                        "line %d column %zu: byte 0x%02X is not a tile character, so the cell is empty%s",
                        (int)row + 1, k, (unsigned)c, hint);
                }
            }
            unknown++;
        }
    }
    if (unknown > CHECK_MAX_EXAMPLES) {
        CheckAdd(&r->warnings, "%d more cells hold characters that are not tiles",
                 (int)(unknown - CHECK_MAX_EXAMPLES));
    }
    if (crLines > 0) {
        CheckAdd(
            &r->warnings,
            "%d line%s end with a carriage return (Windows line ends): the return is an empty cell, so the "
            "stage is one column wider and blank lines still count as rows; save with bare line feeds",
            (int)crLines, crLines == 1 ? "" : "s");
    }
    if ((int32_t)lines.size() > MAP_MAX_ROWS) {
        int32_t withTiles = 0;
        for (size_t row = MAP_MAX_ROWS; row < lines.size(); ++row) {
            for (size_t k = 0; k < lines[row].length && k < (size_t)MAP_MAX_COLS; ++k) {
                if (CheckIsTileChar(bytes[lines[row].start + k])) {
                    withTiles++;
                    break;
                }
            }
        }
        CheckAdd(&r->warnings,
                 "the file has %zu lines: only the first %d are read (%d of the ignored lines hold tiles)",
                 lines.size(), (int)MAP_MAX_ROWS, (int)withTiles);
    }
}

// Markers in the top row or the left column are overwritten by the solid border before they are read.
static void CheckMarkers(const uint8_t* bytes, const std::vector<CheckLine>& lines, MapCheckReport* r) {
    r->spawnCol = -1;
    r->spawnRow = -1;
    int32_t spawnsOnBorder = 0;
    int32_t enemiesOnBorder = 0;
    int32_t goalsOnBorder = 0;
    for (int32_t row = 0; row < MAP_MAX_ROWS; ++row) {
        for (int32_t col = 0; col < MAP_MAX_COLS; ++col) {
            const uint8_t c = CheckRaw(bytes, lines, col, row);
            const int border = row == 0 || col == 0;
            if (c == 'S') {
                if (border) {
                    spawnsOnBorder++;
                } else {
                    r->spawnMarkers++;
                    r->spawnCol = col; // the last one in reading order sets the spawn
                    r->spawnRow = row;
                }
            } else if (c == 'E') {
                if (border) {
                    enemiesOnBorder++;
                } else {
                    r->enemyMarkers++;
                }
            } else if (c == 'G' && border) {
                goalsOnBorder++;
            }
        }
    }
    if (spawnsOnBorder + enemiesOnBorder + goalsOnBorder > 0) {
        CheckAdd(&r->warnings,
                 "%d S, %d E and %d G stand in the top row or the left column, which the game turns into "
                 "solid border",
                 (int)spawnsOnBorder, (int)enemiesOnBorder, (int)goalsOnBorder);
    }
}

static void CheckSpawn(const uint8_t* bytes, const std::vector<CheckLine>& lines, MapCheckReport* r) {
    const Tilemap* map = &r->map;
    if (r->spawnMarkers == 0) {
        CheckAdd(&r->facts, "spawn: (%.2f, %.2f), the default: no S, so column 2 above the bottom row",
                 (double)map->spawnX, (double)map->spawnY);
        CheckAdd(&r->warnings,
                 "no S: the player starts in column 2 at the height of the bottom row, floor or not");
        return;
    }
    CheckAdd(&r->facts, "spawn: (%.2f, %.2f) from the S at column %d, row %d; the player stands on that cell",
             (double)map->spawnX, (double)map->spawnY, (int)r->spawnCol, (int)r->spawnRow);
    if (r->spawnMarkers > 1) {
        CheckAdd(
            &r->warnings,
            "%d S markers: the last one in reading order sets the spawn, and every S becomes a ground block",
            (int)r->spawnMarkers);
    }
    // The loader adds a block in the bottom row under an S that has no floor; nothing else puts ground
    // where the text has none (apart from the border and the S cells themselves).
    const int32_t bottom = map->height - 1;
    const uint8_t written = CheckRaw(bytes, lines, r->spawnCol, bottom);
    if (r->spawnRow < bottom && TilemapGetTile(map, r->spawnCol, bottom) == TILE_GROUND &&
        !CheckIsSolidChar(written) && written != 'S') {
        CheckAdd(&r->warnings,
                 "nothing solid under the S or beside it: the game adds a ground block in the bottom row");
    }
    // The player's 14 x 28 box on top of the marker cell reaches into the two cells above it.
    for (int32_t up = 1; up <= 2; ++up) {
        if (TilemapIsSolid(TilemapGetTile(map, r->spawnCol, r->spawnRow - up))) {
            CheckAdd(&r->warnings, "the cell %d above the S is solid: the player starts inside a wall",
                     (int)up);
            break;
        }
    }
}

static void CheckEnemies(MapCheckReport* r) {
    Tilemap map = r->map;
    Enemy enemies[MAX_ENEMIES];
    int count = 0;
    EnemySpawnDefaults(enemies, &count, &map);
    r->enemiesWalking = count;
    if (r->enemyMarkers == 0) {
        CheckAdd(&r->warnings,
                 "no E: the game places its four standard enemies (x 200, 320 and 480 over the bottom "
                 "row, and x 592, y 128)");
    }
    if (r->enemyMarkers > MAX_ENEMY_SPAWNS) {
        CheckAdd(&r->warnings, "%d E markers: the game keeps %d and drops the rest without a word",
                 (int)r->enemyMarkers, (int)MAX_ENEMY_SPAWNS);
    }
    if (r->enemyMarkers > MAX_ENEMIES) {
        CheckAdd(&r->warnings,
                 "%d E markers: only the first %d in reading order walk; the others are simply removed",
                 (int)r->enemyMarkers, (int)MAX_ENEMIES);
    }
    CheckAdd(&r->facts, "enemies: %d walking (%d E marker%s)", count, (int)r->enemyMarkers,
             r->enemyMarkers == 1 ? "" : "s");
    // Their patrols, walked by the game's own enemy code for a while.
    float minX[MAX_ENEMIES];
    float maxX[MAX_ENEMIES];
    const Enemy start[MAX_ENEMIES] = {enemies[0], enemies[1], enemies[2], enemies[3],
                                      enemies[4], enemies[5], enemies[6], enemies[7]};
    for (int i = 0; i < count; ++i) {
        minX[i] = maxX[i] = enemies[i].x;
    }
    for (int32_t f = 0; f < CHECK_PATROL_FRAMES; ++f) {
        EnemyUpdate(enemies, count, &map, CHECK_PATROL_DT);
        for (int i = 0; i < count; ++i) {
            minX[i] = fminf(minX[i], enemies[i].x);
            maxX[i] = fmaxf(maxX[i], enemies[i].x);
        }
    }
    for (int i = 0; i < count; ++i) {
        const float x = start[i].x;
        const float y = start[i].y;
        const int floorCol = (int)(x * 0.0625f);
        const int floorRow = (int)((y + 18.0f) * 0.0625f);
        if (maxX[i] - minX[i] < 8.0f) {
            CheckAdd(&r->facts, "  enemy %d at (%.0f, %.0f): stands and jitters in place", i, (double)x,
                     (double)y);
            CheckAdd(&r->warnings,
                     "enemy %d at (%.0f, %.0f) has no floor to walk on (cell %d, %d is not solid)", i,
                     (double)x, (double)y, floorCol, floorRow);
        } else {
            CheckAdd(&r->facts, "  enemy %d at (%.0f, %.0f): walks %s first, patrols x %.0f to %.0f", i,
                     (double)x, (double)y, start[i].dir < 0 ? "left" : "right", (double)minX[i],
                     (double)maxX[i]);
        }
        // The player stands on its marker cell; contact needs the 24 px tall boxes to overlap vertically.
        const float standY =
            r->spawnMarkers > 0 ? (float)(TILE_SIZE * r->spawnRow) - BODY_REST_HEIGHT : r->map.spawnY;
        if (r->map.spawnX > minX[i] - CHECK_CONTACT_X && r->map.spawnX < maxX[i] + CHECK_CONTACT_X &&
            fabsf((y - 2.0f) - standY) < 24.0f) {
            CheckAdd(&r->warnings,
                     "enemy %d walks over the spawn point: a player standing there is caught once the "
                     "first half second of grace is over",
                     i);
        }
    }
}

void MapCheckAnalyse(const uint8_t* bytes, size_t length, const Tilemap* loaded, MapCheckReport* r) {
    r->verdict = MAP_CHECK_OK;
    r->map = *loaded;
    r->facts.clear();
    r->warnings.clear();
    r->errors.clear();
    r->spawnMarkers = 0;
    r->enemyMarkers = 0;
    r->goalCells = 0;
    r->enemiesWalking = 0;
    std::vector<CheckLine> lines;
    CheckSplit(bytes, length, &lines);
    r->usedFile = 0;
    for (size_t row = 0; row < lines.size() && row < (size_t)MAP_MAX_ROWS; ++row) {
        r->usedFile |= lines[row].length > 0;
    }
    if (!r->usedFile) {
        CheckAdd(&r->errors,
                 "no cells in the first %d lines: the game ignores this file and plays its built-in stage",
                 (int)MAP_MAX_ROWS);
        r->verdict = MAP_CHECK_UNCLEARABLE;
        return;
    }
    const Tilemap* map = &r->map;
    CheckAdd(&r->facts, "size: %d x %d tiles (%d x %d pixels)", (int)map->width, (int)map->height,
             (int)(map->width * TILE_SIZE), (int)(map->height * TILE_SIZE));
    CheckLines(bytes, lines, r);
    CheckMarkers(bytes, lines, r);
    CheckSpawn(bytes, lines, r);
    // Goal cells as (column, row), the first few listed.
    std::string goals;
    for (int32_t row = 0; row < map->height; ++row) {
        for (int32_t col = 0; col < map->width; ++col) {
            if (TilemapGetTile(map, col, row) != TILE_GOAL) {
                continue;
            }
            if (r->goalCells++ < CHECK_MAX_GOALS_LISTED) {
                char cell[32];
                snprintf(cell, sizeof(cell), "%s(%d, %d)", goals.empty() ? "" : " ", (int)col, (int)row);
                goals += cell;
            }
        }
    }
    if (r->goalCells == 0) {
        CheckAdd(&r->errors, "no goal (G): the stage cannot be cleared");
        r->verdict = MAP_CHECK_UNCLEARABLE;
    } else {
        CheckAdd(&r->facts, "goal: %d cell%s at (column, row) %s%s", (int)r->goalCells,
                 r->goalCells == 1 ? "" : "s", goals.c_str(),
                 r->goalCells > CHECK_MAX_GOALS_LISTED ? " ..." : "");
    }
    CheckEnemies(r);
    if (map->width * TILE_SIZE < LOGICAL_WIDTH || map->height * TILE_SIZE < LOGICAL_HEIGHT) {
        CheckAdd(&r->facts,
                 "the stage is smaller than the 320 x 200 screen on at least one side: the view does "
                 "not scroll that way");
    }
}

static void CheckKeepBytes(void* context, const unsigned char* bytes, size_t count) {
    std::vector<uint8_t>* kept = (std::vector<uint8_t>*)context;
    kept->insert(kept->end(), bytes, bytes + count);
}

int MapCheckFile(const char* path, MapCheckReport* report) {
    static Tilemap loaded;             // large: kept out of the stack
    static std::vector<uint8_t> bytes; // at most the loader's cap
    bytes.clear();
    LevelLoadStageFrom(&loaded, path, CheckKeepBytes, &bytes, &report->read);
    const int32_t source = report->read.source;
    if (source == LEVEL_BUILTIN_NO_FILE || source == LEVEL_BUILTIN_NOT_REGULAR ||
        (source != LEVEL_FROM_FILE && report->read.readError)) {
        return 0;
    }
    const LevelReadInfo read = report->read;
    MapCheckAnalyse(bytes.data(), bytes.size(), &loaded, report);
    report->read = read;
    if (read.readError) {
        CheckAdd(&report->warnings,
                 "reading the file failed after %llu bytes: the game plays the lines read before that",
                 (unsigned long long)read.bytes);
    }
    if (read.capped) {
        CheckAdd(&report->warnings,
                 "the file is larger than %llu bytes: the game reads only that much, as if the file ended "
                 "there",
                 (unsigned long long)LEVEL_MAX_READ_BYTES);
    }
    return 1;
}

const char* MapCheckUnreadableReason(const MapCheckReport* report) {
    switch (report->read.source) {
    case LEVEL_BUILTIN_NOT_REGULAR:
        return "not a regular file: the game plays the built-in stage";
    case LEVEL_BUILTIN_NO_FILE:
        return "cannot be opened: the game plays the built-in stage";
    default:
        return "cannot be read: the game plays the built-in stage";
    }
}
