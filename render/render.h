// render.h -- the 320 x 200 logical pixel buffer, its clipped drawing primitives, the whole-number
// display layout with its inverse mouse mapping, and presentation through the platform.
#pragma once
#include <stdint.h>

#include "platform/platform.h"

constexpr int32_t LOGICAL_WIDTH = PLATFORM_PICTURE_WIDTH;
constexpr int32_t LOGICAL_HEIGHT = PLATFORM_PICTURE_HEIGHT;

// The logical screen, 0x00RRGGBB, row-major, top row first.
extern uint32_t pixelBuffer[LOGICAL_WIDTH * LOGICAL_HEIGHT];

// One pixel; anything outside 0..319 x 0..199 is skipped.
void RenderPutPixel(int32_t x, int32_t y, uint32_t colour);
// Filled rectangle x <= col < x + w, y <= row < y + h, clipped per pixel.
void RenderFillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
// Copies row y over the count rows below it, as far as the picture goes.
void RenderRepeatRow(int32_t y, int32_t count);
// One-pixel outline drawn inside the rectangle's extent.
void RenderDrawBox(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour);
// Bresenham line, both ends included; the endpoint order matters.
void RenderDrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);
// Filled disc (dx*dx + dy*dy <= r*r); r <= 0 plots the centre only.
void RenderDrawCircle(int32_t cx, int32_t cy, int32_t r, uint32_t colour);

// Recomputes scale and letterbox offsets from the window's client size.
void UpdateDisplayLayout(PlatformWindow* window);
// Current whole-number scale, at least 1.
int32_t GetDisplayScale(void);
// Client coordinates to logical pixels through the current layout, clamped to the screen.
void MapClientToLogical(int32_t clientX, int32_t clientY, int32_t* outX, int32_t* outY);
// 1 when the client point lies on the picture itself, not in the border round it or beyond the client.
int MapClientIsOnPicture(int32_t clientX, int32_t clientY);
// Shows pixelBuffer in the window: layout, back buffer (re)made on size change, black borders, blit.
void PresentPixelBuffer(PlatformWindow* window);
// Releases the back buffer; safe at any time and any number of times.
void RenderReleaseBackBuffer(void);
// For backends that build the client image themselves: w x h pixels (rows `stride` pixels apart) made
// black, with the 320 x 200 pixels in whole blocks at the layout rectangle, cropped to the image.
void RenderComposeClient(uint32_t* image, int32_t stride, int32_t w, int32_t h, const uint32_t* pixels,
                         int32_t destX, int32_t destY, int32_t destW, int32_t destH);

// The whole-number layout the cursor is mapped through: part of a saved game.
struct RenderLayout {
    int32_t scale;
    int32_t destX;
    int32_t destY;
    int32_t destW;
    int32_t destH;
};

// The layout for a client of clientW x clientH pixels: the largest whole scale that fits (at least 1),
// the picture centred.
void RenderLayoutFor(int32_t clientW, int32_t clientH, RenderLayout* out);
void RenderSaveLayout(RenderLayout* out);
void RenderRestoreLayout(const RenderLayout* in);

// Read-only view of the layout and back-buffer size, for tests and tools.
void RenderGetLayout(int32_t* destX, int32_t* destY, int32_t* destW, int32_t* destH);
void RenderGetBackBufferSize(int32_t* w, int32_t* h);
