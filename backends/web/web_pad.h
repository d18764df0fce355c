// web_pad.h -- the page's gamepads as inputs the game already reads, by the one pad rule of input/pad:
// a stick turns the aim around the player, the south button or the right trigger is the left button,
// west is R, Start is Escape.
// Plain C++, so it also builds and tests on the host.
#pragma once
#include <stdint.h>

// What the page hands over per pad, in the standard layout: left stick x, y, right stick x, y, then the
// pressure of each button (0..1).
constexpr int32_t WEB_PAD_AXES = 4;
constexpr int32_t WEB_PAD_BUTTONS = 17;
constexpr int32_t WEB_PAD_VALUES = WEB_PAD_AXES + WEB_PAD_BUTTONS;
constexpr int32_t WEB_PAD_MAX = 4;

// The outcome of one look at the pads.
struct WebPadLook {
    int32_t messages[2]; // key-down messages for the game (R, Escape), 0 = none
    int32_t aimed;       // 1: a stick is out of its dead zone; the pad takes the cursor
    float dirX;          // unit direction of that stick, y down
    float dirY;
};

// Takes one look at `pads` pads of WEB_PAD_VALUES values each: holds the left button, R and Escape for
// the buttons held, gives the key-down messages of new presses and the stick's direction.
WebPadLook WebPadUpdate(const float* values, int32_t pads);
// After the focus was lost: every button held now counts only once it has been let go.
void WebPadLatchAll(void);
