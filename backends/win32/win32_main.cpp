// win32_main.cpp -- the native Windows entry point: window class, window, message pump and window
// procedure, plus the clock, client size, cursor and key services of the platform seam. Keys pass the
// focus gate (the desktop's key state counts only while our window is in front), F11 and Alt+Enter switch
// to a borderless window over the monitor and back, and a stage file can be given or dropped.
#include <stdint.h>
#include <stdlib.h>
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "app/main.h"
#include "app/stage_open.h"
#include "backends/key_gate.h"
#include "backends/pad_poll.h"
#include "input/pad.h"
#include "platform/keys.h"
#include "backends/win32/win32_pad.h"
#include "backends/win32/win32_window.h"

// The one game window; its handle is filled in right after creation.
static PlatformWindow gWindow;
static HWND gHwnd;
// Non-zero once MainStartup has run: creation already sends WM_SIZE and friends, before any module
// is initialised, and those early messages must not reach the game.
static int gStarted;
// While the window covers its monitor: where it was before, to go back to.
static int gCoversMonitor;
static WINDOWPLACEMENT gWindowedPlacement;

static int Win32AsyncKeyDown(int32_t vk) {
    return GetAsyncKeyState((int)vk) < 0;
}

// Windows' key state runs ahead of the key messages: Alt, Enter and F11 count only once their key-down
// message has been through the gate, which decides whether they are the fullscreen toggle.
static uint8_t gMessageDown[KEY_COUNT];
// Set by WM_MOUSEACTIVATE: the button-down that follows gave the focus.
static int gActivationClick;

// The desktop's key state, only while our window is the one in front.
static int Win32RawKeyDown(int32_t vk) {
    const int32_t messageKey = (vk == KEY_LALT || vk == KEY_RALT) ? KEY_ALT : vk;
    if ((messageKey == KEY_ALT || messageKey == KEY_ENTER || messageKey == KEY_F11) &&
        !gMessageDown[messageKey]) {
        return 0;
    }
    return GetForegroundWindow() == gHwnd && Win32AsyncKeyDown(vk);
}

static void Win32ToggleFullscreen(HWND hwnd) {
    if (gCoversMonitor) {
        gCoversMonitor = 0;
        SetWindowLongA(hwnd, GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        SetWindowPlacement(hwnd, &gWindowedPlacement);
        SetWindowPos(hwnd, NULL, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
        return;
    }
    MONITORINFO monitor;
    monitor.cbSize = sizeof(monitor);
    gWindowedPlacement.length = sizeof(gWindowedPlacement);
    if (!GetWindowPlacement(hwnd, &gWindowedPlacement) ||
        !GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return;
    }
    gCoversMonitor = 1;
    const RECT r = monitor.rcMonitor;
    SetWindowLongA(hwnd, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(hwnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
}

// A key-down message through the gate; sys: WM_SYSKEYDOWN, which the game never heard of and which
// keeps Windows' own meaning (Alt+F4) unless it is the toggle. Returns 1 when handled here.
static int Win32KeyDown(HWND hwnd, WPARAM wParam, LPARAM lParam, int sys) {
    const int32_t vk = (int32_t)(uint32_t)wParam;
    const int repeat = (lParam >> 30) & 1;
    const KeyGateAction action = KeyGateOnKeyDown(vk, repeat, GetKeyState(VK_MENU) < 0);
    if ((uint32_t)vk < (uint32_t)KEY_COUNT) {
        gMessageDown[vk] = 1;
    }
    KeyGateTakeLatePress(); // Alt never came as a key-down message here
    if (action == KEY_GATE_TOGGLE) {
        Win32ToggleFullscreen(hwnd);
        return 1;
    }
    if (sys) {
        return 0;
    }
    if (action == KEY_GATE_PASS && gStarted) {
        MainOnKeyDown(vk);
    }
    return 1;
}

// The key code of the mouse button a button message is about, its press and its release alike.
static int32_t Win32ButtonVk(UINT msg) {
    return msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP   ? KEY_LBUTTON
           : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP ? KEY_RBUTTON
                                                          : KEY_MBUTTON;
}

static LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        // Unsaved changes hold the close while the game asks in the picture; the frame loop destroys
        // the window once the question is answered with save or discard.
        if (gStarted && !MainOnCloseRequest()) {
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_DESTROY:
        if (gStarted) {
            MainOnDestroy();
        }
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        // Before start-up the layout is computed by MainStartup itself.
        if (gStarted) {
            MainOnResize(&gWindow);
        }
        return 0;
    case WM_ERASEBKGND:
        // Every frame repaints the whole client area; erasing would only flicker.
        return 1;
    case WM_ACTIVATE:
        ZeroMemory(gMessageDown, sizeof(gMessageDown));
        KeyGateSetFocus(LOWORD(wParam) != WA_INACTIVE, Win32AsyncKeyDown);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (Win32KeyDown(hwnd, wParam, lParam, msg == WM_SYSKEYDOWN)) {
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (wParam < (WPARAM)KEY_COUNT) {
            gMessageDown[wParam] = 0;
        }
        KeyGateOnKeyUp((int32_t)(uint32_t)wParam);
        KeyGateTakeLatePress();
        return msg == WM_KEYUP ? 0 : DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_SYSCHAR:
        // The character of Alt+Enter: the menu would only beep at it.
        return wParam == '\r' ? 0 : DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_DROPFILES: {
        HDROP drop = (HDROP)wParam;
        char path[MAX_PATH];
        if (DragQueryFileA(drop, 0, path, sizeof(path)) > 0) {
            MainOnDropFile(&gWindow, path);
        }
        DragFinish(drop);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        // The click that brings the window to the front is not the game's.
        gActivationClick = 1;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // Latched: a tap released before the next frame's reading still counts once.
        if (!gActivationClick) {
            KeyGateOnPress(Win32ButtonVk(msg));
        }
        gActivationClick = 0;
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        KeyGateOnKeyUp(Win32ButtonVk(msg));
        return 0;
    case WM_MOUSEWHEEL: {
        // Fine-grained wheels send parts of a notch; whole notches go on, the rest waits.
        static int32_t rest;
        rest += (int32_t)GET_WHEEL_DELTA_WPARAM(wParam);
        const int32_t notches = rest / WHEEL_DELTA;
        rest -= notches * WHEEL_DELTA;
        if (notches != 0 && gStarted) {
            MainOnMouseWheel(notches);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        // A real move takes the cursor back from a stick; Windows also sends this message when
        // nothing moved (a window appearing under the cursor, the focus changing).
        static LPARAM last = -1;
        if (lParam != last) {
            PadOnPointer();
        }
        last = lParam;
        if (gStarted) {
            MainOnMouseMove((int32_t)(uint16_t)(lParam & 0xFFFF),
                            (int32_t)(uint16_t)((lParam >> 16) & 0xFFFF));
        }
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// The game cannot run without its window: say what failed and leave with a non-zero status.
static int MainFailStartup(const char* what, int status) {
    MessageBoxA(NULL, what, WINDOW_TITLE, MB_OK | MB_ICONERROR);
    return status;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HINSTANCE instance = GetModuleHandleA(NULL);
    MainArgs args;
    if (!MainReadArgs(__argc, __argv, &args)) {
        return MainFailStartup("Usage:\n" MAIN_USAGE_LINES, 2);
    }
    KeyGateReset();

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = 0;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    // The program file's own icon (resource 1) in the title bar and the task bar.
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = WINDOW_CLASS_NAME;
    if (!RegisterClassA(&wc)) {
        return MainFailStartup("Shotgun-Kalvoro could not register its window class.", 1);
    }

    RECT rect = {0, 0, WINDOW_CLIENT_WIDTH, WINDOW_CLIENT_HEIGHT};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    const int outerW = rect.right - rect.left;
    const int outerH = rect.bottom - rect.top;

    gHwnd = CreateWindowExA(0, WINDOW_CLASS_NAME, WINDOW_TITLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            CW_USEDEFAULT, CW_USEDEFAULT, outerW, outerH, NULL, NULL, instance, NULL);
    if (!gHwnd) {
        return MainFailStartup("Shotgun-Kalvoro could not create its window.", 2);
    }
    gWindow.hwnd = gHwnd;
    DragAcceptFiles(gHwnd, TRUE);
    gWindow.dc = GetDC(gHwnd);
    if (!gWindow.dc) {
        // The message box comes first: the quit request posted by WM_DESTROY would close it at once.
        MainFailStartup("Shotgun-Kalvoro could not get a drawing context for its window.", 3);
        DestroyWindow(gHwnd);
        return 3;
    }

    char why[STAGE_OPEN_MESSAGE_SIZE];
    const int32_t status = MainStartWith(&gWindow, &args, why, sizeof(why));
    if (status != 0) {
        MainFailStartup(why, status);
        ReleaseDC(gHwnd, gWindow.dc);
        DestroyWindow(gHwnd);
        return status;
    }
    gStarted = 1;
    Win32PadInit();

    MSG msg;
    ZeroMemory(&msg, sizeof(msg));
    for (;;) {
        // Drain every waiting message before the next frame runs.
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (msg.message == WM_QUIT) {
                break;
            }
            continue;
        }
        Win32PadPoll(GetForegroundWindow() == gHwnd);
        MainFrame(&gWindow);
        KeyGateEndFrame();
        if (MainWantsQuit()) {
            DestroyWindow(gHwnd);
        }
    }

    MainShutdown();
    Win32PadShutdown();
    ReleaseDC(gHwnd, gWindow.dc);
    gWindow.dc = NULL;
    return 0;
}

uint32_t PlatformTicks(void) {
    return (uint32_t)GetTickCount();
}

void PlatformSleep(uint32_t ms) {
    Sleep(ms);
}

void PlatformGetClientSize(PlatformWindow* window, int32_t* w, int32_t* h) {
    RECT rect = {0, 0, 0, 0};
    if (!window || !GetClientRect(window->hwnd, &rect)) {
        rect.right = rect.left;
        rect.bottom = rect.top;
    }
    *w = (int32_t)(rect.right - rect.left);
    *h = (int32_t)(rect.bottom - rect.top);
}

int PlatformGetCursorClient(PlatformWindow* window, int32_t* x, int32_t* y) {
    POINT p;
    if (!window || !GetCursorPos(&p)) {
        return 0;
    }
    ScreenToClient(window->hwnd, &p);
    *x = (int32_t)p.x;
    *y = (int32_t)p.y;
    return 1;
}

int PlatformIsKeyDown(int32_t vk) {
    if ((uint32_t)vk >= (uint32_t)KEY_COUNT) {
        return 0;
    }
    // Only the sign bit (down right now) counts; the "pressed since last call" bit is not used.
    const int keyDown = KeyGateIsDown(vk, Win32RawKeyDown(vk));
    return keyDown || PadPollIsDown(vk);
}

void PlatformReadKeys(uint8_t* down, int32_t count) {
    for (int32_t vk = 0; vk < count; ++vk) {
        down[vk] = PlatformIsKeyDown(vk) != 0;
    }
}

void PlatformSetTitle(PlatformWindow* window, const char* title) {
    if (window && window->hwnd && title) {
        SetWindowTextA(window->hwnd, title);
    }
}
