// editor_solve.cpp -- the solver inside the editor: V runs a search a slice per frame and draws its
// route over the stage; P plays the route in the game from the title, as a replay would.
#include <stdio.h>
#include <string.h>

#include "app/editor_parts.h"
#include "app/game_state.h"

// At most EDITOR_SOLVE_SLICE_MS of the clock and EDITOR_SOLVE_SLICE states a frame, so a frame keeps
// its pace (the headless clock stands still within a frame).
constexpr uint32_t EDITOR_SOLVE_SLICE_MS = 3;
constexpr int32_t EDITOR_SOLVE_SLICE = 16;
constexpr int32_t EDITOR_SOLVE_STATES = 300000;

SolveSearch gEditorSearch;

void EditorForgetRoute(void) {
    EditorStage* s = &gEditor.stage;
    if (s->solving) {
        SolveStop(&gEditorSearch);
        SolveFinish(&gEditorSearch);
        s->solving = 0;
    }
    s->routeSteps = 0;
    s->routePoints = 0;
}

static void EditorSolveDone(int32_t status) {
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
    SolveVerdict(&gEditorSearch, 1, line, sizeof(line));
    SolveFinish(&gEditorSearch);
    EditorSay(line);
    s->messageMs = EDITOR_MESSAGE_MS * 2.0f;
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
    options.maxStates = EDITOR_SOLVE_STATES;
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
        EditorSolveDone(status);
    } else {
        gEditor.stage.solving = 1;
        EditorSay("SOLVING... (V AGAIN STOPS)");
    }
}

void EditorSolveToggle(void) {
    if (gEditor.stage.solving) {
        EditorSolveDone(SolveStop(&gEditorSearch));
    } else {
        EditorSolveStart();
    }
}

void EditorSolveSlice(void) {
    const uint32_t start = PlatformTicks();
    int32_t status = SOLVE_RUNNING;
    for (int32_t n = 0; n < EDITOR_SOLVE_SLICE && status == SOLVE_RUNNING; ++n) {
        status = SolveAdvance(&gEditorSearch, 1);
        if (PlatformTicks() - start >= EDITOR_SOLVE_SLICE_MS) {
            break;
        }
    }
    if (status != SOLVE_RUNNING) {
        EditorSolveDone(status);
    }
}

void EditorPlayRoute(void) {
    const EditorStage* s = &gEditor.stage;
    if (!s->routeClears || s->routeSteps == 0) {
        EditorSay("NO ROUTE YET: V SOLVES THE STAGE");
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
