// fuzz_replay_script.cpp -- libFuzzer target: any text as a replay script. The parser must accept or
// refuse it with a bounded, well-formed result; short scripts it accepts are then played through the
// game, with the state checked after every frame.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/reliability/state_check.h"
#include "tools/runner/replay_run.h"
#include "tools/runner/replay_script.h"

// Scripts played through the game: few frames and no huge window, so every input stays quick.
static const int32_t FUZZ_PLAY_FRAMES = 60;
static const int64_t FUZZ_PLAY_AREA = 1024 * 1024;

static void FuzzFail(const char* what) {
    fprintf(stderr, "fuzz_replay_script: %s\n", what);
    abort();
}

static int FuzzCheckFrame(void* user, const ReplayFrameInput* input, const ReplayState* state,
                          ReplayRunResult* result) {
    (void)user;
    (void)input;
    (void)result;
    char message[STATE_CHECK_MESSAGE];
    if (!StateCheckGame(message)) {
        fprintf(stderr, "fuzz_replay_script: frame %d: %s\n", (int)state->frame, message);
        abort();
    }
    return 1;
}

// Every event of an accepted script within the limits the runner relies on.
static void FuzzCheckScript(const ReplayScript* script, int64_t* maxArea) {
    if (script->frames < 0 || script->frames > REPLAY_MAX_FRAMES ||
        script->events.size() > (size_t)REPLAY_MAX_EVENTS) {
        FuzzFail("script size out of bounds");
    }
    int64_t frames = 0;
    int32_t line = 1;
    for (const ReplayEvent& ev : script->events) {
        if (ev.line < line || ev.frame != frames) {
            FuzzFail("event out of order");
        }
        line = ev.line;
        switch (ev.type) {
        case REPLAY_DT:
            if (ev.a < 0 || ev.a > REPLAY_MAX_DT) {
                FuzzFail("frame time out of bounds");
            }
            break;
        case REPLAY_WAIT:
            if (ev.a < 0) {
                FuzzFail("negative wait");
            }
            frames += ev.a;
            break;
        case REPLAY_CURSOR:
        case REPLAY_CURSOR_WORLD:
            if (!isfinite(ev.fa) || !isfinite(ev.fb) || fabsf(ev.fa) > REPLAY_MAX_COORD ||
                fabsf(ev.fb) > REPLAY_MAX_COORD) {
                FuzzFail("cursor out of bounds");
            }
            break;
        case REPLAY_CURSOR_ANGLE:
            if (!isfinite(ev.fa) || fabsf(ev.fa) > 360.0f) {
                FuzzFail("angle out of bounds");
            }
            break;
        case REPLAY_KEY_DOWN:
        case REPLAY_KEY_UP:
        case REPLAY_KEY_TAP:
        case REPLAY_KEY_REPEAT:
            if (ev.a < 0 || ev.a > 255) {
                FuzzFail("key code out of bounds");
            }
            break;
        case REPLAY_SIZE:
            if (ev.a < 1 || ev.a > REPLAY_MAX_CLIENT || ev.b < 1 || ev.b > REPLAY_MAX_CLIENT) {
                FuzzFail("client size out of bounds");
            }
            *maxArea = (int64_t)ev.a * ev.b > *maxArea ? (int64_t)ev.a * ev.b : *maxArea;
            break;
        case REPLAY_EXPECT:
            if (ev.a < REPLAY_EXPECT_MODE || ev.a > REPLAY_EXPECT_HASH || !isfinite(ev.fa) ||
                !isfinite(ev.fc) || ev.fc < 0.0f) {
                FuzzFail("checkpoint out of bounds");
            }
            break;
        case REPLAY_CURSOR_NONE:
        case REPLAY_PRESS:
        case REPLAY_RELEASE:
        case REPLAY_CLICK:
            break;
        default:
            FuzzFail("unknown event type");
        }
    }
    if (frames != script->frames) {
        FuzzFail("waits do not add up to the script's frames");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The script object is reused, as a tool parsing several files would: the parser empties it.
    static ReplayScript script;
    ReplayError error;
    memset(&error, 0x5A, sizeof(error));
    const int ok = ReplayScriptParse((const char*)data, size, &script, &error);
    if (ok != 0 && ok != 1) {
        FuzzFail("result neither 0 nor 1");
    }
    if (!ok) {
        if (!script.events.empty() || script.frames != 0) {
            FuzzFail("a refused script left events behind");
        }
        if (!memchr(error.message, '\0', sizeof(error.message)) || error.message[0] == '\0' ||
            error.line < 0) {
            FuzzFail("a refused script without a proper message");
        }
        return 0;
    }
    int64_t maxArea = (int64_t)960 * 600;
    FuzzCheckScript(&script, &maxArea);

    // The same text parsed again gives the same script.
    ReplayScript again;
    ReplayError error2;
    if (ReplayScriptParse((const char*)data, size, &again, &error2) != 1 || again.frames != script.frames ||
        again.events.size() != script.events.size() ||
        (!again.events.empty() &&
         memcmp(again.events.data(), script.events.data(), again.events.size() * sizeof(ReplayEvent)) != 0)) {
        FuzzFail("a second parse of the same text differs");
    }

    if (script.frames <= FUZZ_PLAY_FRAMES && maxArea <= FUZZ_PLAY_AREA) {
        ReplayRunOptions options;
        memset(&options, 0, sizeof(options));
        options.stagePath = ""; // the built-in stage
        options.onFrame = FuzzCheckFrame;
        ReplayRunResult result;
        ReplayRun(&script, &options, &result);
        if (!result.failed && result.last.frame != script.frames) {
            FuzzFail("the run stopped early without a reason");
        }
    }
    return 0;
}
