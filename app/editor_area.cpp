// editor_area.cpp -- a rectangle of cells as one piece: selected by a Ctrl drag, copied, cut, pasted,
// erased and moved, each one undo step. Every cell goes through EditorPaint, so a pasted or moved start
// still moves the one start and the walkers still stop at the game's eight; nothing grows the stage:
// what would fall off it is clipped, and a move stops at its edges.
#include <stdio.h>
#include <string.h>

#include "app/editor_parts.h"

EditorArea EditorOrdered(const EditorArea& area) {
    EditorArea o;
    o.col0 = area.col0 < area.col1 ? area.col0 : area.col1;
    o.col1 = area.col0 < area.col1 ? area.col1 : area.col0;
    o.row0 = area.row0 < area.row1 ? area.row0 : area.row1;
    o.row1 = area.row0 < area.row1 ? area.row1 : area.row0;
    return o;
}

// The ordered area cut to the stage's cells; 0 when none is left.
static int EditorClip(EditorArea* area) {
    const Tilemap* grid = &gEditor.stage.grid;
    EditorArea o = EditorOrdered(*area);
    o.col0 = o.col0 > 0 ? o.col0 : 0;
    o.row0 = o.row0 > 0 ? o.row0 : 0;
    o.col1 = o.col1 < grid->width - 1 ? o.col1 : grid->width - 1;
    o.row1 = o.row1 < grid->height - 1 ? o.row1 : grid->height - 1;
    *area = o;
    return o.col0 <= o.col1 && o.row0 <= o.row1;
}

// The selection as it stands on the grid now (an undo or a shrink may have cut it); 0 and a word on
// the status line when there is none.
static int EditorSelection(EditorArea* area) {
    EditorStage* s = &gEditor.stage;
    *area = s->selection;
    if (!s->selected || !EditorClip(area)) {
        s->selected = 0;
        EditorSay("NOTHING SELECTED: CTRL AND A DRAG SELECTS");
        return 0;
    }
    return 1;
}

static int EditorSetSelection(EditorArea area) {
    EditorStage* s = &gEditor.stage;
    s->selected = EditorClip(&area);
    s->selection = area;
    return s->selected;
}

int EditorSelect(EditorArea area) {
    if (EditorSetSelection(area)) {
        const EditorArea& a = gEditor.stage.selection;
        char text[64];
        snprintf(text, sizeof(text), "%dX%d SELECTED: ^C ^X DEL, ^DRAG MOVES", (int)(a.col1 - a.col0 + 1),
                 (int)(a.row1 - a.row0 + 1));
        EditorSay(text);
        return 1;
    }
    return 0;
}

// An area's changes gather into one stroke, which ends as one undo step.
static void EditorAreaBegin(void) {
    EditorStage* s = &gEditor.stage;
    EditorEndStroke();
    s->strokeOpen = 1;
    s->strokeChanged = 0;
}

static void EditorFill(const EditorArea& area, int32_t id) {
    for (int32_t row = area.row0; row <= area.row1; ++row) {
        for (int32_t col = area.col0; col <= area.col1; ++col) {
            EditorPaint(col, row, id);
        }
    }
}

// The clipboard's cells from (col, row) on, clipped to the stage: the covered cells are emptied first,
// so the walkers replaced do not count against the ones put down.
static void EditorPut(const EditorGridState* clip, int32_t col, int32_t row) {
    EditorArea area = {col, row, col + clip->width - 1, row + clip->height - 1};
    if (!EditorClip(&area)) {
        return;
    }
    EditorFill(area, TILE_EMPTY);
    for (int32_t r = area.row0; r <= area.row1; ++r) {
        for (int32_t c = area.col0; c <= area.col1; ++c) {
            const int32_t id = clip->tiles[r - row][c - col];
            if (id != TILE_EMPTY) {
                EditorPaint(c, r, id);
            }
        }
    }
}

static void EditorTake(const EditorArea& area, EditorGridState* into) {
    const Tilemap* grid = &gEditor.stage.grid;
    memset(into, 0, sizeof(*into));
    into->width = area.col1 - area.col0 + 1;
    into->height = area.row1 - area.row0 + 1;
    for (int32_t row = 0; row < into->height; ++row) {
        memcpy(into->tiles[row], &grid->tiles[area.row0 + row][area.col0], (size_t)into->width);
    }
}

void EditorCopy(void) {
    EditorArea area;
    if (EditorSelection(&area)) {
        EditorTake(area, &gEditor.clipboard);
        EditorSay("COPIED: CTRL+V PASTES AT THE CURSOR");
    }
}

void EditorEraseSelection(void) {
    EditorArea area;
    if (EditorSelection(&area)) {
        EditorAreaBegin();
        EditorFill(area, TILE_EMPTY);
        EditorEndStroke();
    }
}

void EditorCut(void) {
    EditorArea area;
    if (EditorSelection(&area)) {
        EditorTake(area, &gEditor.clipboard);
        EditorEraseSelection();
        EditorSay("CUT: CTRL+V PASTES AT THE CURSOR");
    }
}

void EditorPaste(int32_t col, int32_t row) {
    const EditorGridState* clip = &gEditor.clipboard;
    if (clip->width == 0) {
        EditorSay("NOTHING COPIED: CTRL+C COPIES");
        return;
    }
    EditorArea area = {col, row, col + clip->width - 1, row + clip->height - 1};
    if (!EditorClip(&area)) {
        EditorSay("NOT PASTED: THE CURSOR IS OFF THE STAGE");
        return;
    }
    EditorAreaBegin();
    gEditor.stage.message[0] = '\0';
    EditorPut(clip, col, row);
    EditorEndStroke();
    EditorSetSelection(area);
    if (!gEditor.stage.message[0]) { // else EditorPaint said what it refused
        EditorSay(area.col1 - area.col0 + 1 < clip->width || area.row1 - area.row0 + 1 < clip->height
                      ? "PASTED, CUT AT THE STAGE'S EDGE"
                      : "PASTED: CTRL AND A DRAG MOVES IT");
    }
}

// dc held so that from .. to stays within 0 .. size - 1.
static int32_t EditorHold(int32_t dc, int32_t from, int32_t to, int32_t size) {
    dc = to + dc > size - 1 ? size - 1 - to : dc;
    return from + dc < 0 ? -from : dc;
}

void EditorMoveSelection(int32_t dc, int32_t dr) {
    EditorArea area;
    if (!EditorSelection(&area)) {
        return;
    }
    const Tilemap* grid = &gEditor.stage.grid;
    dc = EditorHold(dc, area.col0, area.col1, grid->width);
    dr = EditorHold(dr, area.row0, area.row1, grid->height);
    if (dc == 0 && dr == 0) {
        return;
    }
    EditorGridState lifted;
    EditorTake(area, &lifted);
    EditorAreaBegin();
    EditorFill(area, TILE_EMPTY);
    EditorPut(&lifted, area.col0 + dc, area.row0 + dr);
    EditorEndStroke();
    EditorArea moved = {area.col0 + dc, area.row0 + dr, area.col1 + dc, area.row1 + dr};
    EditorSelect(moved);
}

void EditorGrabArea(int32_t col, int32_t row) {
    EditorStage* s = &gEditor.stage;
    EditorArea area;
    const int inside = s->selected && EditorClip(&(area = s->selection)) && col >= area.col0 && col <= area.col1 &&
                       row >= area.row0 && row <= area.row1;
    s->selecting = inside ? 2 : 1;
    s->grabCol = s->dragCol = col;
    s->grabRow = s->dragRow = row;
    if (!inside) {
        s->selected = 0;
    }
}

int EditorDragArea(int32_t col, int32_t row, int down) {
    EditorStage* s = &gEditor.stage;
    if (!s->selecting) {
        return 0;
    }
    if (down) {
        s->dragCol = col;
        s->dragRow = row;
        return 1;
    }
    const int move = s->selecting == 2;
    s->selecting = 0;
    if (move) {
        EditorMoveSelection(s->dragCol - s->grabCol, s->dragRow - s->grabRow);
    } else {
        EditorArea area = {s->grabCol, s->grabRow, s->dragCol, s->dragRow};
        EditorSelect(area);
    }
    return 1;
}

int EditorShownSelection(EditorArea* area) {
    const EditorStage* s = &gEditor.stage;
    if (s->selecting == 1) {
        *area = EditorOrdered({s->grabCol, s->grabRow, s->dragCol, s->dragRow});
        return 1;
    }
    *area = s->selection;
    if (!s->selected || !EditorClip(area)) {
        return 0; // none, or an undo or a shrink took the stage from under it
    }
    if (s->selecting == 2) {
        const Tilemap* grid = &s->grid;
        const int32_t dc = EditorHold(s->dragCol - s->grabCol, area->col0, area->col1, grid->width);
        const int32_t dr = EditorHold(s->dragRow - s->grabRow, area->row0, area->row1, grid->height);
        *area = {area->col0 + dc, area->row0 + dr, area->col1 + dc, area->row1 + dr};
    }
    return 1;
}
