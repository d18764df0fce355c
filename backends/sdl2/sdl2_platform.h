// sdl2_platform.h -- the SDL2 window, picture, clock and input behind the platform seam, and the
// translation of SDL key events into the Win32 virtual-key codes the game reads.
#pragma once
#include <stdint.h>

#include "platform/platform.h"

// Opens the resizable game window with a 960 x 600 client area; null (and a reason) on failure.
PlatformWindow* Sdl2OpenWindow(const char** whyNot);
// Destroys the renderer, the window and SDL's video part.
void Sdl2CloseWindow(PlatformWindow* window);
// Win32 virtual-key code of an SDL scancode; 0 for keys the game has no code for.
int32_t Sdl2ScancodeToVk(int32_t scancode);
// Window coordinates (as SDL's mouse events give them) to client pixels of the drawable.
void Sdl2WindowToClient(PlatformWindow* window, int32_t wx, int32_t wy, int32_t* cx, int32_t* cy);
// The key's raw down state on this window: keyboard, mouse buttons and pads, before the focus gate.
int Sdl2RawKeyDown(int32_t vk);
// Between the 960 x 600 window and the whole screen at the desktop's own mode.
void Sdl2ToggleFullscreen(PlatformWindow* window);
// Hides the desktop's arrow while the pointer is over the picture; shows it over the black borders.
void Sdl2UpdateCursor(PlatformWindow* window);
void Sdl2SetTitle(PlatformWindow* window, const char* title);
