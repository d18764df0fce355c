// sdl2_events.h -- SDL's events into the game between frames: keys through the focus gate (which also
// takes the fullscreen toggle), the pointer, resizes, focus changes, controllers and dropped stage files.
#pragma once
#include <SDL.h>

#include "platform/platform.h"

// Plays the stage file at path from the next stage start on (null: the shipped stage) and names it in
// the window's title; one that cannot be used is said so, and when dropped leaves the stage as it was.
void Sdl2EventsUseStage(PlatformWindow* window, const char* path, int dropped);
// Handles one event; returns 0 for the request to quit (after telling the game), 1 otherwise.
int Sdl2EventsHandle(PlatformWindow* window, const SDL_Event* ev);
// After each frame: the one-frame Alt ends, the arrow is shown or hidden for where the pointer is.
void Sdl2EventsEndFrame(PlatformWindow* window);
