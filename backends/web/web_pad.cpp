// web_pad.cpp -- the pads' buttons become holds of the game's codes, their sticks an aim direction.
#include "backends/web/web_pad.h"

#include "input/pad.h"
#include "platform/keys.h"
#include "backends/web/web_keys.h"

// The page's button of each of the game's pad controls, in the standard layout.
static const int32_t WEB_PAD_BUTTON[PAD_CONTROLS] = {0, 2, 9, 7};

// The game's three pad inputs (fire first): held last look, and latched (held since before the focus
// came back).
constexpr int32_t WEB_PAD_FIRE = 0;
constexpr int32_t WEB_PAD_INPUTS = 3;
static const int32_t WEB_PAD_INPUT_VK[WEB_PAD_INPUTS] = {KEY_LBUTTON, KEY_R, KEY_ESCAPE};

static uint8_t gPadHeld[WEB_PAD_INPUTS];
static uint8_t gPadLatched[WEB_PAD_INPUTS];

// The slot of the game's code vk among the pad inputs.
static int32_t WebPadInputOf(int32_t vk) {
    for (int32_t i = 0; i < WEB_PAD_INPUTS; ++i) {
        if (WEB_PAD_INPUT_VK[i] == vk) {
            return i;
        }
    }
    return 0;
}

WebPadLook WebPadUpdate(const float* values, int32_t pads) {
    WebPadLook look = {{0, 0}, 0, 0.0f, 0.0f};
    uint8_t down[WEB_PAD_INPUTS] = {0, 0, 0};
    float sticks[WEB_PAD_MAX * 4];
    int32_t stickCount = 0;
    for (int32_t p = 0; values && p < pads && p < WEB_PAD_MAX; ++p) {
        const float* pad = values + p * WEB_PAD_VALUES;
        for (int32_t control = 0; control < PAD_CONTROLS; ++control) {
            if (pad[WEB_PAD_AXES + WEB_PAD_BUTTON[control]] >= PAD_PRESSED) {
                down[WebPadInputOf(PadControlCode(control))] = 1;
            }
        }
        for (int32_t v = 0; v < 4; ++v) {
            sticks[stickCount * 2 + v] = pad[v];
        }
        stickCount += 2;
    }
    look.aimed = PadStickAim(sticks, stickCount, &look.dirX, &look.dirY);
    int32_t n = 0;
    for (int32_t i = 0; i < WEB_PAD_INPUTS; ++i) {
        if (!down[i]) {
            gPadLatched[i] = 0;
        }
        const uint8_t held = down[i] && !gPadLatched[i];
        if (held != gPadHeld[i]) {
            WebKeysHold(WEB_HOLD_PAD, WEB_PAD_INPUT_VK[i], held);
            // Keys come with a key-down message, as from the keyboard; the left button has none.
            if (held && i != WEB_PAD_FIRE) {
                look.messages[n++] = WEB_PAD_INPUT_VK[i];
            }
        }
        gPadHeld[i] = held;
    }
    return look;
}

void WebPadLatchAll(void) {
    for (int32_t i = 0; i < WEB_PAD_INPUTS; ++i) {
        gPadLatched[i] = 1;
        gPadHeld[i] = 0;
        WebKeysHold(WEB_HOLD_PAD, WEB_PAD_INPUT_VK[i], 0);
    }
}
