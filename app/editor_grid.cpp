// editor_grid.cpp -- the grid being edited and its history: painting, growing and shrinking, strokes
// that become one undo step, and a ring of whole-grid states for undo and redo.
#include <string.h>

#include "actors/enemy.h"
#include "app/editor_parts.h"

constexpr int32_t EDITOR_MIN_SIZE = 2; // shrinking stops at this many columns and rows

static EditorGridState* EditorHistoryEntry(int32_t i) {
    EditorStage* s = &gEditor.stage;
    return &s->history[(s->historyFirst + i) % EDITOR_HISTORY];
}

static void EditorStoreState(EditorGridState* state) {
    const Tilemap* grid = &gEditor.stage.grid;
    state->width = grid->width;
    state->height = grid->height;
    memcpy(state->tiles, grid->tiles, sizeof(state->tiles));
}

static void EditorLoadState(const EditorGridState* state) {
    Tilemap* grid = &gEditor.stage.grid;
    grid->width = state->width;
    grid->height = state->height;
    memcpy(grid->tiles, state->tiles, sizeof(grid->tiles));
    gEditor.revision++;
}

// The grid as it is now becomes the newest state; redo steps beyond the current one are dropped, and
// a full ring forgets its oldest state.
static void EditorCommit(void) {
    EditorStage* s = &gEditor.stage;
    EditorForgetRoute();
    s->historyCount = s->historyAt + 1;
    if (s->historyCount == EDITOR_HISTORY) {
        s->historyFirst = (s->historyFirst + 1) % EDITOR_HISTORY;
        s->historyCount--;
        s->historyAt--;
        s->savedAt = s->savedAt > 0 ? s->savedAt - 1 : -1;
    }
    if (s->savedAt > s->historyAt) {
        s->savedAt = -1; // the saved state was a redo step that is gone now
    }
    s->historyAt = s->historyCount;
    s->historyCount++;
    EditorStoreState(EditorHistoryEntry(s->historyAt));
}

void EditorEndStroke(void) {
    EditorStage* s = &gEditor.stage;
    if (s->strokeOpen && s->strokeChanged) {
        EditorCommit();
    }
    s->strokeOpen = 0;
    s->strokeChanged = 0;
}

void EditorCancelStroke(void) {
    EditorStage* s = &gEditor.stage;
    if (s->strokeOpen && s->strokeChanged) {
        EditorLoadState(EditorHistoryEntry(s->historyAt));
    }
    s->strokeOpen = 0;
    s->strokeChanged = 0;
    s->rectangle = 0;
}

void EditorResetHistory(void) {
    EditorStage* s = &gEditor.stage;
    s->historyFirst = 0;
    s->historyCount = 1;
    s->historyAt = 0;
    s->savedAt = 0;
    s->strokeOpen = 0;
    s->strokeChanged = 0;
    EditorStoreState(EditorHistoryEntry(0));
}

int32_t EditorCount(int32_t id) {
    const Tilemap* grid = &gEditor.stage.grid;
    int32_t n = 0;
    for (int32_t row = 0; row < grid->height; ++row) {
        for (int32_t col = 0; col < grid->width; ++col) {
            n += TilemapGetTile(grid, col, row) == id;
        }
    }
    return n;
}

int32_t EditorCell(float world) {
    const float cell = world / (float)TILE_SIZE;
    return cell < 0.0f ? (int32_t)cell - 1 : (int32_t)cell;
}

void EditorBlankStage(void) {
    Tilemap* grid = &gEditor.stage.grid;
    TilemapClear(grid);
    for (int32_t col = 0; col < EDITOR_BLANK_COLS; ++col) {
        TilemapSetTile(grid, col, 0, TILE_GROUND);
        TilemapSetTile(grid, col, EDITOR_BLANK_ROWS - 1, TILE_GROUND);
    }
    for (int32_t row = 0; row < EDITOR_BLANK_ROWS; ++row) {
        TilemapSetTile(grid, 0, row, TILE_GROUND);
    }
    TilemapSetTile(grid, 3, EDITOR_BLANK_ROWS - 2, TILE_PLAYER_SPAWN);
    TilemapSetTile(grid, EDITOR_BLANK_COLS - 4, EDITOR_BLANK_ROWS - 2, TILE_GOAL);
}

void EditorUndo(int32_t step) {
    EditorStage* s = &gEditor.stage;
    EditorEndStroke();
    const int32_t to = s->historyAt + step;
    if (to < 0 || to >= s->historyCount) {
        EditorSay(step < 0 ? "NOTHING TO UNDO" : "NOTHING TO REDO");
        return;
    }
    s->historyAt = to;
    EditorForgetRoute();
    EditorLoadState(EditorHistoryEntry(s->historyAt));
}

// Clears the cells of the last column or row before the size shrinks, so growing again shows them empty.
void EditorResize(int32_t dw, int32_t dh) {
    EditorStage* s = &gEditor.stage;
    EditorEndStroke();
    const int32_t w = s->grid.width + dw, h = s->grid.height + dh;
    if (w > MAP_MAX_COLS || h > MAP_MAX_ROWS) {
        EditorSay("THE LOADER STOPS AT 128 X 32 TILES");
        return;
    }
    if (w < EDITOR_MIN_SIZE || h < EDITOR_MIN_SIZE) {
        EditorSay("A STAGE KEEPS AT LEAST 2 X 2 TILES");
        return;
    }
    for (int32_t row = 0; row < MAP_MAX_ROWS; ++row) {
        for (int32_t col = 0; col < MAP_MAX_COLS; ++col) {
            if (col >= w || row >= h) {
                s->grid.tiles[row][col] = TILE_EMPTY;
            }
        }
    }
    s->grid.width = w;
    s->grid.height = h;
    gEditor.revision++;
    EditorCommit();
}

// Puts id into the cell; the stage grows to take it. Refusals are said on the status line.
void EditorPaint(int32_t col, int32_t row, int32_t id) {
    EditorStage* s = &gEditor.stage;
    Tilemap* grid = &s->grid;
    if (col < 0 || row < 0) {
        return;
    }
    if (id == TILE_EMPTY && (col >= grid->width || row >= grid->height)) {
        return;
    }
    if (col >= MAP_MAX_COLS || row >= MAP_MAX_ROWS) {
        EditorSay("THE LOADER STOPS AT 128 X 32 TILES");
        return;
    }
    const int32_t was = TilemapGetTile(grid, col, row);
    if (was == id && col < grid->width && row < grid->height) {
        return;
    }
    if (id == TILE_ENEMY_SPAWN && EditorCount(TILE_ENEMY_SPAWN) >= MAX_ENEMIES) {
        EditorSay("AT MOST 8 WALKERS: THE GAME DROPS MORE");
        return;
    }
    if (id == TILE_PLAYER_SPAWN) {
        // One start: placing it moves it.
        for (int32_t r = 0; r < grid->height; ++r) {
            for (int32_t c = 0; c < grid->width; ++c) {
                if (grid->tiles[r][c] == TILE_PLAYER_SPAWN) {
                    grid->tiles[r][c] = TILE_EMPTY;
                }
            }
        }
    }
    // Growing fills the new cells with empty ones, so the written rows keep one width.
    grid->width = col >= grid->width ? col + 1 : grid->width;
    grid->height = row >= grid->height ? row + 1 : grid->height;
    TilemapSetTile(grid, col, row, id);
    s->strokeChanged = 1;
    gEditor.revision++;
}

void EditorReplaceGrid(const Tilemap* grid) {
    EditorStage* s = &gEditor.stage;
    EditorEndStroke();
    s->grid.width = grid->width;
    s->grid.height = grid->height;
    memcpy(s->grid.tiles, grid->tiles, sizeof(s->grid.tiles));
    gEditor.revision++;
    EditorCommit();
}
