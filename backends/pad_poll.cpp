// pad_poll.cpp -- holds, latches and key-down messages of the pads looked at once a frame.
#include "backends/pad_poll.h"

#include "platform/keys.h"

static const int32_t PAD_POLL_CODE[PAD_POLL_INPUTS] = {KEY_LBUTTON, KEY_R, KEY_ESCAPE};

static uint8_t gHeld[PAD_POLL_INPUTS];
static uint8_t gLatched[PAD_POLL_INPUTS];

// The input that the game's code vk is (fire for an unknown one, which no control has).
static int32_t PadPollInputOf(int32_t vk) {
    for (int32_t i = 0; i < PAD_POLL_INPUTS; ++i) {
        if (PAD_POLL_CODE[i] == vk) {
            return i;
        }
    }
    return PAD_POLL_FIRE;
}

PadPollLook PadPollUpdate(const uint8_t down[PAD_CONTROLS]) {
    PadPollLook look = {{0, 0}, 0};
    uint8_t inputDown[PAD_POLL_INPUTS] = {0, 0, 0};
    for (int32_t control = 0; control < PAD_CONTROLS; ++control) {
        if (down[control]) {
            inputDown[PadPollInputOf(PadControlCode(control))] = 1;
        }
    }
    int32_t n = 0;
    for (int32_t i = 0; i < PAD_POLL_INPUTS; ++i) {
        if (!inputDown[i]) {
            gLatched[i] = 0;
        }
        const uint8_t held = inputDown[i] && !gLatched[i];
        if (held != gHeld[i]) {
            look.changed = (uint8_t)(look.changed | (1u << i));
            // Keys come with a key-down message, as from the keyboard; the left button has none.
            if (held && i != PAD_POLL_FIRE) {
                look.messages[n++] = PAD_POLL_CODE[i];
            }
        }
        gHeld[i] = held;
    }
    return look;
}

int32_t PadPollCode(int32_t input) {
    return input >= 0 && input < PAD_POLL_INPUTS ? PAD_POLL_CODE[input] : 0;
}

int PadPollHeld(int32_t input) {
    return input >= 0 && input < PAD_POLL_INPUTS ? gHeld[input] : 0;
}

int PadPollIsDown(int32_t vk) {
    for (int32_t i = 0; i < PAD_POLL_INPUTS; ++i) {
        if (PAD_POLL_CODE[i] == vk && gHeld[i]) {
            return 1;
        }
    }
    return 0;
}

void PadPollLatchAll(void) {
    for (int32_t i = 0; i < PAD_POLL_INPUTS; ++i) {
        gLatched[i] = 1;
        gHeld[i] = 0;
    }
}
