// stage_par.cpp -- one search at a time for the set's stage in play, stepped from the frame.
#include "app/stage_par.h"

#include <string.h>

#include <string>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/progress.h"
#include "app/run.h"
#include "app/solve.h"
#include "app/stage_set.h"
#include "world/level.h"

static SolveSearch gSearch;
static SolveOptions gOptions; // the stage the search plays, for its route's run
static int gSolving;
static uint64_t gKey;      // the stage the par below (or the search) is for
static int32_t gParFrames; // 0: none known
static int32_t gParMarginFrames, gParMarginDegrees;
static int gGaveUp;        // the search for gKey ended without a route: PAR ? for this run of the game
static std::string gRoute; // the par's route as run text, "" when none is known

static void StageParStop(void) {
    if (gSolving) {
        SolveStop(&gSearch);
        SolveFinish(&gSearch);
        gSolving = 0;
    }
}

static void StageParDone(int32_t status) {
    if (status == SOLVE_FOUND) {
        gParFrames = 1 + gSearch.routeFrames; // the starting click's frame and the route's
        gParMarginFrames = gSearch.marginFrames;
        gParMarginDegrees = gSearch.marginDegrees;
        // The route as a run the game plays, for Shift+W, as a par file carries it.
        static char text[RUN_MAX_TEXT];
        const int kept = RunTextFromRoute(&gOptions, gSearch.route, gSearch.routeSteps, text) > 0;
        gRoute = kept ? text : "";
        ProgressKeepPar(gKey, gParFrames, gSearch.marginFrames, gSearch.marginDegrees, kept ? text : nullptr);
    } else {
        gGaveUp = 1;
    }
    SolveFinish(&gSearch);
    gSolving = 0;
}

static void StageParStart(void) {
    LevelStageSource source;
    LevelGetStageSource(&source);
    static char path[sizeof(source.path)];
    memcpy(path, source.path, sizeof(path));
    memset(&gOptions, 0, sizeof(gOptions));
    gOptions.stagePath = path;
    gOptions.seed = 1;
    gOptions.maxStates = SOLVE_IN_GAME_STATES;
    gOptions.widenPasses = SOLVE_IN_GAME_WIDEN_PASSES;
    const int32_t status = SolveStart(&gSearch, &gOptions);
    gSolving = 1;
    if (status != SOLVE_RUNNING) {
        StageParDone(status);
    }
}

void StageParStep(void) {
    // Only a set's stage that keeps progress, has no par file and is not the editor's.
    const uint64_t key = StageSetCount() > 0 && StageSetParMs() < 0 && !EditorIsActive() ? ProgressKey() : 0;
    if (key != gKey) {
        StageParStop();
        gKey = key;
        gGaveUp = 0;
        const char* route = nullptr;
        gParFrames = key != 0 ? ProgressPar(key, &gParMarginFrames, &gParMarginDegrees, &route) : 0;
        gRoute = route ? route : "";
    }
    if (key == 0 || gParFrames > 0 || gGaveUp || GameStateGetMode() != MODE_TITLE) {
        return; // a stage in play never shares its frames with a search
    }
    if (!gSolving) {
        StageParStart();
    } else {
        const int32_t status = SolveAdvanceSlice(&gSearch);
        if (status != SOLVE_RUNNING) {
            StageParDone(status);
        }
    }
    ProgressPassFrame(); // the search's starts and clears are none of the player's
}

int32_t StageParMs(void) {
    if (StageSetParMs() >= 0) {
        return StageSetParMs();
    }
    return gKey != 0 && gKey == ProgressKey() && gParFrames > 0 ? gParFrames * (int32_t)SOLVE_DT : -1;
}

const char* StageParRating(void) {
    if (StageSetParMs() >= 0) {
        return StageSetRating();
    }
    static char rating[16];
    StageSetCapitals(StageParMs() >= 0 ? SolveRating(gParMarginFrames, gParMarginDegrees) : "", rating,
                     sizeof(rating));
    return rating;
}

const char* StageParRoute(void) {
    if (StageSetParMs() >= 0) {
        return StageSetRoute();
    }
    return StageParMs() >= 0 && !gRoute.empty() ? gRoute.c_str() : nullptr;
}

int StageParSolving(void) {
    return gSolving;
}

void StageParForget(void) {
    StageParStop();
    gKey = 0;
    gParFrames = 0;
    gGaveUp = 0;
    gRoute.clear();
}
