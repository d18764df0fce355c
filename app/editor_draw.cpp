// editor_draw.cpp -- the editor's picture: the stage with the game's own tile and actor drawing, the
// markers, the route, the palette bar and the status lines.
#include <stdio.h>
#include <string.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "app/editor_parts.h"
#include "input/input.h"
#include "platform/keys.h"
#include "render/msx_font.h"
#include "render/render.h"

const int32_t EDITOR_PALETTE[EDITOR_PALETTE_SIZE] = {
    TILE_GROUND,  TILE_PLATFORM, TILE_PILLAR,       TILE_SOLID_4,     TILE_SOLID_5,
    TILE_SOLID_6, TILE_SOLID_7,  TILE_PLAYER_SPAWN, TILE_ENEMY_SPAWN, TILE_GOAL,
};
const char* const EDITOR_TILE_NAMES[TILE_GOAL + 1] = {
    "EMPTY",   "GROUND",  "PLATFORM", "PILLAR", "SOLID 4", "SOLID 5",
    "SOLID 6", "SOLID 7", "START",    "WALKER", "GOAL",
};

// Drawn with the game's own actors, positioned anew each frame.
static Player gDrawPlayer;

// How many cells from its own a marker's drawing can reach: the start's player stays within two; the
// third is to spare.
static const int32_t EDITOR_MARKER_REACH = 3;

// Cells holding one of the span ids from lowest on, in columns from .. to - 1 of a row of the grid.
static int32_t EditorCountIds(const Tilemap* grid, int32_t row, int32_t from, int32_t to, uint8_t lowest,
                              uint8_t span) {
    int32_t n = 0;
    for (int32_t col = from; col < to; ++col) {
        n += (uint8_t)(grid->tiles[row][col] - lowest) < span;
    }
    return n;
}

// Walker markers in columns from .. to - 1 of a row of the grid.
static int32_t EditorCountMarkers(const Tilemap* grid, int32_t row, int32_t from, int32_t to) {
    return EditorCountIds(grid, row, from, to, TILE_ENEMY_SPAWN, 1);
}

// The markers of each row of the grid, counted again only when the grid's revision changes: the
// walker markers ahead of the view's cells are then known without going through the grid every frame.
struct EditorRowMarkers {
    int counted;
    uint32_t revision;
    int32_t walkers[MAP_MAX_ROWS]; // walker markers in the row
    int32_t both[MAP_MAX_ROWS];    // the start and walker markers in the row
};
static EditorRowMarkers gRowMarkers;

static const EditorRowMarkers* EditorRowMarkersOf(const Tilemap* grid) {
    EditorRowMarkers* m = &gRowMarkers;
    if (!m->counted || m->revision != gEditor.revision) {
        static_assert(TILE_ENEMY_SPAWN == TILE_PLAYER_SPAWN + 1, "the two markers are ids side by side");
        for (int32_t row = 0; row < grid->height; ++row) {
            m->walkers[row] = EditorCountMarkers(grid, row, 0, grid->width);
            m->both[row] = EditorCountIds(grid, row, 0, grid->width, TILE_PLAYER_SPAWN, 2);
        }
        m->counted = 1;
        m->revision = gEditor.revision;
    }
    return m;
}

// What the tile drawing leaves out: the start as the block it becomes with the player on it, the
// walkers the game starts with (its own four, boxed in grey, when none are placed), and a red box on
// each walker marker the game drops (past the first eight). Only the cells near the view are drawn;
// the markers elsewhere are counted, for their order.
static void EditorRenderMarkers(const EditorStage* s) {
    const Tilemap* grid = &s->grid;
    const EditorRowMarkers* counts = EditorRowMarkersOf(grid);
    const int32_t c0 = EditorCell(s->viewX) - EDITOR_MARKER_REACH;
    const int32_t c1 = EditorCell(s->viewX + (float)LOGICAL_WIDTH) + EDITOR_MARKER_REACH;
    const int32_t r0 = EditorCell(s->viewY) - EDITOR_MARKER_REACH;
    const int32_t r1 = EditorCell(s->viewY + (float)LOGICAL_HEIGHT) + EDITOR_MARKER_REACH;
    const int32_t first = c0 > 0 ? c0 : 0;
    const int32_t last = c1 < grid->width ? c1 + 1 : grid->width;
    int32_t marker = 0; // walker markers in the rows before this one, in the grid's order
    for (int32_t row = 0; row < grid->height && row <= r1; ++row) {
        int32_t before = marker; // walker markers before the cell
        marker += counts->walkers[row];
        // Most rows near the view hold no marker: they are not gone through cell by cell.
        if (row < r0 || first >= last || counts->both[row] == 0) {
            continue;
        }
        before += EditorCountMarkers(grid, row, 0, first);
        for (int32_t col = first; col < last; ++col) {
            const int32_t id = grid->tiles[row][col];
            if (id != TILE_PLAYER_SPAWN && id != TILE_ENEMY_SPAWN) {
                continue;
            }
            const int32_t sx = (int32_t)((float)(TILE_SIZE * col) - s->viewX);
            const int32_t sy = (int32_t)((float)(TILE_SIZE * row) - s->viewY);
            if (id == TILE_PLAYER_SPAWN) {
                TilemapRenderTile(TILE_GROUND, sx, sy);
                PlayerReset(&gDrawPlayer, (float)(TILE_SIZE * col + 8),
                            (float)(TILE_SIZE * row) - BODY_REST_HEIGHT);
                PlayerRender(&gDrawPlayer, s->viewX, s->viewY);
            } else if (before++ >= s->walkerCount) {
                RenderDrawBox(sx, sy, TILE_SIZE, TILE_SIZE, EDITOR_RED);
            }
        }
    }
    EnemyRender(s->walkers, s->walkerCount, s->viewX, s->viewY);
    for (int32_t i = 0; s->walkersOwn && i < s->walkerCount; ++i) {
        RenderDrawBox((int32_t)(s->walkers[i].x - 9.0f - s->viewX),
                      (int32_t)(s->walkers[i].y - 24.0f - s->viewY), 18, 26, EDITOR_GREY);
    }
}

// The view as the tiles and the markers draw it, rows EDITOR_BAR_H .. EDITOR_STATUS_Y - 1 (the bars
// cover the others), which follow from nothing but the view and the grid: the stage as played and its
// walkers are made from the grid at the check, which every change of the grid's revision brings. A view
// that stays as it was for a second frame is kept, and from the third frame on its rows are put back
// whole; one that changes every frame (scrolling, painting) is drawn every frame and never kept.
struct EditorKeptView {
    int32_t seen; // frames in a row with this view: 1, then 2 from the frame that kept its rows
    float viewX;
    float viewY;
    uint32_t revision; // the grid's, its stage as played made from it
    uint32_t rows[(EDITOR_STATUS_Y - EDITOR_BAR_H) * LOGICAL_WIDTH];
};
static EditorKeptView gKeptView;

static int EditorViewIsKept(const EditorStage* s) {
    const EditorKeptView* k = &gKeptView;
    return k->seen > 0 && memcmp(&k->viewX, &s->viewX, sizeof(float)) == 0 &&
           memcmp(&k->viewY, &s->viewY, sizeof(float)) == 0 && k->revision == gEditor.revision;
}

static void EditorKeepViewKey(const EditorStage* s) {
    EditorKeptView* k = &gKeptView;
    // A grid changed since its check has no stage as played of its own yet: such a view is never kept.
    k->seen = gEditor.checkedRevision == gEditor.revision;
    k->viewX = s->viewX;
    k->viewY = s->viewY;
    k->revision = gEditor.revision;
}

// The tiles as Enter plays them (the top row and the left column are walls whatever the grid holds)
// and the markers, between the bars.
static void EditorRenderView(const EditorStage* s) {
    uint32_t* view = pixelBuffer + EDITOR_BAR_H * LOGICAL_WIDTH;
    const int again = EditorViewIsKept(s);
    if (again && gKeptView.seen >= 2) {
        memcpy(view, gKeptView.rows, sizeof(gKeptView.rows));
        return;
    }
    if (!again) {
        EditorKeepViewKey(s);
    }
    TilemapRenderRows(&s->played, s->viewX, s->viewY, EDITOR_BAR_H, EDITOR_STATUS_Y);
    EditorRenderMarkers(s);
    if (again) {
        memcpy(gKeptView.rows, view, sizeof(gKeptView.rows));
        gKeptView.seen = 2;
    }
}

void EditorOverviewBox(int32_t* x, int32_t* y) {
    const EditorStage* s = &gEditor.stage;
    *x = (LOGICAL_WIDTH - s->grid.width * 2) / 2;
    *y = (EDITOR_BAR_H + EDITOR_STATUS_Y - s->grid.height * 2) / 2;
}

// O's picture of the stage, a line of 2-pixel cells for each row of cells, made again only when the
// grid or the stage as played changes (the revision or the check).
struct EditorKeptOverview {
    int made;
    uint32_t revision;
    uint32_t checkedRevision;
    uint32_t lines[MAP_MAX_ROWS][2 * MAP_MAX_COLS];
};
static EditorKeptOverview gKeptOverview;

static const EditorKeptOverview* EditorOverviewLines(const EditorStage* s, int32_t width) {
    EditorKeptOverview* k = &gKeptOverview;
    if (k->made && k->revision == gEditor.revision && k->checkedRevision == gEditor.checkedRevision) {
        return k;
    }
    for (int32_t row = 0; row < s->played.height && row < MAP_MAX_ROWS; ++row) {
        for (int32_t col = 0; col < width; ++col) {
            const int32_t id = TilemapGetTile(&s->grid, col, row);
            const int32_t played = TilemapGetTile(&s->played, col, row);
            const uint32_t colour = id == TILE_PLAYER_SPAWN  ? EDITOR_WHITE
                                    : id == TILE_ENEMY_SPAWN ? PALETTE_GREEN
                                    : id == TILE_GOAL        ? EDITOR_RED
                                    : TilemapIsSolid(played) ? PALETTE_BRICK
                                                             : EDITOR_MARKER_BG;
            k->lines[row][2 * col] = colour;
            k->lines[row][2 * col + 1] = colour;
        }
    }
    k->made = 1;
    k->revision = gEditor.revision;
    k->checkedRevision = gEditor.checkedRevision;
    return k;
}

// O: the whole stage at 2 pixels a tile (solid tiles in their colour, markers bright), the view's
// part outlined; a click there moves the view.
static void EditorRenderOverview(const EditorStage* s) {
    int32_t ox = 0, oy = 0;
    EditorOverviewBox(&ox, &oy);
    // A frame 2 pixels wide round the grid's lines, each line stored in its two rows, cut to the
    // picture. While the stage as played is not yet made for the grid's size, the frame is filled
    // whole, as the lines may not cover it.
    const int32_t frameW = s->grid.width * 2 + 4, frameH = s->grid.height * 2 + 4;
    if (s->played.width == s->grid.width && s->played.height == s->grid.height) {
        RenderFillRect(ox - 2, oy - 2, frameW, 2, EDITOR_BAR_BG);
        RenderFillRect(ox - 2, oy + frameH - 4, frameW, 2, EDITOR_BAR_BG);
        RenderFillRect(ox - 2, oy, 2, frameH - 4, EDITOR_BAR_BG);
        RenderFillRect(ox + frameW - 4, oy, 2, frameH - 4, EDITOR_BAR_BG);
    } else {
        RenderFillRect(ox - 2, oy - 2, frameW, frameH, EDITOR_BAR_BG);
    }
    const int32_t width = s->played.width < MAP_MAX_COLS ? s->played.width : MAP_MAX_COLS;
    const EditorKeptOverview* k = EditorOverviewLines(s, width);
    const int32_t left = ox > 0 ? ox : 0;
    const int32_t right = ox + 2 * width < LOGICAL_WIDTH ? ox + 2 * width : LOGICAL_WIDTH;
    for (int32_t row = 0; row < s->played.height && row < MAP_MAX_ROWS; ++row) {
        for (int32_t y = oy + 2 * row; y < oy + 2 * row + 2 && left < right; ++y) {
            if (y >= 0 && y < LOGICAL_HEIGHT) {
                memcpy(pixelBuffer + y * LOGICAL_WIDTH + left, k->lines[row] + (left - ox),
                       (size_t)(right - left) * sizeof(uint32_t));
            }
        }
    }
    const int32_t vx = (int32_t)(s->viewX / 8.0f), vy = (int32_t)((s->viewY + (float)EDITOR_BAR_H) / 8.0f);
    RenderDrawBox(ox + vx, oy + vy, LOGICAL_WIDTH / 8, (EDITOR_STATUS_Y - EDITOR_BAR_H) / 8, EDITOR_YELLOW);
}

static void EditorRenderSwatch(int32_t index, int32_t x, int32_t y) {
    const int32_t id = EDITOR_PALETTE[index];
    if (id == TILE_PLAYER_SPAWN || id == TILE_ENEMY_SPAWN) {
        RenderFillRect(x, y, TILE_SIZE, TILE_SIZE, EDITOR_MARKER_BG);
        DrawMsxString(x + 4, y + 4, id == TILE_PLAYER_SPAWN ? "S" : "E", EDITOR_WHITE, 1);
    } else {
        RenderFillRect(x, y, TILE_SIZE, TILE_SIZE, EDITOR_MARKER_BG);
        TilemapRenderTile(id, x, y);
    }
}

// A bar across the picture, kept as drawn: while what it shows (its key) stays the same, its rows are
// put back whole instead of drawn again.
struct EditorKeptBar {
    int32_t kept;
    size_t keyLength;
    char key[3 * EDITOR_LINE_CHARS + 32];
    uint32_t rows[EDITOR_BAR_H * LOGICAL_WIDTH];
};
static EditorKeptBar gTopBar;
// The status bar in two halves, each with one of its lines: the first names the cell under the
// pointer, so it changes while the view scrolls, when the second seldom does.
static const int32_t EDITOR_STATUS_HALF = (LOGICAL_HEIGHT - EDITOR_STATUS_Y) / 2;
static_assert(EDITOR_STATUS_HALF <= EDITOR_BAR_H, "a half of the status bar fits a kept bar");
static EditorKeptBar gStatusBar;
static EditorKeptBar gLineBar;

// A bar's key: the parts one after another, each followed by a line break; its length, or 0 when it
// does not fit a kept bar's key (such a bar is drawn every time: cut short, its key would match keys
// it does not equal).
static size_t EditorBarKey(char (&key)[sizeof(EditorKeptBar::key)], const char* const* parts, int32_t count) {
    size_t length = 0;
    for (int32_t i = 0; i < count; ++i) {
        const size_t n = strlen(parts[i]);
        if (n + 1 > sizeof(key) - length) {
            return 0;
        }
        memcpy(key + length, parts[i], n);
        key[length + n] = '\n';
        length += n + 1;
    }
    return length;
}

// 1 when the bar's rows y .. y + h - 1 were put back as kept for this key; else the bar is to be drawn,
// then kept by EditorKeepBar.
static int EditorPutBackBar(const EditorKeptBar* bar, const char* key, size_t length, int32_t y, int32_t h) {
    if (!bar->kept || length == 0 || bar->keyLength != length || memcmp(bar->key, key, length) != 0) {
        return 0;
    }
    memcpy(pixelBuffer + y * LOGICAL_WIDTH, bar->rows, (size_t)(h * LOGICAL_WIDTH) * sizeof(uint32_t));
    return 1;
}

static void EditorKeepBar(EditorKeptBar* bar, const char* key, size_t length, int32_t y, int32_t h) {
    bar->kept = length > 0;
    if (bar->kept) {
        memcpy(bar->key, key, length);
        bar->keyLength = length;
        memcpy(bar->rows, pixelBuffer + y * LOGICAL_WIDTH, (size_t)(h * LOGICAL_WIDTH) * sizeof(uint32_t));
    }
}

// The palette bar: the tiles to paint with, the chosen one boxed and named.
static void EditorRenderPaletteBar(void) {
    static_assert(EDITOR_PALETTE_SIZE <= 10, "a palette entry is one digit of the key");
    const char chosen[2] = {(char)('0' + gEditor.palette), '\0'};
    const char* const parts[] = {chosen};
    char key[sizeof(EditorKeptBar::key)];
    const size_t length = EditorBarKey(key, parts, 1);
    if (EditorPutBackBar(&gTopBar, key, length, 0, EDITOR_BAR_H)) {
        return;
    }
    snprintf(gEditor.line, sizeof(gEditor.line), "%d %s",
             (int)(gEditor.palette == 9 ? 0 : gEditor.palette + 1),
             EDITOR_TILE_NAMES[EDITOR_PALETTE[gEditor.palette]]);
    RenderFillRect(0, 0, LOGICAL_WIDTH, EDITOR_BAR_H, EDITOR_BAR_BG);
    for (int32_t i = 0; i < EDITOR_PALETTE_SIZE; ++i) {
        const int32_t x = 4 + 20 * i;
        if (i == gEditor.palette) {
            RenderDrawBox(x - 2, 0, 20, 20, EDITOR_WHITE);
        }
        EditorRenderSwatch(i, x, 2);
    }
    DrawMsxString(206, 6, gEditor.line, EDITOR_YELLOW, 1);
    EditorKeepBar(&gTopBar, key, length, 0, EDITOR_BAR_H);
}

// What the status line was last written from: it is written again only when one of them changes.
struct EditorStatusValues {
    const char* name;
    int32_t col, row, width, height, walkers, goals, dirty;
};
static EditorStatusValues gStatusWritten;
static int gStatusWrittenOnce = 0;

// The status bar: the cell under the cursor, the stage's size and counts, and the message, warning or
// hint line.
static void EditorRenderStatusBar(const EditorStage* s, int32_t col, int32_t row) {
    const int inside = col >= 0 && row >= 0 && col < s->grid.width && row < s->grid.height;
    EditorStatusValues values;
    memset(&values, 0, sizeof(values));
    values.name = inside ? EDITOR_TILE_NAMES[TilemapGetTile(&s->grid, col, row)] : "OUTSIDE";
    values.col = col;
    values.row = row;
    values.width = s->grid.width;
    values.height = s->grid.height;
    values.walkers = s->walkerCount;
    values.goals = s->goals;
    values.dirty = EditorIsDirty();
    if (!gStatusWrittenOnce || memcmp(&values, &gStatusWritten, sizeof(values)) != 0) {
        snprintf(gEditor.status, sizeof(gEditor.status), "%-8s C%-3d R%-2d %dX%d W%d G%d%s", values.name,
                 (int)col, (int)row, (int)values.width, (int)values.height, (int)values.walkers,
                 (int)values.goals, values.dirty ? " *" : "");
        gStatusWritten = values;
        gStatusWrittenOnce = 1;
    }
    // Holding Ctrl shows the Ctrl keys in place of a warning or the hint.
    const int ctrlHint = s->messageMs <= 0.0f && InputIsKeyDown(KEY_CONTROL);
    const char* line = s->messageMs > 0.0f ? s->message
                       : ctrlHint          ? EditorWords(EDITOR_SAYS_HINT_CTRL)
                       : s->warning[0]     ? s->warning
                                           : EditorWords(EDITOR_SAYS_HINT);
    const uint32_t colour = s->messageMs > 0.0f          ? EDITOR_YELLOW
                            : s->warning[0] && !ctrlHint ? EDITOR_RED
                                                         : EDITOR_GREY;
    const char ink[2] = {colour == EDITOR_YELLOW ? 'Y' : colour == EDITOR_RED ? 'R' : 'G', '\0'};
    // Each line's 8 rows lie inside its half, 2 and 1 rows below the half's top.
    static_assert(EDITOR_STATUS_HALF == 10, "each line's rows inside its half");
    char key[sizeof(EditorKeptBar::key)];
    const char* const statusParts[] = {gEditor.status};
    size_t length = EditorBarKey(key, statusParts, 1);
    if (!EditorPutBackBar(&gStatusBar, key, length, EDITOR_STATUS_Y, EDITOR_STATUS_HALF)) {
        RenderFillRect(0, EDITOR_STATUS_Y, LOGICAL_WIDTH, EDITOR_STATUS_HALF, EDITOR_BAR_BG);
        DrawMsxString(2, EDITOR_STATUS_Y + 2, gEditor.status, EDITOR_WHITE, 1);
        EditorKeepBar(&gStatusBar, key, length, EDITOR_STATUS_Y, EDITOR_STATUS_HALF);
    }
    const int32_t y = EDITOR_STATUS_Y + EDITOR_STATUS_HALF;
    const char* const lineParts[] = {ink, line};
    length = EditorBarKey(key, lineParts, 2);
    if (!EditorPutBackBar(&gLineBar, key, length, y, LOGICAL_HEIGHT - y)) {
        RenderFillRect(0, y, LOGICAL_WIDTH, LOGICAL_HEIGHT - y, EDITOR_BAR_BG);
        DrawMsxString(2, y + 1, line, colour, 1);
        EditorKeepBar(&gLineBar, key, length, y, LOGICAL_HEIGHT - y);
    }
}

// The outline of an ordered area of cells.
static void EditorRenderArea(const EditorStage* s, const EditorArea& a, uint32_t colour) {
    RenderDrawBox((int32_t)((float)(a.col0 * TILE_SIZE) - s->viewX), (int32_t)((float)(a.row0 * TILE_SIZE) - s->viewY),
                  (a.col1 - a.col0 + 1) * TILE_SIZE, (a.row1 - a.row0 + 1) * TILE_SIZE, colour);
}

void EditorRender(void) {
    const EditorStage* s = &gEditor.stage;
    EditorRenderView(s);
    // The stage's right and bottom ends, where painting grows it.
    const int32_t endX = (int32_t)((float)(s->grid.width * TILE_SIZE) - s->viewX);
    const int32_t endY = (int32_t)((float)(s->grid.height * TILE_SIZE) - s->viewY);
    RenderFillRect(endX, 0, 1, endY, EDITOR_WHITE);
    RenderFillRect(0, endY, endX + 1, 1, EDITOR_WHITE);
    // G: the tile grid, a dot at every tile corner in view.
    if (gEditor.grid) {
        const int32_t x0 = (int32_t)(-s->viewX) % TILE_SIZE, y0 = (int32_t)(-s->viewY) % TILE_SIZE;
        for (int32_t y = (y0 + TILE_SIZE) % TILE_SIZE; y < LOGICAL_HEIGHT; y += TILE_SIZE) {
            for (int32_t x = (x0 + TILE_SIZE) % TILE_SIZE; x < LOGICAL_WIDTH; x += TILE_SIZE) {
                pixelBuffer[y * LOGICAL_WIDTH + x] = EDITOR_WHITE; // x and y lie on the picture
            }
        }
    }
    // A rectangle being drawn (Shift and a drag).
    if (s->strokeOpen && s->rectangle) {
        EditorRenderArea(s, EditorOrdered(s->rect), s->rectangleErases ? EDITOR_RED : EDITOR_YELLOW);
    }
    // The selection, or where the move being dragged puts it.
    EditorArea selection;
    if (EditorShownSelection(&selection)) {
        EditorRenderArea(s, selection, PALETTE_GREEN);
    }
    // The cell under the cursor.
    const int32_t mx = InputGetMouseLogicalX(), my = InputGetMouseLogicalY();
    const int32_t col = EditorCell((float)mx + s->viewX);
    const int32_t row = EditorCell((float)my + s->viewY);
    if (my >= EDITOR_BAR_H && my < EDITOR_STATUS_Y) {
        RenderDrawBox((int32_t)((float)(col * TILE_SIZE) - s->viewX),
                      (int32_t)((float)(row * TILE_SIZE) - s->viewY), TILE_SIZE, TILE_SIZE, EDITOR_WHITE);
    }
    // The route as the stage tool draws it: a dot every other frame.
    const uint32_t routeColour = s->routeClears ? EDITOR_WHITE : EDITOR_RED;
    for (int32_t i = 0; i < s->routePoints; i += 2) {
        RenderFillRect((int32_t)(s->routeX[i] - s->viewX) - 1, (int32_t)(s->routeY[i] - s->viewY) - 1, 2, 2,
                       routeColour);
    }
    EditorRenderPaletteBar();
    EditorRenderStatusBar(s, col, row);
    if (s->solving) {
        const float done = SolveProgress(&gEditorSearch);
        RenderFillRect(0, EDITOR_STATUS_Y - 3, LOGICAL_WIDTH, 3, EDITOR_BAR_BG);
        RenderFillRect(0, EDITOR_STATUS_Y - 3, (int32_t)(done * (float)LOGICAL_WIDTH) + 1, 3, EDITOR_YELLOW);
    }
    if (gEditor.overview) {
        EditorRenderOverview(s);
    }
    EditorRenderQuestion();
}
