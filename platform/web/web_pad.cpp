// web_pad.cpp -- the pads' buttons become holds of the game's codes, their sticks an aim direction.
#include "platform/web/web_pad.h"

#include <math.h>

#include "platform/keys.h"
#include "platform/web/web_keys.h"

constexpr int32_t WEB_PAD_SOUTH = 0;
constexpr int32_t WEB_PAD_WEST = 2;
constexpr int32_t WEB_PAD_RIGHT_TRIGGER = 7;
constexpr int32_t WEB_PAD_START = 9;
// Sticks rest a little off centre and triggers a little pressed; below these they count as at rest.
constexpr float WEB_PAD_DEAD_ZONE = 0.3f;
constexpr float WEB_PAD_PRESSED = 0.5f;

// The game's three pad inputs: held last look, and latched (held since before the focus came back).
constexpr int32_t WEB_PAD_FIRE = 0;
constexpr int32_t WEB_PAD_RELOAD = 1;
constexpr int32_t WEB_PAD_ESCAPE = 2;
constexpr int32_t WEB_PAD_INPUTS = 3;
static const int32_t WEB_PAD_INPUT_VK[WEB_PAD_INPUTS] = {KEY_LBUTTON, KEY_R, KEY_ESCAPE};

static uint8_t gPadHeld[WEB_PAD_INPUTS];
static uint8_t gPadLatched[WEB_PAD_INPUTS];

static int WebPadPressed(const float* pad, int32_t button) {
    const float v = pad[WEB_PAD_AXES + button];
    return v >= WEB_PAD_PRESSED;
}

WebPadLook WebPadUpdate(const float* values, int32_t pads) {
    WebPadLook look = {{0, 0}, 0, 0.0f, 0.0f};
    uint8_t down[WEB_PAD_INPUTS] = {0, 0, 0};
    float best = WEB_PAD_DEAD_ZONE;
    for (int32_t p = 0; values && p < pads && p < WEB_PAD_MAX; ++p) {
        const float* pad = values + p * WEB_PAD_VALUES;
        down[WEB_PAD_FIRE] |= WebPadPressed(pad, WEB_PAD_SOUTH) | WebPadPressed(pad, WEB_PAD_RIGHT_TRIGGER);
        down[WEB_PAD_RELOAD] |= WebPadPressed(pad, WEB_PAD_WEST);
        down[WEB_PAD_ESCAPE] |= WebPadPressed(pad, WEB_PAD_START);
        // The stick pushed furthest aims; NaN from a broken pad fails every comparison and is skipped.
        for (int32_t stick = 0; stick < 2; ++stick) {
            const float x = pad[stick * 2];
            const float y = pad[stick * 2 + 1];
            const float len = sqrtf(x * x + y * y);
            if (len > best && len < 1e6f) {
                best = len;
                look.aimed = 1;
                look.dirX = x / len;
                look.dirY = y / len;
            }
        }
    }
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

void WebPadAimClient(float playerX, float playerY, float dirX, float dirY, int32_t destX, int32_t destY,
                     int32_t scale, int32_t* clientX, int32_t* clientY) {
    const float lx = floorf(playerX + dirX * WEB_PAD_AIM_RADIUS);
    const float ly = floorf(playerY + dirY * WEB_PAD_AIM_RADIUS);
    // Far outside the picture the game clamps anyway; kept in range so the conversion is defined.
    const float limit = 1e6f;
    const float cx = fminf(fmaxf(lx, -limit), limit);
    const float cy = fminf(fmaxf(ly, -limit), limit);
    *clientX = destX + (int32_t)cx * scale + scale / 2;
    *clientY = destY + (int32_t)cy * scale + scale / 2;
}
