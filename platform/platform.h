// platform.h -- the one door to the operating system: clock, window, input, picture and sound.
// Each backend (headless, sdl2, win32, web) implements these in its own folder; nothing else touches the OS.
#pragma once
#include <stdint.h>

// What every backend shows, plays and opens, fixed by the game: the picture, the sound's rate and the
// window's first client size.
constexpr int32_t PLATFORM_PICTURE_WIDTH = 320;
constexpr int32_t PLATFORM_PICTURE_HEIGHT = 200;
constexpr int32_t PLATFORM_SAMPLE_RATE = 22050;
constexpr int32_t PLATFORM_WINDOW_WIDTH = 960;
constexpr int32_t PLATFORM_WINDOW_HEIGHT = 600;

// Opaque handle of the game window; only the backend knows what is inside.
typedef struct PlatformWindow PlatformWindow;

// Wrapping 32-bit millisecond counter; read by the frame step and for the random seed.
uint32_t PlatformTicks(void);
// Idles the calling thread for about ms milliseconds (no-op where the host owns the loop).
void PlatformSleep(uint32_t ms);

// Client-area size in window pixels; may report 0 x 0 for a minimised window.
void PlatformGetClientSize(PlatformWindow* window, int32_t* w, int32_t* h);
// Window title (UTF-8) as the game names what it shows; a no-op where there is no title.
void PlatformSetTitle(PlatformWindow* window, const char* title);
// Cursor position in client coordinates (may lie outside the client area); returns 0 when unavailable.
int PlatformGetCursorClient(PlatformWindow* window, int32_t* x, int32_t* y);
// 1 while the key is down at the time of the call; Win32 virtual-key codes 0..255, 1 = left button.
int PlatformIsKeyDown(int32_t vk);
// Codes 0 .. count - 1 at once, as PlatformIsKeyDown gives each: down[vk] is 1 or 0. The frame's input
// reads every code this way, once, instead of code by code across the door.
void PlatformReadKeys(uint8_t* down, int32_t count);

// Creates the off-screen back buffer of w x h client pixels (called by render when the size changes).
void PlatformBackBufferCreate(PlatformWindow* window, int32_t w, int32_t h);
// Releases the back buffer if one is held; safe at any time and any number of times.
void PlatformBackBufferRelease(void);
// Fills the back buffer black, scales the 320 x 200 pixels into the destination rectangle in whole
// blocks (nearest), then shows the whole back buffer in the window in one step.
void PlatformPresent(PlatformWindow* window, const uint32_t* pixels, int32_t destX, int32_t destY,
                     int32_t destW, int32_t destH);

// Opens the default sound output at 22050 Hz, mono, signed 16-bit for two blocks of blockSamples
// samples that stay at these addresses until close; returns 0 when no device can be had.
int PlatformAudioOpen(const int16_t* block0, const int16_t* block1, int32_t blockSamples);
// Queues block 0 or 1 (its current contents) for playing after whatever is already queued.
void PlatformAudioQueue(int32_t block);
// 1 while the device still holds the block (queued and not yet finished).
int PlatformAudioIsHeld(int32_t block);
// Stops playing, hands every block back and closes the device.
void PlatformAudioClose(void);
