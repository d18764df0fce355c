// web_platform.h -- the page behind the platform seam: its canvas, its size, the cursor and the keys,
// as the entry point in web_main.cpp feeds them from the browser's events.
#pragma once
#include <stdint.h>

#include "platform/platform.h"

// The page's one window: finds (or adds) the 320 x 200 canvas the picture goes to.
PlatformWindow* WebOpenWindow(void);
// Takes the cursor position of a mouse or touch event (CSS pixels of the page, a touch's fractional)
// as the current one.
void WebSetCursor(double pageX, double pageY);
// Puts the cursor at a position in client pixels (the pad's aim).
void WebSetCursorClient(int32_t clientX, int32_t clientY);
// The current cursor position in client pixels (screen pixels of the page).
void WebGetCursor(int32_t* clientX, int32_t* clientY);
// Starts the sound output if the page may now play sound (called on every click and key).
void WebAudioOnGesture(void);
