// render.cpp -- the 320 x 200 logical pixel buffer and its five clipped primitives, the whole-number
// display layout with the inverse mouse mapping, and presentation through the platform's back buffer.
#include "render/render.h"

#include <math.h>
#include <string.h>

uint32_t pixelBuffer[LOGICAL_WIDTH * LOGICAL_HEIGHT];

// Layout: the picture's scale and where it sits in the client area (negative when cropped).
static int32_t g_displayScale = 1;
static int32_t g_destX = 0;
static int32_t g_destY = 0;
static int32_t g_destW = LOGICAL_WIDTH;
static int32_t g_destH = LOGICAL_HEIGHT;
// Size of the platform's back buffer; 0 x 0 while there is none.
static int32_t g_memW = 0;
static int32_t g_memH = 0;

// Every shape is clipped pixel by pixel to the screen. The loops below narrow their ranges to the
// visible part first where that provably lights the same pixels; 64-bit sums keep coordinates far
// off-screen from overflowing.
static inline int64_t RenderMax64(int64_t a, int64_t b) {
    return a > b ? a : b;
}
static inline int64_t RenderMin64(int64_t a, int64_t b) {
    return a < b ? a : b;
}

void RenderPutPixel(int32_t x, int32_t y, uint32_t colour) {
    if ((uint32_t)x >= (uint32_t)LOGICAL_WIDTH || (uint32_t)y >= (uint32_t)LOGICAL_HEIGHT) {
        return;
    }
    pixelBuffer[y * LOGICAL_WIDTH + x] = colour;
}

// Colours columns x0..x1 of row y, both clipped to the screen.
static void RenderSpan(int64_t x0, int64_t x1, int64_t y, uint32_t colour) {
    if (y < 0 || y >= LOGICAL_HEIGHT) {
        return;
    }
    int64_t left = RenderMax64(x0, 0);
    int64_t right = RenderMin64(x1, LOGICAL_WIDTH - 1);
    uint32_t* row = pixelBuffer + y * LOGICAL_WIDTH;
    for (int64_t col = left; col <= right; ++col) {
        row[col] = colour;
    }
}

void RenderRepeatRow(int32_t y, int32_t count) {
    if (y < 0 || y >= LOGICAL_HEIGHT || count <= 0) {
        return;
    }
    // Copied onward in doubling chunks: the C library's copy writes memory faster than a plain loop,
    // whatever the loop's place in the code, and a few large copies cost less than a copy per row.
    uint32_t* run = pixelBuffer + y * LOGICAL_WIDTH;
    const int64_t rows = RenderMin64((int64_t)count + 1, LOGICAL_HEIGHT - y);
    const int64_t total = rows * LOGICAL_WIDTH;
    for (int64_t done = LOGICAL_WIDTH; done < total;) {
        const int64_t chunk = done < total - done ? done : total - done;
        memcpy(run + done, run, (size_t)chunk * sizeof(uint32_t));
        done += chunk;
    }
}

void RenderFillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    if (w <= 0 || h <= 0) {
        return;
    }
    int64_t top = RenderMax64(y, 0);
    int64_t bottom = RenderMin64((int64_t)y + h - 1, LOGICAL_HEIGHT - 1);
    int64_t left = RenderMax64(x, 0);
    int64_t right = RenderMin64((int64_t)x + w - 1, LOGICAL_WIDTH - 1);
    if (top > bottom || left > right) {
        return;
    }
    int64_t count = right - left + 1;
    int64_t rows = bottom - top + 1;
    if (count == LOGICAL_WIDTH) {
        // Whole rows: the first stored, the others copied from it.
        uint32_t* run = pixelBuffer + top * LOGICAL_WIDTH;
        for (int64_t i = 0; i < LOGICAL_WIDTH; ++i) {
            run[i] = colour;
        }
        RenderRepeatRow((int32_t)top, (int32_t)(rows - 1));
        return;
    }
    // The same columns in every row.
    for (int64_t row = 0; row < rows; ++row) {
        uint32_t* pixel = pixelBuffer + (top + row) * LOGICAL_WIDTH + left;
        for (int64_t i = 0; i < count; ++i) {
            pixel[i] = colour;
        }
    }
}

void RenderDrawBox(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    int64_t right = (int64_t)x + w - 1;
    int64_t bottom = (int64_t)y + h - 1;
    int64_t leftEdge = RenderMin64(x, right);
    int64_t rightEdge = RenderMax64(x, right);
    // Top and bottom rows are drawn even when h < 1 (then they are rows y and y + h - 1).
    RenderSpan(leftEdge, rightEdge, y, colour);
    RenderSpan(leftEdge, rightEdge, bottom, colour);
    // The sides: a column off the screen lights nothing in any row, so it is tested once.
    int64_t top = RenderMax64(y, 0);
    int64_t last = RenderMin64(bottom, LOGICAL_HEIGHT - 1);
    int leftShown = x >= 0 && x < LOGICAL_WIDTH;
    int rightShown = right >= 0 && right < LOGICAL_WIDTH;
    if (top > last || (!leftShown && !rightShown)) {
        return;
    }
    uint32_t* leftPixel = pixelBuffer + top * LOGICAL_WIDTH + (leftShown ? x : 0);
    uint32_t* rightPixel = pixelBuffer + top * LOGICAL_WIDTH + (rightShown ? right : 0);
    for (int64_t row = top; row <= last; ++row) {
        if (leftShown) {
            *leftPixel = colour;
        }
        if (rightShown) {
            *rightPixel = colour;
        }
        leftPixel += LOGICAL_WIDTH;
        rightPixel += LOGICAL_WIDTH;
    }
}

void RenderDrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
    // A single-error-term Bresenham walk; it is not symmetric, so A->B and B->A may differ.
    int64_t dx = x1 > x0 ? (int64_t)x1 - x0 : (int64_t)x0 - x1;
    int64_t dy = y1 > y0 ? (int64_t)y1 - y0 : (int64_t)y0 - y1;
    int64_t sx = x1 > x0 ? 1 : -1;
    int64_t sy = y1 > y0 ? 1 : -1;
    int64_t err = dx - dy;
    int64_t x = x0;
    int64_t y = y0;
    // Every point of the walk lies in the box spanned by the ends, and x and y only ever move toward
    // x1 and y1: a line whose box misses the screen lights nothing, and once the walk has passed the
    // screen's far edge in either direction nothing further can light.
    if ((x0 < 0 && x1 < 0) || (x0 >= LOGICAL_WIDTH && x1 >= LOGICAL_WIDTH) || (y0 < 0 && y1 < 0) ||
        (y0 >= LOGICAL_HEIGHT && y1 >= LOGICAL_HEIGHT)) {
        return;
    }
    // Both ends on the screen: so is the whole walk, and no point of it needs the test. The walk lights
    // max(dx, dy) + 1 points, every step moving along the longer axis (both when dx == dy) and along
    // the other where the error says so: where 2 * err < dx for a line longer across, where
    // 2 * err > -dy for one longer down. That choice is kept as the sign of g (2 * err - dx, or
    // -2 * err - dy) and taken by a mask, without a branch that a short line's few points would
    // mispredict.
    if (x0 >= 0 && x1 >= 0 && x0 < LOGICAL_WIDTH && x1 < LOGICAL_WIDTH && y0 >= 0 && y1 >= 0 &&
        y0 < LOGICAL_HEIGHT && y1 < LOGICAL_HEIGHT) {
        const int across = dx >= dy;
        const int64_t major = across ? sx : sy * LOGICAL_WIDTH;
        const int64_t minor = across ? sy * LOGICAL_WIDTH : sx;
        const int64_t minorGain = across ? 2 * dx : 2 * dy;
        const int64_t majorCost = across ? 2 * dy : 2 * dx;
        int64_t g = across ? 2 * err - dx : -2 * err - dy;
        uint32_t* pixel = pixelBuffer + y * LOGICAL_WIDTH + x;
        for (int64_t left = across ? dx : dy; left > 0; --left) {
            *pixel = colour;
            const int64_t step = -(int64_t)(g < 0); // all ones where the walk also takes the other axis
            g += (minorGain & step) - majorCost;
            pixel += major + (minor & step);
        }
        *pixel = colour;
        return;
    }
    for (;;) {
        if (x >= 0 && x < LOGICAL_WIDTH && y >= 0 && y < LOGICAL_HEIGHT) {
            pixelBuffer[y * LOGICAL_WIDTH + x] = colour;
        } else if ((sx > 0 ? x >= LOGICAL_WIDTH : x < 0) || (sy > 0 ? y >= LOGICAL_HEIGHT : y < 0)) {
            break;
        }
        if (x == x1 && y == y1) {
            break;
        }
        int64_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}

// Largest m >= 0 with m * m <= n (n >= 0).
static int64_t RenderIntSqrt(int64_t n) {
    int64_t m = (int64_t)sqrt((double)n);
    while (m > 0 && m * m > n) {
        --m;
    }
    while ((m + 1) * (m + 1) <= n) {
        ++m;
    }
    return m;
}

void RenderDrawCircle(int32_t cx, int32_t cy, int32_t r, uint32_t colour) {
    if (r <= 0) {
        RenderPutPixel(cx, cy, colour);
        return;
    }
    // Row cy + dy holds the columns with dx * dx <= r * r - dy * dy: one run -m..m around cx.
    int64_t rr = (int64_t)r * r;
    int64_t firstDy = RenderMax64(-(int64_t)r, -(int64_t)cy);
    int64_t lastDy = RenderMin64(r, (int64_t)LOGICAL_HEIGHT - 1 - cy);
    for (int64_t dy = firstDy; dy <= lastDy; ++dy) {
        int64_t m = RenderIntSqrt(rr - dy * dy);
        RenderSpan((int64_t)cx - m, (int64_t)cx + m, (int64_t)cy + dy, colour);
    }
}

// The client size, read afresh; a minimised window counts as 1 x 1.
static void RenderClientSize(PlatformWindow* window, int32_t* cw, int32_t* ch) {
    *cw = 0;
    *ch = 0;
    PlatformGetClientSize(window, cw, ch);
    if (*cw <= 0) {
        *cw = 1;
    }
    if (*ch <= 0) {
        *ch = 1;
    }
}

void RenderLayoutFor(int32_t clientW, int32_t clientH, RenderLayout* out) {
    int32_t scaleX = clientW / LOGICAL_WIDTH;
    int32_t scaleY = clientH / LOGICAL_HEIGHT;
    int32_t scale = scaleX < scaleY ? scaleX : scaleY;
    if (scale < 1) {
        scale = 1;
    }
    out->scale = scale;
    out->destW = LOGICAL_WIDTH * scale;
    out->destH = LOGICAL_HEIGHT * scale;
    // Truncating division: an odd leftover pixel goes to the right or bottom border.
    out->destX = (clientW - out->destW) / 2;
    out->destY = (clientH - out->destH) / 2;
}

void UpdateDisplayLayout(PlatformWindow* window) {
    int32_t cw, ch;
    RenderClientSize(window, &cw, &ch);
    RenderLayout layout;
    RenderLayoutFor(cw, ch, &layout);
    g_displayScale = layout.scale;
    g_destW = layout.destW;
    g_destH = layout.destH;
    g_destX = layout.destX;
    g_destY = layout.destY;
}

int32_t GetDisplayScale(void) {
    return g_displayScale;
}

void MapClientToLogical(int32_t clientX, int32_t clientY, int32_t* outX, int32_t* outY) {
    int64_t x = ((int64_t)clientX - g_destX) / g_displayScale;
    int64_t y = ((int64_t)clientY - g_destY) / g_displayScale;
    x = RenderMin64(RenderMax64(x, 0), LOGICAL_WIDTH - 1);
    y = RenderMin64(RenderMax64(y, 0), LOGICAL_HEIGHT - 1);
    *outX = (int32_t)x;
    *outY = (int32_t)y;
}

int MapClientIsOnPicture(int32_t clientX, int32_t clientY) {
    return clientX >= g_destX && clientY >= g_destY && (int64_t)clientX < (int64_t)g_destX + g_destW &&
           (int64_t)clientY < (int64_t)g_destY + g_destH;
}

void PresentPixelBuffer(PlatformWindow* window) {
    UpdateDisplayLayout(window);
    int32_t cw, ch;
    RenderClientSize(window, &cw, &ch);
    // The client size is at least 1 x 1, so a recorded size of 0 means there is no back buffer.
    if (g_memW == 0 || g_memH == 0 || cw != g_memW || ch != g_memH) {
        RenderReleaseBackBuffer();
        PlatformBackBufferCreate(window, cw, ch);
        g_memW = cw;
        g_memH = ch;
    }
    PlatformPresent(window, pixelBuffer, g_destX, g_destY, g_destW, g_destH);
}

void RenderComposeClient(uint32_t* image, int32_t stride, int32_t w, int32_t h, const uint32_t* pixels,
                         int32_t destX, int32_t destY, int32_t destW, int32_t destH) {
    const int32_t scale = destW / LOGICAL_WIDTH > 0 ? destW / LOGICAL_WIDTH : 1;
    const int32_t y0 = destY > 0 ? destY : 0;
    const int32_t y1 = destY + destH < h ? destY + destH : h;
    const int32_t x0 = destX > 0 ? destX : 0;
    const int32_t x1 = destX + destW < w ? destX + destW : w;
    for (int32_t y = 0; y < h; y++) {
        uint32_t* dst = image + (size_t)y * (size_t)stride;
        if (y < y0 || y >= y1 || x0 >= x1) {
            memset(dst, 0, (size_t)w * sizeof(uint32_t));
            continue;
        }
        memset(dst, 0, (size_t)x0 * sizeof(uint32_t));
        memset(dst + x1, 0, (size_t)(w - x1) * sizeof(uint32_t));
        // A client row shows picture row (y - destY) / scale: the row above already holds it unless
        // this row starts a new block.
        const int32_t srcRow = (y - destY) / scale;
        if (y > y0 && (y - destY) % scale != 0) {
            memcpy(dst + x0, dst - stride + x0, (size_t)(x1 - x0) * sizeof(uint32_t));
            continue;
        }
        const uint32_t* src = pixels + srcRow * LOGICAL_WIDTH;
        if (scale == 1) {
            memcpy(dst + x0, src + (x0 - destX), (size_t)(x1 - x0) * sizeof(uint32_t));
            continue;
        }
        // Column x shows picture column (x - destX) / scale: one block of `scale` columns per picture
        // pixel, the first and last cut where the image crops them.
        int32_t srcCol = (x0 - destX) / scale;
        int32_t blockEnd = destX + (srcCol + 1) * scale;
        for (int32_t x = x0; x < x1; srcCol++, blockEnd += scale) {
            const uint32_t value = src[srcCol];
            const int32_t end = blockEnd < x1 ? blockEnd : x1;
            for (; x < end; x++) {
                dst[x] = value;
            }
        }
    }
}

void RenderReleaseBackBuffer(void) {
    PlatformBackBufferRelease();
    g_memW = 0;
    g_memH = 0;
}

void RenderGetLayout(int32_t* destX, int32_t* destY, int32_t* destW, int32_t* destH) {
    if (destX) {
        *destX = g_destX;
    }
    if (destY) {
        *destY = g_destY;
    }
    if (destW) {
        *destW = g_destW;
    }
    if (destH) {
        *destH = g_destH;
    }
}

void RenderGetBackBufferSize(int32_t* w, int32_t* h) {
    if (w) {
        *w = g_memW;
    }
    if (h) {
        *h = g_memH;
    }
}

void RenderSaveLayout(RenderLayout* out) {
    out->scale = g_displayScale;
    out->destX = g_destX;
    out->destY = g_destY;
    out->destW = g_destW;
    out->destH = g_destH;
}

void RenderRestoreLayout(const RenderLayout* in) {
    // A cleared record has no scale; the cursor mapping divides by it.
    g_displayScale = in->scale > 0 ? in->scale : 1;
    g_destX = in->destX;
    g_destY = in->destY;
    g_destW = in->destW;
    g_destH = in->destH;
}
