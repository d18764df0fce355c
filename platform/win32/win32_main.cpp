// win32_main.cpp -- the native Windows entry point: window class, window, message pump and window
// procedure, plus the clock, client size, cursor and key services of the platform seam.
#include <stdint.h>
#include <windows.h>

#include "app/main.h"
#include "platform/win32/win32_window.h"

// The one game window; its handle is filled in right after creation.
static PlatformWindow gWindow;
static HWND gHwnd;
// Non-zero once MainStartup has run: creation already sends WM_SIZE and friends, before any module
// is initialised, and those early messages must not reach the game.
static int gStarted;

static LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
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
    case WM_KEYDOWN:
        if (gStarted) {
            MainOnKeyDown((int32_t)(uint32_t)wParam);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (gStarted) {
            MainOnMouseMove((int32_t)(uint16_t)(lParam & 0xFFFF),
                            (int32_t)(uint16_t)((lParam >> 16) & 0xFFFF));
        }
        return 0;
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

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = 0;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
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

    gWindow.dc = GetDC(gHwnd);
    if (!gWindow.dc) {
        // The message box comes first: the quit request posted by WM_DESTROY would close it at once.
        MainFailStartup("Shotgun-Kalvoro could not get a drawing context for its window.", 3);
        DestroyWindow(gHwnd);
        return 3;
    }

    MainStartup(&gWindow);
    gStarted = 1;

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
        MainFrame(&gWindow);
    }

    MainShutdown();
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
    if ((uint32_t)vk > 255) {
        return 0;
    }
    // Only the sign bit (down right now) counts; the "pressed since last call" bit is not used.
    return GetAsyncKeyState((int)vk) < 0 ? 1 : 0;
}
