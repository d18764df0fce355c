// solve.h -- proves a stage clearable: a best-first search over shots, reloads and waits that branches
// from saved games of the real game, then a pass that shortens the route found. It runs a budget of
// states at a time, so the game can search a slice per frame; `maptool solve` runs it to the end.
//
// Use: SolveStart once, SolveAdvance until it stops returning SOLVE_RUNNING, read the route, SolveFinish.
// The search steps the game's own statics (app/game_state): every call here saves the game as it found
// it first and restores it before returning, so a game in progress (an editor's) is left exactly as it
// was and may run its frames between two slices. Memory is taken by SolveStart for the options'
// maxStates; SolveAdvance allocates nothing. Not for two searches at once: they share the game.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "app/game_snapshot.h"
#include "input/input.h"
#include "world/reach.h"
#include "world/tilemap.h"

enum SolveStepKind {
    SOLVE_WAIT = 0,   // nothing pressed
    SOLVE_SHOOT = 1,  // a click with the cursor at angle degrees from the player (0 right, 90 down)
    SOLVE_RELOAD = 2, // a tap of R
};

// One decision of a route: its action on the first frame, then waiting, frames in all (1 or more).
struct SolveStep {
    int32_t kind;
    int32_t angle;
    int32_t frames;
};

// Every frame of a search and of a route is this long, as a replay's default frame.
constexpr float SOLVE_DT = 16.0f;
// Where the cursor is for the click that starts the stage from the title.
constexpr int32_t SOLVE_START_CURSOR_X = 160;
constexpr int32_t SOLVE_START_CURSOR_Y = 100;
// The longest route, in steps; deeper states are not kept.
constexpr int32_t SOLVE_MAX_ROUTE = 1024;
// The memory a search takes when the options say 0, in bytes; its state cap follows from it.
constexpr size_t SOLVE_DEFAULT_MEMORY = (size_t)256 << 20;

// Read only while SolveStart or SolveStartGame runs: the strings need not outlive them.
struct SolveOptions {
    const char* stagePath; // the stage file ("" for the built-in stage), when stageText is null
    const char* stageText; // the stage as text, read as a file with these bytes; may be null
    size_t stageTextLength;
    uint32_t seed;       // orders the angles tried; the same seed, the same search
    int32_t maxStates;   // states kept at most (0: as many as the memory holds)
    size_t memory;       // bytes the search may take (0: SOLVE_DEFAULT_MEMORY); the cap follows from it
    int32_t widenPasses; // passes of the widening at most (0: SOLVE_WIDEN_PASSES)
};

enum SolveStatus {
    SOLVE_RUNNING = 0,      // more to do: call SolveAdvance again
    SOLVE_FOUND = 1,        // a route clears the stage, shortened as far as the pass goes
    SOLVE_EXHAUSTED = 2,    // not settled: the search stopped (cap, memory, time, or no state left of its
                            // grid) without a route; the grid merges states, so this proves nothing
    SOLVE_WALLED_IN = 3,    // cannot be cleared: no way for the body leads from the start to the goal
    SOLVE_CANNOT_START = 4, // the stage does not start (or the memory for the search is missing)
};

// The three answers a search gives a maker, the same in the editor and in `maptool solve`.
enum SolveAnswer {
    SOLVE_ANSWER_CLEARABLE = 0,   // with a route
    SOLVE_ANSWER_CANNOT = 1,      // with a sound argument, named in the verdict
    SOLVE_ANSWER_NOT_SETTLED = 2, // the budget or the memory ran out first
    SOLVE_ANSWER_NONE = 3,        // still running, or the stage does not start
};
int32_t SolveAnswerOf(int32_t status);

// A node of the search tree: the step that led here from parent. Its saved game is kept only once it
// is expanded (the root at once); until then it is its parent's, played on by the step.
struct SolveNode {
    int32_t parent;
    uint32_t step;  // the step, packed: kind, angle and frames
    int32_t frames; // frames of play after the start
    int32_t distance;
    uint32_t state; // where its saved game lies in the search's store, SOLVE_NO_STATE before
    uint16_t depth; // steps from the start
    uint16_t unused;
    uint64_t key;
};
constexpr uint32_t SOLVE_NO_STATE = 0xFFFFFFFFu;

struct SolveOpen {
    int64_t priority;
    int32_t order;
    int32_t node;
};

struct SolveSlot {
    uint64_t key; // 0: free (a real key of 0 is stored as 1)
    int32_t frames;
};

// The whole search: filled by SolveStart, moved on by SolveAdvance. Read the fields marked "read";
// the rest is the search's own.
struct SolveSearch {
    int32_t status;                   // read: SolveStatus of the last call
    int32_t capped;                   // read: 1 when the search stopped at its state cap
    int32_t shortening;               // read: 1 once a route is found and the shortening pass runs
    int64_t states;                   // read: states kept
    int64_t expanded;                 // read: states whose steps were tried
    int64_t framesRun;                // read: game frames stepped
    int32_t maxStates;                // read: the cap
    size_t memory;                    // read: bytes taken for the search
    int32_t routeSteps;               // read: steps in route
    int32_t routeFrames;              // read: frames the route plays after the starting click
    int32_t searchFrames;             // read: the same as first found, before shortening
    int32_t centring;                 // read: once shortened, 1 while each press is moved to the middle of
                                      // the frames and angles that still clear (then widened), 2 while
                                      // they are measured
    int32_t marginFrames;             // read: once found, the narrowest window of frames, as wide both
                                      // ways, a press of the route may move in (the presses after it
                                      // along) and still clear; 0 when unknown or there is no press
    int64_t outsideOpen;              // read: states kept in a cell the walled-in argument has no way from
                                      // (0 unless that argument is wrong)
    int32_t marginDegrees;            // read: the same for the angles of its shots
    SolveStep route[SOLVE_MAX_ROUTE]; // read: the route found, or the way to the state nearest the goal
    int32_t farCol;                   // read: the tile reached nearest the goal (by open path)
    int32_t farRow;
    int32_t farDistance; // read: its distance from the goal in tiles, 0 at the goal

    int32_t pushAngles[21];
    ReachField reach;     // the body's steps to the goal
    ReachField openField; // steps over open cells, for places the body's field knows no way from
    GameSnapshot start;   // the stage just started by the click
    GameSnapshot work;    // what a saved state is laid over
    GameSnapshot outside; // the caller's game, put back after every call
    SolveNode* nodes;
    int32_t nodeCount;
    uint32_t* store;  // the states, as their differences from start
    size_t storeUsed; // read with storeCap: words of saved games in use and at most
    size_t storeCap;
    SolveSlot* table; // the fewest frames each state key was reached in
    size_t tableMask;
    SolveOpen* open; // a heap, nearest first
    int32_t openCount;
    int32_t order;
    int32_t farNode;
    int32_t foundNode; // the best clear so far: from this node, this step
    SolveStep foundStep;
    int32_t bestClear;
    int64_t stopAt;
    // The shortening pass: the cut tried next and how it goes.
    SolveStep trial[SOLVE_MAX_ROUTE];
    int32_t cutStep;
    int32_t cutChoice;
    int32_t cutImproved;
    int32_t cutIdle;
    int32_t centreStep;    // the press the centring pass moves next
    int32_t centreDegrees; // 1 when the angle of the press before centreStep is the next to centre
    // The widening pass, between the centring's moving and its measuring: the change tried next (a
    // press and a move), the candidate route it gives and how its shaken tries go.
    int32_t widening;   // read: 1 while the route is widened
    int32_t widenScore; // read: of the widening's shaken tries, those the route clears
    int32_t widenPress;
    int32_t widenMove;
    int32_t widenScanning; // 1 while the presses are looked through, a press a call, for a fragile one;
                           // 2 while the moves of a press are, a move played a call, for one that clears
    int32_t widenTry;
    int32_t widenClears;
    int32_t widenFirst;       // the same for the first shake (presses moved by a frame, not turned)
    int32_t widenFirstClears; // and the candidate's so far
    int32_t widenIdle;
    int32_t widenGained;
    int32_t widenPasses;
    int32_t widenPassesMax;
    SolveStep candidate[SOLVE_MAX_ROUTE];
    int32_t candidateSteps;
    int32_t candidateFrames;
};

// Starts a search of the stage the options name: takes the memory, starts the stage with a click from
// the title as a player would, and keeps that as the root. Returns SOLVE_RUNNING, SOLVE_WALLED_IN (the
// farthest fields name the start), SOLVE_FOUND with an empty route when that click's frame already
// clears the stage, or SOLVE_CANNOT_START. The stage source the game loads from is left
// as it was. search must be zeroed before its first start (a static, or value-initialised) and stay
// where it is until SolveFinish.
int32_t SolveStart(SolveSearch* search, const SolveOptions* options);
// The game itself (its own statics, not a search's) started on the stage the options name: a clean game
// on the title given the starting click, a route's frame 0. 1 when the stage is then in play. The
// stage source the game loads from is left as it was. For tools that play a route from its start.
int SolveStartGame(const SolveOptions* options);
// Tries the steps from up to budget states (in the shortening pass, up to budget trial routes, each
// about as dear as a state) and returns the status. Allocates nothing.
int32_t SolveAdvance(SolveSearch* search, int32_t budget);
// A search inside the running game (the editor's V, a set's par): states kept at most, and one frame's
// slice, SolveAdvance a state at a time for at most SOLVE_SLICE_MS of the clock and SOLVE_SLICE_STATES
// states, so the frame keeps its pace (the headless clock stands still within a frame). Returns the status.
constexpr int32_t SOLVE_IN_GAME_STATES = 300000;
// The widening's passes: maptool's search (and the par files) takes them all; a search inside the game
// takes one, so a maker sees the route in a few seconds (a later pass gains a few frames at most).
constexpr int32_t SOLVE_WIDEN_PASSES = 3;
constexpr int32_t SOLVE_IN_GAME_WIDEN_PASSES = 1;
constexpr uint32_t SOLVE_SLICE_MS = 3;
constexpr int32_t SOLVE_SLICE_STATES = 16;
int32_t SolveAdvanceSlice(SolveSearch* search);
// The route as it stands (the best found so far while shortening), or the way nearest the goal when the
// search stopped without one; its steps in steps. Valid until SolveFinish.
const SolveStep* SolveGetRoute(const SolveSearch* search, int32_t* steps);
// How far the search is: states kept over the cap while searching, 1 when done.
float SolveProgress(const SolveSearch* search);
// Ends a running search where it stands (a time limit ran out): SOLVE_FOUND with the best route so far,
// unshortened when the pass had not begun, or SOLVE_EXHAUSTED with the way nearest the goal.
int32_t SolveStop(SolveSearch* search);
// The search's answer in one line, the same words for every tool: "clearable in N frames", "cannot be
// cleared: WHY", "not settled: HOW FAR IT GOT". brief: a short line in capitals, for the editor.
void SolveVerdict(const SolveSearch* search, int brief, char* out, size_t size);
// How a person's hand errs, for SolveShake: every press (shot or reload) moved on its own by a random
// whole number of frames from -frames to +frames, every shot turned by -degrees to +degrees.
struct SolveShakeOptions {
    int32_t tries;
    int32_t frames;
    int32_t degrees;
    uint32_t seed; // the same seed, the same tries
};
// How many of the tries of route clear the stage when each is played with its presses moved as the
// options say. A press the shake puts before the stage start is moved to frame 1 instead; one it puts
// on or before the press before it (or a shot while the button is still down) is a try that fails.
// search must have been started on the stage (SolveStart), and may be finished; the game is left as
// it was.
int32_t SolveShake(SolveSearch* search, const SolveStep* route, int32_t steps,
                   const SolveShakeOptions* options);
// A word for how hard a route of these margins is to follow by hand: easy, fair, hard, for experts.
const char* SolveRating(int32_t marginFrames, int32_t marginDegrees);
// Bytes of the search's memory in use: its kept states, their table slots and their saved games.
size_t SolveMemoryInUse(const SolveSearch* search);
// Gives the memory back; the route and the read fields stay.
void SolveFinish(SolveSearch* search);

// The player's position in the world after the starting click and after every frame of route played
// from there, at most maxPoints of them; returns how many. For drawing the route over the stage.
int32_t SolveRoutePath(SolveSearch* search, const SolveStep* route, int32_t steps, float* xs, float* ys,
                       int32_t maxPoints);

// The input of frame f (1 = its first) of step, from the game as it stands before that frame: the
// action on the first frame, nothing pressed after it, the cursor left where the game has it except for
// a shot, whose cursor lies at the step's angle from the player.
void SolveStepInput(const SolveStep* step, int32_t f, InputFrame* out);
// The input of frame (0 = the click that starts the stage from the title) of route played back from
// the title, read from the game as it stands before that frame; 0 past the route's end. A route plays
// back through GameStateStepWith(&input, SOLVE_DT) frame by frame.
int SolveRouteInput(const SolveStep* route, int32_t steps, int32_t frame, InputFrame* out);
// The logical pixel a cursor kept at degrees from the player (0 right, 90 down) has now: laid from the
// player's centre as far as the screen allows, so the aim is as fine as whole pixels permit. It may lie
// off the screen, where the game clamps it.
void SolveAngleCursor(float degrees, int32_t* lx, int32_t* ly);

// The game as it stands kept in the search's store as its difference from the start (what every state
// of a search is), and laid back over the start into the game. For tests of the round trip.
int SolveKeepGame(SolveSearch* search, uint32_t* at);
void SolveLoadGame(SolveSearch* search, uint32_t at);
