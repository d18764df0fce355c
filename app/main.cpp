// main.cpp -- the portable start-up, frame step and shutdown. Every backend's entry point calls
// these, so the order of things in a frame is written exactly once.
#include "app/main.h"

#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <system_error>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/progress.h"
#include "app/stage_open.h"
#include "app/stage_par.h"
#include "app/utils.h"
#include "app/watch.h"
#include "audio/audio.h"
#include "input/input.h"
#include "render/msx_font.h"
#include "render/palette.h"
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
    if (!EditorIsEditing() && !WatchStep(window, dt)) {
        if (!EditorPlaybackStep()) {
            GameStateStep(window, dt);
            ProgressStep(dt);
            StageParStep();
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
    if (!WatchHandleKey(vk) && !EditorHandleKey(vk)) {
        GameStateHandleKey(vk);
    }
}

void MainOnMouseWheel(int32_t notches) {
    EditorOnWheel(notches);
}

int32_t MainOnDropFile(PlatformWindow* window, const char* path) {
    char message[STAGE_OPEN_MESSAGE_SIZE];
    const int32_t outcome = StageOpen(window, path, STAGE_OPEN_DROPPED, message);
    if (outcome == STAGE_OPEN_REFUSED || outcome == STAGE_OPEN_AFTER_PLAYTEST) {
        fprintf(stderr, "shotgun-kalvoro: %s\n", message);
    }
    return outcome;
}

int32_t MainStartWith(PlatformWindow* window, const MainArgs* args, char* why, size_t whySize) {
    ProgressKeep(1); // the game's own window: a player's progress is kept
    std::error_code error;
    if (args->edit && args->path && std::filesystem::is_directory(args->path, error)) {
        snprintf(why, whySize, "'%.200s' is a folder: --edit takes a stage file (a new name starts a new stage)",
                 args->path);
        return 2;
    }
    if (args->path && !args->edit) {
        char message[STAGE_OPEN_MESSAGE_SIZE];
        const int32_t outcome = StageOpen(window, args->path, STAGE_OPEN_GIVEN, message);
        if (outcome == STAGE_OPEN_EMPTY_SET) {
            snprintf(why, whySize, "%s", message);
            return 2;
        }
        if (outcome == STAGE_OPEN_REFUSED) {
            fprintf(stderr, "shotgun-kalvoro: %s\n", message);
        }
    }
    MainStartup(window);
    if (args->edit) {
        MainStartEditor(window, args->path);
    }
    return 0;
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

int MainOnCloseRequest(void) {
    return EditorRequestClose();
}

int MainWantsQuit(void) {
    return EditorWantsQuit();
}

void MainShowProblem(PlatformWindow* window, const char* why) {
    MsxFontInit();
    UpdateDisplayLayout(window);
    RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, PALETTE_BLACK);
    DrawMsxStringCentered(40, "SHOTGUN-KALVORO CANNOT START", PALETTE_PINK, 1);
    // The reason in lines of at most 38 characters, broken at spaces where it can be.
    char line[39];
    const size_t length = strlen(why);
    size_t at = 0;
    for (int32_t y = 64; at < length && y < 160; y += 12) {
        size_t take = length - at < 38 ? length - at : 38;
        if (at + take < length) {
            size_t space = take;
            while (space > 0 && why[at + space] != ' ') {
                --space;
            }
            take = space > 0 ? space : take;
        }
        memcpy(line, why + at, take);
        line[take] = '\0';
        DrawMsxStringCentered(y, line, PALETTE_WHITE, 1);
        at += take;
        while (at < length && why[at] == ' ') {
            ++at;
        }
    }
    DrawMsxStringCentered(172, "ANY KEY CLOSES THIS WINDOW", PALETTE_GREY, 1);
    PresentPixelBuffer(window);
}
