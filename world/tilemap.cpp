// tilemap.cpp -- the stage grid and its accessors, the tile collision response for bodies, and the
// drawing of the sky and the visible tiles.
#include "world/tilemap.h"

#include <math.h>
#include <string.h>

#include "render/palette.h"
#include "render/render.h"

// Subtracted from the right and bottom edges so a box ending exactly on a tile boundary does not
// reach into the next tile.
static const float TILEMAP_RANGE_EPSILON = 0.001f;
static const float TILEMAP_TILE_SCALE = 0.0625f;

static const uint32_t TILEMAP_SKY = PALETTE_SKY;
static const uint32_t TILEMAP_OUTLINE = PALETTE_GREY;
static const uint32_t TILEMAP_PILLAR_INNER = PALETTE_DARK_GREEN;
static const uint32_t TILEMAP_PILLAR_EDGE = PALETTE_GREEN;
static const uint32_t TILEMAP_GOAL_FLAG = PALETTE_YELLOW;

// Fill colour per id, 0 for ids that are not drawn (0, 8, 9).
static const uint32_t TILEMAP_FILL[TILE_GOAL + 1] = {
    0,
    PALETTE_BRICK,
    PALETTE_YELLOW,
    PALETTE_GREEN,
    PALETTE_GREY,
    PALETTE_BRICK,
    PALETTE_DARK_GREEN,
    PALETTE_BLUE,
    0,
    0,
    PALETTE_PINK,
};

// floor(v / 16) as an int. Values far outside the grid are pinned a little beyond it, which keeps
// the conversion defined and the loops short without changing which cells take part.
static int TilemapCellIndex(float v) {
    float cell = floorf(v * TILEMAP_TILE_SCALE);
    if (!(cell >= -2.0f)) {
        return -2;
    }
    if (cell > (float)(MAP_MAX_COLS + 2)) {
        return MAP_MAX_COLS + 2;
    }
    return (int)cell;
}

void TilemapClear(Tilemap* map) {
    if (!map) {
        return;
    }
    map->width = 0;
    map->height = 0;
    memset(map->tiles, 0, sizeof(map->tiles));
    map->spawnX = 32.0f;
    map->spawnY = 32.0f;
    map->enemySpawnCount = 0;
}

int TilemapGetTile(const Tilemap* map, int col, int row) {
    if (!map || col < 0 || row < 0 || col >= map->width || row >= map->height) {
        return 0;
    }
    return map->tiles[row][col];
}

void TilemapSetTile(Tilemap* map, int col, int row, int id) {
    if (!map || row < 0 || row >= MAP_MAX_ROWS || col < 0 || col >= MAP_MAX_COLS) {
        return;
    }
    map->tiles[row][col] = (uint8_t)((unsigned)id & 0xFFu);
    if (map->width < col + 1) {
        map->width = col + 1;
    }
    if (map->height < row + 1) {
        map->height = row + 1;
    }
}

int TilemapIsSolid(int id) {
    return id >= TILE_GROUND && id <= TILE_SOLID_7;
}

int TilemapIsOneWay(int id) {
    (void)id;
    return 0;
}

// 1 when (col, row) lies in the used grid and holds a solid tile.
static int TilemapCellBlocks(const Tilemap* map, int col, int row) {
    return TilemapIsSolid(TilemapGetTile(map, col, row));
}

static AABB TilemapTileBox(int col, int row) {
    AABB box;
    box.x = (float)(TILE_SIZE * col);
    box.y = (float)(TILE_SIZE * row);
    box.w = (float)TILE_SIZE;
    box.h = (float)TILE_SIZE;
    return box;
}

void TilemapResolveBody(Tilemap* map, Body* body, float dtMs) {
    if (!map || !body) {
        return;
    }
    const float halfW = BODY_BOX_W * 0.5f;
    const float halfH = BODY_BOX_H * 0.5f;
    if (body->vy < 0.0f) {
        body->onGround = 0;
    }

    // Horizontal pass: the cell range is fixed from the entry position.
    float X = body->x;
    float Y = body->y;
    int c0 = TilemapCellIndex(X - halfW);
    int c1 = TilemapCellIndex((X + halfW) - TILEMAP_RANGE_EPSILON);
    int r0 = TilemapCellIndex(Y - halfH);
    int r1 = TilemapCellIndex((Y + halfH) - TILEMAP_RANGE_EPSILON);
    for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col) {
            if (!TilemapCellBlocks(map, col, row)) {
                continue;
            }
            // While falling, tiles whose top is above the feet belong to the vertical pass.
            if (body->vy > 0.0f && Y + halfH > (float)(TILE_SIZE * row) + COLLISION_SKIN) {
                continue;
            }
            AABB box = AABBFromCenter(X, Y, BODY_BOX_W, BODY_BOX_H);
            AABB tile = TilemapTileBox(col, row);
            if (!AABBOverlap(&box, &tile)) {
                continue;
            }
            if (body->vx > 0.0f) {
                X = ((float)(TILE_SIZE * col) - halfW) - COLLISION_SKIN;
                body->vx = 0.0f;
            } else if (body->vx < 0.0f) {
                X = ((float)(TILE_SIZE + TILE_SIZE * col) + halfW) + COLLISION_SKIN;
                body->vx = 0.0f;
            }
        }
    }
    body->x = X;

    // Vertical pass: columns from the pushed x, rows as before.
    Y = body->y;
    float prevY = Y - body->vy * dtMs;
    float prevTop = prevY - halfH;
    float prevBottom = prevY + halfH;
    c0 = TilemapCellIndex(body->x - halfW);
    c1 = TilemapCellIndex((body->x + halfW) - TILEMAP_RANGE_EPSILON);
    for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col) {
            if (!TilemapCellBlocks(map, col, row)) {
                continue;
            }
            AABB box = AABBFromCenter(body->x, Y, BODY_BOX_W, BODY_BOX_H);
            AABB tile = TilemapTileBox(col, row);
            if (!AABBOverlap(&box, &tile)) {
                continue;
            }
            if (body->vy > 0.0f) {
                float top = (float)(TILE_SIZE * row);
                if (prevBottom <= top + COLLISION_SKIN) {
                    Y = (top - halfH) - COLLISION_SKIN;
                } else {
                    // Already deep in the tile: the same resting place, reached from here.
                    Y = Y - (((Y + halfH) - top) + COLLISION_SKIN);
                }
                body->vy = 0.0f;
                body->onGround = 1;
            } else if (body->vy < 0.0f) {
                float bottom = (float)(TILE_SIZE * row + TILE_SIZE);
                if (prevTop < bottom - COLLISION_SKIN) {
                    Y = Y + ((bottom - (Y - halfH)) + COLLISION_SKIN);
                } else {
                    Y = (bottom + halfH) + COLLISION_SKIN;
                }
                body->vy = 0.0f;
            }
        }
    }
    body->y = Y;

    // Friction once per call, not per millisecond.
    if (body->onGround) {
        body->vy = 0.0f;
        body->vx = body->vx * GROUND_FRICTION;
    }
}

// The part of a tile at screen (sx, sy) that lies on the picture: its corner and size; 0 when none.
static inline int TilemapClipTile(int sx, int sy, int* x0, int* y0, int* w, int* h) {
    *x0 = sx > 0 ? sx : 0;
    *y0 = sy > 0 ? sy : 0;
    *w = (sx + TILE_SIZE < LOGICAL_WIDTH ? sx + TILE_SIZE : LOGICAL_WIDTH) - *x0;
    *h = (sy + TILE_SIZE < LOGICAL_HEIGHT ? sy + TILE_SIZE : LOGICAL_HEIGHT) - *y0;
    return *w > 0 && *h > 0;
}

void TilemapRenderTileDirect(int id, int sx, int sy) {
    if (id <= TILE_EMPTY || id > TILE_GOAL || TILEMAP_FILL[id] == 0) {
        return;
    }
    int x0 = 0, y0 = 0, w = 0, h = 0;
    if (!TilemapClipTile(sx, sy, &x0, &y0, &w, &h)) {
        return;
    }
    // Outline and decorations follow the clipped rectangle, so they move with a cut corner.
    RenderFillRect(x0, y0, w, h, TILEMAP_FILL[id]);
    if (TilemapIsSolid(id)) {
        RenderDrawBox(x0, y0, w, h, TILEMAP_OUTLINE);
        if (id == TILE_PILLAR) {
            RenderFillRect(x0 + 2, y0, w - 4, h, TILEMAP_PILLAR_INNER);
            RenderDrawBox(x0, y0, w, h, TILEMAP_PILLAR_EDGE);
        }
    } else if (id == TILE_GOAL) {
        RenderFillRect(x0 + 6, y0, 4, h, TILEMAP_FILL[TILE_GOAL]);
        RenderFillRect(x0 + 2, y0 + 2, 12, 6, TILEMAP_GOAL_FLAG);
    }
}

// Ready-drawn tiles. Each kind is drawn once, shape by shape, into a 16 x 16 copy. A tile cut to w
// columns by the picture's edge shows the first w - k columns of its copy and the last k (k clamped
// to w), and likewise for rows, since its outline follows the cut. k is found by drawing each kind cut
// at every width and height: for the columns each kind's own, for the rows one that serves every kind
// (the stage's rows are cut alike across a row of tiles), in both the k under which the most cuts come
// out as the copy. A cut that does not (the goal's, whose bar and flag reach past a narrow cut) is
// drawn shape by shape.
struct TilemapTileCopy {
    uint32_t pixels[TILE_SIZE][TILE_SIZE];
    int32_t keepCols;
    // Bit n: the kind cut to n columns (rows) is its copy so cut; bit 16 always.
    uint32_t cutCols;
    uint32_t cutRows;
    // Per width (height) the kind is drawn shape by shape when cut to: the neighbours its shapes reach
    // (TILEMAP_REACHES_*).
    uint8_t reachCols[TILE_SIZE + 1];
    uint8_t reachRows[TILE_SIZE + 1];
    // Per visible height h: bit r set when row r of the cut tile differs from row r - 1 (bit 0 always).
    uint32_t newRows[TILE_SIZE + 1];
};

static const uint8_t TILEMAP_REACHES_RIGHT = 1;
static const uint8_t TILEMAP_REACHES_BELOW = 2;
static const uint8_t TILEMAP_REACHES_DIAGONAL = 4;

static TilemapTileCopy gTileCopies[TILE_GOAL + 1];
// The k of every kind's cut rows.
static int32_t gKeepRows = 0;
// A whole row of sky, made with the copies: copied where the picture shows sky.
static uint32_t gSkyRow[LOGICAL_WIDTH];
static int gTileCopiesReady = 0;

// Marks the pixels a drawing must leave alone while a kind is measured: no tile has the top byte.
static const uint32_t TILEMAP_UNTOUCHED = 0xFF000000u;
// The corner of the picture the copies are drawn in, kept aside and put back.
static const int32_t TILEMAP_SCRATCH = 2 * TILE_SIZE;

static int TilemapIsDrawn(int id) {
    return id > TILE_EMPTY && id <= TILE_GOAL && TILEMAP_FILL[id] != 0;
}

// Row (or column) of the copy shown at position i of a tile cut to n, keeping the last k.
static inline int TilemapCopyIndex(int i, int n, int k) {
    return i < n - k ? i : TILE_SIZE - (n - i);
}

static void TilemapClearScratch(void) {
    for (int32_t y = 0; y < TILEMAP_SCRATCH; ++y) {
        for (int32_t x = 0; x < TILEMAP_SCRATCH; ++x) {
            pixelBuffer[y * LOGICAL_WIDTH + x] = TILEMAP_UNTOUCHED;
        }
    }
}

// 1 when the scratch corner holds exactly the copy cut to w x h at (0, 0), keeping the last kc
// columns and kr rows, and nothing else.
static int TilemapScratchMatches(const TilemapTileCopy* copy, int w, int h, int kc, int kr) {
    for (int32_t y = 0; y < TILEMAP_SCRATCH; ++y) {
        for (int32_t x = 0; x < TILEMAP_SCRATCH; ++x) {
            uint32_t want = TILEMAP_UNTOUCHED;
            if (x < w && y < h) {
                want = copy->pixels[TilemapCopyIndex(y, h, kr)][TilemapCopyIndex(x, w, kc)];
            }
            if (pixelBuffer[y * LOGICAL_WIDTH + x] != want) {
                return 0;
            }
        }
    }
    return 1;
}

// The neighbours of the w x h rectangle at (0, 0) that the drawing in the scratch corner reached.
static uint8_t TilemapScratchReach(int w, int h) {
    uint8_t reach = 0;
    for (int32_t y = 0; y < TILEMAP_SCRATCH; ++y) {
        for (int32_t x = 0; x < TILEMAP_SCRATCH; ++x) {
            if (pixelBuffer[y * LOGICAL_WIDTH + x] == TILEMAP_UNTOUCHED || (x < w && y < h)) {
                continue;
            }
            reach |= x >= w && y >= h ? TILEMAP_REACHES_DIAGONAL
                     : x >= w         ? TILEMAP_REACHES_RIGHT
                                      : TILEMAP_REACHES_BELOW;
        }
    }
    return reach;
}

// The kind drawn cut to every width (rows: height) n < 16: per k, the cuts (bit n) that come out as
// the copy keeping the last k; per cut, the neighbours the drawing reached.
static void TilemapMeasureCuts(int id, int rows, uint32_t matches[TILE_SIZE + 1], uint8_t reach[TILE_SIZE + 1]) {
    const TilemapTileCopy* copy = &gTileCopies[id];
    for (int32_t n = 1; n < TILE_SIZE; ++n) {
        TilemapClearScratch();
        TilemapRenderTileDirect(id, rows ? 0 : n - TILE_SIZE, rows ? n - TILE_SIZE : 0);
        for (int32_t k = 0; k <= TILE_SIZE; ++k) {
            const int match = rows ? TilemapScratchMatches(copy, TILE_SIZE, n, 0, k)
                                   : TilemapScratchMatches(copy, n, TILE_SIZE, k, 0);
            matches[k] |= match ? 1u << n : 0u;
        }
        reach[n] = rows ? TilemapScratchReach(TILE_SIZE, n) : TilemapScratchReach(n, TILE_SIZE);
    }
}

// The k under which the most cuts of kinds first .. last come out as their copies (the least of equals).
static int32_t TilemapBestKeep(uint32_t matches[TILE_GOAL + 1][TILE_SIZE + 1], int first, int last) {
    int32_t best = 0;
    int32_t bestCount = -1;
    for (int32_t k = 0; k <= TILE_SIZE; ++k) {
        int32_t count = 0;
        for (int id = first; id <= last; ++id) {
            for (int32_t n = 1; n < TILE_SIZE; ++n) {
                count += (int32_t)(matches[id][k] >> n & 1u);
            }
        }
        if (count > bestCount) {
            best = k;
            bestCount = count;
        }
    }
    return best;
}

static void TilemapMakeCopies(void) {
    static uint32_t kept[TILEMAP_SCRATCH][TILEMAP_SCRATCH];
    static uint32_t matchCols[TILE_GOAL + 1][TILE_SIZE + 1];
    static uint32_t matchRows[TILE_GOAL + 1][TILE_SIZE + 1];
    for (int32_t y = 0; y < TILEMAP_SCRATCH; ++y) {
        memcpy(kept[y], pixelBuffer + y * LOGICAL_WIDTH, sizeof(kept[y]));
    }
    memset(matchCols, 0, sizeof(matchCols));
    memset(matchRows, 0, sizeof(matchRows));
    for (int id = 0; id <= TILE_GOAL; ++id) {
        TilemapTileCopy* copy = &gTileCopies[id];
        memset(copy, 0, sizeof(*copy));
        if (!TilemapIsDrawn(id)) {
            continue;
        }
        TilemapClearScratch();
        TilemapRenderTileDirect(id, 0, 0);
        for (int32_t y = 0; y < TILE_SIZE; ++y) {
            memcpy(copy->pixels[y], pixelBuffer + y * LOGICAL_WIDTH, sizeof(copy->pixels[y]));
        }
        TilemapMeasureCuts(id, 0, matchCols[id], copy->reachCols);
        TilemapMeasureCuts(id, 1, matchRows[id], copy->reachRows);
    }
    gKeepRows = TilemapBestKeep(matchRows, 0, TILE_GOAL);
    for (int id = 0; id <= TILE_GOAL; ++id) {
        TilemapTileCopy* copy = &gTileCopies[id];
        copy->keepCols = TilemapBestKeep(matchCols, id, id);
        copy->cutCols = matchCols[id][copy->keepCols] | 1u << TILE_SIZE;
        copy->cutRows = matchRows[id][gKeepRows] | 1u << TILE_SIZE;
        for (int32_t h = 1; h <= TILE_SIZE; ++h) {
            copy->newRows[h] = 1u;
            if (!(copy->cutRows >> h & 1u)) {
                continue; // drawn shape by shape when so cut
            }
            const int k = h == TILE_SIZE ? 0 : gKeepRows;
            for (int32_t r = 1; r < h; ++r) {
                if (memcmp(copy->pixels[TilemapCopyIndex(r, h, k)],
                           copy->pixels[TilemapCopyIndex(r - 1, h, k)], sizeof(copy->pixels[0])) != 0) {
                    copy->newRows[h] |= 1u << r;
                }
            }
        }
    }
    for (int32_t y = 0; y < TILEMAP_SCRATCH; ++y) {
        memcpy(pixelBuffer + y * LOGICAL_WIDTH, kept[y], sizeof(kept[y]));
    }
    for (uint32_t& pixel : gSkyRow) {
        pixel = TILEMAP_SKY;
    }
    gTileCopiesReady = 1;
}

static const TilemapTileCopy* TilemapCopy(int id) {
    if (!gTileCopiesReady) {
        TilemapMakeCopies();
    }
    return &gTileCopies[id];
}

// The copy's row shown as row r of a tile cut to h rows.
static inline const uint32_t* TilemapCopySource(const TilemapTileCopy* copy, int r, int h) {
    return copy->pixels[h == TILE_SIZE ? r : TilemapCopyIndex(r, h, gKeepRows)];
}

// A row of the copy cut to w columns, stored at dst.
static inline void TilemapCopyColumns(uint32_t* dst, const uint32_t* src, const TilemapTileCopy* copy, int w) {
    if (w == TILE_SIZE) {
        memcpy(dst, src, TILE_SIZE * sizeof(uint32_t));
        return;
    }
    const int k = copy->keepCols < w ? copy->keepCols : w;
    memcpy(dst, src, (size_t)(w - k) * sizeof(uint32_t));
    memcpy(dst + (w - k), src + (TILE_SIZE - k), (size_t)k * sizeof(uint32_t));
}

// A tile cut to the rectangle (x0, y0, w, h) on the screen from its copy.
static void TilemapCopyTile(const TilemapTileCopy* copy, int x0, int y0, int w, int h) {
    for (int r = 0; r < h; ++r) {
        TilemapCopyColumns(pixelBuffer + (y0 + r) * LOGICAL_WIDTH + x0, TilemapCopySource(copy, r, h), copy, w);
    }
}

static inline int TilemapNeedsShapes(const TilemapTileCopy* copy, int w, int h) {
    return !(copy->cutCols >> w & copy->cutRows >> h & 1u);
}

void TilemapRenderTile(int id, int sx, int sy) {
    if (!TilemapIsDrawn(id)) {
        return;
    }
    int x0 = 0, y0 = 0, w = 0, h = 0;
    if (!TilemapClipTile(sx, sy, &x0, &y0, &w, &h)) {
        return;
    }
    const TilemapTileCopy* copy = TilemapCopy(id);
    if (TilemapNeedsShapes(copy, w, h)) {
        TilemapRenderTileDirect(id, sx, sy);
        return;
    }
    TilemapCopyTile(copy, x0, y0, w, h);
}

// The stage's tiles ready-drawn, a row of cells at a time: the pixel rows that differ from the one
// above in any kind of the row (at most TILEMAP_STAGE_SLOTS of them), each drawn once across the whole
// grid from the copies, sky where no tile is drawn. A row is made when it first shows and made again
// when its cells or the grid's width differ from what it was made from: whoever changes a map (play,
// the editor's strokes, undo, resizing, another stage), the rows follow.
static const int32_t TILEMAP_STAGE_SLOTS = 8;
// The least tiles a run of whole tiles holds to be drawn from the stage's row.
static const int32_t TILEMAP_STAGE_TILES = 3;
typedef uint32_t TilemapStageLine[MAP_MAX_COLS * TILE_SIZE];
// What a row was made from, apart from its pixels, so that the look at every row shown each frame
// stays within a few cache lines.
struct TilemapStageRow {
    int32_t madeWidth; // the grid's width the row was made for; -1: not made
    uint32_t newRows;  // bit r: pixel row r is a slot of its own
    int8_t slot[TILE_SIZE];
    uint8_t cells[MAP_MAX_COLS];
    uint8_t drawnBefore[MAP_MAX_COLS + 1]; // tiles drawn in columns 0 .. c - 1
    TilemapStageLine* pixels; // its TILEMAP_STAGE_SLOTS lines
};
static TilemapStageRow gStageRows[MAP_MAX_ROWS];
static TilemapStageLine gStageLines[MAP_MAX_ROWS][TILEMAP_STAGE_SLOTS];
static int gStageRowsReady = 0;

// Row `row` of the map's cells ready-drawn; null when it cannot be (a kind mix with too many distinct
// pixel rows, a size out of range): the caller then draws tile by tile.
static const TilemapStageRow* TilemapStageRowFor(const Tilemap* map, int32_t row) {
    const int32_t width = map->width;
    if (row < 0 || row >= MAP_MAX_ROWS || row >= map->height || width < 0 || width > MAP_MAX_COLS) {
        return nullptr;
    }
    if (!gStageRowsReady) {
        for (int32_t each = 0; each < MAP_MAX_ROWS; ++each) {
            gStageRows[each].madeWidth = -1;
            gStageRows[each].pixels = gStageLines[each];
        }
        gStageRowsReady = 1;
    }
    TilemapStageRow* made = &gStageRows[row];
    const uint8_t* cells = map->tiles[row];
    if (made->madeWidth == width && memcmp(made->cells, cells, (size_t)width) == 0) {
        return made;
    }
    made->madeWidth = -1;
    uint32_t newRows = 1u;
    made->drawnBefore[0] = 0;
    for (int32_t col = 0; col < width; ++col) {
        newRows |= TilemapIsDrawn(cells[col]) ? gTileCopies[cells[col]].newRows[TILE_SIZE] : 0u;
        made->drawnBefore[col + 1] = (uint8_t)(made->drawnBefore[col] + TilemapIsDrawn(cells[col]));
    }
    int32_t slots = 0;
    for (int32_t r = 0; r < TILE_SIZE; ++r) {
        slots += (int32_t)(newRows >> r & 1u);
        made->slot[r] = (int8_t)(slots - 1);
    }
    if (slots > TILEMAP_STAGE_SLOTS) {
        return nullptr;
    }
    for (int32_t r = 0; r < TILE_SIZE; ++r) {
        if (!(newRows >> r & 1u)) {
            continue;
        }
        uint32_t* line = made->pixels[made->slot[r]];
        for (int32_t col = 0; col < width; ++col) {
            const uint32_t* src = TilemapIsDrawn(cells[col]) ? gTileCopies[cells[col]].pixels[r] : gSkyRow;
            memcpy(line + TILE_SIZE * col, src, TILE_SIZE * sizeof(uint32_t));
        }
    }
    memcpy(made->cells, cells, (size_t)width);
    made->newRows = newRows;
    made->madeWidth = width;
    return made;
}

// The cells that can show along one axis for a camera coordinate: their index, where they start
// on the screen uncut (at) and cut (from, for len pixels).
struct TilemapAxis {
    int32_t count;
    int32_t index[24];
    int32_t at[24];
    int32_t from[24];
    int32_t len[24];
};

// Layout cells from .. to - 1: whole tiles, 16 pixels apart, of consecutive cells of the stage (columns
// 0 .. width - 1), as many as follow each other so; from == to when there are none.
struct TilemapRun {
    int32_t from;
    int32_t to;
};

static TilemapRun TilemapWholeRun(const TilemapAxis* axis, int32_t width) {
    TilemapRun run = {0, 0};
    int32_t k = 0;
    while (k < axis->count && (axis->len[k] != TILE_SIZE || axis->index[k] < 0)) {
        ++k;
    }
    run.from = k;
    run.to = k;
    while (run.to < axis->count && axis->len[run.to] == TILE_SIZE && axis->index[run.to] < width &&
           (run.to == k || (axis->index[run.to] == axis->index[run.to - 1] + 1 &&
                            axis->at[run.to] == axis->at[run.to - 1] + TILE_SIZE))) {
        ++run.to;
    }
    return run;
}

// Cells first - 1 .. first + span - 2 that land on the screen: -16 <= position <= size - 1, the
// position the rounded world-minus-camera offset, compared as a float before the conversion so no
// camera can make it overflow. 0 when two cut cells would overlap (a rounding at a boundary of float
// precision): the caller then draws tile by tile.
static int TilemapLayoutAxis(TilemapAxis* axis, int first, int span, float cam, int size) {
    axis->count = 0;
    for (int i = first - 1; i <= first + span - 2; ++i) {
        float pf = roundf((float)(TILE_SIZE * i) - cam);
        if (!(pf >= -16.0f && pf <= (float)(size - 1))) {
            continue;
        }
        const int p = (int)pf;
        const int from = p > 0 ? p : 0;
        const int len = (p + TILE_SIZE < size ? p + TILE_SIZE : size) - from;
        if (len <= 0) {
            continue;
        }
        const int n = axis->count;
        if (n > 0 && from < axis->from[n - 1] + axis->len[n - 1]) {
            return 0;
        }
        axis->index[n] = i;
        axis->at[n] = p;
        axis->from[n] = from;
        axis->len[n] = len;
        axis->count = n + 1;
    }
    return 1;
}

static inline void TilemapFillSky(uint32_t* dst, int n) {
    if (n == TILE_SIZE) {
        memcpy(dst, gSkyRow, TILE_SIZE * sizeof(uint32_t)); // the usual gap, a copy of fixed size
    } else {
        memcpy(dst, gSkyRow, (size_t)n * sizeof(uint32_t));
    }
}

// The sky, then every tile over it, one after another.
static void TilemapRenderEach(const Tilemap* map, float camX, float camY) {
    RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, TILEMAP_SKY);
    int c0 = TilemapCellIndex(camX);
    int r0 = TilemapCellIndex(camY);
    for (int row = r0 - 1; row <= r0 + 14; ++row) {
        for (int col = c0 - 1; col <= c0 + 22; ++col) {
            int id = TilemapGetTile(map, col, row);
            if (id == TILE_EMPTY || id == TILE_PLAYER_SPAWN) {
                continue;
            }
            // Compared as floats before the conversion, so no camera can make it overflow.
            float sxf = roundf((float)(TILE_SIZE * col) - camX);
            float syf = roundf((float)(TILE_SIZE * row) - camY);
            if (!(sxf >= -16.0f && sxf <= 319.0f && syf >= -16.0f && syf <= 199.0f)) {
                continue;
            }
            TilemapRenderTile(id, (int)sxf, (int)syf);
        }
    }
}

// Cut tiles left to be drawn shape by shape once every row is made: band and column in the layout.
struct TilemapLate {
    int32_t count;
    int16_t band[24 * 16];
    int16_t col[24 * 16];
};

// Rows first .. end - 1 of the h rows from y of the picture where the map's row `row` shows. The first,
// and a row that differs from the one above, is made in full from left to right: the sky between
// tiles, a row of each tile's copy, and where whole tiles follow each other 16 pixels apart (layout
// cells run.from .. run.to - 1, all on the stage) one piece of the stage's row. The rows that repeat
// it are copied whole.
static void TilemapRenderBand(const Tilemap* map, const TilemapAxis* cols, const TilemapRun* run,
                              int32_t band, int32_t row, int32_t y, int32_t h, int32_t first, int32_t end,
                              TilemapLate* late) {
    const uint8_t* tiles = row >= 0 && row < map->height ? map->tiles[row] : nullptr;
    const TilemapStageRow* stage = tiles && run->to > run->from ? TilemapStageRowFor(map, row) : nullptr;
    // A run with few tiles costs less drawn from the copies, which are at hand, than from the stage's
    // row, which lies further away.
    if (stage && stage->drawnBefore[cols->index[run->to - 1] + 1] - stage->drawnBefore[cols->index[run->from]] <
                     TILEMAP_STAGE_TILES) {
        stage = nullptr;
    }
    uint32_t newRows = 1u;
    // The stage's slot shown as row r of the band: rows of a band cut by the picture's top or bottom
    // come from the copies' rows as every kind's cut keeps them.
    int8_t stageSlot[TILE_SIZE];
    for (int32_t r = 0; stage && r < h; ++r) {
        stageSlot[r] = stage->slot[h == TILE_SIZE ? r : TilemapCopyIndex(r, h, gKeepRows)];
        newRows |= r > 0 && stageSlot[r] != stageSlot[r - 1] ? 1u << r : 0u;
    }
    // The row's pieces in order: a tile (its copy), the stage's row (at stageAt, where stageFrom starts),
    // or, where neither, sky.
    const TilemapTileCopy* pieceCopy[49];
    int16_t pieceFrom[49];
    int16_t pieceLen[49];
    int32_t pieces = 0;
    int32_t stageAt = -1;
    int32_t stageFrom = 0;
    int32_t x = 0;
    for (int32_t k = 0; tiles && k < cols->count; ++k) {
        if (stage && k == run->from) {
            // Kinds drawn shape by shape when cut to this band's rows come later, over the stage's.
            for (int32_t j = run->from; h < TILE_SIZE && j < run->to; ++j) {
                const int id = tiles[cols->index[j]];
                if (TilemapIsDrawn(id) && TilemapNeedsShapes(&gTileCopies[id], TILE_SIZE, h)) {
                    late->band[late->count] = (int16_t)band;
                    late->col[late->count] = (int16_t)j;
                    ++late->count;
                }
            }
            if (cols->from[k] > x) {
                pieceCopy[pieces] = nullptr;
                pieceFrom[pieces] = (int16_t)x;
                pieceLen[pieces++] = (int16_t)(cols->from[k] - x);
            }
            stageAt = pieces;
            stageFrom = TILE_SIZE * cols->index[k];
            pieceCopy[pieces] = nullptr;
            pieceFrom[pieces] = (int16_t)cols->from[k];
            pieceLen[pieces++] = (int16_t)(TILE_SIZE * (run->to - run->from));
            x = cols->from[k] + TILE_SIZE * (run->to - run->from);
            k = run->to - 1;
            continue;
        }
        const int32_t col = cols->index[k];
        const int id = col >= 0 && col < map->width ? tiles[col] : TILE_EMPTY;
        if (!TilemapIsDrawn(id)) {
            continue;
        }
        const TilemapTileCopy* copy = &gTileCopies[id];
        if (TilemapNeedsShapes(copy, cols->len[k], h)) {
            late->band[late->count] = (int16_t)band; // sky for now
            late->col[late->count] = (int16_t)k;
            ++late->count;
            continue;
        }
        if (cols->from[k] > x) {
            pieceCopy[pieces] = nullptr;
            pieceFrom[pieces] = (int16_t)x;
            pieceLen[pieces++] = (int16_t)(cols->from[k] - x);
        }
        pieceCopy[pieces] = copy;
        pieceFrom[pieces] = (int16_t)cols->from[k];
        pieceLen[pieces++] = (int16_t)cols->len[k];
        x = cols->from[k] + cols->len[k];
        newRows |= copy->newRows[h];
    }
    if (x < LOGICAL_WIDTH) {
        pieceCopy[pieces] = nullptr;
        pieceFrom[pieces] = (int16_t)x;
        pieceLen[pieces++] = (int16_t)(LOGICAL_WIDTH - x);
    }
    for (int32_t r = first; r < end;) {
        uint32_t* line = pixelBuffer + (y + r) * LOGICAL_WIDTH;
        for (int32_t i = 0; i < pieces; ++i) {
            const TilemapTileCopy* copy = pieceCopy[i];
            if (copy) {
                TilemapCopyColumns(line + pieceFrom[i], TilemapCopySource(copy, r, h), copy, pieceLen[i]);
            } else if (i == stageAt) {
                memcpy(line + pieceFrom[i], stage->pixels[stageSlot[r]] + stageFrom,
                       (size_t)pieceLen[i] * sizeof(uint32_t));
            } else {
                TilemapFillSky(line + pieceFrom[i], pieceLen[i]);
            }
        }
        int32_t same = 1;
        while (r + same < end && !(newRows >> (r + same) & 1u)) {
            ++same;
        }
        RenderRepeatRow(y + r, same - 1);
        r += same;
    }
}

// What the sky-then-tiles order gives, with every pixel written once: the picture is made row of
// tiles by row of tiles from the copies, the sky only between them. Cut tiles drawn shape by shape
// come last, each followed by the later neighbours its shapes may reach, drawn again from their copies.
void TilemapRender(const Tilemap* map, float camX, float camY) {
    TilemapRenderRows(map, camX, camY, 0, LOGICAL_HEIGHT);
}

void TilemapRenderRows(const Tilemap* map, float camX, float camY, int32_t top, int32_t bottom) {
    if (!map) {
        return;
    }
    TilemapAxis cols;
    TilemapAxis rows;
    if (!TilemapLayoutAxis(&cols, TilemapCellIndex(camX), 24, camX, LOGICAL_WIDTH) ||
        !TilemapLayoutAxis(&rows, TilemapCellIndex(camY), 16, camY, LOGICAL_HEIGHT)) {
        TilemapRenderEach(map, camX, camY);
        return;
    }
    top = top > 0 ? top : 0;
    bottom = bottom < LOGICAL_HEIGHT ? bottom : LOGICAL_HEIGHT;
    TilemapCopy(TILE_EMPTY); // the copies exist from here on
    const TilemapRun run = TilemapWholeRun(&cols, map->width);
    TilemapLate late;
    late.count = 0;
    // Every band is visited, those outside top .. bottom - 1 too: a cut goal's shapes can reach past it.
    int32_t y = top;
    for (int32_t band = 0; band <= rows.count; ++band) {
        const int32_t from = band < rows.count ? rows.from[band] : LOGICAL_HEIGHT;
        const int32_t to = band < rows.count ? from + rows.len[band] : LOGICAL_HEIGHT;
        const int32_t skyEnd = from < bottom ? from : bottom;
        if (y < skyEnd) {
            TilemapFillSky(pixelBuffer + y * LOGICAL_WIDTH, LOGICAL_WIDTH);
            RenderRepeatRow(y, skyEnd - y - 1);
            y = skyEnd;
        }
        if (band < rows.count) {
            const int32_t end = to < bottom ? to : bottom;
            TilemapRenderBand(map, &cols, &run, band, rows.index[band], from, rows.len[band], y - from,
                              end > y ? end - from : y - from, &late);
            y = end > y ? end : y;
        }
    }
    for (int32_t i = 0; i < late.count; ++i) {
        const int32_t b = late.band[i];
        const int32_t k = late.col[i];
        const int lateId = TilemapGetTile(map, cols.index[k], rows.index[b]);
        TilemapRenderTileDirect(lateId, cols.at[k], rows.at[b]);
        // Shapes reach right and down, at most into the next cell each way: as measured for a tile cut
        // on one side, every way for one cut on two.
        const TilemapTileCopy* lateCopy = &gTileCopies[lateId];
        const int32_t w = cols.len[k];
        const int32_t h = rows.len[b];
        const uint8_t reach = w < TILE_SIZE && h < TILE_SIZE ? 0xFF
                              : w < TILE_SIZE                ? lateCopy->reachCols[w]
                                                             : lateCopy->reachRows[h];
        static const int32_t NEXT[3][3] = {{0, 1, TILEMAP_REACHES_RIGHT},
                                           {1, 0, TILEMAP_REACHES_BELOW},
                                           {1, 1, TILEMAP_REACHES_DIAGONAL}};
        for (const auto& next : NEXT) {
            const int32_t nb = b + next[0];
            const int32_t nk = k + next[1];
            if (nb >= rows.count || nk >= cols.count || !(reach & next[2])) {
                continue;
            }
            const int id = TilemapGetTile(map, cols.index[nk], rows.index[nb]);
            const TilemapTileCopy* copy = &gTileCopies[id];
            if (TilemapIsDrawn(id) && !TilemapNeedsShapes(copy, cols.len[nk], rows.len[nb])) {
                TilemapCopyTile(copy, cols.from[nk], rows.from[nb], cols.len[nk], rows.len[nb]);
            }
        }
    }
}
