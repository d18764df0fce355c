// solve.cpp -- the stage solver. Every state it knows is a saved game of the real game, reached by
// stepping the game's own frame from the stage start with a click, an R tap or nothing on the first
// frame of a step; the game answers every question of its rules. States are known by a coarse grid of
// position, velocity, shells, reload and walkers alive, and the one nearest the goal by open tiles is
// taken next.
#include "app/solve.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "app/game_state.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "render/render.h"
#include "world/level.h"

// The distance the search gives a place the body's field knows no way from.
static const int32_t SOLVE_NO_WAY = MAP_MAX_ROWS * (MAP_MAX_COLS + REACH_MARGIN_COLS);
// One tile nearer the goal is worth this many frames of a longer route.
static const int32_t SOLVE_TILE_FRAMES = 48;
// Frames after a shot, a reload tap or nothing at which the search may decide again.
static const int32_t SOLVE_SHOT_STOPS[] = {2, 4, 7, 11, 16, 23, 32, 45, 64};
static const int32_t SOLVE_RELOAD_STOPS[] = {2, 8, 20, 40, 76};
static const int32_t SOLVE_WAIT_STOPS[] = {4, 12, 30};
// Round a shot that got nearer the goal: its angle and its neighbours' at every frame to 16, and the
// neighbours at the usual stops beyond.
static const int32_t SOLVE_FINE_STOPS[] = {2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                           13, 14, 15, 16, 20, 23, 27, 32, 45, 64};
static const int32_t SOLVE_FINE_TURNS[] = {0, -1, 1, -2, 2, -3, 3, -5, 5};
// Angles tried, degrees: level to straight down and back, which push, and upward, which only kill.
static const int32_t SOLVE_PUSH_ANGLES[] = {1,  10,  20,  30,  40,  50,  60,  70,  80,  85, 90,
                                            95, 100, 110, 120, 130, 140, 150, 160, 170, 179};
static const int32_t SOLVE_KILL_ANGLES[] = {-10, -30, -60, -90, -120, -150, -170};
static const float SOLVE_KILL_REACH = 130.0f;    // a walker this near is worth an upward shot
static const float SOLVE_WALKER_NEAR_X = 160.0f; // walkers this near tell states apart
static const float SOLVE_WALKER_NEAR_Y = 96.0f;
// The shortening pass gives up after this many trial runs without a gain.
static const int32_t SOLVE_SHORTEN_TRIALS = 4000;
// Cuts the shortening pass tries on each step's frames, after dropping the step.
static const int32_t SOLVE_CUTS[] = {32, 16, 8, 4, 2, 1};
static const int32_t SOLVE_CUT_COUNT = (int32_t)(sizeof(SOLVE_CUTS) / sizeof(SOLVE_CUTS[0]));
// How far the centring pass moves a press either way looking for the edges of its window.
static const int32_t SOLVE_CENTRE_FRAMES = 8;
static const int32_t SOLVE_CENTRE_DEGREES = 10;
// The state grid: 4 px of position, 0.06 px/ms of velocity, reload in 150 ms steps, walkers near the
// player to 16 px and their heading.
static const float SOLVE_GRID_POS = 0.25f;
static const int32_t SOLVE_GRID_X_MAX = 2047;
static const int32_t SOLVE_GRID_Y_MAX = 255;
static const float SOLVE_GRID_SPEED = 0.06f;
static const int32_t SOLVE_GRID_SPEED_MID = 16;
static const int32_t SOLVE_GRID_SPEED_MAX = 31;
static const float SOLVE_GRID_RELOAD_MS = 64.0f;
static const int32_t SOLVE_GRID_RELOAD_MAX = 31;
static const float SOLVE_GRID_BLOCK_MS = 16.0f;
static const int32_t SOLVE_GRID_BLOCK_MAX = 15;
static const float SOLVE_GRID_WALKER_X = 16.0f;
// Walkers farther away are known by a coarse phase: which 64 px of their walk and their heading.
static const float SOLVE_GRID_WALKER_FAR_X = 64.0f;
// Where the player stands on the screen decides which aims exist (the cursor is clamped to the
// screen): within this many pixels of an edge, or past it, the state is told apart by how far.
static const int32_t SOLVE_SCREEN_EDGE = 24;
static const int32_t SOLVE_SCREEN_STEP = 64;
static const int32_t SOLVE_SCREEN_ZONES = 3; // zones past either edge, each SOLVE_SCREEN_STEP wide
// Saved games are kept only for expanded states: the store's share of the memory, and its words per
// state (beside a floor) when the options give a state cap instead. A store full stops the search as
// the cap does.
static const size_t SOLVE_STORE_SHARE = 4; // a quarter
// Expanded states whose game is kept: those this many steps deep (a multiple); the rest are played on
// from the nearest one kept above them, at most this many steps less one.
static const int32_t SOLVE_KEEP_EVERY = 4;
static const size_t SOLVE_STORE_WORDS_PER_STATE = 16;
static const size_t SOLVE_STORE_WORDS_MIN = (size_t)1 << 18;
// What every kept state costs beside its share of the store: its node, its place in the open heap
// and two slots of the table (kept at most half full).
static const size_t SOLVE_BYTES_PER_STATE = sizeof(SolveNode) + sizeof(SolveOpen) + 2 * sizeof(SolveSlot);
// Differences from the start nearer than this many equal words are kept as one run.
static const uint32_t SOLVE_RUN_GAP = 2;

#define SOLVE_COUNT(a) ((int32_t)(sizeof(a) / sizeof((a)[0])))

static_assert(SOLVE_COUNT(SOLVE_PUSH_ANGLES) == SOLVE_COUNT(((SolveSearch*)nullptr)->pushAngles),
              "one slot per push angle");
static_assert(sizeof(GameSnapshot) % sizeof(uint32_t) == 0, "saved games are compared word by word");

// ---- the game, asked and stepped --------------------------------------------------------------------

void SolveAngleCursor(float degrees, int32_t* lx, int32_t* ly) {
    const Camera* camera = GameStateGetCamera();
    const Player* player = GameStateGetPlayer();
    const double sx = (double)player->body.x - (double)camera->x;
    const double sy = (double)player->body.y - (double)camera->y;
    const double rad = (double)degrees * 3.14159265358979323846 / 180.0;
    const double dx = cos(rad);
    const double dy = sin(rad);
    double reach = 400.0;
    if (dx > 1e-9) {
        reach = fmin(reach, ((double)(LOGICAL_WIDTH - 1) - sx) / dx);
    } else if (dx < -1e-9) {
        reach = fmin(reach, -sx / dx);
    }
    if (dy > 1e-9) {
        reach = fmin(reach, ((double)(LOGICAL_HEIGHT - 1) - sy) / dy);
    } else if (dy < -1e-9) {
        reach = fmin(reach, -sy / dy);
    }
    // A player at the screen's edge still gets a usable aim: the point is then clamped by the game.
    reach = fmax(reach, 24.0);
    *lx = (int32_t)lround(sx + dx * reach);
    *ly = (int32_t)lround(sy + dy * reach);
}

void SolveStepInput(const SolveStep* step, int32_t f, InputFrame* out) {
    out->cursorX = InputGetMouseLogicalX();
    out->cursorY = InputGetMouseLogicalY();
    out->leftButton = f == 1 && step->kind == SOLVE_SHOOT;
    out->key = f == 1 && step->kind == SOLVE_RELOAD ? KEY_R : 0;
    if (out->leftButton) {
        SolveAngleCursor((float)step->angle, &out->cursorX, &out->cursorY);
        // On the screen, so a replay script can name the pixel.
        out->cursorX = std::min(std::max(out->cursorX, 0), LOGICAL_WIDTH - 1);
        out->cursorY = std::min(std::max(out->cursorY, 0), LOGICAL_HEIGHT - 1);
    }
}

int SolveRouteInput(const SolveStep* route, int32_t steps, int32_t frame, InputFrame* out) {
    if (frame == 0) {
        *out = {SOLVE_START_CURSOR_X, SOLVE_START_CURSOR_Y, 1, 0};
        return 1;
    }
    int32_t first = 1;
    for (int32_t i = 0; i < steps; ++i) {
        if (frame < first + route[i].frames) {
            SolveStepInput(&route[i], frame - first + 1, out);
            return 1;
        }
        first += route[i].frames;
    }
    return 0;
}

// Frame f of step, as every search, replay and script runs it; the mode after it.
static int32_t SolveRunFrame(SolveSearch* s, const SolveStep* step, int32_t f) {
    InputFrame input;
    SolveStepInput(step, f, &input);
    GameStateStepWith(&input, SOLVE_DT);
    ++s->framesRun;
    return GameStateGetMode();
}

// The game's own answer: would a click now fire?
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

// A xorshift step: the search's and the shake's random numbers.
static uint32_t SolveRandomNext(uint32_t* state) {
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

// A whole number from -range to +range.
static int32_t SolveRandomIn(uint32_t* state, int32_t range) {
    return range > 0 ? (int32_t)(SolveRandomNext(state) % (uint32_t)(2 * range + 1)) - range : 0;
}

// ---- saved states, as their differences from the start ----------------------------------------------

// The play parts of the game (the list's play column) that differ from the start, as runs of words:
// (offset, count, words...). 0 when the store is full.
static int SolveStoreState(SolveSearch* s, SolveNode* node) {
    GameStateSave(&s->work);
    const uint32_t* now = (const uint32_t*)&s->work;
    const uint32_t* base = (const uint32_t*)&s->start;
    const size_t begin = s->storeUsed;
    int32_t partCount = 0;
    const GameSnapshotPart* parts = GameSnapshotParts(&partCount);
    for (int32_t p = 0; p < partCount; ++p) {
        if (!parts[p].play) {
            continue;
        }
        const uint32_t first = (uint32_t)(parts[p].offset / sizeof(uint32_t));
        const uint32_t end =
            (uint32_t)((parts[p].offset + parts[p].size + sizeof(uint32_t) - 1) / sizeof(uint32_t));
        uint32_t at = first;
        while (at < end) {
            if (now[at] == base[at]) {
                ++at;
                continue;
            }
            uint32_t last = at; // the run ends at the last difference before a long enough gap
            for (uint32_t w = at + 1; w < end && w <= last + SOLVE_RUN_GAP; ++w) {
                if (now[w] != base[w]) {
                    last = w;
                }
            }
            const uint32_t count = last - at + 1;
            if (s->storeUsed + 2 + count > s->storeCap) {
                s->storeUsed = begin;
                return 0;
            }
            s->store[s->storeUsed++] = at;
            s->store[s->storeUsed++] = count;
            memcpy(&s->store[s->storeUsed], &now[at], count * sizeof(uint32_t));
            s->storeUsed += count;
            at = last + 1;
        }
    }
    // The end of a state is the start of the next; a run of count 0 marks it for the last one.
    if (s->storeUsed + 2 > s->storeCap) {
        s->storeUsed = begin;
        return 0;
    }
    s->store[s->storeUsed++] = 0;
    s->store[s->storeUsed++] = 0;
    node->state = (uint32_t)begin;
    return 1;
}

static void SolveUnpackStep(uint32_t packed, SolveStep* step) {
    step->kind = (int32_t)(packed & 3u);
    step->angle = (int32_t)((packed >> 2) & 1023u) - 512;
    step->frames = (int32_t)(packed >> 12);
}

static uint32_t SolvePackStep(const SolveStep* step) {
    return (uint32_t)step->kind | (uint32_t)(step->angle + 512) << 2 | (uint32_t)step->frames << 12;
}

static int32_t SolveRunFrame(SolveSearch* s, const SolveStep* step, int32_t f);

static void SolveLoadState(SolveSearch* s, const SolveNode* node) {
    if (node->state == SOLVE_NO_STATE) {
        // Not kept: the game of the nearest ancestor kept (one in SOLVE_KEEP_EVERY steps is) played on
        // by the steps from there.
        const SolveNode* path[SOLVE_KEEP_EVERY + 1];
        int32_t count = 0;
        for (const SolveNode* n = node; n->state == SOLVE_NO_STATE; n = &s->nodes[n->parent]) {
            path[count++] = n;
        }
        SolveLoadState(s, &s->nodes[path[count - 1]->parent]);
        while (count > 0) {
            SolveStep step;
            SolveUnpackStep(path[--count]->step, &step);
            for (int32_t f = 1; f <= step.frames; ++f) {
                SolveRunFrame(s, &step, f);
            }
        }
        return;
    }
    memcpy(&s->work, &s->start, sizeof(s->work));
    uint32_t* out = (uint32_t*)&s->work;
    size_t at = node->state;
    for (;;) {
        const uint32_t offset = s->store[at];
        const uint32_t count = s->store[at + 1];
        if (count == 0) {
            break;
        }
        memcpy(&out[offset], &s->store[at + 2], count * sizeof(uint32_t));
        at += 2 + count;
    }
    GameStateRestore(&s->work);
}

// ---- the search ---------------------------------------------------------------------------------------

// The body's steps to the goal from where it stands (world/reach). A place the body's field knows no way
// from is still a place the game put the body: it is kept, by its open-cell distance, behind every place
// with a way for the body.
static int32_t SolveDistanceAt(const SolveSearch* s, float x, float y, int32_t* col, int32_t* row) {
    *col = (int32_t)floorf(x / (float)TILE_SIZE);
    *row = (int32_t)floorf(y / (float)TILE_SIZE);
    const int32_t distance = ReachDistanceOfBody(&s->reach, x, y);
    if (distance < REACH_FAR) {
        return distance;
    }
    const int32_t open = ReachDistanceOfCell(&s->openField, x, y);
    return open < REACH_FAR ? SOLVE_NO_WAY + open : 2 * SOLVE_NO_WAY;
}

static int32_t SolveGrid(float value, float unit, int32_t offset, int32_t max) {
    return std::min(std::max((int32_t)floorf(value / unit) + offset, 0), max);
}

// Where a coordinate of the player on the screen lies, for the key: 0 well inside; past or near the
// low edge 1..SOLVE_SCREEN_ZONES, past or near the high edge after those, each by how far.
static int32_t SolveScreenZone(float at, int32_t size) {
    const int32_t v = (int32_t)floorf(at);
    if (v >= SOLVE_SCREEN_EDGE && v < size - SOLVE_SCREEN_EDGE) {
        return 0;
    }
    const int32_t beyond = v < SOLVE_SCREEN_EDGE ? SOLVE_SCREEN_EDGE - 1 - v : v - (size - SOLVE_SCREEN_EDGE);
    const int32_t far = std::min(beyond / SOLVE_SCREEN_STEP, SOLVE_SCREEN_ZONES - 1);
    return 1 + far + (v < SOLVE_SCREEN_EDGE ? 0 : SOLVE_SCREEN_ZONES);
}

// The grid cell a state is known by: position, velocity, shells, reload, ground, the fire block, the
// player's place on the screen, which walkers live and where each one is in its walk.
static uint64_t SolveKey(void) {
    const Player* p = GameStateGetPlayer();
    int32_t count = 0;
    const Enemy* enemies = GameStateGetEnemies(&count);
    uint64_t alive = 0;
    for (int32_t i = 0; i < count && i < MAX_ENEMIES; ++i) {
        alive |= (uint64_t)(EnemyIsAlive(&enemies[i]) != 0) << i;
    }
    float block = 0.0f;
    GameStateGetTimers(nullptr, &block, nullptr);
    const int32_t kx = std::min(std::max((int32_t)floorf(p->body.x * SOLVE_GRID_POS), 0), SOLVE_GRID_X_MAX);
    const int32_t ky = std::min(std::max((int32_t)floorf(p->body.y * SOLVE_GRID_POS), 0), SOLVE_GRID_Y_MAX);
    const int32_t kvx = SolveGrid(p->body.vx, SOLVE_GRID_SPEED, SOLVE_GRID_SPEED_MID, SOLVE_GRID_SPEED_MAX);
    const int32_t kvy = SolveGrid(p->body.vy, SOLVE_GRID_SPEED, SOLVE_GRID_SPEED_MID, SOLVE_GRID_SPEED_MAX);
    const int32_t reload =
        std::min((int32_t)ceilf(p->shotgun.reloadMs / SOLVE_GRID_RELOAD_MS), SOLVE_GRID_RELOAD_MAX);
    const int32_t blocked =
        std::min(std::max((int32_t)ceilf(block / SOLVE_GRID_BLOCK_MS), 0), SOLVE_GRID_BLOCK_MAX);
    const Camera* camera = GameStateGetCamera();
    const int32_t zoneX = SolveScreenZone(p->body.x - camera->x, LOGICAL_WIDTH);
    const int32_t zoneY = SolveScreenZone(p->body.y - camera->y, LOGICAL_HEIGHT);
    uint64_t key = (uint64_t)kx;
    key = key << 8 | (uint64_t)ky;
    key = key << 5 | (uint64_t)kvx;
    key = key << 5 | (uint64_t)kvy;
    key = key << 2 | (uint64_t)(p->shotgun.shells & 3);
    key = key << 5 | (uint64_t)reload;
    key = key << 1 | (uint64_t)(p->body.onGround != 0);
    key = key << 4 | (uint64_t)blocked;
    key = key << 3 | (uint64_t)zoneX;
    key = key << 3 | (uint64_t)zoneY;
    key = key << 8 | alive;
    // Every live walker by its phase: finely near the player, coarsely far away, so waiting for one to
    // come round is a new state.
    uint64_t walkers = 0;
    for (int32_t i = 0; i < count && i < MAX_ENEMIES; ++i) {
        const Enemy* e = &enemies[i];
        if (!EnemyIsAlive(e)) {
            continue;
        }
        const int near =
            fabsf(e->x - p->body.x) < SOLVE_WALKER_NEAR_X && fabsf(e->y - p->body.y) < SOLVE_WALKER_NEAR_Y;
        const float unit = near ? SOLVE_GRID_WALKER_X : SOLVE_GRID_WALKER_FAR_X;
        walkers = walkers * 1099511628211ull +
                  (uint64_t)(i * 8192 + near * 4096 + (int32_t)floorf(e->x / unit) * 2 + (e->dir > 0));
    }
    key ^= walkers * 0x9E3779B97F4A7C15ull;
    return key != 0 ? key : 1;
}

// The slot of key in the table: its own, or the free one it goes in.
static SolveSlot* SolveSlotFor(SolveSearch* s, uint64_t key) {
    size_t at = (size_t)((key ^ (key >> 29)) * 0xBF58476D1CE4E5B9ull) & s->tableMask;
    while (s->table[at].key != 0 && s->table[at].key != key) {
        at = (at + 1) & s->tableMask;
    }
    return &s->table[at];
}

static bool SolveOpenAfter(const SolveOpen& a, const SolveOpen& b) {
    return a.priority != b.priority ? a.priority > b.priority : a.order > b.order;
}

// Keeps the game as it stands as a child of parent reached by step, unless it leads nowhere, a route
// already clears sooner or the same grid cell was reached as soon.
static void SolveAddNode(SolveSearch* s, int32_t parent, const SolveStep* step, int32_t frames) {
    int32_t col = 0;
    int32_t row = 0;
    const Player* p = GameStateGetPlayer();
    const int32_t distance = SolveDistanceAt(s, p->body.x, p->body.y, &col, &row);
    if (frames >= s->bestClear) {
        return;
    }
    // The walled-in verdict's argument: every place the game puts the body has open cells to the goal.
    if (ReachDistanceOfCell(&s->openField, p->body.x, p->body.y) >= REACH_FAR) {
        ++s->outsideOpen;
    }
    const int32_t depth = parent < 0 ? 0 : s->nodes[parent].depth + 1;
    if (s->nodeCount >= s->maxStates || depth >= SOLVE_MAX_ROUTE - 1) {
        s->capped = s->capped || s->nodeCount >= s->maxStates;
        return;
    }
    // The root is never looked up: it is expanded first, whatever else reaches its cell.
    const uint64_t key = SolveKey();
    SolveSlot* slot = SolveSlotFor(s, key);
    if (parent >= 0 && slot->key == key && slot->frames <= frames) {
        return;
    }
    SolveNode* node = &s->nodes[s->nodeCount];
    node->state = SOLVE_NO_STATE;
    if (parent < 0 && !SolveStoreState(s, node)) {
        s->capped = 1;
        return;
    }
    if (parent >= 0) {
        slot->key = key;
        slot->frames = frames;
    }
    node->parent = parent;
    node->step = SolvePackStep(step);
    node->frames = frames;
    node->distance = distance;
    node->depth = (uint16_t)depth;
    node->unused = 0;
    node->key = key;
    const int64_t priority = (int64_t)distance * SOLVE_TILE_FRAMES + frames;
    s->open[s->openCount++] = {priority, s->order++, s->nodeCount++};
    std::push_heap(s->open, s->open + s->openCount, SolveOpenAfter);
}

// Runs step kind/angle from the state of parent, adding a child at every stop; the least distance the
// body had on the way.
static int32_t SolveBranch(SolveSearch* s, int32_t parent, int32_t kind, int32_t angle, const int32_t* stops,
                           int32_t stopCount) {
    SolveLoadState(s, &s->nodes[parent]);
    const int32_t start = s->nodes[parent].frames;
    SolveStep step = {kind, angle, 0};
    int32_t next = 0;
    int32_t nearest = INT32_MAX;
    for (int32_t f = 1; f <= stops[stopCount - 1]; ++f) {
        const int32_t mode = SolveRunFrame(s, &step, f);
        if (mode == MODE_PLAYING) {
            const Player* p = GameStateGetPlayer();
            int32_t col = 0;
            int32_t row = 0;
            nearest = std::min(nearest, SolveDistanceAt(s, p->body.x, p->body.y, &col, &row));
        }
        if (mode == MODE_STAGE_CLEAR) {
            if (start + f < s->bestClear) {
                s->bestClear = start + f;
                s->foundNode = parent;
                s->foundStep = step;
                s->foundStep.frames = f;
            }
            return 0;
        }
        if (mode != MODE_PLAYING) {
            return nearest;
        }
        if (f == stops[next]) {
            step.frames = f;
            SolveAddNode(s, parent, &step, start + f);
            ++next;
        }
    }
    return nearest;
}

// Every step from the state of node index: shots at each angle when the gun can fire (upward ones only
// with a walker near), a reload when shells are missing, and a wait.
static void SolveExpand(SolveSearch* s, int32_t index) {
    SolveLoadState(s, &s->nodes[index]);
    // Its children and theirs start from here: keep it, at every SOLVE_KEEP_EVERY-th step.
    if (s->nodes[index].state == SOLVE_NO_STATE && s->nodes[index].depth % SOLVE_KEEP_EVERY == 0 &&
        !SolveStoreState(s, &s->nodes[index])) {
        s->capped = 1;
        return;
    }
    const int canFire = SolveCanFire();
    const int walkerNear = canFire && SolveWalkerNear();
    const int canReload = ShotgunCanReload(&GameStateGetPlayer()->shotgun);
    if (canFire) {
        int32_t best = INT32_MAX;
        int32_t bestAngle = 0;
        for (int32_t angle : s->pushAngles) {
            const int32_t nearest =
                SolveBranch(s, index, SOLVE_SHOOT, angle, SOLVE_SHOT_STOPS, SOLVE_COUNT(SOLVE_SHOT_STOPS));
            if (nearest < best) {
                best = nearest;
                bestAngle = angle;
            }
        }
        // The shot that got nearest, when it got nearer than here: every frame and the degrees round it.
        if (best <= s->nodes[s->farNode].distance) {
            for (int32_t turn : SOLVE_FINE_TURNS) {
                const int32_t angle = bestAngle + turn;
                if (angle >= 0 && angle <= 180) {
                    SolveBranch(s, index, SOLVE_SHOOT, angle, SOLVE_FINE_STOPS,
                                SOLVE_COUNT(SOLVE_FINE_STOPS));
                }
            }
        }
    }
    if (walkerNear) {
        for (int32_t angle : SOLVE_KILL_ANGLES) {
            SolveBranch(s, index, SOLVE_SHOOT, angle, SOLVE_SHOT_STOPS, SOLVE_COUNT(SOLVE_SHOT_STOPS));
        }
    }
    if (canReload) {
        SolveBranch(s, index, SOLVE_RELOAD, 0, SOLVE_RELOAD_STOPS, SOLVE_COUNT(SOLVE_RELOAD_STOPS));
    }
    SolveBranch(s, index, SOLVE_WAIT, 0, SOLVE_WAIT_STOPS, SOLVE_COUNT(SOLVE_WAIT_STOPS));
}

// Plays steps of route from the stage start; the frames after the start at which the stage is cleared
// (the route cut there: *steps and the last step's frames), or 0 when it is not.
static int32_t SolveReplay(SolveSearch* s, SolveStep* route, int32_t* steps) {
    GameStateRestore(&s->start);
    int32_t frames = 0;
    for (int32_t i = 0; i < *steps; ++i) {
        for (int32_t f = 1; f <= route[i].frames; ++f) {
            const int32_t mode = SolveRunFrame(s, &route[i], f);
            ++frames;
            if (mode == MODE_STAGE_CLEAR) {
                route[i].frames = f;
                *steps = i + 1;
                return frames;
            }
            if (mode != MODE_PLAYING) {
                return 0;
            }
        }
    }
    return 0;
}

// The steps from the start to node, into route; their count.
static int32_t SolveRouteTo(const SolveSearch* s, int32_t node, SolveStep* route) {
    const int32_t steps = s->nodes[node].depth;
    int32_t at = steps;
    for (int32_t n = node; n > 0; n = s->nodes[n].parent) {
        SolveUnpackStep(s->nodes[n].step, &route[--at]);
    }
    return steps;
}

static void SolveNoteFar(SolveSearch* s, int32_t node) {
    const SolveNode* n = &s->nodes[node];
    SolveLoadState(s, n);
    const Player* p = GameStateGetPlayer();
    s->farCol = (int32_t)floorf(p->body.x / (float)TILE_SIZE);
    s->farRow = (int32_t)floorf(p->body.y / (float)TILE_SIZE);
    // Tiles, whichever field gave them (the open cells' are counted past every place with a way).
    s->farDistance = n->distance >= 2 * SOLVE_NO_WAY ? n->distance : n->distance % SOLVE_NO_WAY;
}

// The search has ended: the route found (checked by a replay, then shortened) or the way nearest the goal.
static int32_t SolveEndSearch(SolveSearch* s) {
    SolveNoteFar(s, s->farNode);
    if (s->foundNode >= 0) {
        int32_t steps = SolveRouteTo(s, s->foundNode, s->route);
        s->route[steps++] = s->foundStep;
        const int32_t frames = SolveReplay(s, s->route, &steps);
        if (frames > 0) {
            s->routeSteps = steps;
            s->routeFrames = frames;
            s->searchFrames = frames;
            s->farDistance = 0;
            s->shortening = 1;
            s->cutStep = 0;
            s->cutChoice = -1;
            s->cutImproved = 0;
            s->cutIdle = 0;
            return SOLVE_RUNNING;
        }
    }
    s->routeSteps = SolveRouteTo(s, s->farNode, s->route);
    s->routeFrames = 0;
    for (int32_t i = 0; i < s->routeSteps; ++i) {
        s->routeFrames += s->route[i].frames;
    }
    return SOLVE_EXHAUSTED;
}

static int32_t SolveSearchSome(SolveSearch* s, int32_t budget) {
    for (int32_t done = 0; done < budget;) {
        if (s->openCount == 0 || s->expanded >= s->stopAt || s->capped) {
            return SolveEndSearch(s);
        }
        std::pop_heap(s->open, s->open + s->openCount, SolveOpenAfter);
        const int32_t index = s->open[--s->openCount].node;
        const SolveNode* node = &s->nodes[index];
        if (index > 0 && SolveSlotFor(s, node->key)->frames < node->frames) {
            continue; // reached sooner by another way since
        }
        const SolveNode* far = &s->nodes[s->farNode];
        if (node->distance < far->distance ||
            (node->distance == far->distance && node->frames < far->frames)) {
            s->farNode = index;
            SolveNoteFar(s, index);
        }
        SolveExpand(s, index);
        ++s->expanded;
        ++done;
        // Once a route is found the search goes on as long again for a shorter one.
        if (s->foundNode >= 0 && s->stopAt == INT64_MAX) {
            s->stopAt = 2 * s->expanded;
        }
    }
    return SOLVE_RUNNING;
}

// Every step's click or tap must be a press the game sees (input's press edge), the first one after
// the starting click too; every step lasts a frame at least.
static int SolveRouteValid(const SolveStep* route, int32_t steps) {
    InputFrame before;
    SolveRouteInput(route, steps, 0, &before);
    for (int32_t i = 0; i < steps; ++i) {
        if (route[i].frames < 1) {
            return 0;
        }
        InputFrame now;
        SolveStepInput(&route[i], 1, &now);
        if ((route[i].kind == SOLVE_SHOOT && !InputIsPressEdge(now.leftButton, before.leftButton)) ||
            (route[i].kind == SOLVE_RELOAD && !InputIsPressEdge(now.key, before.key))) {
            return 0;
        }
        SolveStepInput(&route[i], route[i].frames, &before);
    }
    return steps > 0;
}

// The shortening pass, a trial at a time: drops steps and trims waits while the stage is still cleared
// sooner. Passes over the route repeat while one gains, until SOLVE_SHORTEN_TRIALS trials gain nothing.
static int32_t SolveShortenSome(SolveSearch* s, int32_t budget) {
    for (int32_t done = 0; done < budget;) {
        if (s->cutIdle >= SOLVE_SHORTEN_TRIALS) {
            return SOLVE_FOUND;
        }
        if (s->cutStep >= s->routeSteps) {
            if (!s->cutImproved) {
                return SOLVE_FOUND;
            }
            s->cutStep = 0;
            s->cutChoice = -1;
            s->cutImproved = 0;
        }
        if (s->cutChoice >= SOLVE_CUT_COUNT) {
            ++s->cutStep;
            s->cutChoice = -1;
            continue;
        }
        const int32_t i = s->cutStep;
        const int32_t c = s->cutChoice++;
        int32_t steps = s->routeSteps;
        memcpy(s->trial, s->route, sizeof(SolveStep) * (size_t)steps);
        if (c < 0) {
            memmove(&s->trial[i], &s->trial[i + 1], sizeof(SolveStep) * (size_t)(steps - i - 1));
            --steps;
        } else if (s->trial[i].frames > SOLVE_CUTS[c]) {
            s->trial[i].frames -= SOLVE_CUTS[c];
        } else {
            continue;
        }
        if (!SolveRouteValid(s->trial, steps)) {
            continue;
        }
        ++s->cutIdle;
        ++done;
        const int32_t got = SolveReplay(s, s->trial, &steps);
        if (got > 0 && got < s->routeFrames) {
            memcpy(s->route, s->trial, sizeof(SolveStep) * (size_t)steps);
            s->routeSteps = steps;
            s->routeFrames = got;
            s->cutImproved = 1;
            s->cutIdle = 0;
            ++s->cutStep;
            s->cutChoice = -1;
        }
    }
    return SOLVE_RUNNING;
}

// The route with press i moved by frames later (the presses after it with it, as a player keeps the
// rhythm from the last press) and turned by degrees, as trial; the frames after the start at which it
// clears, 0 when it does not (or a player could not give it).
static int32_t SolveMovedClears(SolveSearch* s, int32_t i, int32_t frames, int32_t degrees) {
    int32_t steps = s->routeSteps;
    memcpy(s->trial, s->route, sizeof(SolveStep) * (size_t)steps);
    s->trial[steps - 1].frames += SOLVE_CENTRE_FRAMES; // a later clear still counts
    s->trial[i - 1].frames += frames;
    s->trial[i].angle += degrees;
    if (s->trial[i - 1].frames < 1 || !SolveRouteValid(s->trial, steps)) {
        return 0;
    }
    return SolveReplay(s, s->trial, &steps);
}

// How far press i may move (by frames, or by degrees) either way and still clear, up to reach; with
// move, the route is then moved to the middle of that window. The width of the window the press has
// both ways from where it stands: twice the nearer edge's distance, and one.
// The window a press may move in, as wide both ways as half: the press's own place and half on each side.
static int32_t SolveWindow(int32_t half) {
    return 2 * half + 1;
}

static int32_t SolveCentreOn(SolveSearch* s, int32_t i, int by, int32_t reach, int move) {
    int32_t lo = 0;
    int32_t hi = 0;
    while (lo > -reach && SolveMovedClears(s, i, by ? 0 : lo - 1, by ? lo - 1 : 0) > 0) {
        --lo;
    }
    while (hi < reach && SolveMovedClears(s, i, by ? 0 : hi + 1, by ? hi + 1 : 0) > 0) {
        ++hi;
    }
    const int32_t mid = (lo + hi) / 2;
    if (move && mid != 0) {
        const int32_t got = SolveMovedClears(s, i, by ? 0 : mid, by ? mid : 0);
        const int32_t steps = s->routeSteps;
        memcpy(s->route, s->trial, sizeof(SolveStep) * (size_t)steps);
        // The replay cut the trial where it cleared: find that end again.
        s->routeSteps = 0;
        for (int32_t n = 0, f = 0; n < steps && f < got; ++n) {
            f += s->route[n].frames;
            s->routeSteps = n + 1;
        }
        s->routeFrames = got;
    }
    return SolveWindow(std::min(-lo, hi));
}

// The centring pass, a press at a time: each shot and reload moved to the middle of the frames, and
// each shot to the middle of the angles, at which the route still clears. A second pass moves nothing
// and measures the windows of the route as it now stands: the narrowest is its margin.
static void SolveWidenBegin(SolveSearch* s);

static int32_t SolveCentreSome(SolveSearch* s, int32_t budget) {
    for (int32_t done = 0; done < budget; ++done) {
        // A press's frames and its angle are centred a unit each, so no slice of a frame holds both.
        if (s->centreDegrees) {
            s->centreDegrees = 0;
            const int32_t i = s->centreStep - 1;
            if (i < s->routeSteps && s->route[i].kind == SOLVE_SHOOT) {
                s->marginDegrees =
                    std::min(s->marginDegrees, SolveCentreOn(s, i, 1, SOLVE_CENTRE_DEGREES, s->centring == 1));
                continue;
            }
        }
        if (s->centreStep >= s->routeSteps && s->centring == 1) {
            SolveWidenBegin(s); // moved: now the route is widened, then measured
            return SOLVE_RUNNING;
        }
        if (s->centring == 3) {
            s->centring = 2;
            s->centreStep = 0;
            s->marginFrames = INT32_MAX;
            s->marginDegrees = INT32_MAX;
        }
        if (s->centreStep >= s->routeSteps) {
            // Nothing narrowed a margin (no press, or no shot): it is the widest the measure goes, so a
            // stage cleared by its starting click rates easy, not for experts.
            s->marginFrames = s->marginFrames == INT32_MAX ? SolveWindow(SOLVE_CENTRE_FRAMES) : s->marginFrames;
            s->marginDegrees = s->marginDegrees == INT32_MAX ? SolveWindow(SOLVE_CENTRE_DEGREES) : s->marginDegrees;
            return SOLVE_FOUND;
        }
        const int32_t i = s->centreStep++;
        if (i == 0 || s->route[i].kind == SOLVE_WAIT) {
            continue;
        }
        s->marginFrames = std::min(s->marginFrames, SolveCentreOn(s, i, 0, SOLVE_CENTRE_FRAMES, s->centring == 1));
        s->centreDegrees = 1;
    }
    return SOLVE_RUNNING;
}

// ---- shaking a route, as a hand plays it, and widening it ---------------------------------------------

// Frames a shaken route may run past its end and still count: a press moved late clears late.
static const int32_t SOLVE_SHAKE_TAIL = 30;

// Try t of a shake of the route: its presses of steps first to last moved and turned by the try's own
// random numbers, played from the start; 1 when it still clears. Every try draws from its own seed, so
// two routes with the same presses are shaken alike by the same try.
static int SolveShakeTry(SolveSearch* s, const SolveStep* route, int32_t steps, int32_t frames,
                         int32_t degrees, uint32_t seed, int32_t t, int32_t first, int32_t last) {
    if (steps == 0) {
        return 1;
    }
    if (steps >= SOLVE_MAX_ROUTE) {
        return 0;
    }
    uint32_t state = seed * 0x9E3779B1u + (uint32_t)t * 0x85EBCA6Bu + 0x5EEDu;
    state = (state ^ (state >> 16)) * 0x7FEB352Du;
    state = (state ^ (state >> 15)) * 0x846CA68Bu;
    state ^= state >> 16;
    state = state != 0 ? state : 1;
    // A wait of no frames first, so the first press has a step before it to give or take frames.
    s->trial[0] = {SOLVE_WAIT, 0, 0};
    memcpy(&s->trial[1], route, sizeof(SolveStep) * (size_t)steps);
    int32_t count = steps + 1;
    // Each press is moved by the start of its step: the step before it gives or takes the frames.
    for (int32_t i = 1; i < count; ++i) {
        if (s->trial[i].kind == SOLVE_WAIT) {
            continue;
        }
        int32_t by = SolveRandomIn(&state, frames);
        int32_t turn = SolveRandomIn(&state, degrees);
        if (i - 1 < first || i - 1 > last) {
            by = 0;
            turn = 0;
        }
        s->trial[i - 1].frames += by;
        s->trial[i].frames -= by;
        if (s->trial[i].kind == SOLVE_SHOOT) {
            s->trial[i].angle += turn;
        }
    }
    if (s->trial[0].frames < 0) { // no earlier than the frame after the start
        s->trial[1].frames += s->trial[0].frames;
        s->trial[0].frames = 0;
    }
    SolveStep* trial = s->trial;
    if (trial[0].frames == 0) {
        ++trial;
        --count;
    }
    trial[count - 1].frames += SOLVE_SHAKE_TAIL;
    return SolveRouteValid(trial, count) && SolveReplay(s, trial, &count) > 0;
}

int32_t SolveShake(SolveSearch* s, const SolveStep* route, int32_t steps, const SolveShakeOptions* options) {
    GameStateSave(&s->outside);
    int32_t clears = 0;
    for (int32_t t = 0; t < options->tries; ++t) {
        clears += SolveShakeTry(s, route, steps, options->frames, options->degrees, options->seed, t, 0, steps);
    }
    GameStateRestore(&s->outside);
    return clears;
}

// The widening pass tries changes to one press at a time, each judged by how many tries of a shake of
// the presses from SOLVE_WIDEN_NEAR steps before it to the end still clear (those before it are played
// as they stand, so a long route's early misses do not drown the gain of a late change):
// SOLVE_WIDEN_TRIES with presses moved by a frame, as many moved by a frame and turned by a degree, as
// many by two of each. A change is kept when more tries clear, and no fewer of the first kind; a longer
// route is the price.
static const int32_t SOLVE_WIDEN_NEAR = 6;
// Passes over the route at most; a pass that gains nothing is the last.
static const int32_t SOLVE_WIDEN_TRIES = 12;
static const int32_t SOLVE_WIDEN_SHAKES[3][2] = {{1, 0}, {1, 1}, {2, 2}}; // frames, degrees
static const uint32_t SOLVE_WIDEN_SEED = 0x57494445u;
// The pass gives up after this many changes tried without a gain.
static const int32_t SOLVE_WIDEN_TRIALS = 200;
struct SolveWidenMove {
    int8_t shift;   // the press this many frames later, the presses after it where they were
    int8_t along;   // the press this many frames later, the presses after it along
    int8_t turn;    // a shot this many degrees further round
    int8_t retime;  // then the press (the presses after it along) to the middle of the frames it clears at
};
static const SolveWidenMove SOLVE_WIDEN_MOVES[] = {
    {-2, 0, 0, 0},  {-1, 0, 0, 0}, {1, 0, 0, 0},  {2, 0, 0, 0},   {0, 1, 0, 0},  {0, 2, 0, 0},
    {0, 4, 0, 0},   {0, 0, -2, 0}, {0, 0, -1, 0}, {0, 0, 1, 0},   {0, 0, 2, 0},  {0, 0, -4, 1},
    {0, 0, 4, 1},   {0, 0, -7, 1}, {0, 0, 7, 1},  {0, 0, -11, 1}, {0, 0, 11, 1}, {0, 0, -16, 1},
    {0, 0, 16, 1}};
// How far a retimed press is moved either way looking for the frames it clears at.
static const int32_t SOLVE_WIDEN_RETIME = 10;

// The candidate's press i moved by the middle of the longest run of frames (the presses after it along)
// at which it clears, up to SOLVE_WIDEN_RETIME either way; 0 when it clears at none.
static int SolveWidenRetime(SolveSearch* s, int32_t i, int32_t steps) {
    int32_t runStart = 0;
    int32_t bestStart = 0;
    int32_t bestLength = 0;
    for (int32_t d = -SOLVE_WIDEN_RETIME; d <= SOLVE_WIDEN_RETIME + 1; ++d) {
        int clears = 0;
        if (d <= SOLVE_WIDEN_RETIME) {
            int32_t count = steps;
            memcpy(s->trial, s->candidate, sizeof(SolveStep) * (size_t)steps);
            s->trial[i - 1].frames += d;
            clears = s->trial[i - 1].frames >= 1 && SolveRouteValid(s->trial, count) &&
                     SolveReplay(s, s->trial, &count) > 0;
        }
        if (!clears) {
            if (d - runStart > bestLength) {
                bestLength = d - runStart;
                bestStart = runStart;
            }
            runStart = d + 1;
        }
    }
    if (bestLength == 0) {
        return 0;
    }
    s->candidate[i - 1].frames += bestStart + (bestLength - 1) / 2;
    return 1;
}

// 1 when press i of the route no longer clears moved alone by a frame or two either way (as far as
// from a neighbour moved the other way), or turned by a degree: a press worth widening.
static int SolveWidenFragile(SolveSearch* s, int32_t i) {
    for (int32_t by : {-1, 1, -2, 2}) {
        for (int turn = 0; turn < 2; ++turn) {
            if (turn && (s->route[i].kind != SOLVE_SHOOT || by < -1 || by > 1)) {
                continue; // only a shot turns, and by a degree
            }
            int32_t steps = s->routeSteps;
            memcpy(s->trial, s->route, sizeof(SolveStep) * (size_t)steps);
            if (turn) {
                s->trial[i].angle += by;
            } else {
                s->trial[i - 1].frames += by;
                s->trial[i].frames -= by;
            }
            s->trial[steps - 1].frames += SOLVE_SHAKE_TAIL;
            if (s->trial[i - 1].frames < 1 || s->trial[i].frames < 1) {
                continue;
            }
            if (!SolveRouteValid(s->trial, steps) || SolveReplay(s, s->trial, &steps) == 0) {
                return 1;
            }
        }
    }
    return 0;
}

// The next candidate of the pass: at each fragile press first the route as it stands, to score it round
// that press, then each change of it that still clears unshaken. 0 when the pass has gone through
// every press; 2 when a press was found sturdy, or a change played that does not clear, and there is
// no candidate yet (the next call goes on from there).
static int SolveWidenNext(SolveSearch* s) {
    for (;;) {
        if (s->widenScanning != 1 && ++s->widenMove >= SOLVE_COUNT(SOLVE_WIDEN_MOVES)) {
            s->widenMove = -1;
            ++s->widenPress;
        }
        s->widenScanning = 0;
        int32_t steps = s->routeSteps;
        memcpy(s->candidate, s->route, sizeof(SolveStep) * (size_t)steps);
        if (s->widenMove < 0) {
            // The first press of the route has no step before it to move it by.
            while (s->widenPress < s->routeSteps &&
                   (s->widenPress == 0 || s->route[s->widenPress].kind == SOLVE_WAIT)) {
                ++s->widenPress;
            }
            if (s->widenPress >= s->routeSteps) {
                return 0;
            }
            if (!SolveWidenFragile(s, s->widenPress)) {
                // Its plays were this call's work: the next call looks at the next press.
                ++s->widenPress;
                s->widenScanning = 1;
                return 2;
            }
            s->candidateFrames = s->routeFrames;
            s->widenScore = -1;
        } else {
            const int32_t i = s->widenPress;
            const SolveWidenMove* move = &SOLVE_WIDEN_MOVES[s->widenMove];
            if (move->turn != 0 && s->route[i].kind != SOLVE_SHOOT) {
                continue;
            }
            s->candidate[i - 1].frames += move->shift + move->along;
            s->candidate[i].frames -= move->shift;
            s->candidate[i].angle += move->turn;
            s->candidate[steps - 1].frames += SOLVE_SHAKE_TAIL; // a later clear still counts
            if (move->retime && !SolveWidenRetime(s, i, steps)) {
                s->widenScanning = 2; // its plays were this call's work: the next call tries the next move
                return 2;
            }
            if (!SolveRouteValid(s->candidate, steps)) {
                continue;
            }
            s->candidateFrames = SolveReplay(s, s->candidate, &steps);
            if (s->candidateFrames == 0) {
                ++s->widenIdle;
                s->widenScanning = 2;
                return 2;
            }
        }
        s->candidateSteps = steps;
        s->widenTry = 0;
        s->widenClears = 0;
        s->widenFirstClears = 0;
        return 1;
    }
}

// The candidate's tries are in: the route as it stood scored, or the change kept when it gained.
static void SolveWidenJudge(SolveSearch* s) {
    const int32_t tries = SOLVE_COUNT(SOLVE_WIDEN_SHAKES) * SOLVE_WIDEN_TRIES;
    if (s->widenScore < 0) {
        s->widenScore = s->widenClears;
        s->widenFirst = s->widenFirstClears;
    } else if (s->widenTry >= tries && s->widenClears > s->widenScore && s->widenFirstClears >= s->widenFirst) {
        memcpy(s->route, s->candidate, sizeof(SolveStep) * (size_t)s->candidateSteps);
        s->routeSteps = s->candidateSteps;
        s->routeFrames = s->candidateFrames;
        s->widenScore = s->widenClears;
        s->widenFirst = s->widenFirstClears;
        s->widenIdle = 0;
        s->widenGained = 1;
    } else {
        ++s->widenIdle;
    }
    if (s->widenScore >= tries) {
        s->widenMove = SOLVE_COUNT(SOLVE_WIDEN_MOVES) - 1; // nothing to gain round this press
    }
    s->candidateFrames = 0;
}

// The widening pass starts before the route's first press, with nothing to judge.
static void SolveWidenBegin(SolveSearch* s) {
    s->widening = 1;
    s->candidateFrames = 0;
    s->widenPress = 0;
    s->widenMove = SOLVE_COUNT(SOLVE_WIDEN_MOVES) - 1;
    s->widenScanning = 0;
    s->widenIdle = 0;
    s->widenGained = 0;
    s->widenPasses = 0;
}

// The widening pass, a try (or a change played once) at a time. 1 when it is done.
static int SolveWidenSome(SolveSearch* s, int32_t budget) {
    const int32_t tries = SOLVE_COUNT(SOLVE_WIDEN_SHAKES) * SOLVE_WIDEN_TRIES;
    for (int32_t done = 0; done < budget; ++done) {
        const int judged = s->widenTry >= tries || s->widenTry - s->widenClears > tries - s->widenScore;
        if (s->candidateFrames > 0 && !judged) {
            const int32_t* by = SOLVE_WIDEN_SHAKES[s->widenTry / SOLVE_WIDEN_TRIES];
            const int32_t i = s->widenPress;
            const int clears = SolveShakeTry(s, s->candidate, s->candidateSteps, by[0], by[1], SOLVE_WIDEN_SEED,
                                             s->widenTry, i - SOLVE_WIDEN_NEAR, s->candidateSteps);
            s->widenClears += clears;
            s->widenFirstClears += s->widenTry < SOLVE_WIDEN_TRIES ? clears : 0;
            ++s->widenTry;
            continue;
        }
        if (s->candidateFrames > 0) {
            SolveWidenJudge(s);
        }
        // (Not while a call left its look through the presses or the moves half done: it goes on.)
        if (!s->widenScanning && s->widenIdle >= SOLVE_WIDEN_TRIALS) {
            return 1;
        }
        const int next = SolveWidenNext(s);
        if (next == 0) {
            if (!s->widenGained || ++s->widenPasses >= s->widenPassesMax) {
                return 1;
            }
            s->widenGained = 0;
            s->widenPress = 0;
            s->widenMove = SOLVE_COUNT(SOLVE_WIDEN_MOVES) - 1;
        }
    }
    return 0;
}

const char* SolveRating(int32_t marginFrames, int32_t marginDegrees) {
    const int32_t margin = std::min(marginFrames, marginDegrees);
    return margin >= 9 ? "easy" : margin >= 5 ? "fair" : margin >= 3 ? "hard" : "for experts";
}

// ---- the public calls ---------------------------------------------------------------------------------

int SolveKeepGame(SolveSearch* s, uint32_t* at) {
    SolveNode node;
    if (s->store == nullptr || !SolveStoreState(s, &node)) {
        return 0;
    }
    *at = node.state;
    return 1;
}

void SolveLoadGame(SolveSearch* s, uint32_t at) {
    SolveNode node;
    node.state = at;
    SolveLoadState(s, &node);
}

static void SolveFreeMemory(SolveSearch* s) {
    free(s->nodes);
    free(s->store);
    free(s->table);
    free(s->open);
    s->nodes = nullptr;
    s->store = nullptr;
    s->table = nullptr;
    s->open = nullptr;
}

int SolveStartGame(const SolveOptions* options) {
    static const GameSnapshot clean = {};
    LevelStageSource kept;
    LevelGetStageSource(&kept);
    if (options->stageText != nullptr) {
        LevelSetStageText(options->stageText, options->stageTextLength);
    } else {
        LevelSetStageText(nullptr, 0);
        LevelSetStagePath(options->stagePath != nullptr ? options->stagePath : "");
    }
    GameStateRestore(&clean);
    InputFrame click;
    SolveRouteInput(nullptr, 0, 0, &click);
    GameStateStepWith(&click, SOLVE_DT);
    LevelSetStageSource(&kept);
    return GameStateGetMode() == MODE_PLAYING;
}

int32_t SolveStart(SolveSearch* s, const SolveOptions* options) {
    SolveFreeMemory(s);
    // Nothing of an earlier search survives: every count, route and far point starts at zero.
    memset(s, 0, sizeof(*s));
    GameStateSave(&s->outside);
    s->status = SOLVE_CANNOT_START;
    s->foundNode = -1;
    s->bestClear = INT32_MAX;
    s->stopAt = INT64_MAX;
    // The seed turns the order the push angles are tried in, which decides between equal states.
    uint32_t mix = options->seed * 2654435761u + 1u;
    const int32_t angleCount = SOLVE_COUNT(SOLVE_PUSH_ANGLES);
    for (int32_t i = 0; i < angleCount; ++i) {
        s->pushAngles[i] = SOLVE_PUSH_ANGLES[i];
    }
    for (int32_t i = angleCount - 1; i > 0 && options->seed != 0; --i) {
        std::swap(s->pushAngles[i], s->pushAngles[SolveRandomNext(&mix) % (uint32_t)(i + 1)]);
    }

    // All the memory the search will use, now: untouched pages cost nothing until a state needs them.
    // The cap is what the memory holds (a table of a power of two slots, half of them used, and the
    // store's share), unless the options name one.
    size_t tableSize = 2;
    s->widenPassesMax = options->widenPasses > 0 ? options->widenPasses : SOLVE_WIDEN_PASSES;
    if (options->maxStates > 0) {
        while (tableSize < (size_t)options->maxStates * 2) {
            tableSize <<= 1;
        }
        s->maxStates = options->maxStates;
        s->storeCap = std::max((size_t)s->maxStates * SOLVE_STORE_WORDS_PER_STATE, SOLVE_STORE_WORDS_MIN);
    } else {
        const size_t memory = options->memory > 0 ? options->memory : SOLVE_DEFAULT_MEMORY;
        const size_t forStates = memory - memory / SOLVE_STORE_SHARE;
        while (tableSize * 2 / 2 * SOLVE_BYTES_PER_STATE <= forStates && tableSize < ((size_t)1 << 30)) {
            tableSize <<= 1;
        }
        s->maxStates = (int32_t)(tableSize / 2);
        const size_t used = (size_t)s->maxStates * SOLVE_BYTES_PER_STATE;
        s->storeCap = std::max((memory > used ? memory - used : 0) / sizeof(uint32_t), SOLVE_STORE_WORDS_MIN);
    }
    s->tableMask = tableSize - 1;
    s->memory = (size_t)s->maxStates * SOLVE_BYTES_PER_STATE + s->storeCap * sizeof(uint32_t);
    s->nodes = (SolveNode*)malloc((size_t)s->maxStates * sizeof(SolveNode));
    s->store = (uint32_t*)malloc(s->storeCap * sizeof(uint32_t));
    s->table = (SolveSlot*)calloc(tableSize, sizeof(SolveSlot));
    s->open = (SolveOpen*)malloc((size_t)s->maxStates * sizeof(SolveOpen));
    if (s->nodes == nullptr || s->store == nullptr || s->table == nullptr || s->open == nullptr) {
        SolveFreeMemory(s);
        GameStateRestore(&s->outside);
        return s->status;
    }
    SolveStartGame(options);
    GameStateSave(&s->start);
    if (s->start.mode == MODE_STAGE_CLEAR) {
        // Cleared by the frame that starts it (the start under the goal): the click is the route, and no
        // press narrows its margins.
        s->status = SOLVE_FOUND;
        s->farDistance = 0;
        s->marginFrames = SolveWindow(SOLVE_CENTRE_FRAMES);
        s->marginDegrees = SolveWindow(SOLVE_CENTRE_DEGREES);
        GameStateRestore(&s->outside);
        return s->status;
    }
    if (s->start.mode != MODE_PLAYING) {
        GameStateRestore(&s->outside);
        return s->status;
    }
    ReachBuild(&s->reach, &s->start.map);
    const Player* player = GameStateGetPlayer();
    s->farDistance = SolveDistanceAt(s, player->body.x, player->body.y, &s->farCol, &s->farRow);
    // Walled in only when not even the cells the body's centre may be in lead there (world/reach): the
    // body's slots miss places it touches in passing or reaches through a thin wall.
    if (ReachWalledIn(&s->openField, &s->start.map)) {
        s->status = SOLVE_WALLED_IN;
    } else {
        const SolveStep none = {SOLVE_WAIT, 0, 0};
        SolveAddNode(s, -1, &none, 0);
        s->status = s->nodeCount == 1 ? SOLVE_RUNNING : SOLVE_CANNOT_START;
    }
    s->states = s->nodeCount;
    GameStateRestore(&s->outside);
    return s->status;
}

int32_t SolveStop(SolveSearch* s) {
    if (s->status != SOLVE_RUNNING || s->nodes == nullptr) {
        return s->status;
    }
    GameStateSave(&s->outside);
    if (!s->shortening) {
        s->status = SolveEndSearch(s) == SOLVE_RUNNING ? SOLVE_FOUND : SOLVE_EXHAUSTED;
    } else {
        s->status = SOLVE_FOUND;
    }
    // Stopped before the measuring pass went through: no margin is known.
    if (s->status == SOLVE_FOUND && (s->centring != 2 || s->centreStep < s->routeSteps || s->centreDegrees)) {
        s->marginFrames = 0;
        s->marginDegrees = 0;
    }
    GameStateRestore(&s->outside);
    return s->status;
}

int32_t SolveAdvance(SolveSearch* s, int32_t budget) {
    if (s->status != SOLVE_RUNNING || s->nodes == nullptr) {
        return s->status;
    }
    GameStateSave(&s->outside);
    if (!s->shortening) {
        s->status = SolveSearchSome(s, budget);
    } else if (!s->centring) {
        s->status = SolveShortenSome(s, budget);
        if (s->status == SOLVE_FOUND) {
            s->status = SOLVE_RUNNING;
            s->centring = 1;
            s->centreStep = 0;
            s->centreDegrees = 0;
            s->marginFrames = INT32_MAX;
            s->marginDegrees = INT32_MAX;
        }
    } else if (s->widening) {
        if (SolveWidenSome(s, budget)) {
            s->widening = 0;
            s->centring = 3; // widened: measure next
        }
        s->status = SOLVE_RUNNING;
    } else {
        s->status = SolveCentreSome(s, budget);
    }
    s->states = s->nodeCount;
    GameStateRestore(&s->outside);
    return s->status;
}

int32_t SolveAdvanceSlice(SolveSearch* s) {
    const uint32_t start = PlatformTicks();
    int32_t status = SolveAdvance(s, 1);
    for (int32_t n = 1; n < SOLVE_SLICE_STATES && status == SOLVE_RUNNING; ++n) {
        if (PlatformTicks() - start >= SOLVE_SLICE_MS) {
            break;
        }
        status = SolveAdvance(s, 1);
    }
    return status;
}

const SolveStep* SolveGetRoute(const SolveSearch* s, int32_t* steps) {
    if (steps != nullptr) {
        *steps = s->routeSteps;
    }
    return s->route;
}

float SolveProgress(const SolveSearch* s) {
    if (s->status != SOLVE_RUNNING) {
        return 1.0f;
    }
    if (s->widening) {
        return 0.96f + 0.03f * (float)s->widenIdle / (float)SOLVE_WIDEN_TRIALS;
    }
    if (s->centring) {
        return 0.95f +
               0.025f * ((float)(s->centring - 1) + (float)s->centreStep / (float)std::max(s->routeSteps, 1));
    }
    if (s->shortening) {
        return 0.9f + 0.05f * (float)s->cutIdle / (float)SOLVE_SHORTEN_TRIALS;
    }
    const float kept = (float)s->nodeCount / (float)s->maxStates;
    const float stored = (float)s->storeUsed / (float)s->storeCap;
    return 0.9f * std::max(kept, stored);
}

size_t SolveMemoryInUse(const SolveSearch* s) {
    return (size_t)s->nodeCount * SOLVE_BYTES_PER_STATE + s->storeUsed * sizeof(uint32_t);
}

int32_t SolveAnswerOf(int32_t status) {
    switch (status) {
    case SOLVE_FOUND:
        return SOLVE_ANSWER_CLEARABLE;
    case SOLVE_WALLED_IN:
        return SOLVE_ANSWER_CANNOT;
    case SOLVE_EXHAUSTED:
        return SOLVE_ANSWER_NOT_SETTLED;
    default:
        return SOLVE_ANSWER_NONE;
    }
}

void SolveVerdict(const SolveSearch* s, int brief, char* out, size_t size) {
    if (s->status == SOLVE_FOUND && brief) {
        snprintf(out, size, "CLEARABLE IN %d FRAMES, MARGIN %d", (int)s->routeFrames, (int)s->marginFrames);
    } else if (s->status == SOLVE_FOUND) {
        // The starting click's frame counts too.
        snprintf(out, size, "clearable in %d frames, margin %d frames and %d degrees (%s)",
                 (int)s->routeFrames + 1, (int)s->marginFrames, (int)s->marginDegrees,
                 SolveRating(s->marginFrames, s->marginDegrees));
    } else if (s->status == SOLVE_WALLED_IN && brief) {
        snprintf(out, size, "CANNOT BE CLEARED: GOAL WALLED IN");
    } else if (s->status == SOLVE_WALLED_IN) {
        snprintf(
            out, size,
            "cannot be cleared: the goal is walled in: walls three tiles thick or more lie between it and "
            "the start at tile (%d, %d)",
            (int)s->farCol, (int)s->farRow);
    } else if (s->status == SOLVE_EXHAUSTED && brief) {
        snprintf(out, size, "NOT SETTLED: NEAREST %d TILES OFF", (int)s->farDistance);
    } else if (s->status == SOLVE_EXHAUSTED) {
        snprintf(out, size,
                 "not settled: no route among %lld states (%s); nearest the goal: tile (%d, %d), %d tiles "
                 "from it",
                 (long long)s->states, s->capped ? "the search is full" : "out of time or of states to try",
                 (int)s->farCol, (int)s->farRow, (int)s->farDistance);
    } else {
        snprintf(out, size, brief ? "THE STAGE DOES NOT START" : "the stage does not start");
    }
}

void SolveFinish(SolveSearch* s) {
    SolveFreeMemory(s);
    s->nodeCount = 0;
    s->openCount = 0;
}

int32_t SolveRoutePath(SolveSearch* s, const SolveStep* route, int32_t steps, float* xs, float* ys,
                       int32_t maxPoints) {
    GameStateSave(&s->outside);
    GameStateRestore(&s->start);
    int32_t count = 0;
    const Player* p = GameStateGetPlayer();
    InputFrame input;
    for (int32_t frame = 1; count < maxPoints && SolveRouteInput(route, steps, frame, &input); ++frame) {
        xs[count] = p->body.x;
        ys[count] = p->body.y;
        ++count;
        GameStateStepWith(&input, SOLVE_DT);
        if (GameStateGetMode() != MODE_PLAYING) {
            break;
        }
    }
    if (count < maxPoints) {
        xs[count] = p->body.x;
        ys[count] = p->body.y;
        ++count;
    }
    GameStateRestore(&s->outside);
    return count;
}
