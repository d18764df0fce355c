// editor_file.cpp -- the stage file behind the editor: read at opening (a blank stage when there is
// none) and written aside and renamed into place by Ctrl+S.
#include <stdio.h>

#include "app/editor_parts.h"

void EditorReadStage(const char* path) {
    EditorStage* s = &gEditor.stage;
    snprintf(s->path, sizeof(s->path), "%s", path ? path : "");
    if (!path || LevelReadGridFile(&s->grid, path) != LEVEL_FROM_FILE) {
        EditorBlankStage();
        if (path) {
            EditorSay("NEW STAGE: CTRL+S WRITES THE FILE");
        }
    }
}

void EditorSave(void) {
    EditorStage* s = &gEditor.stage;
    EditorEndStroke();
    if (!s->path[0]) {
        EditorSay("NO FILE: START WITH --edit FILE");
        return;
    }
    EditorWriteText();
    SafeOutput out;
    char why[256];
    int ok = SafeOutputOpen(&out, s->path, why, sizeof(why));
    if (ok) {
        ok = fwrite(gEditor.text, 1, gEditor.textLength, out.file) == gEditor.textLength;
        ok = SafeOutputClose(&out, ok);
    }
    if (!ok) {
        EditorSay("NOT SAVED: THE FILE CANNOT BE WRITTEN");
        return;
    }
    s->savedAt = s->historyAt;
    EditorSay("SAVED");
}
