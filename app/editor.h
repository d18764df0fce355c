// editor.h -- the stage editor, entered only when asked: a grid of tiles painted with the mouse over
// the game's own tile and actor drawing, undo and redo, play-testing through the game's stage reader,
// and saving as stage text. The same code runs on every backend.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "platform/platform.h"
#include "world/tilemap.h"

// Size of a blank stage: the built-in stage's.
constexpr int32_t EDITOR_BLANK_COLS = 80;
constexpr int32_t EDITOR_BLANK_ROWS = 15;
// States kept for undo: the current one and at least 100 steps back.
constexpr int32_t EDITOR_HISTORY = 128;
// The palette in its order; number key n picks entry n - 1, key 0 the tenth.
constexpr int32_t EDITOR_PALETTE_SIZE = 10;
// Rows of the picture the stage view leaves to the palette bar (top) and the status lines (bottom).
constexpr int32_t EDITOR_BAR_H = 20;
constexpr int32_t EDITOR_STATUS_Y = 180;

// Enters the editor on the stage file at path: a missing file (or a null path, which can never be
// saved) gives a blank stage with its border, a floor, a start and a goal. Whatever was open is closed
// first: its search stopped, its route forgotten, a stage lent to a play-test given back.
void EditorOpen(PlatformWindow* window, const char* path);
// Keeps path to open when the running play-test ends (the game gets its stage back first).
void EditorOpenAfterPlaytest(const char* path);
// A host that keeps its stages somewhere the editor cannot see (the page: its browser's storage) gives
// a keeper: every save hands it the stage text (length bytes), and a save is SAVED only once the keeper
// says 1. Null (the default): the file written is the whole save.
typedef int (*EditorKeeper)(const char* text, size_t length);
void EditorSetKeeper(EditorKeeper keeper);
// What the editor's messages may name, told once by the host: keys and a file (the default); a page
// with keys, which keeps the stage in the browser, not in a file; a touch screen without keys, whose
// page has buttons (PLAY, SOLVE, ROUTE, UNDO, REDO) where the keys would be.
enum EditorDevice : int32_t { EDITOR_DEVICE_KEYS_FILE, EDITOR_DEVICE_KEYS_PAGE, EDITOR_DEVICE_TOUCH_PAGE };
void EditorSetDevice(int32_t device);
// 1 when the host said it is a touch screen without keys: the game's screens name its buttons too.
int EditorDeviceIsTouch(void);
// The longest file name Save As takes.
constexpr int32_t EDITOR_NAME_CHARS = 32;
// Why name cannot name a stage file in a stage's folder (empty, a path, "..", too long, a character
// other than letters, digits, '-', '_' and '.') as a status line; null when it can.
const char* EditorNameRefusal(const char* name);
// Leaves the editor (and any play-test) for the game's title screen.
void EditorClose(void);
// The window is asked to close: 1 when it may close now; 0 while unsaved changes wait for the question
// in the picture (save, discard or stay), after which EditorWantsQuit says 1 if it is to close.
int EditorRequestClose(void);
int EditorWantsQuit(void);
// 1 from EditorOpen on, play-tests included.
int EditorIsActive(void);
// 1 while the editor, not a play-test, owns the frame.
int EditorIsEditing(void);
// 1 while the game plays the editor's stage (a play-test, or a route played back).
int EditorIsPlaytesting(void);
// One frame of editing: input snapshot, palette, scrolling, painting, undo, save, play-test.
void EditorStep(PlatformWindow* window, float dt);
// Draws the stage, the palette bar and the status lines.
void EditorRender(void);
// A key-down message: 1 when the editor took it (everything while editing, Escape in a play-test).
int EditorHandleKey(int32_t vk);
// The stroke being painted is taken back whole, as if never painted, and closed (a finger's stroke
// that a second finger turned into a drag of the view); nothing when no stroke is open.
void EditorCancelStroke(void);
// Wheel notches since the last frame (positive away from the user) move through the palette.
void EditorOnWheel(int32_t notches);
// While a solved route plays back: steps the game with the route's input for this frame and returns 1;
// 0 once the route is over (the game then runs on its own input) or when no route plays.
int EditorPlaybackStep(void);
// Called each frame while play-testing: back to the editor once the game has left the stage.
void EditorWatchPlaytest(void);

// The route of the last search: its steps, and 1 when it clears the stage.
int32_t EditorRouteSteps(int* clears);
// 1 while a search runs a slice per frame.
int EditorIsSolving(void);

// Read-only views for tests and tools.
const Tilemap* EditorGetGrid(void);
// The open stage's file; "" when it has none.
const char* EditorGetPath(void);
// Changes whenever the grid may have changed (a paint, an undo or redo, a resize, an opening).
uint32_t EditorGridRevision(void);
// Palette index of the tile painted by the left button.
int32_t EditorGetPaletteIndex(void);
int32_t EditorPaletteTile(int32_t index);
// 1 when the grid differs from what was last opened or saved.
int EditorIsDirty(void);
// The view's top-left world pixel.
void EditorGetView(float* x, float* y);
// The status lines as drawn (each at most 40 characters).
const char* EditorStatusLine(void);
const char* EditorMessageLine(void);
