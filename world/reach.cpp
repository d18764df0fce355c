// reach.cpp -- the distance field from a stage's goal over the slots the body fits in.
#include "world/reach.h"

#include <math.h>

static int ReachOpenCell(const Tilemap* map, int32_t col, int32_t row) {
    return !TilemapIsSolid(TilemapGetTile(map, col, row));
}

static int ReachOpenSlot(const ReachField* field, const Tilemap* map, int32_t col, int32_t row) {
    return col >= 0 && row >= 1 && col < field->width && row < field->height &&
           ReachOpenCell(map, col, row) && ReachOpenCell(map, col, row - 1);
}

void ReachBuild(ReachField* field, const Tilemap* map) {
    field->width = map->width + REACH_MARGIN_COLS;
    field->height = map->height + REACH_MARGIN_ROWS;
    const int32_t cells = field->width * field->height;
    for (int32_t i = 0; i < cells; ++i) {
        field->distance[i] = REACH_FAR;
    }
    int32_t tail = 0;
    for (int32_t row = 0; row < map->height; ++row) {
        for (int32_t col = 0; col < map->width; ++col) {
            if (TilemapGetTile(map, col, row) != TILE_GOAL) {
                continue;
            }
            // A centre in the goal's tile or the one below lies in one of these three slots.
            for (int32_t r = row; r <= row + 2; ++r) {
                const int32_t at = r * field->width + col;
                if (ReachOpenSlot(field, map, col, r) && field->distance[at] != 0) {
                    field->distance[at] = 0;
                    field->queue[tail++] = at;
                }
            }
        }
    }
    static const int32_t STEPS[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (int32_t head = 0; head < tail; ++head) {
        const int32_t at = field->queue[head];
        const int32_t col = at % field->width;
        const int32_t row = at / field->width;
        for (const auto& step : STEPS) {
            const int32_t c = col + step[0];
            const int32_t r = row + step[1];
            if (!ReachOpenSlot(field, map, c, r)) {
                continue;
            }
            const int32_t next = r * field->width + c;
            if (field->distance[next] != REACH_FAR) {
                continue;
            }
            field->distance[next] = field->distance[at] + 1;
            field->queue[tail++] = next;
        }
    }
}

static int32_t ReachCellIndex(float v) {
    const float cell = floorf(v / (float)TILE_SIZE);
    return cell < -1.0f                                       ? -1
           : cell > (float)(MAP_MAX_COLS + REACH_MARGIN_COLS) ? MAP_MAX_COLS + REACH_MARGIN_COLS
                                                              : (int32_t)cell;
}

int32_t ReachDistanceOfBody(const ReachField* field, float x, float y) {
    const float halfW = BODY_BOX_W * 0.5f, halfH = BODY_BOX_H * 0.5f;
    const int32_t c0 = ReachCellIndex(x - halfW), c1 = ReachCellIndex(x + halfW);
    const int32_t r0 = ReachCellIndex(y - halfH), r1 = ReachCellIndex(y + halfH);
    int32_t best = REACH_FAR;
    for (int32_t row = r0; row <= r1 + 1; ++row) {
        for (int32_t col = c0; col <= c1; ++col) {
            if (col >= 0 && row >= 0 && col < field->width && row < field->height) {
                const int32_t d = field->distance[row * field->width + col];
                best = d < best ? d : best;
            }
        }
    }
    return best;
}

// A cell the body's centre may be in: open, or solid with an open cell beside it (eight ways).
static int ReachCentreCell(const Tilemap* map, int32_t col, int32_t row) {
    for (int32_t dy = -1; dy <= 1; ++dy) {
        for (int32_t dx = -1; dx <= 1; ++dx) {
            if (ReachOpenCell(map, col + dx, row + dy)) {
                return 1;
            }
        }
    }
    return 0;
}

void ReachBuildOpen(ReachField* field, const Tilemap* map) {
    field->width = map->width + REACH_MARGIN_COLS;
    field->height = map->height + REACH_MARGIN_ROWS;
    int32_t tail = 0;
    for (int32_t row = 0; row < field->height; ++row) {
        for (int32_t col = 0; col < field->width; ++col) {
            const int32_t at = row * field->width + col;
            const int goal =
                TilemapGetTile(map, col, row) == TILE_GOAL ||
                (TilemapGetTile(map, col, row - 1) == TILE_GOAL && ReachCentreCell(map, col, row));
            field->distance[at] = goal ? 0 : REACH_FAR;
            if (goal) {
                field->queue[tail++] = at;
            }
        }
    }
    for (int32_t head = 0; head < tail; ++head) {
        const int32_t at = field->queue[head];
        const int32_t col = at % field->width;
        const int32_t row = at / field->width;
        for (int32_t dy = -1; dy <= 1; ++dy) {
            for (int32_t dx = -1; dx <= 1; ++dx) {
                const int32_t c = col + dx;
                const int32_t r = row + dy;
                if (c < 0 || r < 0 || c >= field->width || r >= field->height ||
                    !ReachCentreCell(map, c, r)) {
                    continue;
                }
                const int32_t next = r * field->width + c;
                if (field->distance[next] == REACH_FAR) {
                    field->distance[next] = field->distance[at] + 1;
                    field->queue[tail++] = next;
                }
            }
        }
    }
    field->outside = REACH_FAR;
    for (int32_t row = 0; row < map->height; ++row) {
        const int32_t d = field->distance[row * field->width + field->width - 1];
        field->outside = d < field->outside ? d : field->outside;
    }
}

int32_t ReachDistanceOfCell(const ReachField* field, float x, float y) {
    const int32_t col = ReachCellIndex(x);
    const int32_t row = ReachCellIndex(y);
    if (row >= field->height) {
        return REACH_FAR; // fallen off
    }
    if (col < 0 || row < 0 || col >= field->width) {
        return field->outside;
    }
    return field->distance[row * field->width + col];
}

int ReachWalledIn(ReachField* field, const Tilemap* map) {
    ReachBuildOpen(field, map);
    // The start marker turns into a block under or inside the body at first: the body soon stands on it.
    return ReachDistanceOfCell(field, map->spawnX, map->spawnY) >= REACH_FAR &&
           ReachDistanceOfCell(field, map->spawnX, map->spawnY - (float)TILE_SIZE) >= REACH_FAR;
}

int ReachStartLeadsToGoal(const ReachField* field, const Tilemap* map) {
    // The start marker turns into a block under or inside the body at first: the body soon stands on it.
    return ReachDistanceOfBody(field, map->spawnX, map->spawnY) < REACH_FAR ||
           ReachDistanceOfBody(field, map->spawnX, map->spawnY - (float)TILE_SIZE) < REACH_FAR;
}
