// icon.cpp -- draws the player in a corner of the logical buffer, crops the square around it and
// averages it down (or up) to the asked size, then puts the buffer's pixels back.
#include "app/icon.h"

#include <string.h>

#include "actors/player.h"
#include "render/palette.h"
#include "render/render.h"

// The square cropped from the buffer: the player with the gun raised and its flash fits with a
// pixel to spare.
static const int32_t ICON_CROP = 38;
static const float ICON_BODY_X = 14.0f;
static const float ICON_BODY_Y = 23.0f;
static const float ICON_AIM = -0.5f; // up and to the right
static const uint32_t ICON_SKY = PALETTE_SKY;

static uint32_t gIconSaved[ICON_CROP * ICON_CROP];

static void IconCopyCrop(uint32_t* to, const uint32_t* from, int toBuffer) {
    for (int32_t row = 0; row < ICON_CROP; ++row) {
        uint32_t* buffer = pixelBuffer + row * LOGICAL_WIDTH;
        if (toBuffer) {
            memcpy(buffer, from + row * ICON_CROP, sizeof(uint32_t) * ICON_CROP);
        } else {
            memcpy(to + row * ICON_CROP, buffer, sizeof(uint32_t) * ICON_CROP);
        }
    }
}

// How much of crop pixel `cell` the span [from, to) covers, all in units of 1 / size crop pixels.
static int64_t IconOverlap(int64_t from, int64_t to, int64_t cell, int64_t size) {
    int64_t start = from > cell * size ? from : cell * size;
    int64_t end = to < (cell + 1) * size ? to : (cell + 1) * size;
    return end - start;
}

int IconDraw(int32_t size, uint32_t* out) {
    if (!out || size < ICON_MIN_SIZE || size > ICON_MAX_SIZE) {
        return 0;
    }
    IconCopyCrop(gIconSaved, nullptr, 0);
    static Player player;
    PlayerInit(&player, ICON_BODY_X, ICON_BODY_Y);
    player.aimAngle = ICON_AIM;
    player.flashMs = FLASH_MS;
    player.pelletCount = 0;
    RenderFillRect(0, 0, ICON_CROP, ICON_CROP, ICON_SKY);
    PlayerRender(&player, 0.0f, 0.0f);
    // Each icon pixel averages the crop area it covers, weighted by how much of each crop pixel it
    // overlaps: small icons stay legible, large ones keep their blocks.
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            int64_t sum[3] = {0, 0, 0};
            int64_t total = 0;
            // In units of 1 / size crop pixels, this icon pixel spans [x * CROP, (x + 1) * CROP).
            int64_t x0 = (int64_t)x * ICON_CROP, x1 = x0 + ICON_CROP;
            int64_t y0 = (int64_t)y * ICON_CROP, y1 = y0 + ICON_CROP;
            for (int64_t sy = y0 / size; sy * size < y1; ++sy) {
                int64_t hy = IconOverlap(y0, y1, sy, size);
                for (int64_t sx = x0 / size; sx * size < x1; ++sx) {
                    uint32_t c = pixelBuffer[sy * LOGICAL_WIDTH + sx];
                    int64_t weight = IconOverlap(x0, x1, sx, size) * hy;
                    sum[0] += weight * ((c >> 16) & 0xFF);
                    sum[1] += weight * ((c >> 8) & 0xFF);
                    sum[2] += weight * (c & 0xFF);
                    total += weight;
                }
            }
            uint32_t pixel = 0xFF000000u;
            for (int i = 0; i < 3; ++i) {
                pixel |= (uint32_t)((sum[i] + total / 2) / total) << (16 - 8 * i);
            }
            out[y * size + x] = pixel;
        }
    }
    IconCopyCrop(nullptr, gIconSaved, 1);
    return 1;
}
