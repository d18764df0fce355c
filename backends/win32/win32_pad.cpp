// win32_pad.cpp -- up to four XInput pads: their sticks go to the game raw, their buttons become holds of
// the game's codes (south or the right trigger fire, west reloads, Start is Escape).
#include "backends/win32/win32_pad.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <xinput.h>

#include "app/main.h"
#include "backends/pad_poll.h"
#include "input/pad.h"

typedef DWORD(WINAPI* XInputGetStateFn)(DWORD, XINPUT_STATE*);

constexpr DWORD WIN32_PAD_MAX = 4;
// Asking an empty slot is slow on some systems: a slot found empty is asked again only after this long.
constexpr DWORD WIN32_PAD_RETRY_MS = 1000;
// A stick's full travel and a trigger's, to the 0..1 or -1..1 the pad rule reads.
constexpr float WIN32_PAD_STICK_FULL = 32767.0f;
constexpr float WIN32_PAD_TRIGGER_FULL = 255.0f;
// XInput's button of each of the game's pad controls (the right trigger is read from its own field).
static const WORD WIN32_PAD_BUTTON[PAD_CONTROLS] = {XINPUT_GAMEPAD_A, XINPUT_GAMEPAD_X, XINPUT_GAMEPAD_START,
                                                    0};

static HMODULE gXInput;
static XInputGetStateFn gGetState;
static DWORD gRetryAt[WIN32_PAD_MAX];
static int gFocused;

void Win32PadInit(void) {
    // The newest first; the oldest comes with every Windows since Vista.
    static const char* const names[] = {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"};
    for (const char* name : names) {
        gXInput = LoadLibraryA(name);
        if (gXInput) {
            gGetState = (XInputGetStateFn)(void*)GetProcAddress(gXInput, "XInputGetState");
            if (gGetState) {
                return;
            }
            FreeLibrary(gXInput);
            gXInput = NULL;
        }
    }
}

// Whether control is down in state.
static int Win32PadControlDown(const XINPUT_GAMEPAD* pad, int32_t control) {
    if (control == PAD_RIGHT_TRIGGER) {
        return (float)pad->bRightTrigger / WIN32_PAD_TRIGGER_FULL >= PAD_PRESSED;
    }
    return (pad->wButtons & WIN32_PAD_BUTTON[control]) != 0;
}

void Win32PadPoll(int focused) {
    if (!gGetState) {
        return;
    }
    if (!focused) {
        if (gFocused) {
            PadPollLatchAll();
        }
        gFocused = 0;
        return;
    }
    gFocused = 1;
    uint8_t down[PAD_CONTROLS] = {0, 0, 0, 0};
    float sticks[WIN32_PAD_MAX * 4];
    int32_t stickCount = 0;
    const DWORD now = GetTickCount();
    for (DWORD slot = 0; slot < WIN32_PAD_MAX; ++slot) {
        // Wrap-safe: the retry time has come when now is at or past it.
        if (gRetryAt[slot] != 0 && (int32_t)(now - gRetryAt[slot]) < 0) {
            continue;
        }
        XINPUT_STATE state;
        ZeroMemory(&state, sizeof(state));
        if (gGetState(slot, &state) != ERROR_SUCCESS) {
            gRetryAt[slot] = (now + WIN32_PAD_RETRY_MS) | 1u;
            continue;
        }
        gRetryAt[slot] = 0;
        const XINPUT_GAMEPAD* pad = &state.Gamepad;
        for (int32_t control = 0; control < PAD_CONTROLS; ++control) {
            if (Win32PadControlDown(pad, control)) {
                down[control] = 1;
            }
        }
        // XInput's sticks point up for positive y; the game's y points down.
        float* s = sticks + stickCount * 2;
        s[0] = (float)pad->sThumbLX / WIN32_PAD_STICK_FULL;
        s[1] = -(float)pad->sThumbLY / WIN32_PAD_STICK_FULL;
        s[2] = (float)pad->sThumbRX / WIN32_PAD_STICK_FULL;
        s[3] = -(float)pad->sThumbRY / WIN32_PAD_STICK_FULL;
        stickCount += 2;
    }
    PadOnSticks(sticks, stickCount);
    const PadPollLook look = PadPollUpdate(down);
    for (int32_t message : look.messages) {
        if (message != 0) {
            MainOnKeyDown(message);
        }
    }
}

void Win32PadShutdown(void) {
    PadPollLatchAll();
    PadOnPointer();
    if (gXInput) {
        FreeLibrary(gXInput);
    }
    gXInput = NULL;
    gGetState = NULL;
}
