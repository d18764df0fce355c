// fast_paths_test.cpp -- the drawing and presentation loops that skip work must light exactly the pixels
// of the plain rules: each is held against a per-pixel reference over many random cases.
#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <vector>

#include "audio/audio.h"
#include "backends/headless/headless.h"
#include "render/msx_font.h"
#include "render/render.h"

namespace {

uint32_t gReference[LOGICAL_WIDTH * LOGICAL_HEIGHT];

void RefPut(int64_t x, int64_t y, uint32_t colour) {
    if (x >= 0 && x < LOGICAL_WIDTH && y >= 0 && y < LOGICAL_HEIGHT) {
        gReference[y * LOGICAL_WIDTH + x] = colour;
    }
}

// The line rule: the whole single-error-term walk, every point clipped on its own.
void RefLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour) {
    int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    int64_t dy = y1 > y0 ? y1 - y0 : y0 - y1;
    int64_t sx = x1 > x0 ? 1 : -1;
    int64_t sy = y1 > y0 ? 1 : -1;
    int64_t err = dx - dy;
    for (;;) {
        RefPut(x0, y0, colour);
        if (x0 == x1 && y0 == y1) {
            return;
        }
        int64_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x0 += sx;
        }
        if (e2 < dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void RefBox(int64_t x, int64_t y, int64_t w, int64_t h, uint32_t colour) {
    int64_t right = x + w - 1, bottom = y + h - 1;
    for (int64_t col = x < right ? x : right; col <= (x < right ? right : x); ++col) {
        RefPut(col, y, colour);
        RefPut(col, bottom, colour);
    }
    for (int64_t row = y; row < y + h; ++row) {
        RefPut(x, row, colour);
        RefPut(right, row, colour);
    }
}

// The text rule: every set glyph bit is an s x s square of single pixels.
void RefText(int64_t x, int64_t y, const char* text, uint32_t colour, int64_t s) {
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p, x += 8 * s) {
        for (int64_t r = 0; r < 8; ++r) {
            for (int64_t c = 0; c < 8; ++c) {
                if (!(MSX_FONT_DATA[*p * 8 + r] & (0x80u >> c))) {
                    continue;
                }
                for (int64_t py = 0; py < s; ++py) {
                    for (int64_t px = 0; px < s; ++px) {
                        RefPut(x + c * s + px, y + r * s + py, colour);
                    }
                }
            }
        }
    }
}

void ClearBoth(uint32_t background) {
    for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++i) {
        pixelBuffer[i] = background;
        gReference[i] = background;
    }
}

bool SameAsReference() {
    return memcmp(pixelBuffer, gReference, sizeof(gReference)) == 0;
}

TEST(FastPaths, LinesMatchTheWholeWalk) {
    std::mt19937 rng(7);
    // Ends on, near and far off the screen, in every octant.
    std::uniform_int_distribution<int32_t> far(-3000, 3300), near(-40, 360);
    for (int32_t i = 0; i < 4000; ++i) {
        auto& d = (i % 3 == 0) ? far : near;
        const int32_t x0 = d(rng), y0 = d(rng), x1 = d(rng), y1 = d(rng);
        ClearBoth(0);
        RenderDrawLine(x0, y0, x1, y1, 0xFFFFFF);
        RefLine(x0, y0, x1, y1, 0xFFFFFF);
        ASSERT_TRUE(SameAsReference()) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
    // Every short line from one point, both ends on the screen (the walk taken without a test per
    // point): limbs, the gun and the crosshair are such lines.
    for (int32_t dx = -24; dx <= 24; ++dx) {
        for (int32_t dy = -24; dy <= 24; ++dy) {
            ClearBoth(0);
            RenderDrawLine(30, 170, 30 + dx, 170 + dy, 0xFFFFFF);
            RenderDrawLine(290 + dy, 25 + dx, 290, 25, 0xFFFFFF);
            RefLine(30, 170, 30 + dx, 170 + dy, 0xFFFFFF);
            RefLine(290 + dy, 25 + dx, 290, 25, 0xFFFFFF);
            ASSERT_TRUE(SameAsReference()) << dx << "," << dy;
        }
    }
    // Lines along the screen's edges and just outside them.
    const int32_t edges[][4] = {{-1, -5, -1, 300},  {0, -5, 0, 300},     {319, 250, 319, -9},
                                {320, 0, 320, 199}, {-9, 199, 400, 199}, {-9, 200, 400, 200},
                                {400, 0, -50, 0},   {5, 5, 5, 5}};
    for (auto& e : edges) {
        ClearBoth(0);
        RenderDrawLine(e[0], e[1], e[2], e[3], 0xFFFFFF);
        RefLine(e[0], e[1], e[2], e[3], 0xFFFFFF);
        EXPECT_TRUE(SameAsReference()) << e[0] << "," << e[1] << " -> " << e[2] << "," << e[3];
    }
}

TEST(FastPaths, RectanglesMatchTheirPixels) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> pos(-400, 400), size(-20, 700);
    for (int32_t i = 0; i < 3000; ++i) {
        const int32_t x = pos(rng), y = pos(rng), w = size(rng), h = size(rng);
        ClearBoth(0);
        RenderFillRect(x, y, w, h, 0xFFFFFF);
        for (int64_t row = y; row < (int64_t)y + h; ++row) {
            for (int64_t col = x; col < (int64_t)x + w; ++col) {
                RefPut(col, row, 0xFFFFFF);
            }
        }
        ASSERT_TRUE(SameAsReference()) << x << "," << y << " " << w << "x" << h;
    }
}

TEST(FastPaths, BoxesMatchTheirOutline) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int32_t> pos(-60, 380), size(-20, 120);
    for (int32_t i = 0; i < 4000; ++i) {
        const int32_t x = pos(rng), y = pos(rng), w = size(rng), h = size(rng);
        ClearBoth(0);
        RenderDrawBox(x, y, w, h, 0xFFFFFF);
        RefBox(x, y, w, h, 0xFFFFFF);
        ASSERT_TRUE(SameAsReference()) << x << "," << y << " " << w << "x" << h;
    }
}

TEST(FastPaths, TextMatchesSquaresOfPixelsAtEveryScale) {
    std::mt19937 rng(13);
    std::uniform_int_distribution<int32_t> pos(-90, 330), scale(1, 5), byte(1, 255), length(1, 12);
    char text[16];
    for (int32_t i = 0; i < 3000; ++i) {
        const int32_t n = length(rng);
        for (int32_t k = 0; k < n; ++k) {
            text[k] = (char)byte(rng);
        }
        text[n] = 0;
        const int32_t x = pos(rng), y = pos(rng), s = scale(rng);
        ClearBoth(0x123456);
        if (i % 2) {
            // A picture under the text that differs pixel to pixel: what the text leaves must show.
            for (int32_t p = 0; p < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++p) {
                pixelBuffer[p] = gReference[p] = (uint32_t)p * 2654435761u >> 8;
            }
        }
        DrawMsxString(x, y, text, 0xFFFFFF, s);
        RefText(x, y, text, 0xFFFFFF, s);
        ASSERT_TRUE(SameAsReference()) << "at " << x << "," << y << " scale " << s;
    }
}

// The client image as the plain rule has it: black, then each client pixel inside the layout
// rectangle takes picture pixel ((x - destX) / scale, (y - destY) / scale).
std::vector<uint32_t> RefClient(int32_t w, int32_t h) {
    int32_t destX, destY, destW, destH;
    RenderGetLayout(&destX, &destY, &destW, &destH);
    const int32_t scale = destW / LOGICAL_WIDTH;
    std::vector<uint32_t> image((size_t)w * h, 0);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (x >= destX && x < destX + destW && y >= destY && y < destY + destH) {
                image[(size_t)y * w + x] =
                    pixelBuffer[((y - destY) / scale) * LOGICAL_WIDTH + (x - destX) / scale];
            }
        }
    }
    return image;
}

TEST(FastPaths, HeadlessClientImageMatchesBlockScaling) {
    std::mt19937 rng(17);
    for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++i) {
        pixelBuffer[i] = rng() & 0xFFFFFF;
    }
    std::uniform_int_distribution<int32_t> width(1, 1400), height(1, 900);
    std::vector<std::pair<int32_t, int32_t>> sizes = {{320, 200},   {960, 600}, {959, 600},
                                                      {319, 199},   {1, 1},     {641, 401},
                                                      {1920, 1080}, {300, 500}, {1000, 150}};
    for (int32_t i = 0; i < 40; ++i) {
        sizes.push_back({width(rng), height(rng)});
    }
    PlatformWindow* window = HeadlessOpenWindow(320, 200);
    for (auto& size : sizes) {
        HeadlessSetClientSize(size.first, size.second);
        PresentPixelBuffer(window);
        int32_t w = 0, h = 0;
        const uint32_t* image = HeadlessPresentedImage(&w, &h);
        ASSERT_EQ(w, size.first);
        ASSERT_EQ(h, size.second);
        const std::vector<uint32_t> expected = RefClient(w, h);
        ASSERT_EQ(memcmp(image, expected.data(), expected.size() * sizeof(uint32_t)), 0)
            << "client " << w << "x" << h;
    }
    RenderReleaseBackBuffer();
}

// The image is composed when read, but it is the picture of the last present, not of the buffer now.
TEST(FastPaths, HeadlessClientImageIsThePresentedPicture) {
    PlatformWindow* window = HeadlessOpenWindow(640, 400);
    memset(pixelBuffer, 0x11, sizeof(pixelBuffer));
    PresentPixelBuffer(window);
    memset(pixelBuffer, 0x22, sizeof(pixelBuffer));
    int32_t w = 0, h = 0;
    const uint32_t* image = HeadlessPresentedImage(&w, &h);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image[(size_t)200 * w + 320], 0x11111111u);
    // Until the next present after a resize, the window keeps the last picture at its old size.
    PresentPixelBuffer(window);
    HeadlessSetClientSize(320, 200);
    image = HeadlessPresentedImage(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(image[(size_t)200 * w + 320], 0x22222222u);
    RenderReleaseBackBuffer();
}

// The mixer leaves out each effect once all its envelopes have ended; the stream must be the one
// that adds every busy voice's value at every sample until its hold ends.
TEST(FastPaths, SoundLeavesOutOnlyTheSilentTailsOfEffects) {
    const float SAMPLE_TIME = 4.5351473e-05f; // the mixer's step: one sample, 1 / 22050 s
    const float HOLD = 0.6f;
    HeadlessAudioSetAvailable(1);
    HeadlessAudioSetConsuming(1);
    HeadlessAudioSetRecording(1);
    HeadlessAudioClearRecording();
    AudioInit();
    AudioSetTrack(TRACK_MENU);
    for (int32_t id = SFX_SHOT; id <= SFX_START; ++id) {
        AudioPlaySfx(id);
    }
    for (int32_t block = 0; block < 3; ++block) {
        HeadlessAdvanceTicks(1000);
        AudioTick();
    }
    const int16_t* samples = nullptr;
    const int32_t count = HeadlessAudioRecorded(&samples);
    ASSERT_EQ(count, 3 * AUDIO_BLOCK_SAMPLES);
    float times[SFX_VOICE_COUNT] = {0, 0, 0, 0, 0, 0};
    int32_t differing = 0;
    for (int32_t i = 0; i < count; ++i) {
        float sum = 0.0f;
        for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
            if (times[v] < 100.0f) {
                times[v] = times[v] + SAMPLE_TIME;
                sum = sum + AudioVoiceValue(v, times[v]);
                if (times[v] > HOLD) {
                    times[v] = 100.0f;
                }
            }
        }
        differing += samples[i] != AudioConvertSample(sum);
    }
    EXPECT_EQ(differing, 0);
    AudioShutdown();
    HeadlessAudioClearRecording();
}

} // namespace
