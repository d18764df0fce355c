// web_pad.h -- gamepads as inputs the game already reads: a stick turns the aim around the player at a
// fixed distance, the right trigger or the south button is the left button, west is R, Start is Escape.
// Plain C++, so it also builds and tests on the host.
#pragma once
#include <stdint.h>

// What the page hands over per pad, in the standard layout: left stick x, y, right stick x, y, then the
// pressure of each button (0..1).
constexpr int32_t WEB_PAD_AXES = 4;
constexpr int32_t WEB_PAD_BUTTONS = 17;
constexpr int32_t WEB_PAD_VALUES = WEB_PAD_AXES + WEB_PAD_BUTTONS;
constexpr int32_t WEB_PAD_MAX = 4;
// Logical pixels between the player's centre and the pad's aim.
constexpr float WEB_PAD_AIM_RADIUS = 40.0f;

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
// Client position of the aim: WEB_PAD_AIM_RADIUS along (dirX, dirY) from the player's point on the
// screen (logical pixels), through the layout (top-left of the picture, scale), at the block's centre.
void WebPadAimClient(float playerX, float playerY, float dirX, float dirY, int32_t destX, int32_t destY,
                     int32_t scale, int32_t* clientX, int32_t* clientY);
