// win32_window.h -- what the Win32 backend keeps behind the opaque PlatformWindow: the one game
// window and the drawing context it holds for the whole run. Shared by the backend's files only.
#pragma once
#include <windows.h>

#include "platform/platform.h"

struct PlatformWindow {
    HWND hwnd;
    HDC dc;
};
