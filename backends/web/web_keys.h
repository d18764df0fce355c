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
// Lets go of the buttons a MouseEvent.buttons mask shows up (1 left, 2 right, 4 middle, 8 back, 16
// forward); a mask never presses one.
void WebKeysSyncButtons(int32_t domButtons);
// 1 while a key or button with this code is down (1 = left button); 0 for codes outside 0..255.
int WebKeysIsDown(int32_t vk);
// Lets go of everything: after the page loses focus the releases never arrive.
void WebKeysReleaseAll(void);

// Holders besides the keyboard and the mouse: touches on the picture, the page's buttons, gamepads, and a
// lone Alt tap.
constexpr int32_t WEB_HOLD_TOUCH = 0;
constexpr int32_t WEB_HOLD_BUTTONS = 1;
constexpr int32_t WEB_HOLD_PAD = 2;
constexpr int32_t WEB_HOLD_ALT = 3;
constexpr int32_t WEB_HOLDS = 4;

// What a key-down becomes: up to two key-down messages for the game (0 = none), in order, or the
// platform's full-screen toggle (the game then sees nothing of the key, down or up).
struct WebKeyDown {
    int32_t messages[2];
    int32_t fullscreen;
};

// A key-down event through the shared key gate (F11 and Alt+Enter toggle full screen, Alt waits until it
// is not part of the chord); a repeat of a key pressed before the page had the focus is nothing.
WebKeyDown WebKeysOnKeyDown(const char* code, int repeat);
// A key-up event; returns a key-down message now due (a lone Alt let go), else 0.
int32_t WebKeysOnKeyUp(const char* code);
// A mouse button press at nowMs (ms): counted only while WebKeysPressCounts says so.
void WebKeysOnButtonDown(int32_t domButton, double nowMs);
// Holds a code down for a holder, or lets go; a hold let go before a frame has read it lasts until
// that frame ends, so that a quick tap is still one press.
void WebKeysHold(int32_t holder, int32_t vk, int down);
// After each frame: ends the holds that were let go while waiting to be seen.
void WebKeysEndFrame(void);
// The page gains (1) or loses (0) the focus at nowMs; losing it lets go of everything.
void WebKeysOnFocus(int focused, double nowMs);
// 1 when a press at nowMs counts: the page has the focus and this is not the click that gave it.
int WebKeysPressCounts(double nowMs);
// 1 while the page has the focus.
int WebKeysHasFocus(void);
