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

void TilemapRenderTile(int id, int sx, int sy) {
    if (id <= TILE_EMPTY || id > TILE_GOAL || TILEMAP_FILL[id] == 0) {
        return;
    }
    int x0 = sx > 0 ? sx : 0;
    int y0 = sy > 0 ? sy : 0;
    int w = (sx + TILE_SIZE < LOGICAL_WIDTH ? sx + TILE_SIZE : LOGICAL_WIDTH) - x0;
    int h = (sy + TILE_SIZE < LOGICAL_HEIGHT ? sy + TILE_SIZE : LOGICAL_HEIGHT) - y0;
    if (w <= 0 || h <= 0) {
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

void TilemapRender(const Tilemap* map, float camX, float camY) {
    if (!map) {
        return;
    }
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
