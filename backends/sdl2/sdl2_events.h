// sdl2_events.h -- SDL's events into the game between frames: keys through the focus gate (which also
// takes the fullscreen toggle), the pointer, resizes, focus changes, controllers and dropped stage files.
#pragma once
#include <SDL.h>

#include "platform/platform.h"

// Handles one event; returns 0 for the request to quit (after telling the game), 1 otherwise.
int Sdl2EventsHandle(PlatformWindow* window, const SDL_Event* ev);
// After each frame: the one-frame Alt ends, the arrow is shown or hidden for where the pointer is.
void Sdl2EventsEndFrame(PlatformWindow* window);
