// win32_pad.h -- pads through XInput, looked up when the game starts (the program needs no more DLLs to
// start than before: without XInput there are simply no pads) and read once a frame by the one pad rule.
#pragma once
#include <stdint.h>

// Loads XInput if Windows has it.
void Win32PadInit(void);
// One look at the pads before a frame; focused: our window is in front (else nothing is held and a
// button down now counts again only once let go). R and Escape pressed on a pad reach the game as
// key-down messages through MainOnKeyDown;
// what a pad holds is read through PadPollIsDown.
void Win32PadPoll(int focused);
void Win32PadShutdown(void);
