// run.cpp -- records a run frame by frame into a fixed buffer and codes it as the changes between
// frames: a flags byte (what changed, the buttons, whether it holds), then the held count and the
// changed values as varints, in base64url with the check every link has.
#include "app/run.h"

#include <string.h>

#include "app/game_state.h"
#include "app/main.h"
#include "app/progress.h"
#include "app/solve.h"
#include "platform/keys.h"
#include "render/render.h"
#include "world/link_code.h"

// The flags byte of a stretch of equal frames.
constexpr uint8_t RUN_NEW_DT = 1;
constexpr uint8_t RUN_NEW_X = 2;
constexpr uint8_t RUN_NEW_Y = 4;
constexpr uint8_t RUN_LEFT = 8;
constexpr uint8_t RUN_RELOAD = 16;
constexpr uint8_t RUN_HELD = 32; // a varint follows: the stretch lasts it + 2 frames
constexpr uint8_t RUN_FLAGS_ALL = 63;
// Where the coding starts from: the solver's frame and the middle of the picture.
constexpr int32_t RUN_FIRST_DT = 16;

static uint8_t gBytes[RUN_MAX_BYTES + 2];

void RunBegin(Run* run, uint64_t stageKey) {
    run->stageKey = stageKey;
    run->frames = 0;
    run->overflow = 0;
}

void RunAddFrame(Run* run, float dt) {
    // Only whole steps the frame step can give are kept: anything else could not play back the same.
    if (run->frames == RUN_MAX_FRAMES || !(dt >= 0.0f && dt <= (float)FRAME_DT_MAX_MS) ||
        (float)(int32_t)dt != dt) {
        run->overflow = 1;
        return;
    }
    RunFrame* f = &run->frame[run->frames++];
    f->dt = (uint8_t)dt;
    f->leftButton = InputIsMouseLeftDown() ? 1 : 0;
    f->reload = InputIsKeyDown(KEY_R) ? 1 : 0;
    f->unused = 0;
    f->cursorX = (int16_t)InputGetMouseLogicalX();
    f->cursorY = (int16_t)InputGetMouseLogicalY();
}

int32_t RunMs(const Run* run) {
    int32_t ms = 0;
    for (int32_t i = 0; i < run->frames; ++i) {
        ms += run->frame[i].dt;
    }
    return ms;
}

void RunInput(const Run* run, int32_t i, InputFrame* out) {
    const RunFrame* f = &run->frame[i];
    *out = {f->cursorX, f->cursorY, f->leftButton, f->reload ? KEY_R : 0};
}

int RunFromRoute(const SolveOptions* stage, const SolveStep* route, int32_t steps, Run* run) {
    // The route's cursor follows the player: the game plays it to learn each frame's input.
    static GameSnapshot outside;
    GameStateSave(&outside);
    RunBegin(run, 0);
    if (SolveStartGame(stage)) {
        run->stageKey = ProgressStageKey(GameStateGetMap());
        RunAddFrame(run, SOLVE_DT);
        InputFrame input;
        for (int32_t i = 1; !run->overflow && SolveRouteInput(route, steps, i, &input); ++i) {
            GameStateStepWith(&input, SOLVE_DT);
            RunAddFrame(run, SOLVE_DT);
        }
    }
    GameStateRestore(&outside);
    ProgressPassFrame(); // the start played here is no player's
    return run->frames > 0 && !run->overflow;
}

size_t RunTextFromRoute(const SolveOptions* stage, const SolveStep* route, int32_t steps,
                        char out[RUN_MAX_TEXT]) {
    static Run run; // large: kept off the stack
    const size_t length = RunFromRoute(stage, route, steps, &run) ? RunEncode(&run, out, RUN_MAX_TEXT) : 0;
    if (length == 0) {
        out[0] = '\0';
    }
    return length;
}

static int32_t RunPutVarint(int32_t at, uint32_t value) {
    while (value >= 128u) {
        gBytes[at++] = (uint8_t)(value | 128u);
        value >>= 7;
    }
    gBytes[at++] = (uint8_t)value;
    return at;
}

static uint32_t RunZigzag(int32_t value) {
    return value < 0 ? ((uint32_t)(-value) << 1) - 1u : (uint32_t)value << 1;
}

static int RunSameFrame(const RunFrame* a, const RunFrame* b) {
    return a->dt == b->dt && a->leftButton == b->leftButton && a->reload == b->reload &&
           a->cursorX == b->cursorX && a->cursorY == b->cursorY;
}

size_t RunEncode(const Run* run, char* out, size_t outSize) {
    if (outSize > 0) {
        out[0] = '\0';
    }
    if (run->overflow || run->frames <= 0 || run->frames > RUN_MAX_FRAMES) {
        return 0;
    }
    int32_t at = 0;
    for (int32_t b = 0; b < 8; ++b) {
        gBytes[at++] = (uint8_t)(run->stageKey >> (8 * b));
    }
    at = RunPutVarint(at, (uint32_t)run->frames);
    RunFrame was = {RUN_FIRST_DT, 0, 0, 0, SOLVE_START_CURSOR_X, SOLVE_START_CURSOR_Y};
    for (int32_t i = 0; i < run->frames;) {
        const RunFrame* f = &run->frame[i];
        int32_t held = 1;
        while (i + held < run->frames && RunSameFrame(&run->frame[i + held], f)) {
            ++held;
        }
        const uint8_t flags = (uint8_t)((f->dt != was.dt ? RUN_NEW_DT : 0) | (f->cursorX != was.cursorX ? RUN_NEW_X : 0) |
                                        (f->cursorY != was.cursorY ? RUN_NEW_Y : 0) | (f->leftButton ? RUN_LEFT : 0) |
                                        (f->reload ? RUN_RELOAD : 0) | (held > 1 ? RUN_HELD : 0));
        gBytes[at++] = flags;
        if (held > 1) {
            at = RunPutVarint(at, (uint32_t)(held - 2));
        }
        if (flags & RUN_NEW_DT) {
            gBytes[at++] = f->dt;
        }
        if (flags & RUN_NEW_X) {
            at = RunPutVarint(at, RunZigzag(f->cursorX - was.cursorX));
        }
        if (flags & RUN_NEW_Y) {
            at = RunPutVarint(at, RunZigzag(f->cursorY - was.cursorY));
        }
        was = *f;
        i += held;
    }
    return (size_t)LinkCodeWrite(RUN_TEXT_VERSION, gBytes, at, out, outSize);
}

static int RunFail(char message[RUN_MESSAGE_SIZE], const char* why) {
    size_t length = strlen(why);
    length = length < RUN_MESSAGE_SIZE - 1 ? length : RUN_MESSAGE_SIZE - 1;
    memcpy(message, why, length);
    message[length] = '\0';
    return 0;
}

// A varint at *at, below end; 0 when it runs past end or past 32 bits.
static int RunGetVarint(int32_t* at, int32_t end, uint32_t* value) {
    *value = 0;
    for (int32_t shift = 0; shift < 35; shift += 7) {
        if (*at >= end) {
            return 0;
        }
        const uint8_t b = gBytes[(*at)++];
        if (shift == 28 && b > 15) {
            return 0;
        }
        *value |= (uint32_t)(b & 127u) << shift;
        if (!(b & 128u)) {
            return 1;
        }
    }
    return 0;
}

static int32_t RunUnzigzag(uint32_t value) {
    // Odd: -(value >> 1) - 1, which is ~(value >> 1); no step overflows, whatever the bytes.
    return (value & 1u) ? (int32_t)~(value >> 1) : (int32_t)(value >> 1);
}

int RunDecode(const char* text, size_t length, Run* run, char message[RUN_MESSAGE_SIZE]) {
    RunBegin(run, 0);
    run->overflow = 1; // not a whole run until the last check holds
    if (!text || length == 0) {
        return RunFail(message, "There is no run here.");
    }
    if (text[0] != RUN_TEXT_VERSION) {
        return RunFail(message, "This is not a run this game can read.");
    }
    if (length >= RUN_MAX_TEXT) {
        return RunFail(message, "The run is longer than the ten minutes a run may take.");
    }
    const int32_t count = LinkCodeRead(text + 1, length - 1, gBytes, RUN_MAX_BYTES + 2);
    if (count == LINK_CODE_BAD_CHAR) {
        return RunFail(message, "The run has a character no run has: copy it again.");
    }
    if (count < 8 + 1) {
        return RunFail(message, "The run is damaged or cut short: copy the whole of it.");
    }
    uint64_t key = 0;
    for (int32_t b = 0; b < 8; ++b) {
        key |= (uint64_t)gBytes[b] << (8 * b);
    }
    int32_t at = 8;
    uint32_t frames = 0;
    if (!RunGetVarint(&at, count, &frames) || frames == 0) {
        return RunFail(message, "The run is damaged: it holds no frames.");
    }
    if (frames > (uint32_t)RUN_MAX_FRAMES) {
        return RunFail(message, "The run is longer than the ten minutes a run may take.");
    }
    RunFrame was = {RUN_FIRST_DT, 0, 0, 0, SOLVE_START_CURSOR_X, SOLVE_START_CURSOR_Y};
    int32_t filled = 0;
    while (at < count) {
        const uint8_t flags = gBytes[at++];
        uint32_t held = 0, value = 0;
        int ok = (flags & ~RUN_FLAGS_ALL) == 0 && (!(flags & RUN_HELD) || RunGetVarint(&at, count, &held));
        RunFrame f = was;
        f.leftButton = (flags & RUN_LEFT) ? 1 : 0;
        f.reload = (flags & RUN_RELOAD) ? 1 : 0;
        if (ok && (flags & RUN_NEW_DT)) {
            ok = at < count && gBytes[at] <= FRAME_DT_MAX_MS;
            f.dt = ok ? gBytes[at++] : f.dt;
        }
        if (ok && (flags & RUN_NEW_X)) {
            ok = RunGetVarint(&at, count, &value);
            // Wide enough for any change a damaged run may hold.
            const int64_t x = (int64_t)was.cursorX + RunUnzigzag(value);
            ok = ok && x >= 0 && x < LOGICAL_WIDTH;
            f.cursorX = (int16_t)(ok ? x : 0);
        }
        if (ok && (flags & RUN_NEW_Y)) {
            ok = RunGetVarint(&at, count, &value);
            const int64_t y = (int64_t)was.cursorY + RunUnzigzag(value);
            ok = ok && y >= 0 && y < LOGICAL_HEIGHT;
            f.cursorY = (int16_t)(ok ? y : 0);
        }
        // Wide enough for any count a damaged run may hold.
        const uint64_t stretch = (flags & RUN_HELD) ? (uint64_t)held + 2u : 1u;
        if (!ok || stretch > (uint64_t)(frames - (uint32_t)filled)) {
            return RunFail(message, "The run is damaged: its frames do not add up.");
        }
        for (uint32_t k = 0; k < stretch; ++k) {
            run->frame[filled++] = f;
        }
        was = f;
    }
    if ((uint32_t)filled != frames) {
        return RunFail(message, "The run is damaged: its frames do not add up.");
    }
    run->stageKey = key;
    run->frames = filled;
    run->overflow = 0;
    return 1;
}
