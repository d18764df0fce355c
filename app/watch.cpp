// watch.cpp -- plays a run through the game's own step, as the solver's searches and the editor's
// route playback give it input, and holds the last screen until a key.
#include "app/watch.h"

#include <stdio.h>
#include <string.h>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/progress.h"
#include "app/stage_par.h"
#include "platform/keys.h"
#include "world/level.h"

static Run gRun;
static Tilemap gStage; // the stage a start would play, to match the run against
static int gWatching; // 1 while a run plays or its last screen holds; 2 for the frame after it ended
static int32_t gFrame;
static int32_t gMs;
static char gNotice[41];

int32_t WatchOffered(void) {
    return (ProgressBestRun() ? WATCH_BEST : 0) | (StageParRoute() ? WATCH_ROUTE : 0);
}

int32_t WatchOfferedNow(void) {
    return !gWatching && !EditorIsEditing() && GameStateGetMode() == MODE_TITLE ? WatchOffered() : 0;
}

int WatchFromTitle(int route) {
    const char* text = route ? StageParRoute() : ProgressBestRun();
    if (!text) {
        return 0;
    }
    char message[RUN_MESSAGE_SIZE];
    WatchStart(text, strlen(text), message);
    return 1;
}

int WatchStart(const char* text, size_t length, char message[RUN_MESSAGE_SIZE]) {
    gNotice[0] = '\0';
    int ok = RunDecode(text, length, &gRun, message);
    if (ok) {
        LevelLoadTestStage(&gStage);
    }
    if (ok && gRun.stageKey != ProgressStageKey(&gStage)) {
        snprintf(message, RUN_MESSAGE_SIZE, "The run was played on another stage: it cannot be watched on this one.");
        ok = 0;
    }
    if (!ok) {
        fprintf(stderr, "shotgun-kalvoro: %s\n", message);
        snprintf(gNotice, sizeof(gNotice), "THIS RUN CANNOT BE WATCHED");
        return 0;
    }
    gWatching = 1;
    gFrame = 0;
    gMs = 0;
    return 1;
}

int WatchStep(PlatformWindow* window, float dt) {
    if (!gWatching) {
        return 0;
    }
    if (gWatching == 2) {
        // The player's own input again, but the key that ended the watch is no new press on the title.
        GameStatePollMouse(window);
        GameStateUpdate(dt);
        gWatching = 0;
        ProgressPassFrame();
        return 1;
    }
    InputFrame input;
    if (gFrame < gRun.frames) {
        RunInput(&gRun, gFrame, &input);
        const float dt = (float)gRun.frame[gFrame].dt;
        if (gFrame == 0) {
            GameStateStartWith(&input, dt);
        } else {
            GameStateStepWith(&input, dt);
        }
        gMs += gRun.frame[gFrame].dt;
        ++gFrame;
    } else {
        // Over: the last screen stays, with nothing pressed, until a key.
        RunInput(&gRun, gRun.frames - 1, &input);
        input.leftButton = 0;
        input.key = 0;
        GameStateStepWith(&input, (float)gRun.frame[gRun.frames - 1].dt);
    }
    ProgressPassFrame();
    return 1;
}

int WatchHandleKey(int32_t code) {
    if (!gWatching) {
        return 0;
    }
    if (gWatching == 1 && (code == KEY_ESCAPE || gFrame >= gRun.frames)) {
        gWatching = 2;
        GameStateShowTitle();
    }
    return 1;
}

int WatchActive(void) {
    return gWatching == 1;
}

int32_t WatchMs(void) {
    return gMs;
}

const char* WatchNotice(void) {
    return gNotice;
}

void WatchStop(void) {
    gWatching = 0;
}
