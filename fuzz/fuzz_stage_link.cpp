// fuzz_stage_link.cpp -- libFuzzer target: any bytes as a shared link, as a link's payload with a good
// check, and as stage text. A link gives a message or a plain stage text that codes back to itself; a
// text with cells gives a link holding the grid the loader reads from it.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "world/level.h"
#include "world/stage_link.h"

static char gText[STAGE_LINK_MAX_TEXT];
static char gAgain[STAGE_LINK_MAX_TEXT];
static char gLink[STAGE_LINK_MAX_CHARS];
static char gMessage[STAGE_LINK_MESSAGE];
static Tilemap gWant;
static Tilemap gGot;

static void FuzzFail(const char* what) {
    fprintf(stderr, "fuzz_stage_link: %s\n", what);
    abort();
}

static int FuzzSameGrid(const Tilemap* a, const Tilemap* b) {
    return a->width == b->width && a->height == b->height &&
           memcmp(a->tiles, b->tiles, sizeof(a->tiles)) == 0;
}

static void FuzzDecode(const char* link, size_t length) {
    gMessage[0] = '\0';
    const int32_t got = StageLinkDecode(link, length, gText, gMessage);
    if (got == 0) {
        if (gMessage[0] == '\0' || gText[0] != '\0') {
            FuzzFail("a link without a stage gave no message");
        }
        return;
    }
    if (got < 0 || got >= STAGE_LINK_MAX_TEXT || (size_t)got != strlen(gText)) {
        FuzzFail("the text's length is not the length returned");
    }
    LevelReadGridText(&gGot, gText, (size_t)got);
    if (gGot.width == 0 || got != gGot.height * (gGot.width + 1)) {
        FuzzFail("the text is not whole rows of the stage's width");
    }
    for (int32_t i = 0; i < got; ++i) {
        if (!strchr(".#=|4567SEG\n", gText[i])) {
            FuzzFail("the text has a byte the writer never writes");
        }
    }
    // Coded again, the text comes back byte for byte.
    const int32_t again = StageLinkEncode(gText, (size_t)got, gLink, gMessage);
    if (again == 0 || StageLinkDecode(gLink, (size_t)again, gAgain, gMessage) != got ||
        memcmp(gText, gAgain, (size_t)got) != 0) {
        FuzzFail("a decoded stage does not code back to itself");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzDecode((const char*)data, size);

    // Past the check, so the tokens themselves are fuzzed.
    const int32_t payload =
        size < (size_t)STAGE_LINK_MAX_BYTES - 2 ? (int32_t)size : STAGE_LINK_MAX_BYTES - 2;
    const int32_t written = StageLinkWrite(data, payload, gLink);
    if (written <= 0 || (size_t)written != strlen(gLink)) {
        FuzzFail("a payload that fits was not written");
    }
    static char link[STAGE_LINK_MAX_CHARS];
    memcpy(link, gLink, (size_t)written + 1);
    FuzzDecode(link, (size_t)written);

    LevelReadGridText(&gWant, (const char*)data, size);
    const int32_t length = StageLinkEncode((const char*)data, size, link, gMessage);
    if (length == 0) {
        if (gWant.width != 0 || gMessage[0] == '\0') {
            FuzzFail("a text with cells gave no link");
        }
        return 0;
    }
    if (StageLinkDecode(link, (size_t)length, gText, gMessage) == 0) {
        FuzzFail(gMessage);
    }
    LevelReadGridText(&gGot, gText, strlen(gText));
    if (!FuzzSameGrid(&gWant, &gGot)) {
        FuzzFail("the link does not hold the grid the loader reads from the text");
    }
    return 0;
}
