// pad.cpp -- the pad's controls as key codes, the stick's aim direction, who owns the cursor, and the
// aim's client pixel.
#include "input/pad.h"

#include <math.h>

#include "platform/keys.h"

static const int32_t PAD_CODES[PAD_CONTROLS] = {KEY_LBUTTON, KEY_R, KEY_ESCAPE, KEY_LBUTTON};

static int gPadOwnsCursor;
static float gPadAimX = 1.0f;
static float gPadAimY;

int32_t PadControlCode(int32_t control) {
    return control >= 0 && control < PAD_CONTROLS ? PAD_CODES[control] : 0;
}

int PadStickAim(const float* sticks, int32_t count, float* dirX, float* dirY) {
    float best = PAD_DEAD_ZONE;
    int aimed = 0;
    for (int32_t i = 0; sticks && i < count; ++i) {
        const float x = sticks[i * 2];
        const float y = sticks[i * 2 + 1];
        const float len = sqrtf(x * x + y * y);
        // NaN fails every comparison; a huge value is no stick.
        if (len > best && len < 1e6f) {
            best = len;
            aimed = 1;
            *dirX = x / len;
            *dirY = y / len;
        }
    }
    return aimed;
}

void PadAimClient(float playerX, float playerY, float dirX, float dirY, int32_t destX, int32_t destY,
                  int32_t scale, int32_t* clientX, int32_t* clientY) {
    const float lx = floorf(playerX + dirX * PAD_AIM_RADIUS);
    const float ly = floorf(playerY + dirY * PAD_AIM_RADIUS);
    // Far outside the picture the game clamps anyway; kept in range so the conversion is defined.
    const float limit = 1e6f;
    const float cx = fminf(fmaxf(lx, -limit), limit);
    const float cy = fminf(fmaxf(ly, -limit), limit);
    *clientX = destX + (int32_t)cx * scale + scale / 2;
    *clientY = destY + (int32_t)cy * scale + scale / 2;
}

void PadOnSticks(const float* sticks, int32_t count) {
    if (PadStickAim(sticks, count, &gPadAimX, &gPadAimY)) {
        gPadOwnsCursor = 1;
    }
}

void PadOnPointer(void) {
    gPadOwnsCursor = 0;
}

int PadOwnsCursor(void) {
    return gPadOwnsCursor;
}

void PadGetAim(float* dirX, float* dirY) {
    *dirX = gPadAimX;
    *dirY = gPadAimY;
}
