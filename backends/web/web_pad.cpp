// web_pad.cpp -- the pads' buttons become holds of the game's codes; their sticks go to the game.
#include "backends/web/web_pad.h"

#include "backends/pad_poll.h"
#include "input/pad.h"
#include "platform/keys.h"
#include "backends/web/web_keys.h"

// The page's button of each of the game's pad controls, in the standard layout.
static const int32_t WEB_PAD_BUTTON[PAD_CONTROLS] = {0, 2, 9, 7};

WebPadLook WebPadUpdate(const float* values, int32_t pads) {
    uint8_t down[PAD_CONTROLS] = {0, 0, 0, 0};
    float sticks[WEB_PAD_MAX * 4];
    int32_t stickCount = 0;
    for (int32_t p = 0; values && p < pads && p < WEB_PAD_MAX; ++p) {
        const float* pad = values + p * WEB_PAD_VALUES;
        for (int32_t control = 0; control < PAD_CONTROLS; ++control) {
            if (pad[WEB_PAD_AXES + WEB_PAD_BUTTON[control]] >= PAD_PRESSED) {
                down[control] = 1;
            }
        }
        for (int32_t v = 0; v < 4; ++v) {
            sticks[stickCount * 2 + v] = pad[v];
        }
        stickCount += 2;
    }
    PadOnSticks(sticks, stickCount);
    const PadPollLook poll = PadPollUpdate(down);
    for (int32_t i = 0; i < PAD_POLL_INPUTS; ++i) {
        if (poll.changed & (1u << i)) {
            WebKeysHold(WEB_HOLD_PAD, PadPollCode(i), PadPollHeld(i));
        }
    }
    WebPadLook look = {{poll.messages[0], poll.messages[1]}};
    return look;
}

void WebPadLatchAll(void) {
    PadPollLatchAll();
    for (int32_t i = 0; i < PAD_POLL_INPUTS; ++i) {
        WebKeysHold(WEB_HOLD_PAD, PadPollCode(i), 0);
    }
}
