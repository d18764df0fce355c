// editor_solve.cpp -- the solver inside the editor: V runs a search a slice per frame and draws its
// route over the stage; P plays the route in the game from the title, as a replay would.
#include <stdio.h>
#include <string.h>

#include "app/editor_parts.h"
#include "app/game_state.h"
#include "render/render.h"

SolveSearch gEditorSearch;

void EditorForgetRoute(void) {
    EditorStage* s = &gEditor.stage;
    if (s->solving) {
        SolveStop(&gEditorSearch);
        SolveFinish(&gEditorSearch);
        s->solving = 0;
        EditorSay(EditorWords(EDITOR_SAYS_SEARCH_STOPPED));
    }
    s->routeSteps = 0;
    s->routePoints = 0;
}

// A route drawn wholly or partly off the view: the view moves to its middle.
static void EditorShowRoute(EditorStage* s) {
    int off = 0;
    for (int32_t i = 0; i < s->routePoints && !off; ++i) {
        const float x = s->routeX[i] - s->viewX, y = s->routeY[i] - s->viewY;
        off = x < 0.0f || y < (float)EDITOR_BAR_H || x >= (float)LOGICAL_WIDTH || y >= (float)EDITOR_STATUS_Y;
    }
    if (off) {
        const int32_t middle = s->routePoints / 2;
        s->viewX = s->routeX[middle] - (float)(LOGICAL_WIDTH / 2);
        s->viewY = s->routeY[middle] - (float)((EDITOR_BAR_H + EDITOR_STATUS_Y) / 2);
    }
}

// stopped: the search was stopped by V before it could answer.
static void EditorSolveDone(int32_t status, int stopped) {
    EditorStage* s = &gEditor.stage;
    s->solving = 0;
    int32_t steps = 0;
    const SolveStep* route = SolveGetRoute(&gEditorSearch, &steps);
    s->routeSteps = steps < SOLVE_MAX_ROUTE ? steps : SOLVE_MAX_ROUTE;
    memcpy(s->route, route, sizeof(SolveStep) * (size_t)s->routeSteps);
    s->routeClears = status == SOLVE_FOUND;
    s->routePoints =
        SolveRoutePath(&gEditorSearch, s->route, s->routeSteps, s->routeX, s->routeY, EDITOR_ROUTE_POINTS);
    char line[EDITOR_LINE_CHARS + 1];
    if (stopped && !s->routeClears) {
        snprintf(line, sizeof(line), "STOPPED: RED IS THE WAY NEAREST THE GOAL");
    } else {
        SolveVerdict(&gEditorSearch, 1, line, sizeof(line));
    }
    SolveFinish(&gEditorSearch);
    EditorSay(line);
    s->messageStays = 1; // until the next edit
    EditorShowRoute(s);
}

static void EditorSolveStart(void) {
    EditorEndStroke();
    EditorForgetRoute();
    EditorWriteText();
    SolveOptions options;
    memset(&options, 0, sizeof(options));
    options.stagePath = "";
    options.stageText = gEditor.text;
    options.stageTextLength = gEditor.textLength;
    options.seed = 1;
    options.maxStates = SOLVE_IN_GAME_STATES;
    options.widenPasses = SOLVE_IN_GAME_WIDEN_PASSES;
    const int32_t status = SolveStart(&gEditorSearch, &options);
    if (SolveAnswerOf(status) == SOLVE_ANSWER_CANNOT) {
        char line[EDITOR_LINE_CHARS + 1];
        SolveVerdict(&gEditorSearch, 1, line, sizeof(line));
        SolveFinish(&gEditorSearch);
        EditorSay(line);
    } else if (status == SOLVE_CANNOT_START) {
        SolveFinish(&gEditorSearch);
        EditorSay("THE STAGE DOES NOT START: NO SEARCH");
    } else if (status == SOLVE_FOUND) {
        EditorSolveDone(status, 0);
    } else {
        gEditor.stage.solving = 1;
        EditorSay(EditorWords(EDITOR_SAYS_SOLVING));
    }
}

void EditorSolveToggle(void) {
    if (gEditor.stage.solving) {
        EditorSolveDone(SolveStop(&gEditorSearch), 1);
    } else {
        EditorSolveStart();
    }
}

void EditorSolveSlice(void) {
    const int32_t status = SolveAdvanceSlice(&gEditorSearch);
    if (status != SOLVE_RUNNING) {
        EditorSolveDone(status, 0);
    }
}

void EditorPlayRoute(void) {
    const EditorStage* s = &gEditor.stage;
    if (!s->routeClears || s->routeSteps == 0) {
        EditorSay(EditorWords(EDITOR_SAYS_NO_ROUTE));
        return;
    }
    EditorLendStage();
    gEditor.playback = 1;
    gEditor.playbackFrame = 0;
    GameStateShowTitle();
}

int EditorPlaybackStep(void) {
    if (!gEditor.playback) {
        return 0;
    }
    InputFrame input;
    if (!SolveRouteInput(gEditor.stage.route, gEditor.stage.routeSteps, gEditor.playbackFrame, &input)) {
        gEditor.playback = 0;
        return 0;
    }
    gEditor.playbackFrame++;
    GameStateStepWith(&input, SOLVE_DT);
    return 1;
}

int32_t EditorRouteSteps(int* clears) {
    if (clears) {
        *clears = gEditor.stage.routeClears;
    }
    return gEditor.stage.routeSteps;
}

int EditorIsSolving(void) {
    return gEditor.stage.solving;
}
