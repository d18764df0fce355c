/* pad_standin.c -- a stand-in for XInput in the Wine test: slot 0 holds the pad written in pad.txt in the
 * current folder ("BUTTONS RIGHT_TRIGGER LX LY RX RY", decimal, XInput's own ranges); without that file,
 * and on every other slot, no pad is connected. Built as xinput1_4.dll beside the game. */
#include <stdio.h>
#include <string.h>
#include <windows.h>
#include <xinput.h>

static DWORD gPacket;

__declspec(dllexport) DWORD WINAPI XInputGetState(DWORD index, XINPUT_STATE* state) {
    if (index != 0 || !state) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    FILE* f = fopen("pad.txt", "r");
    if (!f) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    unsigned buttons = 0, trigger = 0;
    int lx = 0, ly = 0, rx = 0, ry = 0;
    const int n = fscanf(f, "%u %u %d %d %d %d", &buttons, &trigger, &lx, &ly, &rx, &ry);
    fclose(f);
    memset(state, 0, sizeof(*state));
    if (n != 6) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    state->dwPacketNumber = ++gPacket;
    state->Gamepad.wButtons = (WORD)buttons;
    state->Gamepad.bRightTrigger = (BYTE)trigger;
    state->Gamepad.sThumbLX = (SHORT)lx;
    state->Gamepad.sThumbLY = (SHORT)ly;
    state->Gamepad.sThumbRX = (SHORT)rx;
    state->Gamepad.sThumbRY = (SHORT)ry;
    return ERROR_SUCCESS;
}
