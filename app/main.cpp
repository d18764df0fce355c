// main.cpp -- the portable start-up, frame step and shutdown. Every backend's entry point calls
// these, so the order of things in a frame is written exactly once.
#include "app/main.h"

#include <string.h>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/utils.h"
#include "audio/audio.h"
#include "input/input.h"
#include "render/msx_font.h"
#include "render/render.h"

static uint32_t gPrevTick;

int MainReadArgs(int argc, char** argv, MainArgs* args) {
    args->edit = 0;
    args->path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (strcmp(a, "--edit") == 0 && !args->edit && !args->path) {
            args->edit = 1;
        } else if (a[0] != '\0' && a[0] != '-' && !args->path) {
            args->path = a;
        } else {
            return 0;
        }
    }
    return 1;
}

float MainMeasureDt(uint32_t previous, uint32_t now) {
    // Unsigned difference: a wrap of the counter between two frames still gives the true step.
    const uint32_t elapsed = now - previous;
    float dt = (float)elapsed;
    if (dt > (float)FRAME_DT_MAX_MS) {
        dt = (float)FRAME_DT_MAX_MS;
    }
    return dt;
}

void MainStartup(PlatformWindow* window) {
    MsxFontInit();
    InitRandomSeed(PlatformTicks());
    GameStateInit();
    UpdateDisplayLayout(window);
    gPrevTick = PlatformTicks();
}

void MainFrame(PlatformWindow* window) {
    const uint32_t now = PlatformTicks();
    const float dt = MainMeasureDt(gPrevTick, now);
    gPrevTick = now;
    // Checked again after each step: Enter in the editor starts a play-test in this very frame, and
    // a play-test that reached the title hands the frame back.
    if (EditorIsEditing()) {
        EditorStep(window, dt);
    }
    if (!EditorIsEditing()) {
        if (!EditorPlaybackStep()) {
            GameStateStep(window, dt);
        }
        EditorWatchPlaytest();
    }
    if (EditorIsEditing()) {
        EditorRender();
    } else {
        GameStateRender();
    }
    PresentPixelBuffer(window);
    AudioTick();
    PlatformSleep(FRAME_SLEEP_MS);
}

void MainShutdown(void) {
    AudioShutdown();
    // The second release after the window's destroy event; harmless when nothing is held.
    RenderReleaseBackBuffer();
}

void MainOnKeyDown(int32_t vk) {
    if (!EditorHandleKey(vk)) {
        GameStateHandleKey(vk);
    }
}

void MainOnMouseWheel(int32_t notches) {
    EditorOnWheel(notches);
}

int MainOnDropFile(PlatformWindow* window, const char* path) {
    if (!EditorIsActive()) {
        return 0;
    }
    if (EditorIsEditing()) {
        EditorOpen(window, path);
    } else {
        EditorOpenAfterPlaytest(path);
    }
    return 1;
}

void MainStartEditor(PlatformWindow* window, const char* path) {
    EditorOpen(window, path);
}

void MainOnMouseMove(int32_t clientX, int32_t clientY) {
    InputOnMouseMove(clientX, clientY);
}

void MainOnResize(PlatformWindow* window) {
    RenderReleaseBackBuffer();
    UpdateDisplayLayout(window);
}

void MainOnDestroy(void) {
    RenderReleaseBackBuffer();
}
