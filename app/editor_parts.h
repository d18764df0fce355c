// editor_parts.h -- the editor's state as one record and the calls between its parts: the grid and
// its history (editor_grid), the stage check (editor_check), the solver and its route (editor_solve),
// the drawing (editor_draw) and the files (editor_file); editor.cpp steps them. Only the editor's own
// files include this.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "actors/enemy.h"
#include "app/editor.h"
#include "app/safe_output.h"
#include "app/solve.h"
#include "render/palette.h"
#include "world/level.h"

constexpr uint32_t EDITOR_BAR_BG = PALETTE_BAR;
constexpr uint32_t EDITOR_WHITE = PALETTE_WHITE;
constexpr uint32_t EDITOR_YELLOW = PALETTE_YELLOW;
constexpr uint32_t EDITOR_GREY = PALETTE_GREY;
constexpr uint32_t EDITOR_RED = PALETTE_PINK;
constexpr uint32_t EDITOR_MARKER_BG = PALETTE_SKY;
constexpr float EDITOR_MESSAGE_MS = 3000.0f;
constexpr int32_t EDITOR_LINE_CHARS = 40;
constexpr int32_t EDITOR_ROUTE_POINTS = 4096;

// One undo state: the grid's size and cells.
struct EditorGridState {
    int32_t width;
    int32_t height;
    uint8_t tiles[MAP_MAX_ROWS][MAP_MAX_COLS];
};

// The question the editor asks in the picture, waiting for its answer (keys, or a click on an answer).
enum EditorQuestion {
    EDITOR_ASK_NONE = 0,
    EDITOR_ASK_CLOSE,     // unsaved changes and the window is to close: save, discard or stay
    EDITOR_ASK_LEAVE,     // unsaved changes and Escape leaves the editor: save, discard or stay
    EDITOR_ASK_RECOVER,   // a recovery copy of unsaved changes was found: restore or discard it
    EDITOR_ASK_OVERWRITE, // the file changed on disk since it was opened: save over it or keep it
    EDITOR_ASK_NAME,      // Save As: a file name typed in the picture
    EDITOR_ASK_REPLACE,   // Save As named a file that exists: replace it or not
    EDITOR_ASK_NEW,       // unsaved changes and a new stage is to open: save, discard or stay
};

// A rectangle of cells, its corners in the order given.
struct EditorArea {
    int32_t col0, row0, col1, row1;
};

// Everything the editor knows about the stage it has open. Opening another stage closes this one first
// (the search stopped, the route forgotten, a lent stage given back) and then clears it as a whole.
struct EditorStage {
    char path[SAFE_OUTPUT_MAX_PATH]; // "" when the stage has no file (Save As names one)
    Tilemap grid;
    // States in a ring: history[(historyFirst + i) % EDITOR_HISTORY] for i < historyCount; the grid
    // equals entry historyAt whenever no stroke is open.
    EditorGridState history[EDITOR_HISTORY];
    int32_t historyFirst;
    int32_t historyCount;
    int32_t historyAt;
    int32_t savedAt; // history entry last opened or saved; -1 when it fell out of the ring
    int strokeOpen;
    int strokeChanged;
    float viewX;
    float viewY;
    int dragging;
    int32_t dragX;
    int32_t dragY;
    char message[EDITOR_LINE_CHARS + 1];
    float messageMs;
    char warning[64];
    int titleDirty; // the dirty mark the window title shows; -1: not set yet
    // The stage as Enter plays it, made at every change: the grid as the game loads it (its forced
    // border, the start turned into a block), the walkers the game starts with (its own four when none
    // are placed), and the markers it drops.
    Tilemap played;
    Enemy walkers[MAX_ENEMIES];
    int32_t walkerCount;
    int walkersOwn;      // 1: no marker placed, the game brings its own
    int32_t markers;     // walker markers in the grid
    int32_t goals;
    int messageStays;    // the message stays until the next edit (a solver's answer)
    // A rectangle stroke (Shift held when the button went down): its first and current cells.
    int rectangle;
    int rectangleErases;
    EditorArea rect;
    // The selection (Ctrl and a drag), inside the stage; a Ctrl drag that starts in it moves it.
    int selected;
    int selecting; // 1: a Ctrl drag marks the selection; 2: a Ctrl drag moves it
    EditorArea selection;
    int32_t grabCol, grabRow; // a move: the cell it was grabbed at, and the cell under the pointer now
    int32_t dragCol, dragRow;
    // The file as it was opened or last saved, to tell a change made on disk by someone else.
    int fileKnown;
    long long fileTime;
    unsigned long long fileSize;
    int keepOriginal; // the editor writes the file differently: its first save keeps a copy beside it
    float recoveryDueMs; // a recovery copy is written when this runs out (0: none due)
    // The solver, run a slice per frame, and the route of its last answer.
    int solving;
    SolveStep route[SOLVE_MAX_ROUTE];
    int32_t routeSteps;
    int routeClears; // 1: the route clears the stage; 0: the way nearest the goal
    float routeX[EDITOR_ROUTE_POINTS];
    float routeY[EDITOR_ROUTE_POINTS];
    int32_t routePoints;
};

// The editor as a whole: whether it runs, the stage it has open, and a play-test's loan of it.
struct EditorRecord {
    PlatformWindow* window;
    int active;
    int playtesting; // the game plays the lent stage (a play-test or a route played back)
    int playback;    // the route plays as the game's input
    int32_t playbackFrame;
    LevelStageSource kept;              // what the game played before a play-test lent it the editor's text
    char pending[SAFE_OUTPUT_MAX_PATH]; // a file given during a play-test, opened when it ends
    int32_t question;                   // EditorQuestion
    int quit;                           // 1: a close request was answered; the window may close
    int resumed;                        // a play-test ended since the last editing frame
    int32_t palette;
    int32_t wheel;
    int overview; // O: the whole stage small over the picture
    int grid;     // G: the tile grid drawn over the stage
    // Grows at every change of the grid, openings included; the check last ran at checkedRevision.
    uint32_t revision;
    uint32_t checkedRevision;
    // What Ctrl+C or Ctrl+X last copied (width 0: nothing); kept across the stages opened.
    EditorGridState clipboard;
    // Save As: the name being typed, and the folder it goes in ("": the folder the game started in),
    // the folder of the last file opened, kept when New opens a stage without one.
    char name[EDITOR_NAME_CHARS + 1];
    char folder[SAFE_OUTPUT_MAX_PATH];
    char status[EDITOR_LINE_CHARS + 1];
    char line[EDITOR_LINE_CHARS + 1];
    char text[LEVEL_MAX_TEXT_BYTES]; // the grid as stage text, as last written
    size_t textLength;
    EditorStage stage;
};

extern EditorRecord gEditor;
// The search's record is the solver's own, too large to copy with the stage.
extern SolveSearch gEditorSearch;

// The messages that name a control or the file, in the words of the device (EditorSetDevice).
enum EditorWording : int32_t {
    EDITOR_SAYS_NEW_STAGE,
    EDITOR_SAYS_HINT,
    EDITOR_SAYS_HINT_CTRL, // while Ctrl is held: the Ctrl keys
    EDITOR_SAYS_NO_START,
    EDITOR_SAYS_SOLVING,
    EDITOR_SAYS_SEARCH_STOPPED,
    EDITOR_SAYS_NO_ROUTE,
    EDITOR_SAYS_COUNT
};

// editor.cpp
void EditorSay(const char* text);
const char* EditorWords(int32_t wording);
// The grid as stage text in gEditor.text, as a file would hold it.
void EditorWriteText(void);
// The stage handed to the game as its stage text, the game's own stage source kept for the return.
void EditorLendStage(void);

// editor_grid.cpp
void EditorResetHistory(void);
void EditorEndStroke(void);
void EditorUndo(int32_t step);
void EditorResize(int32_t dw, int32_t dh);
void EditorPaint(int32_t col, int32_t row, int32_t id);
int32_t EditorCount(int32_t id);
int32_t EditorCell(float world);
void EditorBlankStage(void);
// The grid becomes grid as one undoable change.
void EditorReplaceGrid(const Tilemap* grid);

// editor_area.cpp: select, copy, cut, paste, erase and move a rectangle of cells, each one undo step;
// what falls off the stage is clipped, and the start and the walkers keep the rules of EditorPaint.
// The area with its corners ordered, low to high.
EditorArea EditorOrdered(const EditorArea& area);
// The selection made from area (clipped to the stage); 0 when none of it is on the stage.
int EditorSelect(EditorArea area);
void EditorCopy(void);
void EditorCut(void);
void EditorEraseSelection(void);
// The clipboard's top-left corner goes to the cell; what is pasted becomes the selection.
void EditorPaste(int32_t col, int32_t row);
// The selection moves by (dc, dr), held inside the stage.
void EditorMoveSelection(int32_t dc, int32_t dr);
// A Ctrl press of the left button on the cell: marks a selection, or grabs the selection to move it.
void EditorGrabArea(int32_t col, int32_t row);
// While a Ctrl drag is on: follows the pointer; the drag's end selects or moves. 0 when no drag is on.
int EditorDragArea(int32_t col, int32_t row, int down);
// The selection as drawn: where a move being dragged would put it. 0 when there is none.
int EditorShownSelection(EditorArea* area);

// editor_check.cpp: the first surprise the game would have in store, into stage.warning.
void EditorCheck(void);

// editor_solve.cpp
void EditorSolveToggle(void);
void EditorSolveSlice(void);
// A running search is dropped and the route drawn is forgotten: the stage it was for has changed.
void EditorForgetRoute(void);
void EditorPlayRoute(void);

// editor_file.cpp: the stage read from path (or a blank one) and what its first save would change;
// Ctrl+S (force: write over a file changed on disk); the recovery copy of unsaved changes.
void EditorReadStage(const char* path);
// 1 when the stage's file now holds the grid; a stage without a file asks for a name.
int EditorSave(int force);
// Saves the stage as name in the folder (replace: over a file of that name, else it asks first); 1 when
// saved, the stage then being that file's.
int EditorSaveAs(const char* name, int replace);
// A change was made: the recovery copy is due a few seconds from now.
void EditorRecoveryDue(void);
// Counts down to the recovery copy after a change (dt in ms); writes it when due.
void EditorKeepRecovery(float dt);
// 1 when a recovery copy for the open stage holds other tiles than the stage; its grid into out.
int EditorFindRecovery(Tilemap* out);
void EditorDropRecovery(void);

// editor_ask.cpp
void EditorAsk(int32_t question);
// Save As: the name is typed in the picture, starting from the open file's.
void EditorAskName(void);
// New: a blank stage without a file, after asking when there are unsaved changes.
void EditorNew(void);
// At opening: a recovery copy that differs from the stage is offered (else it is dropped).
void EditorOfferRecovery(void);
// One frame of an open question: its answer, if given.
void EditorAnswer(void);
void EditorRenderQuestion(void);


// editor_draw.cpp
extern const int32_t EDITOR_PALETTE[EDITOR_PALETTE_SIZE];
// The overview's top-left corner in the picture: the whole stage at 2 pixels a tile, centred.
void EditorOverviewBox(int32_t* x, int32_t* y);
extern const char* const EDITOR_TILE_NAMES[TILE_GOAL + 1];
