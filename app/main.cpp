// main.cpp -- the portable start-up, frame step and shutdown. Every backend's entry point calls
// these, so the order of things in a frame is written exactly once.
#include "app/main.h"

#include "app/game_state.h"
#include "app/utils.h"
#include "audio/audio.h"
#include "input/input.h"
#include "render/msx_font.h"
#include "render/render.h"

static uint32_t gPrevTick;

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
    GameStateStep(window, dt);
    GameStateRender();
    PresentPixelBuffer(window);
    AudioTick();
    PlatformSleep(FRAME_SLEEP_MS);
}

void MainShutdown(void) {
    AudioShutdown();
    // The second release after the window's destroy event; harmless when nothing is held.
    RenderReleaseBackBuffer();
}

void MainOnKeyDown(int32_t vk) { GameStateHandleKey(vk); }

void MainOnMouseMove(int32_t clientX, int32_t clientY) { InputOnMouseMove(clientX, clientY); }

void MainOnResize(PlatformWindow* window) {
    RenderReleaseBackBuffer();
    UpdateDisplayLayout(window);
}

void MainOnDestroy(void) { RenderReleaseBackBuffer(); }
