// replay_run.cpp -- drives the real game frame by frame from a replay script on the headless backend,
// resolves world-point and angle cursors through the camera, and checks the script's checkpoints.
#include "tools/runner/replay_run.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "app/game_state.h"
#include "app/main.h"
#include "app/progress.h"
#include "app/solve.h"
#include "app/stage_open.h"
#include "app/stage_set.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "render/render.h"
#include "world/level.h"

static const int32_t REPLAY_DEFAULT_CURSOR_X = 160;
static const int32_t REPLAY_DEFAULT_CURSOR_Y = 100;

enum ReplayCursorKind { CURSOR_LOGICAL, CURSOR_WORLD, CURSOR_ANGLE, CURSOR_NONE };

// The input state the script has built up; it stands until a command changes it.
struct ReplayInputState {
    int32_t dt;
    int32_t cursorKind;
    float cursorA; // logical or world x, or degrees
    float cursorB;
    int32_t clientW;
    int32_t clientH;
    uint8_t keys[256];
    uint8_t releaseAfterFrame[256]; // clicks and taps: up again once the next frame has run
    int32_t messageCount;
    uint8_t messages[REPLAY_MAX_MESSAGES]; // key-down messages sent since the last frame ran
};

// The game as a record: read for the hash after every frame, and all zero for a clean start. Static,
// as it is large.
static GameSnapshot gSnapshot;
static const GameSnapshot gCleanGame = {};

void ReplayReadState(ReplayState* state, int32_t frame) {
    const Player* player = GameStateGetPlayer();
    const Camera* camera = GameStateGetCamera();
    int32_t count = 0;
    const Enemy* enemies = GameStateGetEnemies(&count);
    memset(state, 0, sizeof(*state));
    state->frame = frame;
    state->mode = GameStateGetMode();
    state->x = player->body.x;
    state->y = player->body.y;
    state->vx = player->body.vx;
    state->vy = player->body.vy;
    state->onGround = player->body.onGround != 0;
    state->shells = player->shotgun.shells;
    state->reloading = player->shotgun.reloading != 0;
    state->enemyCount = count;
    for (int32_t i = 0; i < count && i < MAX_ENEMIES; ++i) {
        state->enemiesAlive += EnemyIsAlive(&enemies[i]);
    }
    state->cameraX = camera->x;
    state->cameraY = camera->y;
    state->debugFly = GameStateGetDebugFly();
    GameStateSave(&gSnapshot);
    state->hash = GameSnapshotHash(&gSnapshot);
}

// Logical cursor for this frame. A world point goes through the camera the game will use for the
// mouse in this update (the one after the previous update); an angle is laid from the player's
// centre as far as the screen allows, so the aim is as fine as whole pixels permit.
static void ReplayResolveCursor(const ReplayInputState* in, int32_t* lx, int32_t* ly) {
    const Camera* camera = GameStateGetCamera();
    if (in->cursorKind == CURSOR_LOGICAL) {
        *lx = (int32_t)in->cursorA;
        *ly = (int32_t)in->cursorB;
        return;
    }
    if (in->cursorKind == CURSOR_WORLD) {
        *lx = (int32_t)lroundf(in->cursorA - camera->x);
        *ly = (int32_t)lroundf(in->cursorB - camera->y);
        return;
    }
    SolveAngleCursor(in->cursorA, lx, ly);
}

// Logical pixel to a client point that maps back to it: the middle of its block.
static void ReplayLogicalToClient(int32_t lx, int32_t ly, int32_t* cx, int32_t* cy) {
    int32_t destX = 0;
    int32_t destY = 0;
    int32_t destW = 0;
    int32_t destH = 0;
    RenderGetLayout(&destX, &destY, &destW, &destH);
    int32_t scale = destW / LOGICAL_WIDTH;
    if (scale < 1) {
        scale = 1;
    }
    *cx = destX + lx * scale + scale / 2;
    *cy = destY + ly * scale + scale / 2;
}

static int ReplayFail(ReplayRunResult* result, int32_t frame, int32_t line, const char* text) {
    result->failed = 1;
    result->failFrame = frame;
    result->failLine = line;
    snprintf(result->message, sizeof(result->message), "%s", text);
    return 0;
}

static int ReplayCheckFloat(ReplayRunResult* result, const ReplayEvent* ev, int32_t frame, const char* name,
                            float actual) {
    if (fabsf(actual - ev->fa) <= ev->fc) {
        result->checks++;
        return 1;
    }
    char text[200];
    snprintf(text, sizeof(text), "frame %d (line %d): player %s is %.9g, expected %.9g within %g", (int)frame,
             (int)ev->line, name, (double)actual, (double)ev->fa, (double)ev->fc);
    return ReplayFail(result, frame, ev->line, text);
}

static int ReplayCheckInt(ReplayRunResult* result, const ReplayEvent* ev, int32_t frame, const char* name,
                          int32_t actual) {
    if (actual == ev->b) {
        result->checks++;
        return 1;
    }
    char text[200];
    snprintf(text, sizeof(text), "frame %d (line %d): %s is %d, expected %d", (int)frame, (int)ev->line, name,
             (int)actual, (int)ev->b);
    return ReplayFail(result, frame, ev->line, text);
}

static int ReplayCheck(ReplayRunResult* result, const ReplayEvent* ev, const ReplayState* s) {
    char text[200];
    switch (ev->a) {
    case REPLAY_EXPECT_MODE:
        if (s->mode == ev->b) {
            result->checks++;
            return 1;
        }
        snprintf(text, sizeof(text), "frame %d (line %d): mode is %s, expected %s", (int)s->frame,
                 (int)ev->line, ReplayModeName(s->mode), ReplayModeName(ev->b));
        return ReplayFail(result, s->frame, ev->line, text);
    case REPLAY_EXPECT_X:
        return ReplayCheckFloat(result, ev, s->frame, "x", s->x);
    case REPLAY_EXPECT_Y:
        return ReplayCheckFloat(result, ev, s->frame, "y", s->y);
    case REPLAY_EXPECT_VX:
        return ReplayCheckFloat(result, ev, s->frame, "vx", s->vx);
    case REPLAY_EXPECT_VY:
        return ReplayCheckFloat(result, ev, s->frame, "vy", s->vy);
    case REPLAY_EXPECT_GROUND:
        return ReplayCheckInt(result, ev, s->frame, "onGround", s->onGround);
    case REPLAY_EXPECT_SHELLS:
        return ReplayCheckInt(result, ev, s->frame, "shells", s->shells);
    case REPLAY_EXPECT_RELOADING:
        return ReplayCheckInt(result, ev, s->frame, "reloading", s->reloading);
    case REPLAY_EXPECT_ENEMIES:
        return ReplayCheckInt(result, ev, s->frame, "enemies alive", s->enemiesAlive);
    default:
        if (s->hash == ev->hash) {
            result->checks++;
            return 1;
        }
        snprintf(text, sizeof(text), "frame %d (line %d): state hash is %016llx, expected %016llx",
                 (int)s->frame, (int)ev->line, (unsigned long long)s->hash, (unsigned long long)ev->hash);
        return ReplayFail(result, s->frame, ev->line, text);
    }
}

static void ReplayNoteMessage(ReplayInputState* in, int32_t code) {
    if (in->messageCount < REPLAY_MAX_MESSAGES) {
        in->messages[in->messageCount++] = (uint8_t)code;
    }
}

static void ReplaySetKey(ReplayInputState* in, int32_t code, int down) {
    // A key going down sends its message, as a keyboard does (buttons send none).
    if (down && !in->keys[code] && !KeyIsMouseButton(code)) {
        ReplayNoteMessage(in, code);
    }
    in->keys[code] = down ? 1 : 0;
    in->releaseAfterFrame[code] = 0;
    HeadlessSetKeyDown(code, down);
}

// Runs one frame with the current input state; afterwards lets go of clicks and taps.
static void ReplayRunFrame(PlatformWindow* window, ReplayInputState* in, ReplayFrameInput* used) {
    memset(used, 0, sizeof(*used));
    used->dt = in->dt;
    used->clientW = in->clientW;
    used->clientH = in->clientH;
    used->cursorAvailable = in->cursorKind != CURSOR_NONE;
    if (used->cursorAvailable) {
        ReplayResolveCursor(in, &used->cursorX, &used->cursorY);
        int32_t cx = 0;
        int32_t cy = 0;
        ReplayLogicalToClient(used->cursorX, used->cursorY, &cx, &cy);
        HeadlessSetCursor(cx, cy);
    }
    HeadlessSetCursorAvailable(used->cursorAvailable);
    memcpy(used->keys, in->keys, sizeof(used->keys));
    used->messageCount = in->messageCount;
    memcpy(used->messages, in->messages, (size_t)in->messageCount);
    in->messageCount = 0;

    HeadlessAdvanceTicks((uint32_t)in->dt);
    HeadlessRunFrame(window);

    for (int32_t code = 0; code < 256; ++code) {
        if (in->releaseAfterFrame[code]) {
            ReplaySetKey(in, code, 0);
        }
    }
}

// Leaves nothing of an earlier run in this process that would change this one: the whole game goes
// back to the state of one never started (the start-up that follows brings up the title).
static void ReplayStartClean(void) {
    GameStateRestore(&gCleanGame);
}

int ReplayRun(const ReplayScript* script, const ReplayRunOptions* options, ReplayRunResult* result) {
    memset(result, 0, sizeof(*result));
    ReplayInputState in;
    memset(&in, 0, sizeof(in));
    in.dt = REPLAY_DEFAULT_DT;
    in.cursorKind = CURSOR_LOGICAL;
    in.cursorA = (float)REPLAY_DEFAULT_CURSOR_X;
    in.cursorB = (float)REPLAY_DEFAULT_CURSOR_Y;
    in.clientW = options->clientW > 0 ? options->clientW : LOGICAL_WIDTH;
    in.clientH = options->clientH > 0 ? options->clientH : LOGICAL_HEIGHT;

    LevelSetStagePath(options->stagePath);
    PlatformWindow* window = HeadlessOpenWindow(in.clientW, in.clientH);
    ReplayStartClean();
    ProgressKeep(options->keepProgress);
    if (options->setPath) {
        char message[STAGE_OPEN_MESSAGE_SIZE];
        if (StageOpen(window, options->setPath, STAGE_OPEN_GIVEN, message) != STAGE_OPEN_SET) {
            snprintf(result->message, sizeof(result->message), "%.200s",
                     message[0] ? message : "not a stage set");
            result->failed = 1;
            StageSetClose();
            ProgressKeep(0);
            ProgressForget();
            LevelSetStagePath(nullptr);
            return 0;
        }
    }
    HeadlessAudioSetRecording(options->recordAudio);
    HeadlessAudioClearRecording();
    MainStartup(window);

    int32_t frame = 0;
    ReplayState state;
    ReplayReadState(&state, frame);
    int ok = 1;
    for (size_t i = 0; ok && i < script->events.size(); ++i) {
        const ReplayEvent* ev = &script->events[i];
        switch (ev->type) {
        case REPLAY_DT:
            in.dt = ev->a;
            break;
        case REPLAY_WAIT:
            for (int32_t n = 0; ok && n < ev->a; ++n) {
                ReplayFrameInput used;
                ReplayRunFrame(window, &in, &used);
                ++frame;
                ReplayReadState(&state, frame);
                if (options->onFrame && !options->onFrame(options->user, &used, &state, result)) {
                    result->failed = 1;
                    result->failFrame = frame;
                    ok = 0;
                }
            }
            break;
        case REPLAY_CURSOR:
            in.cursorKind = CURSOR_LOGICAL;
            in.cursorA = ev->fa;
            in.cursorB = ev->fb;
            break;
        case REPLAY_CURSOR_WORLD:
            in.cursorKind = CURSOR_WORLD;
            in.cursorA = ev->fa;
            in.cursorB = ev->fb;
            break;
        case REPLAY_CURSOR_ANGLE:
            in.cursorKind = CURSOR_ANGLE;
            in.cursorA = ev->fa;
            break;
        case REPLAY_CURSOR_NONE:
            in.cursorKind = CURSOR_NONE;
            break;
        case REPLAY_PRESS:
        case REPLAY_RELEASE:
        case REPLAY_CLICK:
            ReplaySetKey(&in, KEY_LBUTTON, ev->type != REPLAY_RELEASE);
            in.releaseAfterFrame[KEY_LBUTTON] = ev->type == REPLAY_CLICK;
            break;
        case REPLAY_KEY_DOWN:
        case REPLAY_KEY_UP:
        case REPLAY_KEY_TAP:
            ReplaySetKey(&in, ev->a, ev->type != REPLAY_KEY_UP);
            in.releaseAfterFrame[ev->a] = ev->type == REPLAY_KEY_TAP;
            break;
        case REPLAY_KEY_REPEAT:
            HeadlessRepeatKey(ev->a);
            if (in.keys[ev->a] && !KeyIsMouseButton(ev->a)) {
                ReplayNoteMessage(&in, ev->a);
            }
            break;
        case REPLAY_SIZE:
            in.clientW = ev->a;
            in.clientH = ev->b;
            HeadlessSetClientSize(ev->a, ev->b);
            // The layout follows at once, so this frame's cursor maps through the new size.
            UpdateDisplayLayout(window);
            break;
        case REPLAY_EXPECT:
            ok = ReplayCheck(result, ev, &state);
            break;
        default:
            break;
        }
    }
    result->last = state;
    MainShutdown();
    StageSetClose();
    ProgressKeep(0);
    ProgressForget();
    LevelSetStagePath(nullptr);
    return ok;
}
