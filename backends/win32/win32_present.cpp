// win32_present.cpp -- the GDI back buffer and the presentation of the 320 x 200 picture: black
// borders and the scaled picture composed off-screen, then shown in the window with one blit.
#include <stdint.h>
#include <windows.h>

#include "backends/win32/win32_window.h"

static HDC g_memDc;
static HBITMAP g_memBmp;
static HGDIOBJ g_memBmpOld;
static int32_t g_memW;
static int32_t g_memH;

// Top-down (negative height) 32-bit rows: 0x00RRGGBB is exactly the DIB's blue-green-red byte order.
static const BITMAPINFO SOURCE_INFO = {{sizeof(BITMAPINFOHEADER), PLATFORM_PICTURE_WIDTH, -PLATFORM_PICTURE_HEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0},
                                       {{0, 0, 0, 0}}};

void PlatformBackBufferCreate(PlatformWindow* window, int32_t w, int32_t h) {
    PlatformBackBufferRelease();
    if (!window || !window->dc) {
        return;
    }
    g_memDc = CreateCompatibleDC(window->dc);
    // Compatible with the window, not with the memory surface, so it has the screen's colour depth.
    g_memBmp = CreateCompatibleBitmap(window->dc, w, h);
    if (g_memDc && g_memBmp) {
        g_memBmpOld = SelectObject(g_memDc, g_memBmp);
    }
    g_memW = w;
    g_memH = h;
}

void PlatformBackBufferRelease(void) {
    if (g_memDc && g_memBmpOld) {
        SelectObject(g_memDc, g_memBmpOld);
        g_memBmpOld = NULL;
    }
    if (g_memBmp) {
        DeleteObject(g_memBmp);
        g_memBmp = NULL;
    }
    if (g_memDc) {
        DeleteDC(g_memDc);
        g_memDc = NULL;
    }
    g_memW = 0;
    g_memH = 0;
}

void PlatformPresent(PlatformWindow* window, const uint32_t* pixels, int32_t destX, int32_t destY,
                     int32_t destW, int32_t destH) {
    // A failed creation costs this frame's picture; the next size change tries again.
    if (!window || !window->dc || !g_memDc || !g_memBmpOld) {
        return;
    }
    RECT all = {0, 0, g_memW, g_memH};
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(g_memDc, &all, black);
    DeleteObject(black);

    StretchDIBits(g_memDc, destX, destY, destW, destH, 0, 0, PLATFORM_PICTURE_WIDTH, PLATFORM_PICTURE_HEIGHT, pixels, &SOURCE_INFO, DIB_RGB_COLORS,
                  SRCCOPY);
    BitBlt(window->dc, 0, 0, g_memW, g_memH, g_memDc, 0, 0, SRCCOPY);
}
