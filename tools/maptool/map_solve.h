// map_solve.h -- `maptool solve`: the game's solver (app/solve) run to the end within a budget of
// processor time, with a line of progress a second, and the route written as a replay script for
// kalvoro-run.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "app/solve.h"

struct MapSolveOptions {
    const char* stagePath; // "" for the built-in stage
    double budgetSeconds;  // for the search and the shortening together
    uint32_t seed;         // orders the angles tried; the same seed, the same search
    int progress;          // 1: a line on stderr every second
    int64_t maxStates;     // the most states kept before the search gives up; 0: the solver's own limit
    SolveShakeOptions shake; // with tries, the route found is played that often with its presses shaken
};

struct MapSolveResult {
    int found;                    // 1: route clears the stage
    int answer;                   // SolveAnswer: clearable, cannot be cleared, not settled
    char verdict[400];            // the solver's verdict line (SolveVerdict)
    int capped;                   // 1: the search stopped at its most states, not at the budget
    double bytesPerState;         // the search's memory in use over the states kept
    int32_t marginFrames;         // the route's narrowest window of frames for a press (SolveSearch)
    int32_t marginDegrees;        // the same in degrees for a shot
    std::vector<SolveStep> route; // the shortened route, or the way to the farthest point
    int32_t frames;               // frames the replay runs, the starting click's included
    int32_t searchFrames;         // the same before shortening
    int64_t states;               // states kept after de-duplication
    int64_t framesRun;            // game frames stepped
    double seconds;
    int32_t farCol; // the tile reached nearest the goal (by open path)
    int32_t farRow;
    int32_t farDistance; // its distance from the goal in tiles, 0 at the goal
    int32_t shakeClears; // of the options' shake tries, those that still clear (SolveShake)
};

// Searches the stage for a route to the goal within the budget; 0 when the stage cannot be started
// (no goal on it at all), else 1 with the outcome in result (an empty route when the starting click's
// frame already clears it).
int MapSolve(const MapSolveOptions* options, MapSolveResult* result);

// The replay script of a route that starts from the title: the start click, the cursor and clicks,
// reload taps and waits, a checkpoint of the player after every shot and "mode clear" at the end when
// the route clears. stageName goes into the header comment.
std::string MapSolveScript(const MapSolveOptions* options, const std::vector<SolveStep>& route,
                           const char* stageName, int clears);
