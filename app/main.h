// main.h -- the portable start-up, frame step and shutdown, written once for every backend's
// entry point, and the routing of window events into the game.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "platform/platform.h"

constexpr int32_t WINDOW_CLIENT_WIDTH = PLATFORM_WINDOW_WIDTH;
constexpr int32_t WINDOW_CLIENT_HEIGHT = PLATFORM_WINDOW_HEIGHT;
constexpr uint32_t FRAME_DT_MAX_MS = 50;
constexpr uint32_t FRAME_SLEEP_MS = 16;
#define WINDOW_CLASS_NAME "ShotgunKalvoro"
#define WINDOW_TITLE "Shotgun-Kalvoro"

// What the desktop command line asks for: "[--edit] [STAGE]".
struct MainArgs {
    int edit;         // 1: open STAGE (or a blank stage) in the editor
    const char* path; // null: the shipped stage
};
// The desktop games' usage, one line per form.
#define MAIN_USAGE_LINES                                                                                     \
    "  shotgun-kalvoro [STAGE_FILE]    plays STAGE_FILE (read at every stage start)\n"                       \
    "  shotgun-kalvoro FOLDER          plays FOLDER's *.txt stages in name order, the next\n"                \
    "                                  after each cleared one\n"                                             \
    "  shotgun-kalvoro --edit [STAGE]  makes or changes STAGE in the editor (a missing\n"                    \
    "                                  file starts a blank stage)\n"                                         \
    "  a name starting with '-' is written ./-name\n"
// 1 when argv holds a usable command line; args then says what it asks for.
int MainReadArgs(int argc, char** argv, MainArgs* args);
// Elapsed milliseconds between two tick readings, unsigned so a wrap still gives the true step,
// capped at FRAME_DT_MAX_MS.
float MainMeasureDt(uint32_t previous, uint32_t now);
// Font, random seed, game state, layout, first tick reading; the window already exists.
void MainStartup(PlatformWindow* window);
// One frame: dt, input snapshot, polled mode changes, update, render, present, audio, sleep.
void MainFrame(PlatformWindow* window);
// Audio off, back buffer released; the backend then lets go of its window.
void MainShutdown(void);

// Window events, as the backends deliver them between frames.
void MainOnKeyDown(int32_t vk);
void MainOnMouseMove(int32_t clientX, int32_t clientY);
// A stage file dropped on the window: what it means is decided in app/stage_open (a file that cannot
// be used is said on standard error and in the title). Returns its StageOpenOutcome.
int32_t MainOnDropFile(PlatformWindow* window, const char* path);
// What the command line asks for, once the window is open: the stage or stage set it gives, start-up,
// then the editor when asked. 0: run the frames; else the exit status, and why says it for a person.
int32_t MainStartWith(PlatformWindow* window, const MainArgs* args, char* why, size_t whySize);
// Says in the window why the game cannot start (an empty stage folder, --edit on a folder), for a
// person who started it from a menu and has no terminal to read; drawn again at each call.
void MainShowProblem(PlatformWindow* window, const char* why);
// Enters the editor on path (null or a missing file: a blank stage); after MainStartup.
void MainStartEditor(PlatformWindow* window, const char* path);
// Wheel notches, positive away from the user.
void MainOnMouseWheel(int32_t notches);
void MainOnResize(PlatformWindow* window);
void MainOnDestroy(void);
// The window's close button (or the system's quit): 1 when the window may close now; 0 when the game
// holds it to ask first (unsaved changes), after which MainWantsQuit says whether to close.
int MainOnCloseRequest(void);
int MainWantsQuit(void);
