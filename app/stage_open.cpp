// stage_open.cpp -- a stage file handed to the game: played, opened as a set, or edited.
#include "app/stage_open.h"

#include <stdio.h>
#include <string.h>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/stage_set.h"
#include "app/watch.h"
#include "world/level.h"

// Why the loader cannot use the file, in the title's words and in a sentence; null when it can.
static const char* StageOpenProblem(const char* path, const char** sentence) {
    static Tilemap probe; // large: kept off the stack
    LevelReadInfo info = {};
    LevelLoadStageFrom(&probe, path, nullptr, nullptr, &info);
    if (info.source == LEVEL_FROM_FILE) {
        return nullptr;
    }
    *sentence = info.source == LEVEL_BUILTIN_NO_FILE       ? "it does not exist or cannot be opened"
                : info.source == LEVEL_BUILTIN_NOT_REGULAR ? "it is a folder, a pipe or a device, not a file"
                                                           : "it holds no tiles";
    return info.source == LEVEL_BUILTIN_NO_FILE       ? "not found"
           : info.source == LEVEL_BUILTIN_NOT_REGULAR ? "not a file"
                                                      : "no tiles";
}

// A run watched belongs to the stage it was kept for: a new stage ends it, back on the title.
static void StageOpenEndWatch(void) {
    if (WatchActive()) {
        WatchStop();
        GameStateShowTitle();
    }
}

// The file played alone from the next stage start on (a set that played is closed); the title names it.
static int32_t StageOpenPlay(PlatformWindow* window, const char* path, char* message) {
    StageOpenEndWatch();
    StageSetClose();
    char title[STAGE_TITLE_SIZE];
    LevelSetStagePath(path);
    StageTitleFor(path, title);
    PlatformSetTitle(window, title);
    snprintf(message, STAGE_OPEN_MESSAGE_SIZE, "%s", "The stage plays from the next start.");
    return STAGE_OPEN_PLAYS;
}

int32_t StageOpen(PlatformWindow* window, const char* path, int32_t way,
                  char message[STAGE_OPEN_MESSAGE_SIZE]) {
    message[0] = '\0';
    if (!path) {
        return StageOpenPlay(window, nullptr, message);
    }
    if (way == STAGE_OPEN_GIVEN) {
        const int32_t set = StageSetOpen(window, path, message, STAGE_OPEN_MESSAGE_SIZE);
        if (set == STAGE_SET_OPENED) {
            return STAGE_OPEN_SET;
        }
        if (set == STAGE_SET_EMPTY) {
            return STAGE_OPEN_EMPTY_SET;
        }
    }
    const char* sentence = "";
    const char* problem = StageOpenProblem(path, &sentence);
    if (problem) {
        // Given at start-up the name still stands (the built-in stage plays, as for any file that
        // fails); handed over later, the stage played so far is kept, and an editor keeps its stage
        // (a file that holds no stage is never opened to be written over).
        const int given = way == STAGE_OPEN_GIVEN;
        char suffix[64];
        snprintf(suffix, sizeof(suffix), " %s: %s", problem, given ? "built-in stage" : "stage kept");
        char title[STAGE_TITLE_SIZE];
        StageTitleWith(path, suffix, title);
        PlatformSetTitle(window, title);
        snprintf(message, STAGE_OPEN_MESSAGE_SIZE, "cannot use the stage file '%.200s': %s; %s", path,
                 sentence, given ? "playing the built-in stage" : "the stage played so far is kept");
        if (given) {
            LevelSetStagePath(path);
        }
        return STAGE_OPEN_REFUSED;
    }
    if (way == STAGE_OPEN_DROPPED && EditorIsActive()) {
        if (EditorIsPlaytesting()) {
            EditorOpenAfterPlaytest(path);
            snprintf(message, STAGE_OPEN_MESSAGE_SIZE, "%s",
                     "A play-test is running: the stage opens in the editor when it ends (Escape).");
            return STAGE_OPEN_AFTER_PLAYTEST;
        }
        EditorOpen(window, path);
        snprintf(message, STAGE_OPEN_MESSAGE_SIZE, "%s", "The stage is open in the editor.");
        return STAGE_OPEN_EDITS;
    }
    if (way == STAGE_OPEN_CHOSEN_IN_SET) {
        EditorClose();
        StageOpenEndWatch();
        if (StageSetOpenAt(window, path, message, STAGE_OPEN_MESSAGE_SIZE)) {
            snprintf(message, STAGE_OPEN_MESSAGE_SIZE, "%s", "The stage plays from the next start, then the rest of its set.");
            GameStateShowTitle();
            return STAGE_OPEN_SET;
        }
        way = STAGE_OPEN_CHOSEN; // no set's stage after all: it plays alone
    }
    if (way == STAGE_OPEN_CHOSEN) {
        // A stage chosen to play ends the editing, and a run in progress: the next start plays it.
        EditorClose();
        StageOpenPlay(window, path, message);
        GameStateShowTitle();
        return STAGE_OPEN_PLAYS;
    }
    return StageOpenPlay(window, path, message);
}
