// editor.cpp -- the stage editor's frame: opening and closing a stage, the keys, the mouse and the
// view, and play-tests that lend the stage to the game as text. The grid, the check, the solver, the
// drawing and the file are in the editor's other files (app/editor_parts.h lists them).
#include "app/editor.h"

#include <stdio.h>
#include <string.h>

#include "app/editor_parts.h"
#include "app/game_state.h"
#include "app/stage_title.h"
#include "input/input.h"
#include "platform/keys.h"
#include "render/render.h"

constexpr float EDITOR_SCROLL_PX_PER_MS = 0.3f;
constexpr int32_t EDITOR_EDGE = 2; // logical pixels at the picture's edge that scroll the view
constexpr int32_t EDITOR_TITLE_SIZE = STAGE_TITLE_SIZE + 4;

EditorRecord gEditor;

// Each message that names a control or the file, for keys and a file, keys on a page, a touch screen.
static const char* const EDITOR_WORDS[EDITOR_SAYS_COUNT][3] = {
    {"NEW STAGE: CTRL+S WRITES THE FILE", "NEW STAGE: CTRL+S KEEPS IT IN BROWSER", "NEW STAGE: KEPT IN THIS BROWSER"},
    {"ENTER:PLAY ^S:SAVE ^Z:UNDO ESC:LEAVE", "ENTER:PLAY ^S:KEEP ^Z:UNDO ESC:LEAVE", "TAP PAINTS, TWO FINGERS SCROLL"},
    {"^DRAG:SELECT ^C/X/V ^N:NEW ^SHIFT+S:AS", "^DRAG:SELECT ^C/X/V ^SHIFT+S:KEEP AS", "MAP: MY STAGES, NEW, RENAME"}, // touch: never held
    {"NO START: PICK IT WITH KEY 8", "NO START: PICK IT WITH KEY 8", "NO START: PICK IT ON THE BAR"},
    {"SOLVING... (V AGAIN STOPS)", "SOLVING... (V AGAIN STOPS)", "SOLVING... (SOLVE AGAIN STOPS)"},
    {"THE EDIT STOPPED THE SEARCH: V AGAIN", "THE EDIT STOPPED THE SEARCH: V AGAIN",
     "THE EDIT STOPPED THE SEARCH: SOLVE AGAIN"},
    {"NO ROUTE YET: V SOLVES THE STAGE", "NO ROUTE YET: V SOLVES THE STAGE", "NO ROUTE YET: SOLVE FINDS ONE"},
};
static int32_t gEditorDevice = EDITOR_DEVICE_KEYS_FILE;

void EditorSetDevice(int32_t device) {
    gEditorDevice = device >= EDITOR_DEVICE_KEYS_FILE && device <= EDITOR_DEVICE_TOUCH_PAGE ? device
                                                                                             : EDITOR_DEVICE_KEYS_FILE;
}

int EditorDeviceIsTouch(void) {
    return gEditorDevice == EDITOR_DEVICE_TOUCH_PAGE;
}

const char* EditorWords(int32_t wording) {
    return EDITOR_WORDS[wording][gEditorDevice];
}

void EditorSay(const char* text) {
    snprintf(gEditor.stage.message, sizeof(gEditor.stage.message), "%s", text);
    gEditor.stage.messageMs = EDITOR_MESSAGE_MS;
    gEditor.stage.messageStays = 0;
}

void EditorWriteText(void) {
    gEditor.textLength = LevelWriteText(&gEditor.stage.grid, gEditor.text, sizeof(gEditor.text));
}

void EditorLendStage(void) {
    EditorEndStroke();
    EditorWriteText();
    LevelGetStageSource(&gEditor.kept);
    LevelSetStageText(gEditor.text, gEditor.textLength);
    gEditor.playtesting = 1;
}

static void EditorUpdateTitle(void) {
    EditorStage* s = &gEditor.stage;
    const int dirty = EditorIsDirty();
    if (dirty == s->titleDirty || !gEditor.window) {
        return;
    }
    s->titleDirty = dirty;
    char title[EDITOR_TITLE_SIZE];
    StageTitleFor(s->path[0] ? s->path : "new stage", title);
    if (dirty) {
        strcat(title, " *");
    }
    PlatformSetTitle(gEditor.window, title);
}

// The game gets its own stage back and shows its title behind the editor; a file given during the
// play-test opens now.
static void EditorResume(void) {
    gEditor.resumed = 1; // the Escape that ended the play-test is not the editor's
    gEditor.playtesting = 0;
    gEditor.playback = 0;
    LevelSetStageSource(&gEditor.kept);
    GameStateShowTitle();
    if (gEditor.pending[0] && gEditor.active) {
        char path[sizeof(gEditor.pending)];
        memcpy(path, gEditor.pending, sizeof(path));
        gEditor.pending[0] = '\0';
        EditorOpen(gEditor.window, path);
        EditorSay("OPENED THE STAGE GIVEN IN THE PLAY-TEST");
    }
}

static void EditorClampView(void);
static void EditorViewStart(void);

// Closing what is open: the search stopped, the route forgotten, a lent stage given back.
static void EditorCloseStage(void) {
    EditorForgetRoute();
    if (gEditor.playtesting) {
        EditorResume();
    }
}

void EditorOpen(PlatformWindow* window, const char* path) {
    gEditor.pending[0] = '\0';
    EditorCloseStage();
    gEditor.window = window;
    gEditor.active = 1;
    gEditor.question = EDITOR_ASK_NONE;
    gEditor.quit = 0;
    memset(&gEditor.stage, 0, sizeof(gEditor.stage));
    gEditor.stage.titleDirty = -1;
    EditorReadStage(path);
    EditorResetHistory();
    gEditor.revision++;
    EditorCheck();
    EditorViewStart();
    EditorUpdateTitle();
    EditorOfferRecovery();
}

// The view opens on the stage's start (clamped near the stage), or at its top left without one.
static void EditorViewStart(void) {
    EditorStage* s = &gEditor.stage;
    s->viewX = -8.0f;
    s->viewY = (float)-EDITOR_BAR_H;
    for (int32_t row = 0; row < s->grid.height; ++row) {
        for (int32_t col = 0; col < s->grid.width; ++col) {
            if (TilemapGetTile(&s->grid, col, row) == TILE_PLAYER_SPAWN) {
                s->viewX = (float)(TILE_SIZE * col + TILE_SIZE / 2 - LOGICAL_WIDTH / 2);
                s->viewY = (float)(TILE_SIZE * row + TILE_SIZE / 2 - (EDITOR_BAR_H + EDITOR_STATUS_Y) / 2);
            }
        }
    }
    EditorClampView();
}

void EditorOpenAfterPlaytest(const char* path) {
    snprintf(gEditor.pending, sizeof(gEditor.pending), "%s", path ? path : "");
}

int EditorIsActive(void) {
    return gEditor.active;
}

int EditorIsEditing(void) {
    return gEditor.active && !gEditor.playtesting;
}

int EditorIsPlaytesting(void) {
    return gEditor.active && gEditor.playtesting;
}

static void EditorPlaytest(void) {
    EditorLendStage();
    GameStateStartStage();
}

// Shift+Enter: the play-test starts with the player standing in the cell under the cursor.
static void EditorPlaytestFromCursor(void) {
    const EditorStage* s = &gEditor.stage;
    const int32_t col = EditorCell((float)InputGetMouseLogicalX() + s->viewX);
    const int32_t row = EditorCell((float)InputGetMouseLogicalY() + s->viewY);
    EditorPlaytest();
    GameStatePlacePlayer((float)(TILE_SIZE * col + TILE_SIZE / 2), (float)(TILE_SIZE * (row + 1)) - BODY_REST_HEIGHT);
}

int EditorRequestClose(void) {
    if (!gEditor.active || !EditorIsDirty()) {
        return 1;
    }
    if (gEditor.playtesting) {
        EditorResume();
    }
    EditorAsk(EDITOR_ASK_CLOSE);
    return 0;
}

int EditorWantsQuit(void) {
    return gEditor.quit;
}

void EditorClose(void) {
    gEditor.pending[0] = '\0';
    gEditor.question = EDITOR_ASK_NONE;
    EditorForgetRoute();
    if (gEditor.active) {
        EditorResume();
        gEditor.active = 0;
    }
}

void EditorWatchPlaytest(void) {
    if (gEditor.playtesting && !gEditor.playback && GameStateGetMode() == MODE_TITLE) {
        EditorResume();
    }
}

int EditorHandleKey(int32_t vk) {
    if (!gEditor.active) {
        return 0;
    }
    if (!gEditor.playtesting) {
        return 1; // the editor reads its keys from the snapshot
    }
    if (vk == KEY_ESCAPE) {
        EditorResume();
        return 1;
    }
    return 0;
}

void EditorOnWheel(int32_t notches) {
    if (gEditor.active && !gEditor.playtesting) {
        gEditor.wheel += notches;
    }
}

static void EditorClampView(void) {
    EditorStage* s = &gEditor.stage;
    const int32_t cols = s->grid.width + 4 < MAP_MAX_COLS ? s->grid.width + 4 : MAP_MAX_COLS;
    const int32_t rows = s->grid.height + 4 < MAP_MAX_ROWS ? s->grid.height + 4 : MAP_MAX_ROWS;
    const float minX = (float)-TILE_SIZE;
    const float minY = (float)(-EDITOR_BAR_H - TILE_SIZE);
    const float maxX = (float)(cols * TILE_SIZE - LOGICAL_WIDTH + TILE_SIZE);
    const float maxY = (float)(rows * TILE_SIZE - EDITOR_STATUS_Y + TILE_SIZE);
    s->viewX = s->viewX > maxX ? maxX : s->viewX;
    s->viewY = s->viewY > maxY ? maxY : s->viewY;
    s->viewX = s->viewX < minX ? minX : s->viewX;
    s->viewY = s->viewY < minY ? minY : s->viewY;
}

static void EditorChoose(int32_t index) {
    gEditor.palette = ((index % EDITOR_PALETTE_SIZE) + EDITOR_PALETTE_SIZE) % EDITOR_PALETTE_SIZE;
}

static void EditorScroll(float dt) {
    EditorStage* s = &gEditor.stage;
    const float step = EDITOR_SCROLL_PX_PER_MS * dt;
    const int32_t mx = InputGetMouseLogicalX(), my = InputGetMouseLogicalY();
    const int shift = InputIsKeyDown(KEY_SHIFT);
    if (!shift) {
        s->viewX += InputIsKeyDown(KEY_RIGHT) ? step : 0.0f;
        s->viewX -= InputIsKeyDown(KEY_LEFT) ? step : 0.0f;
        s->viewY += InputIsKeyDown(KEY_DOWN) ? step : 0.0f;
        s->viewY -= InputIsKeyDown(KEY_UP) ? step : 0.0f;
    }
    if (InputIsKeyDown(KEY_MBUTTON)) {
        if (s->dragging) {
            s->viewX -= (float)(mx - s->dragX);
            s->viewY -= (float)(my - s->dragY);
        }
        s->dragging = 1;
        s->dragX = mx;
        s->dragY = my;
    } else {
        s->dragging = 0;
        // The picture's edges scroll, unless a stroke is being painted; a pointer off the picture (on a
        // button beside it, in the border, outside the window) scrolls nothing.
        if (!s->strokeOpen && InputIsMouseOnPicture()) {
            s->viewX += mx >= LOGICAL_WIDTH - EDITOR_EDGE ? step : 0.0f;
            s->viewX -= mx < EDITOR_EDGE ? step : 0.0f;
            s->viewY += my >= LOGICAL_HEIGHT - EDITOR_EDGE ? step : 0.0f;
            s->viewY -= my < EDITOR_EDGE ? step : 0.0f;
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
            if (InputIsKeyDown(KEY_SHIFT)) {
                EditorAskName();
            } else {
                EditorSave(0);
            }
        } else if (InputWasKeyPressed('N')) {
            EditorNew();
        } else if (InputWasKeyPressed('C')) {
            EditorCopy();
        } else if (InputWasKeyPressed('X')) {
            EditorCut();
        } else if (InputWasKeyPressed('V')) {
            const EditorStage* s = &gEditor.stage;
            EditorPaste(EditorCell((float)InputGetMouseLogicalX() + s->viewX),
                        EditorCell((float)InputGetMouseLogicalY() + s->viewY));
        }
        return;
    }
    if (InputWasKeyPressed(KEY_DELETE)) {
        EditorEraseSelection();
    }
    for (int32_t n = 0; n <= 9; ++n) {
        if (InputWasKeyPressed(KEY_0 + n) || InputWasKeyPressed(KEY_NUMPAD0 + n)) {
            EditorChoose(n == 0 ? 9 : n - 1);
        }
    }
    gEditor.overview ^= InputWasKeyPressed('O');
    gEditor.grid ^= InputWasKeyPressed('G');
    if (InputIsKeyDown(KEY_SHIFT)) {
        const int32_t dw = InputWasKeyPressed(KEY_RIGHT) - InputWasKeyPressed(KEY_LEFT);
        const int32_t dh = InputWasKeyPressed(KEY_DOWN) - InputWasKeyPressed(KEY_UP);
        if (dw != 0 || dh != 0) {
            EditorResize(dw, dh);
        }
    }
}

// A click on the overview moves the view there and closes it.
static void EditorOverviewClick(void) {
    EditorStage* s = &gEditor.stage;
    int32_t ox = 0, oy = 0;
    EditorOverviewBox(&ox, &oy);
    const int32_t col = (InputGetMouseLogicalX() - ox) / 2, row = (InputGetMouseLogicalY() - oy) / 2;
    s->viewX = (float)(TILE_SIZE * col - LOGICAL_WIDTH / 2);
    s->viewY = (float)(TILE_SIZE * row - (EDITOR_BAR_H + EDITOR_STATUS_Y) / 2);
    EditorClampView();
    gEditor.overview = 0;
}

static void EditorMouse(void) {
    EditorStage* s = &gEditor.stage;
    const int32_t mx = InputGetMouseLogicalX(), my = InputGetMouseLogicalY();
    const int left = InputIsMouseLeftDown();
    const int right = InputIsKeyDown(KEY_RBUTTON);
    const int32_t col = EditorCell((float)mx + s->viewX);
    const int32_t row = EditorCell((float)my + s->viewY);
    if (EditorDragArea(col, row, left)) {
        return;
    }
    if (!left && !right) {
        if (s->strokeOpen && s->rectangle) {
            // The rectangle is painted (or erased) whole when the button comes up: one undo step.
            const int32_t id = s->rectangleErases ? TILE_EMPTY : EDITOR_PALETTE[gEditor.palette];
            const EditorArea a = EditorOrdered(s->rect);
            for (int32_t r = a.row0; r <= a.row1; ++r) {
                for (int32_t c = a.col0; c <= a.col1; ++c) {
                    EditorPaint(c, r, id);
                }
            }
            s->rectangle = 0;
        }
        EditorEndStroke();
        return;
    }
    if (!s->strokeOpen) {
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
        if (gEditor.overview) {
            if (InputWasMouseLeftPressed()) {
                EditorOverviewClick();
            }
            return;
        }
        if (left && InputIsKeyDown(KEY_CONTROL)) {
            EditorGrabArea(col, row); // Ctrl and a drag select, or move the selection
            return;
        }
        s->strokeOpen = 1;
        s->strokeChanged = 0;
        s->rectangle = InputIsKeyDown(KEY_SHIFT);
        s->rectangleErases = !left;
        s->rect.col0 = col;
        s->rect.row0 = row;
    }
    if (my < EDITOR_BAR_H || my >= EDITOR_STATUS_Y) {
        return;
    }
    if (s->rectangle) {
        s->rect.col1 = col;
        s->rect.row1 = row;
        return;
    }
    EditorPaint(col, row, left ? EDITOR_PALETTE[gEditor.palette] : TILE_EMPTY);
}

void EditorStep(PlatformWindow* window, float dt) {
    EditorStage* s = &gEditor.stage;
    gEditor.window = window;
    GameStatePollMouse(window);
    InputSetCamera(s->viewX, s->viewY);
    const int escape = InputWasKeyPressed(KEY_ESCAPE) && !gEditor.resumed;
    gEditor.resumed = 0;
    if (!s->messageStays) {
        s->messageMs = s->messageMs > dt ? s->messageMs - dt : 0.0f;
    }
    if (gEditor.question != EDITOR_ASK_NONE) {
        EditorAnswer();
        EditorUpdateTitle();
        return;
    }
    if (escape && (s->selected || s->selecting)) {
        s->selected = s->selecting = 0; // Escape lets go of the selection first
    } else if (escape) {
        if (EditorIsDirty()) {
            EditorAsk(EDITOR_ASK_LEAVE);
        } else {
            EditorClose();
        }
        return;
    }
    if (gEditor.wheel != 0) {
        // Away from the user goes back through the palette, like a list scrolled up.
        EditorChoose(gEditor.palette - gEditor.wheel);
        gEditor.wheel = 0;
    }
    if (InputWasKeyPressed(KEY_ENTER) && !InputIsKeyDown(KEY_CONTROL)) {
        if (InputIsKeyDown(KEY_SHIFT)) {
            EditorPlaytestFromCursor();
        } else {
            EditorPlaytest();
        }
        return;
    }
    if (InputWasKeyPressed('P') && !InputIsKeyDown(KEY_CONTROL)) {
        EditorPlayRoute();
        if (gEditor.playtesting) {
            return;
        }
    }
    if (InputWasKeyPressed('V') && !InputIsKeyDown(KEY_CONTROL)) {
        EditorSolveToggle();
    } else if (s->solving) {
        EditorSolveSlice();
    }
    EditorKeys();
    EditorScroll(dt);
    EditorMouse();
    if (gEditor.checkedRevision != gEditor.revision) {
        EditorCheck(); // once in a frame that changed the grid, never on an idle one
        EditorRecoveryDue();
        if (s->messageStays) {
            s->messageStays = 0; // a solver's answer is for the stage as it was
            s->messageMs = 0.0f;
        }
    }
    EditorKeepRecovery(dt);
    EditorUpdateTitle();
}

const Tilemap* EditorGetGrid(void) {
    return &gEditor.stage.grid;
}

const char* EditorGetPath(void) {
    return gEditor.stage.path;
}

uint32_t EditorGridRevision(void) {
    return gEditor.revision;
}

int32_t EditorGetPaletteIndex(void) {
    return gEditor.palette;
}

int32_t EditorPaletteTile(int32_t index) {
    return index >= 0 && index < EDITOR_PALETTE_SIZE ? EDITOR_PALETTE[index] : TILE_EMPTY;
}

int EditorIsDirty(void) {
    return gEditor.stage.savedAt != gEditor.stage.historyAt || gEditor.stage.strokeChanged;
}

void EditorGetView(float* x, float* y) {
    *x = gEditor.stage.viewX;
    *y = gEditor.stage.viewY;
}

const char* EditorStatusLine(void) {
    return gEditor.status;
}

const char* EditorMessageLine(void) {
    return gEditor.stage.messageMs > 0.0f ? gEditor.stage.message : gEditor.stage.warning;
}
