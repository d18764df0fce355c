// editor_check.cpp -- the status line's warning: the first surprise the game would have in store for
// the stage as it stands, judged on the stage as the game loads it.
#include <stdio.h>

#include "app/editor_parts.h"
#include "world/reach.h"

// The stage as Enter plays it: the game's own reader and its own spawning.
static void EditorMakePlayed(EditorStage* s) {
    EditorWriteText();
    LevelLoadStageText(&s->played, gEditor.text, gEditor.textLength, nullptr);
    int count = 0;
    EnemySpawnDefaults(s->walkers, &count, &s->played);
    s->walkerCount = count;
    s->markers = EditorCount(TILE_ENEMY_SPAWN);
    s->walkersOwn = s->markers == 0;
    s->goals = EditorCount(TILE_GOAL);
}

void EditorCheck(void) {
    EditorStage* s = &gEditor.stage;
    static ReachField reach; // large: kept off the stack
    gEditor.checkedRevision = gEditor.revision;
    s->warning[0] = '\0';
    EditorMakePlayed(s);
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
    if (s->markers > MAX_ENEMIES) {
        snprintf(s->warning, sizeof(s->warning), "%d WALKERS: THE GAME KEEPS THE FIRST %d", (int)s->markers,
                 (int)MAX_ENEMIES);
        return;
    }
    if (starts == 0) {
        snprintf(s->warning, sizeof(s->warning), "%s", EditorWords(EDITOR_SAYS_NO_START));
        return;
    }
    if (s->goals == 0) {
        snprintf(s->warning, sizeof(s->warning), "NO GOAL: THE STAGE CANNOT BE CLEARED");
        return;
    }
    // Said only when it is so: the solver's own rule, which lets a body climb every wall and cross
    // thin ones as play does (so the goal is walled in only behind walls three tiles thick).
    if (ReachWalledIn(&reach, &s->played)) {
        snprintf(s->warning, sizeof(s->warning), "GOAL WALLED IN: NO OPEN PATH TO IT");
    } else if (s->walkersOwn) {
        snprintf(s->warning, sizeof(s->warning), "NO WALKER: THE GAME ADDS FOUR OF ITS OWN");
    }
}
