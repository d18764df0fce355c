// pad_poll.h -- pads that are looked at once a frame (the page's and Windows' XInput), turned into the
// game's inputs by the one pad rule of input/pad: which of fire (the left button), R and Escape are held,
// and a key-down message for each new press of R or Escape, as the keyboard gives. A button held while
// the focus went away counts again only once it has been let go.
#pragma once
#include <stdint.h>

#include "input/pad.h"

// The game's pad inputs, fire first.
constexpr int32_t PAD_POLL_FIRE = 0;
constexpr int32_t PAD_POLL_INPUTS = 3;

// The outcome of one look.
struct PadPollLook {
    int32_t messages[2]; // key-down messages for the game (R, Escape), 0 = none
    uint8_t changed;     // bit i: the hold of input i changed with this look
};

// One look: down[control] is 1 when that PadControl is down on any pad.
PadPollLook PadPollUpdate(const uint8_t down[PAD_CONTROLS]);
// The game's code of input i (KEY_LBUTTON, KEY_R, KEY_ESCAPE) and whether it is held now.
int32_t PadPollCode(int32_t input);
int PadPollHeld(int32_t input);
// 1 while a pad holds the game's code vk.
int PadPollIsDown(int32_t vk);
// After the focus was lost: nothing is held, and every button down now counts only once let go.
void PadPollLatchAll(void);
