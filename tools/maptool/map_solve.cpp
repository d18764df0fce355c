// map_solve.cpp -- the stage solver. Every state it knows is a saved game of the real game, reached by
// stepping the game's own update from the stage start with a click, an R tap or nothing on the first
// frame of a step; nothing of the game's rules is written again here. States are kept on a coarse grid
// of position, velocity, shells, reload and walkers alive, and the one nearest the goal by open tiles is
// taken next.
#include "tools/maptool/map_solve.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <queue>
#include <unordered_map>

#include "app/game_state.h"
#include "app/main.h"
#include "platform/headless/headless.h"
#include "platform/keys.h"
#include "render/render.h"
#include "tools/runner/replay_run.h"
#include "tools/runner/replay_script.h"
#include "world/level.h"

static const float SOLVE_DT = (float)REPLAY_DEFAULT_DT;
static const int32_t SOLVE_CURSOR_X = 160; // where the script puts the cursor before the first shot
static const int32_t SOLVE_CURSOR_Y = 100;
static const int32_t SOLVE_FAR = 1 << 20;   // distance of a cell with no open path to the goal
static const int32_t SOLVE_MARGIN_COLS = 6; // open columns right of the stage the player may cross
// One tile nearer the goal is worth this many frames of a longer route.
static const int32_t SOLVE_TILE_FRAMES = 48;
// Frames after a shot, a reload tap or nothing at which the search may decide again.
static const int32_t SOLVE_SHOT_STOPS[] = {2, 4, 7, 11, 16, 23, 32, 45, 64};
static const int32_t SOLVE_RELOAD_STOPS[] = {2, 8, 20, 40, 76};
static const int32_t SOLVE_WAIT_STOPS[] = {4, 12, 30};
// Angles tried, degrees: level to straight down and back, which push, and upward, which only kill.
static const int32_t SOLVE_PUSH_ANGLES[] = {1,  10,  20,  30,  40,  50,  60,  70,  80,  85, 90,
                                            95, 100, 110, 120, 130, 140, 150, 160, 170, 179};
static const int32_t SOLVE_KILL_ANGLES[] = {-10, -30, -60, -90, -120, -150, -170};
static const float SOLVE_KILL_REACH = 130.0f;    // a walker this near is worth an upward shot
static const float SOLVE_WALKER_NEAR_X = 160.0f; // walkers this near tell states apart
static const float SOLVE_WALKER_NEAR_Y = 96.0f;
// About 420 bytes a state with its key and queue entry: the search stops at 840 MB.
static const size_t SOLVE_MAX_STATES = 2000000;
// The shortening pass gives up after this many trial runs without a gain, whatever the budget left.
static const int32_t SOLVE_SHORTEN_TRIALS = 4000;

// What of a saved game changes during a search; the rest (the stage, the other 254 keys) stays as it
// was at the start. Pellets are left out: nothing of play reads them after the shot.
struct SolveState {
    Body body;
    int32_t shells;
    float reloadMs;
    int32_t reloading;
    float aimAngle;
    float flashMs;
    int32_t pelletCount;
    Camera camera;
    Enemy enemies[MAX_ENEMIES];
    float spawnGraceMs;
    float fireBlockMs;
    int32_t mode;
    int32_t titleBlink;
    int32_t keys[4]; // left button and R, now and last frame
    int32_t mouseLeft;
    int32_t mouseLeftPrev;
    int32_t mouseX;
    int32_t mouseY;
    float inputCameraX;
    float inputCameraY;
};

struct SolveNode {
    int32_t parent;
    SolveStep step;
    int32_t frames; // frames of play after the start
    int32_t distance;
    uint64_t key;
};

struct SolveOpen {
    int64_t priority;
    int32_t order;
    int32_t node;
    bool operator<(const SolveOpen& o) const {
        return priority != o.priority ? priority > o.priority : order > o.order;
    }
};

static PlatformWindow* gWindow;
static GameSnapshot gStart;            // the stage just started by the click
static GameSnapshot gWork;             // what a restore patches a state into
static std::vector<int32_t> gDistance; // tiles to the goal per cell, SOLVE_FAR when walled off
static int32_t gGridW;
static int32_t gGridH;
static std::vector<SolveNode> gNodes;
static std::vector<SolveState> gStates;
static std::unordered_map<uint64_t, int32_t> gBestFrames;
static std::priority_queue<SolveOpen> gOpen;
static int32_t gOrder;
static int64_t gFramesRun;
static int32_t gFoundNode; // the best clear so far: from this node, this step
static SolveStep gFoundStep;
static int32_t gBestClear; // its frames after the start
static int32_t gPushAngles[sizeof(SOLVE_PUSH_ANGLES) / sizeof(SOLVE_PUSH_ANGLES[0])];

static double SolveClock(void) {
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static void SolveStateSave(SolveState* s) {
    GameStateSave(&gWork);
    s->body = gWork.player.body;
    s->shells = gWork.player.shotgun.shells;
    s->reloadMs = gWork.player.shotgun.reloadMs;
    s->reloading = gWork.player.shotgun.reloading;
    s->aimAngle = gWork.player.aimAngle;
    s->flashMs = gWork.player.flashMs;
    s->pelletCount = gWork.player.pelletCount;
    s->camera = gWork.camera;
    memcpy(s->enemies, gWork.enemies, sizeof(s->enemies));
    s->spawnGraceMs = gWork.spawnGraceMs;
    s->fireBlockMs = gWork.fireBlockMs;
    s->mode = gWork.mode;
    s->titleBlink = gWork.titleBlink;
    s->keys[0] = gWork.input.keyDown[KEY_LBUTTON];
    s->keys[1] = gWork.input.keyPrev[KEY_LBUTTON];
    s->keys[2] = gWork.input.keyDown[KEY_R];
    s->keys[3] = gWork.input.keyPrev[KEY_R];
    s->mouseLeft = gWork.input.mouseLeft;
    s->mouseLeftPrev = gWork.input.mouseLeftPrev;
    s->mouseX = gWork.input.mouseLogicalX;
    s->mouseY = gWork.input.mouseLogicalY;
    s->inputCameraX = gWork.input.cameraX;
    s->inputCameraY = gWork.input.cameraY;
}

static void SolveStateRestore(const SolveState* s) {
    gWork = gStart;
    gWork.player.body = s->body;
    gWork.player.shotgun.shells = s->shells;
    gWork.player.shotgun.reloadMs = s->reloadMs;
    gWork.player.shotgun.reloading = s->reloading;
    gWork.player.aimAngle = s->aimAngle;
    gWork.player.flashMs = s->flashMs;
    gWork.player.pelletCount = s->pelletCount;
    gWork.camera = s->camera;
    memcpy(gWork.enemies, s->enemies, sizeof(s->enemies));
    gWork.spawnGraceMs = s->spawnGraceMs;
    gWork.fireBlockMs = s->fireBlockMs;
    gWork.mode = s->mode;
    gWork.titleBlink = s->titleBlink;
    gWork.input.keyDown[KEY_LBUTTON] = s->keys[0];
    gWork.input.keyPrev[KEY_LBUTTON] = s->keys[1];
    gWork.input.keyDown[KEY_R] = s->keys[2];
    gWork.input.keyPrev[KEY_R] = s->keys[3];
    gWork.input.mouseLeft = s->mouseLeft;
    gWork.input.mouseLeftPrev = s->mouseLeftPrev;
    gWork.input.mouseLogicalX = s->mouseX;
    gWork.input.mouseLogicalY = s->mouseY;
    gWork.input.cameraX = s->inputCameraX;
    gWork.input.cameraY = s->inputCameraY;
    GameStateRestore(&gWork);
}

// Tiles to the goal over open cells (eight ways: never shorter than the way a body can go), from every
// cell of the stage and a few open columns to its right.
static void SolveBuildDistances(const Tilemap* map) {
    gGridW = map->width + SOLVE_MARGIN_COLS;
    gGridH = map->height;
    gDistance.assign((size_t)gGridW * (size_t)gGridH, SOLVE_FAR);
    std::vector<int32_t> queue;
    for (int32_t row = 0; row < gGridH; ++row) {
        for (int32_t col = 0; col < gGridW; ++col) {
            // The goal counts from its own tile and from the tile right below it.
            const int goal = TilemapGetTile(map, col, row) == TILE_GOAL ||
                             (TilemapGetTile(map, col, row - 1) == TILE_GOAL &&
                              !TilemapIsSolid(TilemapGetTile(map, col, row)));
            if (goal) {
                gDistance[(size_t)(row * gGridW + col)] = 0;
                queue.push_back(row * gGridW + col);
            }
        }
    }
    for (size_t head = 0; head < queue.size(); ++head) {
        const int32_t cell = queue[head];
        const int32_t col = cell % gGridW;
        const int32_t row = cell / gGridW;
        for (int32_t dy = -1; dy <= 1; ++dy) {
            for (int32_t dx = -1; dx <= 1; ++dx) {
                const int32_t c = col + dx;
                const int32_t r = row + dy;
                if (c < 0 || r < 0 || c >= gGridW || r >= gGridH) {
                    continue;
                }
                const size_t at = (size_t)(r * gGridW + c);
                if (gDistance[at] != SOLVE_FAR || TilemapIsSolid(TilemapGetTile(map, c, r))) {
                    continue;
                }
                gDistance[at] = gDistance[(size_t)cell] + 1;
                queue.push_back((int32_t)at);
            }
        }
    }
}

static int32_t SolveDistanceAt(float x, float y, int32_t* col, int32_t* row) {
    *col = (int32_t)floorf(x / (float)TILE_SIZE);
    *row = (int32_t)floorf(y / (float)TILE_SIZE);
    if (*col < 0 || *row < 0 || *col >= gGridW || *row >= gGridH) {
        return SOLVE_FAR;
    }
    return gDistance[(size_t)(*row * gGridW + *col)];
}

// The grid a state is known by: 4 px of position, 0.06 px/ms of velocity, shells, reload in 150 ms
// steps, ground, the fire block, which walkers live and where the near ones are.
static uint64_t SolveKey(void) {
    const Player* p = GameStateGetPlayer();
    int32_t count = 0;
    const Enemy* enemies = GameStateGetEnemies(&count);
    uint64_t alive = 0;
    for (int32_t i = 0; i < count && i < MAX_ENEMIES; ++i) {
        alive |= (uint64_t)(EnemyIsAlive(&enemies[i]) != 0) << i;
    }
    float grace = 0.0f;
    float block = 0.0f;
    GameStateGetTimers(&grace, &block, nullptr);
    const int32_t kx = std::min(std::max((int32_t)floorf(p->body.x * 0.25f), 0), 2047);
    const int32_t ky = std::min(std::max((int32_t)floorf(p->body.y * 0.25f), 0), 255);
    const int32_t kvx = std::min(std::max((int32_t)floorf(p->body.vx / 0.06f) + 16, 0), 31);
    const int32_t kvy = std::min(std::max((int32_t)floorf(p->body.vy / 0.06f) + 16, 0), 31);
    const int32_t reload = std::min((int32_t)(p->shotgun.reloadMs / 150.0f), 15);
    uint64_t key = (uint64_t)kx;
    key = key << 8 | (uint64_t)ky;
    key = key << 5 | (uint64_t)kvx;
    key = key << 5 | (uint64_t)kvy;
    key = key << 2 | (uint64_t)(p->shotgun.shells & 3);
    key = key << 4 | (uint64_t)reload;
    key = key << 1 | (uint64_t)(p->body.onGround != 0);
    key = key << 1 | (uint64_t)(block > 0.0f);
    key = key << 8 | alive;
    // Walkers near the player, to 16 px and their heading: waiting for one to pass is then a new state.
    uint64_t near = 0;
    for (int32_t i = 0; i < count && i < MAX_ENEMIES; ++i) {
        const Enemy* e = &enemies[i];
        if (EnemyIsAlive(e) && fabsf(e->x - p->body.x) < SOLVE_WALKER_NEAR_X &&
            fabsf(e->y - p->body.y) < SOLVE_WALKER_NEAR_Y) {
            near = near * 1099511628211ull +
                   (uint64_t)(i * 4096 + (int32_t)floorf(e->x / 16.0f) * 2 + (e->dir > 0));
        }
    }
    return key ^ (near * 0x9E3779B97F4A7C15ull);
}

// The cursor pixel for a shot at angle degrees, as the runner lays `cursor angle`, kept on the screen
// so the script can name it.
static void SolveCursorFor(int32_t angle, int32_t* lx, int32_t* ly) {
    ReplayAngleCursor((float)angle, lx, ly);
    *lx = std::min(std::max(*lx, 0), LOGICAL_WIDTH - 1);
    *ly = std::min(std::max(*ly, 0), LOGICAL_HEIGHT - 1);
}

// The first frame of a step: its action pressed for this frame only.
static void SolveActionFrame(const SolveStep* step) {
    if (step->kind == SOLVE_SHOOT) {
        int32_t lx = 0;
        int32_t ly = 0;
        SolveCursorFor(step->angle, &lx, &ly);
        HeadlessSetCursor(lx, ly);
    }
    HeadlessSetKeyState(KEY_LBUTTON, step->kind == SOLVE_SHOOT);
    HeadlessSetKeyState(KEY_R, step->kind == SOLVE_RELOAD);
    GameStateStep(gWindow, SOLVE_DT);
    HeadlessSetKeyState(KEY_LBUTTON, 0);
    HeadlessSetKeyState(KEY_R, 0);
    ++gFramesRun;
}

static void SolveWaitFrame(void) {
    GameStateStep(gWindow, SOLVE_DT);
    ++gFramesRun;
}

static int SolveCanFire(void) {
    const Player* p = GameStateGetPlayer();
    float block = 0.0f;
    GameStateGetTimers(nullptr, &block, nullptr);
    return block == 0.0f && ShotgunCanFire(&p->shotgun);
}

static int SolveWalkerNear(void) {
    const Player* p = GameStateGetPlayer();
    int32_t count = 0;
    const Enemy* enemies = GameStateGetEnemies(&count);
    for (int32_t i = 0; i < count; ++i) {
        if (EnemyIsAlive(&enemies[i]) && fabsf(enemies[i].x - p->body.x) < SOLVE_KILL_REACH &&
            fabsf(enemies[i].y - p->body.y) < SOLVE_KILL_REACH) {
            return 1;
        }
    }
    return 0;
}

static void SolveAddNode(int32_t parent, const SolveStep* step, int32_t frames) {
    int32_t col = 0;
    int32_t row = 0;
    const Player* p = GameStateGetPlayer();
    const int32_t distance = SolveDistanceAt(p->body.x, p->body.y, &col, &row);
    if (distance >= SOLVE_FAR) {
        return; // off the stage or walled off from the goal: no way on from here
    }
    if (frames >= gBestClear) {
        return; // a route already clears sooner
    }
    const uint64_t key = SolveKey();
    auto known = gBestFrames.find(key);
    if (known != gBestFrames.end() && known->second <= frames) {
        return;
    }
    gBestFrames[key] = frames;
    SolveNode node;
    node.parent = parent;
    node.step = *step;
    node.frames = frames;
    node.distance = distance;
    node.key = key;
    gNodes.push_back(node);
    gStates.emplace_back();
    SolveStateSave(&gStates.back());
    const int64_t priority = (int64_t)distance * SOLVE_TILE_FRAMES + frames;
    gOpen.push({priority, gOrder++, (int32_t)gNodes.size() - 1});
}

// Runs step kind/angle from node's state, adding a child at every stop; 1 when the goal was reached.
static int SolveBranch(int32_t parent, int32_t kind, int32_t angle, const int32_t* stops, int32_t stopCount) {
    SolveStateRestore(&gStates[(size_t)parent]);
    const int32_t start = gNodes[(size_t)parent].frames;
    SolveStep step = {kind, angle, 0};
    int32_t next = 0;
    for (int32_t f = 1; f <= stops[stopCount - 1]; ++f) {
        if (f == 1) {
            SolveActionFrame(&step);
        } else {
            SolveWaitFrame();
        }
        const int32_t mode = GameStateGetMode();
        if (mode == MODE_STAGE_CLEAR) {
            if (start + f < gBestClear) {
                gBestClear = start + f;
                gFoundNode = parent;
                gFoundStep = step;
                gFoundStep.frames = f;
            }
            return 1;
        }
        if (mode != MODE_PLAYING) {
            return 0;
        }
        if (f == stops[next]) {
            step.frames = f;
            SolveAddNode(parent, &step, start + f);
            ++next;
        }
    }
    return 0;
}

// Every step from the state of node index: shots at each angle when the gun can fire (upward ones only
// with a walker near), a reload when shells are missing, and a wait.
static void SolveExpand(int32_t index) {
    SolveStateRestore(&gStates[(size_t)index]);
    const int canFire = SolveCanFire();
    const int walkerNear = canFire && SolveWalkerNear();
    const Shotgun* gun = &GameStateGetPlayer()->shotgun;
    const int canReload = !gun->reloading && gun->def && gun->shells < gun->def->magazineSize;
    const int32_t shotStops = (int32_t)(sizeof(SOLVE_SHOT_STOPS) / sizeof(SOLVE_SHOT_STOPS[0]));
    if (canFire) {
        for (int32_t angle : gPushAngles) {
            SolveBranch(index, SOLVE_SHOOT, angle, SOLVE_SHOT_STOPS, shotStops);
        }
    }
    if (walkerNear) {
        for (int32_t angle : SOLVE_KILL_ANGLES) {
            SolveBranch(index, SOLVE_SHOOT, angle, SOLVE_SHOT_STOPS, shotStops);
        }
    }
    if (canReload) {
        SolveBranch(index, SOLVE_RELOAD, 0, SOLVE_RELOAD_STOPS,
                    (int32_t)(sizeof(SOLVE_RELOAD_STOPS) / sizeof(SOLVE_RELOAD_STOPS[0])));
    }
    SolveBranch(index, SOLVE_WAIT, 0, SOLVE_WAIT_STOPS,
                (int32_t)(sizeof(SOLVE_WAIT_STOPS) / sizeof(SOLVE_WAIT_STOPS[0])));
}

// Plays route from the stage start; the frames after the start at which the stage is cleared (the
// route cut there), or 0 when it is not.
static int32_t SolveReplay(std::vector<SolveStep>* route) {
    GameStateRestore(&gStart);
    int32_t frames = 0;
    for (size_t i = 0; i < route->size(); ++i) {
        SolveStep* step = &(*route)[i];
        for (int32_t f = 1; f <= step->frames; ++f) {
            if (f == 1) {
                SolveActionFrame(step);
            } else {
                SolveWaitFrame();
            }
            ++frames;
            const int32_t mode = GameStateGetMode();
            if (mode == MODE_STAGE_CLEAR) {
                step->frames = f;
                route->resize(i + 1);
                return frames;
            }
            if (mode != MODE_PLAYING) {
                return 0;
            }
        }
    }
    return 0;
}

// A click or a tap needs a frame with nothing pressed before the next one.
static int SolveRouteValid(const std::vector<SolveStep>& route) {
    for (size_t i = 0; i + 1 < route.size(); ++i) {
        if (route[i].kind != SOLVE_WAIT && route[i].frames < 2 && route[i + 1].kind != SOLVE_WAIT) {
            return 0;
        }
    }
    return !route.empty() && route[0].frames >= 1;
}

// Shortens a clearing route: drops steps and trims waits while the stage is still cleared sooner.
static int32_t SolveShorten(std::vector<SolveStep>* route, int32_t frames, double deadline) {
    static const int32_t CUTS[] = {32, 16, 8, 4, 2, 1};
    int32_t idle = 0;
    int improved = 1;
    while (improved && idle < SOLVE_SHORTEN_TRIALS && SolveClock() < deadline) {
        improved = 0;
        for (size_t i = 0; i < route->size() && idle < SOLVE_SHORTEN_TRIALS; ++i) {
            for (int32_t c = -1; c < (int32_t)(sizeof(CUTS) / sizeof(CUTS[0])); ++c) {
                std::vector<SolveStep> trial = *route;
                if (c < 0) {
                    trial.erase(trial.begin() + (long)i);
                } else if (trial[i].frames > CUTS[c]) {
                    trial[i].frames -= CUTS[c];
                } else {
                    continue;
                }
                if (!SolveRouteValid(trial)) {
                    continue;
                }
                ++idle;
                const int32_t got = SolveReplay(&trial);
                if (got > 0 && got < frames) {
                    *route = trial;
                    frames = got;
                    improved = 1;
                    idle = 0;
                    break;
                }
            }
            if (i >= route->size()) {
                break;
            }
        }
    }
    return frames;
}

static std::vector<SolveStep> SolveRouteTo(int32_t node) {
    std::vector<SolveStep> route;
    for (int32_t n = node; n > 0; n = gNodes[(size_t)n].parent) {
        route.push_back(gNodes[(size_t)n].step);
    }
    std::reverse(route.begin(), route.end());
    return route;
}

// The game started on the stage in a 320 x 200 window (cursor pixels are logical pixels) from a clean
// state, and the click that starts the stage run: gStart. Returns the mode after that first frame.
static int32_t SolveStartStage(const char* stagePath) {
    static const GameSnapshot clean = {};
    LevelSetStagePath(stagePath);
    gWindow = HeadlessOpenWindow(LOGICAL_WIDTH, LOGICAL_HEIGHT);
    HeadlessAudioSetAvailable(0);
    GameStateRestore(&clean);
    MainStartup(gWindow);
    HeadlessSetCursor(SOLVE_CURSOR_X, SOLVE_CURSOR_Y);
    HeadlessSetKeyState(KEY_LBUTTON, 1);
    GameStateStep(gWindow, SOLVE_DT);
    HeadlessSetKeyState(KEY_LBUTTON, 0);
    GameStateSave(&gStart);
    return GameStateGetMode();
}

static void SolveStopStage(void) {
    MainShutdown();
    HeadlessAudioSetAvailable(1);
    LevelSetStagePath(nullptr);
}

int MapSolve(const SolveOptions* options, SolveResult* result) {
    *result = SolveResult();
    const double began = SolveClock();
    const double deadline = began + options->budgetSeconds;
    const int32_t started = SolveStartStage(options->stagePath);
    if (started == MODE_STAGE_CLEAR) {
        // Cleared by the frame that starts it (the start under the goal): the click is the route.
        result->found = 1;
        result->frames = 1;
        result->searchFrames = 1;
        result->seconds = SolveClock() - began;
        SolveStopStage();
        return 1;
    }
    if (started != MODE_PLAYING) {
        SolveStopStage();
        return 0;
    }
    SolveBuildDistances(GameStateGetMap());
    gNodes.clear();
    gStates.clear();
    gBestFrames.clear();
    gOpen = std::priority_queue<SolveOpen>();
    gOrder = 0;
    gFramesRun = 0;
    gFoundNode = -1;
    gBestClear = INT32_MAX;
    // The seed turns the order the push angles are tried in, which decides between equal states.
    uint32_t mix = options->seed * 2654435761u + 1u;
    const int32_t angleCount = (int32_t)(sizeof(gPushAngles) / sizeof(gPushAngles[0]));
    for (int32_t i = 0; i < angleCount; ++i) {
        gPushAngles[i] = SOLVE_PUSH_ANGLES[i];
    }
    for (int32_t i = angleCount - 1; i > 0 && options->seed != 0; --i) {
        mix ^= mix << 13;
        mix ^= mix >> 17;
        mix ^= mix << 5;
        std::swap(gPushAngles[i], gPushAngles[mix % (uint32_t)(i + 1)]);
    }

    const Player* player = GameStateGetPlayer();
    int32_t col = 0;
    int32_t row = 0;
    const int32_t startDistance = SolveDistanceAt(player->body.x, player->body.y, &col, &row);
    result->farCol = col;
    result->farRow = row;
    result->farDistance = startDistance;
    if (startDistance >= SOLVE_FAR) {
        result->walledIn = 1;
        result->seconds = SolveClock() - began;
        SolveStopStage();
        return 1;
    }
    const SolveStep none = {SOLVE_WAIT, 0, 0};
    gNodes.push_back({-1, none, 0, startDistance, 0});
    gStates.emplace_back();
    SolveStateSave(&gStates.back());
    gOpen.push({0, gOrder++, 0});

    int32_t farNode = 0;
    double nextReport = began + 1.0;
    int64_t expanded = 0;
    // Once a route is found the search goes on as long again for a shorter one.
    int64_t stopAt = INT64_MAX;
    const size_t maxStates = options->maxStates > 0 ? (size_t)options->maxStates : SOLVE_MAX_STATES;
    while (!gOpen.empty() && expanded < stopAt && gNodes.size() < maxStates) {
        const int32_t index = gOpen.top().node;
        gOpen.pop();
        const SolveNode& node = gNodes[(size_t)index];
        if (index > 0 && gBestFrames[node.key] < node.frames) {
            continue; // reached sooner by another way since
        }
        const SolveNode& far = gNodes[(size_t)farNode];
        if (node.distance < far.distance || (node.distance == far.distance && node.frames < far.frames)) {
            farNode = index;
        }
        SolveExpand(index);
        ++expanded;
        if (gFoundNode >= 0 && stopAt == INT64_MAX) {
            stopAt = 2 * expanded;
        }
        if ((expanded & 15) == 0) {
            const double now = SolveClock();
            if (now >= deadline) {
                break;
            }
            if (options->progress && now >= nextReport) {
                nextReport = now + 1.0;
                const SolveState* fs = &gStates[(size_t)farNode];
                fprintf(stderr,
                        "solve: %4.1f s  %lld states  %lld open  %.2f M frames (%.2f M/s)  "
                        "nearest: %d tiles from the goal at tile (%d, %d)%s\n",
                        now - began, (long long)gNodes.size(), (long long)gOpen.size(),
                        (double)gFramesRun * 1e-6, (double)gFramesRun * 1e-6 / (now - began),
                        (int)gNodes[(size_t)farNode].distance, (int)floorf(fs->body.x / (float)TILE_SIZE),
                        (int)floorf(fs->body.y / (float)TILE_SIZE),
                        gFoundNode >= 0 ? "  (found; looking for a shorter route)" : "");
            }
        }
    }
    result->states = (int64_t)gNodes.size();
    result->capped = gNodes.size() >= maxStates;
    const SolveState* fs = &gStates[(size_t)farNode];
    result->farCol = (int32_t)floorf(fs->body.x / (float)TILE_SIZE);
    result->farRow = (int32_t)floorf(fs->body.y / (float)TILE_SIZE);
    result->farDistance = gNodes[(size_t)farNode].distance;
    if (gFoundNode >= 0) {
        std::vector<SolveStep> route = SolveRouteTo(gFoundNode);
        route.push_back(gFoundStep);
        const int32_t frames = SolveReplay(&route);
        if (frames > 0) {
            result->found = 1;
            result->searchFrames = 1 + frames;
            result->frames = 1 + SolveShorten(&route, frames, deadline);
            result->route = route;
            result->farDistance = 0;
        }
    }
    if (!result->found) {
        result->route = SolveRouteTo(farNode);
    }
    result->framesRun = gFramesRun;
    result->seconds = SolveClock() - began;
    // The search's memory is large; give it back before the caller goes on.
    std::vector<SolveNode>().swap(gNodes);
    std::vector<SolveState>().swap(gStates);
    std::unordered_map<uint64_t, int32_t>().swap(gBestFrames);
    gOpen = std::priority_queue<SolveOpen>();
    SolveStopStage();
    return 1;
}

std::string MapSolveScript(const SolveOptions* options, const std::vector<SolveStep>& route,
                           const char* stageName, int clears) {
    SolveStartStage(options->stagePath);
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
             (int)SOLVE_CURSOR_X, (int)SOLVE_CURSOR_Y);
    out += line;
    int32_t cursorX = SOLVE_CURSOR_X;
    int32_t cursorY = SOLVE_CURSOR_Y;
    for (const SolveStep& step : route) {
        if (step.kind == SOLVE_SHOOT) {
            int32_t lx = 0;
            int32_t ly = 0;
            SolveCursorFor(step.angle, &lx, &ly);
            if (lx != cursorX || ly != cursorY) {
                snprintf(line, sizeof(line), "cursor %d %d\n", (int)lx, (int)ly);
                out += line;
                cursorX = lx;
                cursorY = ly;
            }
            snprintf(line, sizeof(line), "click                  # shot at %d degrees\n", (int)step.angle);
            out += line;
        } else if (step.kind == SOLVE_RELOAD) {
            out += "tap R\n";
        }
        for (int32_t f = 1; f <= step.frames; ++f) {
            if (f == 1) {
                SolveActionFrame(&step);
            } else {
                SolveWaitFrame();
            }
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
    GameStateSave(&gWork);
    snprintf(line, sizeof(line), "expect hash %016llx\n", (unsigned long long)GameSnapshotHash(&gWork));
    out += line;
    SolveStopStage();
    return out;
}
