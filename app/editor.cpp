// editor.cpp -- the stage editor: the grid as the stage text writes it (markers kept), a ring of
// whole-grid states for undo, the view, the palette and the status lines, and play-tests that hand
// the stage to the game as text.
#include "app/editor.h"

#include <stdio.h>
#include <string.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "app/game_state.h"
#include "app/safe_output.h"
#include "app/solve.h"
#include "app/stage_title.h"
#include "input/input.h"
#include "platform/keys.h"
#include "render/msx_font.h"
#include "render/render.h"
#include "world/level.h"

constexpr uint32_t EDITOR_BAR_BG = 0x202020;
constexpr uint32_t EDITOR_WHITE = 0xFFFFFF;
constexpr uint32_t EDITOR_YELLOW = 0xD0DC78;
constexpr uint32_t EDITOR_GREY = 0x7C807B;
constexpr uint32_t EDITOR_RED = 0xD75F93;
constexpr uint32_t EDITOR_MARKER_BG = 0x58A4D8;
constexpr float EDITOR_SCROLL_PX_PER_MS = 0.3f;
constexpr float EDITOR_MESSAGE_MS = 3000.0f;
constexpr int32_t EDITOR_EDGE = 2;     // logical pixels at the picture's edge that scroll the view
constexpr int32_t EDITOR_MIN_SIZE = 2; // shrinking stops at this many columns and rows
constexpr int32_t EDITOR_LINE_CHARS = 40;
constexpr int32_t EDITOR_TITLE_SIZE = STAGE_TITLE_SIZE + 4;

static const int32_t EDITOR_PALETTE[EDITOR_PALETTE_SIZE] = {
    TILE_GROUND,  TILE_PLATFORM, TILE_PILLAR,       TILE_SOLID_4,     TILE_SOLID_5,
    TILE_SOLID_6, TILE_SOLID_7,  TILE_PLAYER_SPAWN, TILE_ENEMY_SPAWN, TILE_GOAL,
};
static const char* const EDITOR_TILE_NAMES[TILE_GOAL + 1] = {
    "EMPTY",   "GROUND",  "PLATFORM", "PILLAR", "SOLID 4", "SOLID 5",
    "SOLID 6", "SOLID 7", "START",    "WALKER", "GOAL",
};

// One undo state: the grid's size and cells.
struct EditorGridState {
    int32_t width;
    int32_t height;
    uint8_t tiles[MAP_MAX_ROWS][MAP_MAX_COLS];
};

static PlatformWindow* gWindow;
static int gActive;
static int gPlaytesting;
static char gPath[SAFE_OUTPUT_MAX_PATH];
static Tilemap gGrid;
// States in a ring: gHistory[(gHistoryFirst + i) % EDITOR_HISTORY] for i < gHistoryCount; the grid
// equals entry gHistoryAt whenever no stroke is open.
static EditorGridState gHistory[EDITOR_HISTORY];
static int32_t gHistoryFirst;
static int32_t gHistoryCount;
static int32_t gHistoryAt;
static int32_t gSavedAt; // history entry last opened or saved; -1 when it fell out of the ring
static int gStrokeOpen;
static int gStrokeChanged;
// Grows at every change of the grid; the status line's check last ran at gCheckedRevision.
static uint32_t gRevision;
static uint32_t gCheckedRevision;
static int32_t gPalette;
static int32_t gWheel;
static float gViewX;
static float gViewY;
static int gDragging;
static int32_t gDragX;
static int32_t gDragY;
static char gMessage[EDITOR_LINE_CHARS + 1];
static float gMessageMs;
static char gWarning[64];
static char gStatus[EDITOR_LINE_CHARS + 1];
static char gLine[EDITOR_LINE_CHARS + 1];
static char gText[LEVEL_MAX_TEXT_BYTES];
static size_t gTextLength;
static LevelStageSource gKeptSource; // what the game played before a play-test lent it the editor's text
static int gTitleDirty = -1;
// The solver, run a slice per frame: at most EDITOR_SOLVE_SLICE_MS of the clock and EDITOR_SOLVE_SLICE
// states, so a frame keeps its pace (the headless clock stands still within a frame).
constexpr uint32_t EDITOR_SOLVE_SLICE_MS = 3;
constexpr int32_t EDITOR_SOLVE_SLICE = 16;
constexpr int32_t EDITOR_SOLVE_STATES = 300000;
constexpr int32_t EDITOR_ROUTE_POINTS = 4096;
static SolveSearch gSearch;
static int gSolving;
static SolveStep gRoute[SOLVE_MAX_ROUTE];
static int32_t gRouteSteps;
static int gRouteClears; // 1: the route clears the stage; 0: the way nearest the goal
static float gRouteX[EDITOR_ROUTE_POINTS];
static float gRouteY[EDITOR_ROUTE_POINTS];
static int32_t gRoutePoints;
static int gPlayback;
static int32_t gPlaybackFrame;
static Enemy gDrawEnemies[MAX_ENEMY_SPAWNS];
static Player gDrawPlayer;

static void EditorSay(const char* text) {
    snprintf(gMessage, sizeof(gMessage), "%s", text);
    gMessageMs = EDITOR_MESSAGE_MS;
}

static EditorGridState* EditorHistoryEntry(int32_t i) {
    return &gHistory[(gHistoryFirst + i) % EDITOR_HISTORY];
}

static void EditorStoreState(EditorGridState* state) {
    state->width = gGrid.width;
    state->height = gGrid.height;
    memcpy(state->tiles, gGrid.tiles, sizeof(state->tiles));
}

static void EditorLoadState(const EditorGridState* state) {
    gGrid.width = state->width;
    gGrid.height = state->height;
    memcpy(gGrid.tiles, state->tiles, sizeof(gGrid.tiles));
    gRevision++;
}

// The grid as it is now becomes the newest state; redo steps beyond the current one are dropped, and
// a full ring forgets its oldest state.
static void EditorForgetRoute(void);

static void EditorCommit(void) {
    EditorForgetRoute();
    gHistoryCount = gHistoryAt + 1;
    if (gHistoryCount == EDITOR_HISTORY) {
        gHistoryFirst = (gHistoryFirst + 1) % EDITOR_HISTORY;
        gHistoryCount--;
        gHistoryAt--;
        gSavedAt = gSavedAt > 0 ? gSavedAt - 1 : -1;
    }
    if (gSavedAt > gHistoryAt) {
        gSavedAt = -1; // the saved state was a redo step that is gone now
    }
    gHistoryAt = gHistoryCount;
    gHistoryCount++;
    EditorStoreState(EditorHistoryEntry(gHistoryAt));
}

static void EditorEndStroke(void) {
    if (gStrokeOpen && gStrokeChanged) {
        EditorCommit();
    }
    gStrokeOpen = 0;
    gStrokeChanged = 0;
}

static void EditorResetHistory(void) {
    gHistoryFirst = 0;
    gHistoryCount = 1;
    gHistoryAt = 0;
    gSavedAt = 0;
    gStrokeOpen = 0;
    gStrokeChanged = 0;
    EditorStoreState(EditorHistoryEntry(0));
}

static int32_t EditorCount(int32_t id) {
    int32_t n = 0;
    for (int32_t row = 0; row < gGrid.height; ++row) {
        for (int32_t col = 0; col < gGrid.width; ++col) {
            n += TilemapGetTile(&gGrid, col, row) == id;
        }
    }
    return n;
}

// 1 when some cell of kind id can be reached from (col, row) through cells that are not solid.
static int EditorReaches(int32_t col, int32_t row, int32_t id) {
    static uint8_t seen[MAP_MAX_ROWS][MAP_MAX_COLS];
    static int16_t queue[MAP_MAX_ROWS * MAP_MAX_COLS][2];
    memset(seen, 0, sizeof(seen));
    int32_t head = 0, tail = 0;
    queue[tail][0] = (int16_t)col;
    queue[tail][1] = (int16_t)row;
    tail++;
    seen[row][col] = 1;
    static const int32_t STEPS[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    while (head < tail) {
        const int32_t c = queue[head][0], r = queue[head][1];
        head++;
        if (TilemapGetTile(&gGrid, c, r) == id) {
            return 1;
        }
        for (const auto& step : STEPS) {
            const int32_t nc = c + step[0], nr = r + step[1];
            // The border the game adds (top row, left column) is solid whatever the grid holds.
            if (nc < 1 || nr < 1 || nc >= gGrid.width || nr >= gGrid.height || seen[nr][nc] ||
                TilemapIsSolid(TilemapGetTile(&gGrid, nc, nr))) {
                continue;
            }
            seen[nr][nc] = 1;
            queue[tail][0] = (int16_t)nc;
            queue[tail][1] = (int16_t)nr;
            tail++;
        }
    }
    return 0;
}

// The first surprise the game would have in store, for the status line; empty when there is none.
static void EditorCheck(void) {
    gCheckedRevision = gRevision;
    gWarning[0] = '\0';
    int32_t startCol = -1, startRow = -1, borderMarks = 0;
    for (int32_t row = 0; row < gGrid.height; ++row) {
        for (int32_t col = 0; col < gGrid.width; ++col) {
            const int32_t id = TilemapGetTile(&gGrid, col, row);
            const int marker = id == TILE_PLAYER_SPAWN || id == TILE_ENEMY_SPAWN || id == TILE_GOAL;
            if (marker && (row == 0 || col == 0)) {
                borderMarks++;
            } else if (id == TILE_PLAYER_SPAWN) {
                startCol = col;
                startRow = row;
            }
        }
    }
    const int32_t goals = EditorCount(TILE_GOAL);
    if (borderMarks > 0) {
        snprintf(gWarning, sizeof(gWarning), "%d MARKS IN THE BORDER: IT TURNS SOLID", (int)borderMarks);
    } else if (startCol < 0) {
        snprintf(gWarning, sizeof(gWarning), "NO START: PICK IT WITH KEY 8");
    } else if (goals == 0) {
        snprintf(gWarning, sizeof(gWarning), "NO GOAL: THE STAGE CANNOT BE CLEARED");
    } else if (startRow < 2 || !EditorReaches(startCol, startRow - 1, TILE_GOAL)) {
        snprintf(gWarning, sizeof(gWarning), "GOAL WALLED IN: NO OPEN PATH TO IT");
    } else if (EditorCount(TILE_ENEMY_SPAWN) == 0) {
        snprintf(gWarning, sizeof(gWarning), "NO WALKER: THE GAME ADDS FOUR OF ITS OWN");
    }
}

static void EditorUpdateTitle(void) {
    const int dirty = EditorIsDirty();
    if (dirty == gTitleDirty || !gWindow) {
        return;
    }
    gTitleDirty = dirty;
    char title[EDITOR_TITLE_SIZE];
    StageTitleFor(gPath[0] ? gPath : "new stage", title);
    if (dirty) {
        strcat(title, " *");
    }
    PlatformSetTitle(gWindow, title);
}

static void EditorBlankStage(void) {
    TilemapClear(&gGrid);
    for (int32_t col = 0; col < EDITOR_BLANK_COLS; ++col) {
        TilemapSetTile(&gGrid, col, 0, TILE_GROUND);
        TilemapSetTile(&gGrid, col, EDITOR_BLANK_ROWS - 1, TILE_GROUND);
    }
    for (int32_t row = 0; row < EDITOR_BLANK_ROWS; ++row) {
        TilemapSetTile(&gGrid, 0, row, TILE_GROUND);
    }
    TilemapSetTile(&gGrid, 3, EDITOR_BLANK_ROWS - 2, TILE_PLAYER_SPAWN);
    TilemapSetTile(&gGrid, EDITOR_BLANK_COLS - 4, EDITOR_BLANK_ROWS - 2, TILE_GOAL);
}

void EditorOpen(PlatformWindow* window, const char* path) {
    gWindow = window;
    gActive = 1;
    gPlaytesting = 0;
    snprintf(gPath, sizeof(gPath), "%s", path ? path : "");
    gMessage[0] = '\0';
    gMessageMs = 0.0f;
    if (!path || LevelReadGridFile(&gGrid, path) != LEVEL_FROM_FILE) {
        EditorBlankStage();
        if (path) {
            EditorSay("NEW STAGE: CTRL+S WRITES THE FILE");
        }
    }
    EditorResetHistory();
    gViewX = -8.0f;
    gViewY = (float)-EDITOR_BAR_H;
    gDragging = 0;
    gTitleDirty = -1;
    gRevision++;
    EditorCheck();
    EditorUpdateTitle();
}

int EditorIsActive(void) {
    return gActive;
}

int EditorIsEditing(void) {
    return gActive && !gPlaytesting;
}

// The grid as stage text in gText, as a file would hold it.
static void EditorWriteText(void) {
    gTextLength = LevelWriteText(&gGrid, gText, sizeof(gText));
}

// The stage being edited handed to the game as its stage text, the game's own stage source kept for
// the return.
static void EditorLendStage(void) {
    EditorEndStroke();
    EditorWriteText();
    LevelGetStageSource(&gKeptSource);
    LevelSetStageText(gText, gTextLength);
    gPlaytesting = 1;
}

static void EditorPlaytest(void) {
    EditorLendStage();
    GameStateStartStage();
}

// A running search is dropped and the route drawn is forgotten: the stage it was for has changed.
static void EditorForgetRoute(void) {
    if (gSolving) {
        SolveStop(&gSearch);
        SolveFinish(&gSearch);
        gSolving = 0;
    }
    gRouteSteps = 0;
    gRoutePoints = 0;
}

static void EditorSolveDone(int32_t status) {
    gSolving = 0;
    int32_t steps = 0;
    const SolveStep* route = SolveGetRoute(&gSearch, &steps);
    gRouteSteps = steps < SOLVE_MAX_ROUTE ? steps : SOLVE_MAX_ROUTE;
    memcpy(gRoute, route, sizeof(SolveStep) * (size_t)gRouteSteps);
    gRouteClears = status == SOLVE_FOUND;
    gRoutePoints = SolveRoutePath(&gSearch, gRoute, gRouteSteps, gRouteX, gRouteY, EDITOR_ROUTE_POINTS);
    char line[EDITOR_LINE_CHARS + 1];
    if (gRouteClears) {
        snprintf(line, sizeof(line), "CLEARABLE IN %d FRAMES: P PLAYS IT", (int)gSearch.routeFrames);
    } else {
        snprintf(line, sizeof(line), "NO ROUTE FOUND: NEAREST %d TILES OFF", (int)gSearch.farDistance);
    }
    SolveFinish(&gSearch);
    EditorSay(line);
    gMessageMs = EDITOR_MESSAGE_MS * 2.0f;
}

static void EditorSolveStart(void) {
    EditorEndStroke();
    EditorForgetRoute();
    EditorWriteText();
    SolveOptions options;
    memset(&options, 0, sizeof(options));
    options.stagePath = "";
    options.stageText = gText;
    options.stageTextLength = gTextLength;
    options.seed = 1;
    options.maxStates = EDITOR_SOLVE_STATES;
    const int32_t status = SolveStart(&gSearch, &options);
    if (status == SOLVE_WALLED_IN) {
        SolveFinish(&gSearch);
        EditorSay("GOAL WALLED IN: NOTHING TO SEARCH");
    } else if (status == SOLVE_CANNOT_START) {
        SolveFinish(&gSearch);
        EditorSay("THE STAGE DOES NOT START: NO SEARCH");
    } else if (status == SOLVE_FOUND) {
        EditorSolveDone(status);
    } else {
        gSolving = 1;
        EditorSay("SOLVING... (V AGAIN STOPS)");
    }
}

static void EditorSolveSlice(void) {
    const uint32_t start = PlatformTicks();
    int32_t status = SOLVE_RUNNING;
    for (int32_t n = 0; n < EDITOR_SOLVE_SLICE && status == SOLVE_RUNNING; ++n) {
        status = SolveAdvance(&gSearch, 1);
        if (PlatformTicks() - start >= EDITOR_SOLVE_SLICE_MS) {
            break;
        }
    }
    if (status != SOLVE_RUNNING) {
        EditorSolveDone(status);
    }
}

// P: the route found played in the game from the title, as a replay would; then play goes on by hand.
static void EditorPlayRoute(void) {
    if (!gRouteClears || gRouteSteps == 0) {
        EditorSay("NO ROUTE YET: V SOLVES THE STAGE");
        return;
    }
    EditorLendStage();
    gPlayback = 1;
    gPlaybackFrame = 0;
    GameStateShowTitle();
}

int EditorPlaybackStep(void) {
    if (!gPlayback) {
        return 0;
    }
    InputFrame input;
    if (!SolveRouteInput(gRoute, gRouteSteps, gPlaybackFrame, &input)) {
        gPlayback = 0;
        return 0;
    }
    gPlaybackFrame++;
    GameStateStepWith(&input, SOLVE_DT);
    return 1;
}

static void EditorResume(void) {
    gPlaytesting = 0;
    gPlayback = 0;
    LevelSetStageSource(&gKeptSource);
    GameStateShowTitle();
}

void EditorClose(void) {
    EditorForgetRoute();
    if (gActive) {
        EditorResume();
        gActive = 0;
    }
}

void EditorWatchPlaytest(void) {
    if (gPlaytesting && !gPlayback && GameStateGetMode() == MODE_TITLE) {
        EditorResume();
    }
}

int EditorHandleKey(int32_t vk) {
    if (!gActive) {
        return 0;
    }
    if (!gPlaytesting) {
        return 1; // the editor reads its keys from the snapshot
    }
    if (vk == KEY_ESCAPE) {
        EditorResume();
        return 1;
    }
    return 0;
}

void EditorOnWheel(int32_t notches) {
    if (gActive && !gPlaytesting) {
        gWheel += notches;
    }
}

static void EditorSave(void) {
    EditorEndStroke();
    if (!gPath[0]) {
        EditorSay("NO FILE: START WITH --edit FILE");
        return;
    }
    EditorWriteText();
    SafeOutput out;
    char why[256];
    int ok = SafeOutputOpen(&out, gPath, why, sizeof(why));
    if (ok) {
        ok = fwrite(gText, 1, gTextLength, out.file) == gTextLength;
        ok = SafeOutputClose(&out, ok);
    }
    if (!ok) {
        EditorSay("NOT SAVED: THE FILE CANNOT BE WRITTEN");
        return;
    }
    gSavedAt = gHistoryAt;
    EditorSay("SAVED");
}

static void EditorUndo(int32_t step) {
    EditorEndStroke();
    const int32_t to = gHistoryAt + step;
    if (to < 0 || to >= gHistoryCount) {
        EditorSay(step < 0 ? "NOTHING TO UNDO" : "NOTHING TO REDO");
        return;
    }
    gHistoryAt = to;
    EditorForgetRoute();
    EditorLoadState(EditorHistoryEntry(gHistoryAt));
}

// Clears the cells of the last column or row before the size shrinks, so growing again shows them empty.
static void EditorResize(int32_t dw, int32_t dh) {
    EditorEndStroke();
    const int32_t w = gGrid.width + dw, h = gGrid.height + dh;
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
                gGrid.tiles[row][col] = TILE_EMPTY;
            }
        }
    }
    gGrid.width = w;
    gGrid.height = h;
    gRevision++;
    EditorCommit();
}

// Puts id into the cell; the stage grows to take it. Refusals are said on the status line.
static void EditorPaint(int32_t col, int32_t row, int32_t id) {
    if (col < 0 || row < 0) {
        return;
    }
    if (id == TILE_EMPTY && (col >= gGrid.width || row >= gGrid.height)) {
        return;
    }
    if (col >= MAP_MAX_COLS || row >= MAP_MAX_ROWS) {
        EditorSay("THE LOADER STOPS AT 128 X 32 TILES");
        return;
    }
    const int32_t was = TilemapGetTile(&gGrid, col, row);
    if (was == id && col < gGrid.width && row < gGrid.height) {
        return;
    }
    if (id == TILE_ENEMY_SPAWN && EditorCount(TILE_ENEMY_SPAWN) >= MAX_ENEMIES) {
        EditorSay("AT MOST 8 WALKERS: THE GAME DROPS MORE");
        return;
    }
    if (id == TILE_PLAYER_SPAWN) {
        // One start: placing it moves it.
        for (int32_t r = 0; r < gGrid.height; ++r) {
            for (int32_t c = 0; c < gGrid.width; ++c) {
                if (gGrid.tiles[r][c] == TILE_PLAYER_SPAWN) {
                    gGrid.tiles[r][c] = TILE_EMPTY;
                }
            }
        }
    }
    // Growing fills the new cells with empty ones, so the written rows keep one width.
    const int32_t w = col >= gGrid.width ? col + 1 : gGrid.width;
    const int32_t h = row >= gGrid.height ? row + 1 : gGrid.height;
    gGrid.width = w;
    gGrid.height = h;
    TilemapSetTile(&gGrid, col, row, id);
    gStrokeChanged = 1;
    gRevision++;
}

static void EditorClampView(void) {
    const int32_t cols = gGrid.width + 4 < MAP_MAX_COLS ? gGrid.width + 4 : MAP_MAX_COLS;
    const int32_t rows = gGrid.height + 4 < MAP_MAX_ROWS ? gGrid.height + 4 : MAP_MAX_ROWS;
    const float minX = (float)-TILE_SIZE;
    const float minY = (float)(-EDITOR_BAR_H - TILE_SIZE);
    const float maxX = (float)(cols * TILE_SIZE - LOGICAL_WIDTH + TILE_SIZE);
    const float maxY = (float)(rows * TILE_SIZE - EDITOR_STATUS_Y + TILE_SIZE);
    gViewX = gViewX > maxX ? maxX : gViewX;
    gViewY = gViewY > maxY ? maxY : gViewY;
    gViewX = gViewX < minX ? minX : gViewX;
    gViewY = gViewY < minY ? minY : gViewY;
}

static int32_t EditorCell(float world) {
    const float cell = world / (float)TILE_SIZE;
    return cell < 0.0f ? (int32_t)cell - 1 : (int32_t)cell;
}

static void EditorChoose(int32_t index) {
    gPalette = ((index % EDITOR_PALETTE_SIZE) + EDITOR_PALETTE_SIZE) % EDITOR_PALETTE_SIZE;
}

static void EditorScroll(float dt) {
    const float step = EDITOR_SCROLL_PX_PER_MS * dt;
    const int32_t mx = InputGetMouseLogicalX(), my = InputGetMouseLogicalY();
    const int shift = InputIsKeyDown(KEY_SHIFT);
    if (!shift) {
        gViewX += InputIsKeyDown(KEY_RIGHT) ? step : 0.0f;
        gViewX -= InputIsKeyDown(KEY_LEFT) ? step : 0.0f;
        gViewY += InputIsKeyDown(KEY_DOWN) ? step : 0.0f;
        gViewY -= InputIsKeyDown(KEY_UP) ? step : 0.0f;
    }
    if (InputIsKeyDown(KEY_MBUTTON)) {
        if (gDragging) {
            gViewX -= (float)(mx - gDragX);
            gViewY -= (float)(my - gDragY);
        }
        gDragging = 1;
        gDragX = mx;
        gDragY = my;
    } else {
        gDragging = 0;
        // The picture's edges scroll, unless a stroke is being painted.
        if (!gStrokeOpen) {
            gViewX += mx >= LOGICAL_WIDTH - EDITOR_EDGE ? step : 0.0f;
            gViewX -= mx < EDITOR_EDGE ? step : 0.0f;
            gViewY += my >= LOGICAL_HEIGHT - EDITOR_EDGE ? step : 0.0f;
            gViewY -= my < EDITOR_EDGE ? step : 0.0f;
        }
    }
    EditorClampView();
}

static void EditorKeys(void) {
    const int ctrl = InputIsKeyDown(KEY_CONTROL);
    if (ctrl) {
        if (InputWasKeyPressed(KEY_Z)) {
            EditorUndo(InputIsKeyDown(KEY_SHIFT) ? 1 : -1);
        } else if (InputWasKeyPressed('Y')) {
            EditorUndo(1);
        } else if (InputWasKeyPressed(KEY_S)) {
            EditorSave();
        }
        return;
    }
    for (int32_t n = 0; n <= 9; ++n) {
        if (InputWasKeyPressed(KEY_0 + n) || InputWasKeyPressed(KEY_NUMPAD0 + n)) {
            EditorChoose(n == 0 ? 9 : n - 1);
        }
    }
    if (InputIsKeyDown(KEY_SHIFT)) {
        const int32_t dw = InputWasKeyPressed(KEY_RIGHT) - InputWasKeyPressed(KEY_LEFT);
        const int32_t dh = InputWasKeyPressed(KEY_DOWN) - InputWasKeyPressed(KEY_UP);
        if (dw != 0 || dh != 0) {
            EditorResize(dw, dh);
        }
    }
}

static void EditorMouse(void) {
    const int32_t mx = InputGetMouseLogicalX(), my = InputGetMouseLogicalY();
    const int left = InputIsMouseLeftDown();
    const int right = InputIsKeyDown(KEY_RBUTTON);
    if (!left && !right) {
        EditorEndStroke();
        return;
    }
    if (!gStrokeOpen) {
        // A press on the palette bar picks a tile; a press on the stage opens a stroke.
        if (my < EDITOR_BAR_H) {
            if (InputWasMouseLeftPressed() && mx >= 2 && (mx - 2) / 20 < EDITOR_PALETTE_SIZE) {
                EditorChoose((mx - 2) / 20);
            }
            return;
        }
        if (my >= EDITOR_STATUS_Y) {
            return;
        }
        gStrokeOpen = 1;
        gStrokeChanged = 0;
    }
    if (my < EDITOR_BAR_H || my >= EDITOR_STATUS_Y) {
        return;
    }
    const int32_t col = EditorCell((float)mx + gViewX);
    const int32_t row = EditorCell((float)my + gViewY);
    EditorPaint(col, row, left ? EDITOR_PALETTE[gPalette] : TILE_EMPTY);
}

void EditorStep(PlatformWindow* window, float dt) {
    gWindow = window;
    InputUpdate(window);
    InputSetCamera(gViewX, gViewY);
    if (gWheel != 0) {
        // Away from the user goes back through the palette, like a list scrolled up.
        EditorChoose(gPalette - gWheel);
        gWheel = 0;
    }
    if (InputWasKeyPressed(KEY_ENTER) && !InputIsKeyDown(KEY_CONTROL)) {
        EditorPlaytest();
        return;
    }
    if (InputWasKeyPressed('P') && !InputIsKeyDown(KEY_CONTROL)) {
        EditorPlayRoute();
        if (gPlaytesting) {
            return;
        }
    }
    if (InputWasKeyPressed('V') && !InputIsKeyDown(KEY_CONTROL)) {
        if (gSolving) {
            EditorSolveDone(SolveStop(&gSearch));
        } else {
            EditorSolveStart();
        }
    } else if (gSolving) {
        EditorSolveSlice();
    }
    EditorKeys();
    EditorScroll(dt);
    EditorMouse();
    if (gCheckedRevision != gRevision) {
        EditorCheck(); // once in a frame that changed the grid, never on an idle one
    }
    gMessageMs = gMessageMs > dt ? gMessageMs - dt : 0.0f;
    EditorUpdateTitle();
}

// The markers the tile drawing leaves out: the start as the block it becomes with the player on it,
// walkers as the game draws them.
static void EditorRenderMarkers(void) {
    int32_t walkers = 0;
    for (int32_t row = 0; row < gGrid.height; ++row) {
        for (int32_t col = 0; col < gGrid.width; ++col) {
            const int32_t id = TilemapGetTile(&gGrid, col, row);
            const float x = (float)(TILE_SIZE * col + 8);
            if (id == TILE_PLAYER_SPAWN) {
                TilemapRenderTile(TILE_GROUND, (int)((float)(TILE_SIZE * col) - gViewX),
                                  (int)((float)(TILE_SIZE * row) - gViewY));
                PlayerReset(&gDrawPlayer, x, (float)(TILE_SIZE * row) - 14.05f);
                PlayerRender(&gDrawPlayer, gViewX, gViewY);
            } else if (id == TILE_ENEMY_SPAWN && walkers < MAX_ENEMY_SPAWNS) {
                EnemyInit(&gDrawEnemies[walkers++], x, (float)(TILE_SIZE * row + 8));
            }
        }
    }
    EnemyRender(gDrawEnemies, walkers, gViewX, gViewY);
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

void EditorRender(void) {
    TilemapRender(&gGrid, gViewX, gViewY);
    EditorRenderMarkers();
    // The stage's right and bottom ends, where painting grows it.
    const int32_t endX = (int32_t)((float)(gGrid.width * TILE_SIZE) - gViewX);
    const int32_t endY = (int32_t)((float)(gGrid.height * TILE_SIZE) - gViewY);
    RenderFillRect(endX, 0, 1, endY, EDITOR_WHITE);
    RenderFillRect(0, endY, endX + 1, 1, EDITOR_WHITE);
    // The cell under the cursor.
    const int32_t mx = InputGetMouseLogicalX(), my = InputGetMouseLogicalY();
    const int32_t col = EditorCell((float)mx + gViewX);
    const int32_t row = EditorCell((float)my + gViewY);
    if (my >= EDITOR_BAR_H && my < EDITOR_STATUS_Y) {
        RenderDrawBox((int32_t)((float)(col * TILE_SIZE) - gViewX),
                      (int32_t)((float)(row * TILE_SIZE) - gViewY), TILE_SIZE, TILE_SIZE, EDITOR_WHITE);
    }
    // The route as the stage tool draws it: a dot every other frame.
    const uint32_t routeColour = gRouteClears ? EDITOR_WHITE : EDITOR_RED;
    for (int32_t i = 0; i < gRoutePoints; i += 2) {
        RenderFillRect((int32_t)(gRouteX[i] - gViewX) - 1, (int32_t)(gRouteY[i] - gViewY) - 1, 2, 2,
                       routeColour);
    }
    RenderFillRect(0, 0, LOGICAL_WIDTH, EDITOR_BAR_H, EDITOR_BAR_BG);
    for (int32_t i = 0; i < EDITOR_PALETTE_SIZE; ++i) {
        const int32_t x = 4 + 20 * i;
        if (i == gPalette) {
            RenderDrawBox(x - 2, 0, 20, 20, EDITOR_WHITE);
        }
        EditorRenderSwatch(i, x, 2);
    }
    snprintf(gLine, sizeof(gLine), "%d %s", (int)(gPalette == 9 ? 0 : gPalette + 1),
             EDITOR_TILE_NAMES[EDITOR_PALETTE[gPalette]]);
    DrawMsxString(206, 6, gLine, EDITOR_YELLOW, 1);
    RenderFillRect(0, EDITOR_STATUS_Y, LOGICAL_WIDTH, LOGICAL_HEIGHT - EDITOR_STATUS_Y, EDITOR_BAR_BG);
    const int inside = col >= 0 && row >= 0 && col < gGrid.width && row < gGrid.height;
    snprintf(gStatus, sizeof(gStatus), "%-8s C%-3d R%-2d %dX%d%s",
             inside ? EDITOR_TILE_NAMES[TilemapGetTile(&gGrid, col, row)] : "OUTSIDE", (int)col, (int)row,
             (int)gGrid.width, (int)gGrid.height, EditorIsDirty() ? " *" : "");
    DrawMsxString(2, EDITOR_STATUS_Y + 2, gStatus, EDITOR_WHITE, 1);
    const char* line = gMessageMs > 0.0f ? gMessage : gWarning[0] ? gWarning : "ENTER:PLAY ^S:SAVE ^Z:UNDO";
    const uint32_t colour = gMessageMs > 0.0f ? EDITOR_YELLOW : gWarning[0] ? EDITOR_RED : EDITOR_GREY;
    DrawMsxString(2, EDITOR_STATUS_Y + 11, line, colour, 1);
    if (gSolving) {
        const float done = SolveProgress(&gSearch);
        RenderFillRect(0, EDITOR_STATUS_Y - 3, LOGICAL_WIDTH, 3, EDITOR_BAR_BG);
        RenderFillRect(0, EDITOR_STATUS_Y - 3, (int32_t)(done * (float)LOGICAL_WIDTH) + 1, 3, EDITOR_YELLOW);
    }
}

const Tilemap* EditorGetGrid(void) {
    return &gGrid;
}

uint32_t EditorGridRevision(void) {
    return gRevision;
}

int32_t EditorGetPaletteIndex(void) {
    return gPalette;
}

int32_t EditorPaletteTile(int32_t index) {
    return index >= 0 && index < EDITOR_PALETTE_SIZE ? EDITOR_PALETTE[index] : TILE_EMPTY;
}

int EditorIsDirty(void) {
    return gSavedAt != gHistoryAt || gStrokeChanged;
}

void EditorGetView(float* x, float* y) {
    *x = gViewX;
    *y = gViewY;
}

const char* EditorStatusLine(void) {
    return gStatus;
}

const char* EditorMessageLine(void) {
    return gMessageMs > 0.0f ? gMessage : gWarning;
}

int32_t EditorRouteSteps(int* clears) {
    if (clears) {
        *clears = gRouteClears;
    }
    return gRouteSteps;
}

int EditorIsSolving(void) {
    return gSolving;
}
