// sdl2_pad.h -- game controllers on the desktop build, hot-plugged through SDL's game controller
// interface and turned into what the game already reads by the one pad rule of input/pad: a stick aims
// around the player, the right trigger or the south button is the left button, west is R, Start is
// Escape.
#pragma once
#include <SDL.h>
#include <stdint.h>

#include "input/pad.h"

// Opens SDL's controller part; without it no pad is ever seen, and nothing else changes.
void Sdl2PadInit(void);
// Closes every pad and SDL's controller part.
void Sdl2PadShutdown(void);
// Takes a controller event (others are ignored). Returns the key code of a new press that the game
// hears as a key-down message (R, Escape), or 0.
int32_t Sdl2PadHandleEvent(const SDL_Event* ev);
// The mouse moved: it owns the cursor again until a stick moves.
void Sdl2PadOnMouseMoved(void);
// 1 while a stick last moved the aim.
int Sdl2PadOwnsCursor(void);
// 1 while a pad holds down the key code (KEY_LBUTTON, KEY_R, KEY_ESCAPE).
int Sdl2PadIsDown(int32_t vk);
// The stick's crosshair in client pixels: the player's centre on screen plus the radius along the
// last stick direction; 0 when there is no player to aim from.
int Sdl2PadCursorClient(int32_t* x, int32_t* y);
