// seam_stub.cpp -- the platform seam's clock, window and input for a test that links only the SDL2
// sound output: a real clock and sleep, no window, no keys, no picture.
#include <string.h>

#include <chrono>
#include <thread>

#include "platform/platform.h"

uint32_t PlatformTicks(void) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

void PlatformSleep(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void PlatformGetClientSize(PlatformWindow* window, int32_t* w, int32_t* h) {
    (void)window;
    *w = 0;
    *h = 0;
}

int PlatformGetCursorClient(PlatformWindow* window, int32_t* x, int32_t* y) {
    (void)window;
    (void)x;
    (void)y;
    return 0;
}

int PlatformIsKeyDown(int32_t vk) {
    (void)vk;
    return 0;
}

void PlatformReadKeys(uint8_t* down, int32_t count) {
    memset(down, 0, (size_t)count);
}

void PlatformBackBufferCreate(PlatformWindow* window, int32_t w, int32_t h) {
    (void)window;
    (void)w;
    (void)h;
}

void PlatformBackBufferRelease(void) {}

void PlatformPresent(PlatformWindow* window, const uint32_t* pixels, int32_t destX, int32_t destY,
                     int32_t destW, int32_t destH) {
    (void)window;
    (void)pixels;
    (void)destX;
    (void)destY;
    (void)destW;
    (void)destH;
}

void PlatformSetTitle(PlatformWindow* window, const char* title) {
    (void)window;
    (void)title;
}
