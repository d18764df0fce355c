// editor_check.cpp -- the status line's warning: the first surprise the game would have in store for
// the stage as it stands, judged on the stage as the game loads it.
#include <stdio.h>

#include "app/editor_parts.h"
#include "world/reach.h"

void EditorCheck(void) {
    EditorStage* s = &gEditor.stage;
    static Tilemap loaded; // large: kept off the stack
    static ReachField reach;
    gEditor.checkedRevision = gEditor.revision;
    s->warning[0] = '\0';
    int32_t starts = 0, borderMarks = 0;
    for (int32_t row = 0; row < s->grid.height; ++row) {
        for (int32_t col = 0; col < s->grid.width; ++col) {
            const int32_t id = TilemapGetTile(&s->grid, col, row);
            const int marker = id == TILE_PLAYER_SPAWN || id == TILE_ENEMY_SPAWN || id == TILE_GOAL;
            if (marker && (row == 0 || col == 0)) {
                borderMarks++;
            } else if (id == TILE_PLAYER_SPAWN) {
                starts++;
            }
        }
    }
    if (borderMarks > 0) {
        snprintf(s->warning, sizeof(s->warning), "%d MARKS IN THE BORDER: IT TURNS SOLID", (int)borderMarks);
        return;
    }
    if (starts == 0) {
        snprintf(s->warning, sizeof(s->warning), "NO START: PICK IT WITH KEY 8");
        return;
    }
    if (EditorCount(TILE_GOAL) == 0) {
        snprintf(s->warning, sizeof(s->warning), "NO GOAL: THE STAGE CANNOT BE CLEARED");
        return;
    }
    // The way to the goal as the solver and the game see it: the loaded stage, open past its right end.
    EditorWriteText();
    LevelLoadStageText(&loaded, gEditor.text, gEditor.textLength, nullptr);
    ReachBuild(&reach, &loaded);
    if (!ReachStartLeadsToGoal(&reach, &loaded)) {
        snprintf(s->warning, sizeof(s->warning), "GOAL WALLED IN: NO OPEN PATH TO IT");
    } else if (EditorCount(TILE_ENEMY_SPAWN) == 0) {
        snprintf(s->warning, sizeof(s->warning), "NO WALKER: THE GAME ADDS FOUR OF ITS OWN");
    }
}
