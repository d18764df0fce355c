// headless.cpp -- the headless backend: a virtual millisecond clock, a window that is only a client
// size and a picture in memory, scripted cursor and keys, and a sound device that plays in virtual
// time and records every sample it is given.
#include "backends/headless/headless.h"

#include <stdio.h>
#include <string.h>

#include <vector>

#include "app/main.h"
#include "platform/keys.h"
#include "render/render.h"

struct PlatformWindow {
    int32_t unused;
};

enum HeadlessEventType { EVENT_KEY_DOWN, EVENT_MOUSE_MOVE, EVENT_RESIZE, EVENT_WHEEL };

struct HeadlessEvent {
    int32_t type;
    int32_t a;
    int32_t b;
};

// Events wait here between frames, like a window's message queue; a full queue drops new ones.
constexpr int32_t EVENT_QUEUE_SIZE = HEADLESS_EVENT_QUEUE_SIZE;

static PlatformWindow gWindow;
static uint32_t gTicks;
static uint64_t gTotalMs;
static int32_t gClientW = PLATFORM_WINDOW_WIDTH;
static int32_t gClientH = PLATFORM_WINDOW_HEIGHT;
static int32_t gCursorX;
static int32_t gCursorY;
static int gCursorAvailable = 1;
static uint8_t gKeys[256];
static HeadlessEvent gEvents[EVENT_QUEUE_SIZE];
static char gTitle[256];
static int32_t gEventCount;

static int32_t gBackW;
static int32_t gBackH;
static int gBackBufferHeld;
static int32_t gBackBufferCreations;
// What the last present showed: the 320 x 200 picture, where it went and the back buffer's size. The
// client image is composed from these only when someone asks for it, so a frame costs one copy of
// the picture whatever the client size; the image is the same as composing it at every present.
static uint32_t gPresented[PLATFORM_PICTURE_WIDTH * PLATFORM_PICTURE_HEIGHT];
static int32_t gPresentedX;
static int32_t gPresentedY;
static int32_t gPresentedW;
static int32_t gPresentedH;
static int gShownStale;
static std::vector<uint32_t> gShown;
static int32_t gShownW;
static int32_t gShownH;

// Sound device: a block plays for AUDIO block length of virtual time after the one before it.
static int gAudioAvailable = 1;
static int gAudioConsuming = 1;
static int gAudioRecording = 1;
static int gAudioOpen;
static const int16_t* gAudioBlocks[2];
static int32_t gAudioBlockSamples;
static uint64_t gAudioBlockEnd[2];
static int gAudioBlockQueued[2];
static uint64_t gAudioQueueEnd;
static std::vector<int16_t> gAudioRecorded;
static HeadlessAudioSink gAudioSink;
static void* gAudioSinkUser;

static uint64_t HeadlessSampleClock(void) { return gTotalMs * (uint64_t)PLATFORM_SAMPLE_RATE / 1000u; }

static void HeadlessPushEvent(int32_t type, int32_t a, int32_t b) {
    if (gEventCount < EVENT_QUEUE_SIZE) {
        gEvents[gEventCount].type = type;
        gEvents[gEventCount].a = a;
        gEvents[gEventCount].b = b;
        gEventCount++;
    }
}

PlatformWindow* HeadlessOpenWindow(int32_t clientW, int32_t clientH) {
    gClientW = clientW;
    gClientH = clientH;
    gCursorX = 0;
    gCursorY = 0;
    gCursorAvailable = 1;
    memset(gKeys, 0, sizeof(gKeys));
    gEventCount = 0;
    gTitle[0] = '\0';
    gShown.clear();
    gShownW = 0;
    gShownH = 0;
    gShownStale = 0;
    return &gWindow;
}

void HeadlessSetClientSize(int32_t w, int32_t h) {
    gClientW = w;
    gClientH = h;
    HeadlessPushEvent(EVENT_RESIZE, w, h);
}

void HeadlessSetCursor(int32_t clientX, int32_t clientY) {
    gCursorX = clientX;
    gCursorY = clientY;
    HeadlessPushEvent(EVENT_MOUSE_MOVE, clientX, clientY);
}

void HeadlessSetCursorAvailable(int available) {
    gCursorAvailable = available != 0;
}

void HeadlessSetKeyDown(int32_t vk, int down) {
    if ((uint32_t)vk > 255u) {
        return;
    }
    const uint8_t now = down ? 1 : 0;
    // A keyboard key going down is also a key-down message; mouse buttons send none.
    if (now && !gKeys[vk] && !KeyIsMouseButton(vk)) {
        HeadlessPushEvent(EVENT_KEY_DOWN, vk, 0);
    }
    gKeys[vk] = now;
}

void HeadlessSetKeyState(int32_t vk, int down) {
    if ((uint32_t)vk <= 255u) {
        gKeys[vk] = down ? 1 : 0;
    }
}

void HeadlessRepeatKey(int32_t vk) {
    if ((uint32_t)vk <= 255u && gKeys[vk] && !KeyIsMouseButton(vk)) {
        HeadlessPushEvent(EVENT_KEY_DOWN, vk, 0);
    }
}

void HeadlessTurnWheel(int32_t notches) {
    if (notches != 0) {
        HeadlessPushEvent(EVENT_WHEEL, notches, 0);
    }
}

const char* HeadlessWindowTitle(void) {
    return gTitle;
}

void HeadlessAdvanceTicks(uint32_t ms) {
    gTicks += ms;
    gTotalMs += ms;
}

void HeadlessRunFrame(PlatformWindow* window) {
    // Like a message pump: everything that waits is handled before the frame runs.
    for (int32_t i = 0; i < gEventCount; i++) {
        const HeadlessEvent ev = gEvents[i];
        if (ev.type == EVENT_KEY_DOWN) {
            MainOnKeyDown(ev.a);
        } else if (ev.type == EVENT_MOUSE_MOVE) {
            MainOnMouseMove(ev.a, ev.b);
        } else if (ev.type == EVENT_WHEEL) {
            MainOnMouseWheel(ev.a);
        } else {
            MainOnResize(window);
        }
    }
    gEventCount = 0;
    MainFrame(window);
}

const uint32_t* HeadlessPresentedImage(int32_t* w, int32_t* h) {
    if (gShownStale) {
        RenderComposeClient(gShown.data(), gShownW, gShownW, gShownH, gPresented, gPresentedX, gPresentedY,
                            gPresentedW, gPresentedH);
        gShownStale = 0;
    }
    if (w) {
        *w = gShownW;
    }
    if (h) {
        *h = gShownH;
    }
    return gShownW > 0 ? gShown.data() : nullptr;
}

int32_t HeadlessBackBufferCreations(void) {
    return gBackBufferCreations;
}

uint32_t PlatformTicks(void) {
    return gTicks;
}

void PlatformSleep(uint32_t ms) {
    (void)ms;
}

void PlatformGetClientSize(PlatformWindow* window, int32_t* w, int32_t* h) {
    (void)window;
    *w = gClientW;
    *h = gClientH;
}

int PlatformGetCursorClient(PlatformWindow* window, int32_t* x, int32_t* y) {
    (void)window;
    if (!gCursorAvailable) {
        return 0;
    }
    *x = gCursorX;
    *y = gCursorY;
    return 1;
}

void PlatformSetTitle(PlatformWindow* window, const char* title) {
    (void)window;
    snprintf(gTitle, sizeof(gTitle), "%s", title ? title : "");
}

int PlatformIsKeyDown(int32_t vk) {
    return (uint32_t)vk <= 255u ? gKeys[vk] : 0;
}

void PlatformReadKeys(uint8_t* down, int32_t count) {
    for (int32_t vk = 0; vk < count; ++vk) {
        down[vk] = PlatformIsKeyDown(vk) != 0;
    }
}

void PlatformBackBufferCreate(PlatformWindow* window, int32_t w, int32_t h) {
    (void)window;
    gBackW = w > 0 ? w : 1;
    gBackH = h > 0 ? h : 1;
    gBackBufferHeld = 1;
    gBackBufferCreations++;
}

void PlatformBackBufferRelease(void) {
    gBackBufferHeld = 0;
}

void PlatformPresent(PlatformWindow* window, const uint32_t* pixels, int32_t destX, int32_t destY,
                     int32_t destW, int32_t destH) {
    (void)window;
    if (!gBackBufferHeld) {
        return;
    }
    // Shown in one step: the window's picture becomes the whole back buffer (composed when read).
    memcpy(gPresented, pixels, sizeof(gPresented));
    gPresentedX = destX;
    gPresentedY = destY;
    gPresentedW = destW;
    gPresentedH = destH;
    if (gShownW != gBackW || gShownH != gBackH) {
        gShown.resize((size_t)gBackW * (size_t)gBackH);
        gShownW = gBackW;
        gShownH = gBackH;
    }
    gShownStale = 1;
}

void HeadlessAudioSetAvailable(int available) {
    gAudioAvailable = available != 0;
}

void HeadlessAudioSetConsuming(int consuming) {
    gAudioConsuming = consuming != 0;
}

void HeadlessAudioSetRecording(int recording) {
    gAudioRecording = recording != 0;
}

int64_t HeadlessAudioRecorded(const int16_t** samples) {
    if (samples) {
        *samples = gAudioRecorded.data();
    }
    return (int64_t)gAudioRecorded.size();
}

void HeadlessAudioSetSink(HeadlessAudioSink sink, void* user) {
    gAudioSink = sink;
    gAudioSinkUser = user;
}

void HeadlessAudioClearRecording(void) {
    gAudioRecorded.clear();
}

int PlatformAudioOpen(const int16_t* block0, const int16_t* block1, int32_t blockSamples) {
    if (!gAudioAvailable || gAudioOpen) {
        return 0;
    }
    gAudioOpen = 1;
    gAudioBlocks[0] = block0;
    gAudioBlocks[1] = block1;
    gAudioBlockSamples = blockSamples;
    gAudioBlockQueued[0] = gAudioBlockQueued[1] = 0;
    gAudioQueueEnd = HeadlessSampleClock();
    return 1;
}

void PlatformAudioQueue(int32_t block) {
    if (!gAudioOpen || (uint32_t)block > 1u) {
        return;
    }
    // The block starts when the one before it ends, or now if the device ran dry.
    const uint64_t now = HeadlessSampleClock();
    const uint64_t start = gAudioQueueEnd > now ? gAudioQueueEnd : now;
    gAudioQueueEnd = start + (uint64_t)gAudioBlockSamples;
    gAudioBlockEnd[block] = gAudioQueueEnd;
    gAudioBlockQueued[block] = 1;
    if (gAudioRecording) {
        gAudioRecorded.insert(gAudioRecorded.end(), gAudioBlocks[block],
                              gAudioBlocks[block] + gAudioBlockSamples);
    }
    if (gAudioSink) {
        gAudioSink(gAudioSinkUser, gAudioBlocks[block], gAudioBlockSamples);
    }
}

int PlatformAudioIsHeld(int32_t block) {
    if (!gAudioOpen || (uint32_t)block > 1u || !gAudioBlockQueued[block]) {
        return 0;
    }
    if (gAudioConsuming && HeadlessSampleClock() >= gAudioBlockEnd[block]) {
        gAudioBlockQueued[block] = 0;
    }
    return gAudioBlockQueued[block];
}

void PlatformAudioClose(void) {
    gAudioOpen = 0;
    gAudioBlockQueued[0] = gAudioBlockQueued[1] = 0;
}
