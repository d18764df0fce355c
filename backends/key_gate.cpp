// key_gate.cpp -- focus gating and the fullscreen toggle keys, between the backend's raw key states and
// the game. A lone Alt is held back while it is down: it may still become Alt+Enter, which the game must
// never see; released alone it reaches the game then, for one frame, so Alt still starts a stage.
// Presses are latched until a frame has read them: a click shorter than a frame still starts and fires,
// and a key let go and pressed again between two frames is shown up for one frame before its new press.
#include "backends/key_gate.h"

#include <string.h>

#include "platform/keys.h"

static int gFocused;
// Down when the focus came or used as a toggle: hidden from the game until released.
static uint8_t gHeldBack[KEY_COUNT];
static int gAltPending;
// Pressed since the last frame ended: shown down to the next reading even if already let go.
static uint8_t gLatched[KEY_COUNT];
static int32_t gLatePress;
// What the last reading showed of each key, and the keys let go since the last frame ended.
static uint8_t gShown[KEY_COUNT];
static uint8_t gReleased[KEY_COUNT];
// Let go and pressed again since a reading showed it down: the next frame shows it up, the one after
// down, so the game sees the release and the new press instead of one long hold. Only a release seen
// makes one: a second key-down with no key-up between (a system resending a key) stays one hold.
static uint8_t gRepressed[KEY_COUNT];
// Ctrl and Shift down by their messages: a press latched while one is down latches it too, so a chord
// typed faster than a frame (Ctrl let go before the frame read the S) is still seen as a chord.
static uint8_t gModifierDown[KEY_COUNT];
static const int32_t KEY_GATE_MODIFIERS[] = {KEY_CONTROL, KEY_SHIFT};

static int KeyGateValid(int32_t vk) {
    return (uint32_t)vk < (uint32_t)KEY_COUNT;
}

// The toggle key a code stands for: left and right Alt (which the Windows key state has) are Alt.
static int32_t KeyGateToggleKey(int32_t vk) {
    if (vk == KEY_LALT || vk == KEY_RALT) {
        return KEY_ALT;
    }
    return (vk == KEY_ALT || vk == KEY_ENTER || vk == KEY_F11) ? vk : 0;
}

void KeyGateReset(void) {
    gFocused = 0;
    memset(gHeldBack, 0, sizeof(gHeldBack));
    gAltPending = 0;
    memset(gLatched, 0, sizeof(gLatched));
    memset(gModifierDown, 0, sizeof(gModifierDown));
    gLatePress = 0;
    memset(gShown, 0, sizeof(gShown));
    memset(gReleased, 0, sizeof(gReleased));
    memset(gRepressed, 0, sizeof(gRepressed));
}

// A new press (no auto-repeat) latched for the next reading.
static void KeyGateLatch(int32_t vk) {
    gRepressed[vk] |= gShown[vk] & gReleased[vk];
    gLatched[vk] = 1;
}

void KeyGateSetFocus(int focused, KeyGateRawFn raw) {
    gFocused = focused ? 1 : 0;
    gAltPending = 0;
    memset(gLatched, 0, sizeof(gLatched));
    memset(gModifierDown, 0, sizeof(gModifierDown));
    gLatePress = 0;
    memset(gShown, 0, sizeof(gShown));
    memset(gReleased, 0, sizeof(gReleased));
    memset(gRepressed, 0, sizeof(gRepressed));
    for (int32_t vk = 0; vk < KEY_COUNT; ++vk) {
        gHeldBack[vk] = (gFocused && raw && raw(vk)) ? 1 : 0;
    }
}

int KeyGateHasFocus(void) {
    return gFocused;
}

KeyGateAction KeyGateOnKeyDown(int32_t vk, int repeat, int altHeld) {
    if (!gFocused || !KeyGateValid(vk) || gHeldBack[vk]) {
        return KEY_GATE_SWALLOW;
    }
    if (vk == KEY_F11) {
        gHeldBack[vk] = 1;
        return KEY_GATE_TOGGLE;
    }
    if (vk == KEY_ENTER && (altHeld || gAltPending)) {
        gHeldBack[vk] = 1;
        if (gAltPending) {
            gAltPending = 0;
            gHeldBack[KEY_ALT] = 1;
        }
        return KEY_GATE_TOGGLE;
    }
    if (vk == KEY_ALT) {
        if (repeat) {
            return gAltPending ? KEY_GATE_SWALLOW : KEY_GATE_PASS;
        }
        gAltPending = 1;
        return KEY_GATE_SWALLOW;
    }
    if (gAltPending) {
        // Alt with another key: a modifier the game may see from now on.
        gAltPending = 0;
        gLatePress = KEY_ALT;
    }
    if (repeat) {
        gLatched[vk] = 1;
    } else {
        KeyGateLatch(vk);
    }
    if (vk == KEY_CONTROL || vk == KEY_SHIFT) {
        gModifierDown[vk] = 1;
    } else {
        for (const int32_t modifier : KEY_GATE_MODIFIERS) {
            gLatched[modifier] |= gModifierDown[modifier];
        }
    }
    return KEY_GATE_PASS;
}

void KeyGateOnKeyUp(int32_t vk) {
    if (!KeyGateValid(vk)) {
        return;
    }
    gHeldBack[vk] = 0;
    gModifierDown[vk] = 0;
    gReleased[vk] = 1;
    if (vk == KEY_ALT && gAltPending) {
        gAltPending = 0;
        gLatched[KEY_ALT] = (uint8_t)gFocused;
        gLatePress = gFocused ? KEY_ALT : 0;
    }
}

void KeyGateOnPress(int32_t vk) {
    if (gFocused && vk > 0 && KeyGateValid(vk) && !gHeldBack[vk]) {
        KeyGateLatch(vk);
    }
}

int32_t KeyGateTakeLatePress(void) {
    const int32_t vk = gLatePress;
    gLatePress = 0;
    return vk;
}

static int KeyGateSees(int32_t vk, int rawDown) {
    if (gHeldBack[vk]) {
        if (!rawDown) {
            gHeldBack[vk] = 0;
        }
        return 0;
    }
    if (gRepressed[vk]) {
        return 0; // the release first; the press is the next frame's
    }
    if (gLatched[vk]) {
        return 1;
    }
    const int32_t toggleKey = KeyGateToggleKey(vk);
    if (toggleKey != 0 && (gHeldBack[toggleKey] || (toggleKey == KEY_ALT && gAltPending))) {
        return 0;
    }
    return rawDown ? 1 : 0;
}

int KeyGateIsDown(int32_t vk, int rawDown) {
    if (!gFocused || !KeyGateValid(vk)) {
        return 0;
    }
    gShown[vk] = (uint8_t)KeyGateSees(vk, rawDown);
    return gShown[vk];
}

void KeyGateEndFrame(void) {
    // A press held over for its release's frame is latched for the next.
    memcpy(gLatched, gRepressed, sizeof(gLatched));
    memset(gRepressed, 0, sizeof(gRepressed));
    memset(gReleased, 0, sizeof(gReleased));
}
