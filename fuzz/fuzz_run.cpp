// fuzz_run.cpp -- libFuzzer target: any bytes as a run's text, and as a run's bytes with a good check.
// A text gives a message or a whole run, and a run coded again reads back frame for frame.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/run.h"
#include "world/link_code.h"

static Run gRun;
static Run gAgain;
static char gText[RUN_MAX_TEXT];
static char gMessage[RUN_MESSAGE_SIZE];

static void FuzzFail(const char* what) {
    fprintf(stderr, "fuzz_run: %s\n", what);
    abort();
}

static void FuzzDecode(const char* text, size_t length) {
    gMessage[0] = '\0';
    if (!RunDecode(text, length, &gRun, gMessage)) {
        if (gMessage[0] == '\0') {
            FuzzFail("a text without a run gave no message");
        }
        return;
    }
    if (gRun.frames <= 0 || gRun.frames > RUN_MAX_FRAMES || gRun.overflow) {
        FuzzFail("a run read back is not whole");
    }
    const size_t again = RunEncode(&gRun, gText, sizeof(gText));
    if (again == 0 || !RunDecode(gText, again, &gAgain, gMessage) || gAgain.frames != gRun.frames ||
        gAgain.stageKey != gRun.stageKey ||
        memcmp(gAgain.frame, gRun.frame, sizeof(RunFrame) * (size_t)gRun.frames) != 0) {
        FuzzFail("a run read back does not code back to itself");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzDecode((const char*)data, size);
    // Past the check, so the frames themselves are fuzzed.
    static char text[RUN_MAX_TEXT];
    const int32_t payload = size < (size_t)RUN_MAX_BYTES ? (int32_t)size : RUN_MAX_BYTES;
    const int32_t written = LinkCodeWrite(RUN_TEXT_VERSION, data, payload, text, sizeof(text));
    if (written <= 0) {
        FuzzFail("bytes that fit were not written");
    }
    FuzzDecode(text, (size_t)written);
    return 0;
}
