// map_solve.cpp -- `maptool solve` over the game's solver: slices of the search between looks at the
// clock, and the route written out as a replay that checks the player after every shot.
#include "tools/maptool/map_solve.h"

#include <stdio.h>
#include <time.h>

#include "app/game_state.h"
#include "tools/runner/replay_script.h"

// States tried between two looks at the clock.
static const int32_t MAP_SOLVE_SLICE = 16;

static SolveSearch gSearch;
static GameSnapshot gEnd;

static double MapSolveClock(void) {
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static SolveOptions MapSolveGameOptions(const MapSolveOptions* options) {
    SolveOptions game = {};
    game.stagePath = options->stagePath;
    game.seed = options->seed;
    game.maxStates =
        options->maxStates > 0 && options->maxStates < INT32_MAX ? (int32_t)options->maxStates : 0;
    return game;
}

static void MapSolveReport(const SolveSearch* s, double began, double now) {
    fprintf(stderr,
            "solve: %4.1f s  %lld states  %lld open  %.2f M frames (%.2f M/s)  "
            "nearest: %d tiles from the goal at tile (%d, %d)%s\n",
            now - began, (long long)s->states, (long long)s->openCount, (double)s->framesRun * 1e-6,
            (double)s->framesRun * 1e-6 / (now - began), (int)s->farDistance, (int)s->farCol, (int)s->farRow,
            s->foundNode >= 0 ? "  (found; looking for a shorter route)" : "");
}

int MapSolve(const MapSolveOptions* options, MapSolveResult* result) {
    *result = MapSolveResult();
    const double began = MapSolveClock();
    const double deadline = began + options->budgetSeconds;
    const SolveOptions game = MapSolveGameOptions(options);
    int32_t status = SolveStart(&gSearch, &game);
    if (status == SOLVE_CANNOT_START) {
        SolveFinish(&gSearch);
        return 0;
    }
    double nextReport = began + 1.0;
    while (status == SOLVE_RUNNING) {
        status = SolveAdvance(&gSearch, MAP_SOLVE_SLICE);
        const double now = MapSolveClock();
        if (status == SOLVE_RUNNING && now >= deadline) {
            status = SolveStop(&gSearch);
        }
        if (options->progress && status == SOLVE_RUNNING && !gSearch.shortening && now >= nextReport) {
            nextReport = now + 1.0;
            MapSolveReport(&gSearch, began, now);
        }
    }
    result->found = status == SOLVE_FOUND;
    result->answer = SolveAnswerOf(status);
    SolveVerdict(&gSearch, 0, result->verdict, sizeof(result->verdict));
    result->capped = gSearch.capped;
    result->marginFrames = gSearch.marginFrames;
    result->marginDegrees = gSearch.marginDegrees;
    result->bytesPerState =
        gSearch.states > 0 ? (double)SolveMemoryInUse(&gSearch) / (double)gSearch.states : 0.0;
    int32_t steps = 0;
    const SolveStep* route = SolveGetRoute(&gSearch, &steps);
    result->route.assign(route, route + steps);
    // The starting click's frame counts too.
    result->frames = result->found ? 1 + gSearch.routeFrames : 0;
    result->searchFrames = result->found ? 1 + gSearch.searchFrames : 0;
    result->states = gSearch.states;
    result->framesRun = gSearch.framesRun;
    result->farCol = gSearch.farCol;
    result->farRow = gSearch.farRow;
    result->farDistance = gSearch.farDistance;
    if (result->found && options->shake.tries > 0) {
        result->shakeClears = SolveShake(&gSearch, route, steps, &options->shake);
    }
    SolveFinish(&gSearch);
    result->seconds = MapSolveClock() - began;
    return 1;
}

std::string MapSolveScript(const MapSolveOptions* options, const std::vector<SolveStep>& route,
                           const char* stageName, int clears) {
    const SolveOptions game = MapSolveGameOptions(options);
    SolveStartGame(&game);
    std::string out;
    char line[256];
    int32_t frames = 1;
    for (const SolveStep& step : route) {
        frames += step.frames;
    }
    const int32_t ms = frames * REPLAY_DEFAULT_DT;
    snprintf(line, sizeof(line), "# %s %s in %d frames (%d:%02d of play), found by maptool solve --seed %u\n",
             clears ? "Clears" : "Gets nearest the goal of", stageName, (int)frames, (int)(ms / 60000),
             (int)(ms / 1000 % 60), (unsigned)options->seed);
    out += line;
    snprintf(line, sizeof(line), "cursor %d %d\nclick                  # start\nwait 1\n",
             (int)SOLVE_START_CURSOR_X, (int)SOLVE_START_CURSOR_Y);
    out += line;
    int32_t cursorX = SOLVE_START_CURSOR_X;
    int32_t cursorY = SOLVE_START_CURSOR_Y;
    for (const SolveStep& step : route) {
        for (int32_t f = 1; f <= step.frames; ++f) {
            InputFrame input;
            SolveStepInput(&step, f, &input);
            if (f == 1 && step.kind == SOLVE_SHOOT) {
                if (input.cursorX != cursorX || input.cursorY != cursorY) {
                    snprintf(line, sizeof(line), "cursor %d %d\n", (int)input.cursorX, (int)input.cursorY);
                    out += line;
                    cursorX = input.cursorX;
                    cursorY = input.cursorY;
                }
                snprintf(line, sizeof(line), "click                  # shot at %d degrees\n",
                         (int)step.angle);
                out += line;
            } else if (f == 1 && step.kind == SOLVE_RELOAD) {
                out += "tap R\n";
            }
            GameStateStepWith(&input, SOLVE_DT);
        }
        snprintf(line, sizeof(line), "wait %d\n", (int)step.frames);
        out += line;
        if (step.kind == SOLVE_SHOOT || &step == &route.back()) {
            const Player* p = GameStateGetPlayer();
            snprintf(line, sizeof(line), "expect mode %s pos %.9g %.9g shells %d within 0.001\n",
                     GameStateGetMode() == MODE_STAGE_CLEAR ? "clear" : "playing", (double)p->body.x,
                     (double)p->body.y, (int)p->shotgun.shells);
            out += line;
        }
    }
    if (route.empty() && clears) {
        out += "expect mode clear\n";
    }
    GameStateSave(&gEnd);
    snprintf(line, sizeof(line), "expect hash %016llx\n", (unsigned long long)GameSnapshotHash(&gEnd));
    out += line;
    return out;
}
