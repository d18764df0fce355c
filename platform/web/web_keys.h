// web_keys.h -- the page's keys and mouse buttons as Win32 virtual-key codes: KeyboardEvent.code
// names translated, and which codes are down now. Plain C++, so it also builds and tests on the host.
#pragma once
#include <stdint.h>

// Virtual-key code of a KeyboardEvent.code name ("KeyA", "ArrowLeft", "F5"...); 0 for keys the game has none
// for.
int32_t WebKeyCodeToVk(const char* code);
// Records a physical key going down or up and returns its virtual-key code (0: not recorded).
int32_t WebKeysOnKey(const char* code, int down);
// Records a mouse button (MouseEvent.button: 0 left, 1 middle, 2 right, 3 back, 4 forward).
void WebKeysOnButton(int32_t domButton, int down);
// Takes the buttons held according to a MouseEvent.buttons mask (1 left, 2 right, 4 middle, 8 back, 16
// forward).
void WebKeysSyncButtons(int32_t domButtons);
// 1 while a key or button with this code is down (1 = left button); 0 for codes outside 0..255.
int WebKeysIsDown(int32_t vk);
// Lets go of everything: after the page loses focus the releases never arrive.
void WebKeysReleaseAll(void);
