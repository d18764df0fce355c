// key_gate.h -- what the game may see of the desktop's keys and buttons: nothing while the window
// lacks the focus, nothing of a key or button already down when the focus came (so the click that
// brings the window to the front does not fire), and nothing of the fullscreen toggle (F11, Alt+Enter).
// A press let go before a frame read it is still shown down to that one frame: no quick tap is lost; a
// key let go and pressed again between two frames is shown up to one frame, then down: no re-press is lost.
// Plain logic over key codes; the SDL2 and Win32 backends feed it their events and raw key states.
#pragma once
#include <stdint.h>

enum KeyGateAction {
    KEY_GATE_PASS,    // hand the key-down message to the game
    KEY_GATE_SWALLOW, // the game never hears of it
    KEY_GATE_TOGGLE,  // switch fullscreen; the game never hears of it
};

// Raw down state of a key code as the backend reads it (keyboard, mouse buttons, pad).
typedef int (*KeyGateRawFn)(int32_t vk);

// Starts unfocused with nothing held back.
void KeyGateReset(void);
// Focus arrives or leaves. On arrival every key raw reports down is held back until it is released.
void KeyGateSetFocus(int focused, KeyGateRawFn raw);
int KeyGateHasFocus(void);
// A key-down message (repeat: an auto-repeat); altHeld: an Alt key is down with it.
KeyGateAction KeyGateOnKeyDown(int32_t vk, int repeat, int altHeld);
// A key or a mouse button went up.
void KeyGateOnKeyUp(int32_t vk);
// A mouse button (or other device) went down; the game then sees it down in the next frame's reading.
void KeyGateOnPress(int32_t vk);
// A press the game was not told of when it happened (Alt held back until it proved not to be a chord);
// 0 when there is none. The backend hands it to the game before anything else it delivers.
int32_t KeyGateTakeLatePress(void);
// What the game sees of a key whose raw state is rawDown (down, too, if pressed since the last frame).
int KeyGateIsDown(int32_t vk, int rawDown);
// After each frame: presses already let go (a lone Alt among them) have been seen and end.
void KeyGateEndFrame(void);
