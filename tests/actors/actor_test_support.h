// actor_test_support.h -- small helpers shared by the actor tests: stages built tile by tile, input
// driven through the headless backend with client = logical pixels, and the voices that sound.
#pragma once
#include <stdint.h>

#include <vector>

#include "audio/audio.h"
#include "input/input.h"
#include "backends/headless/headless.h"
#include "render/render.h"
#include "world/tilemap.h"

constexpr int32_t KEY_LEFT_BUTTON = 1;
constexpr int32_t KEY_R_CODE = 82;

// A cleared stage of w x h tiles (all empty): setting the far corner fixes the used size.
inline void TestMakeStage(Tilemap* map, int w, int h) {
    TilemapClear(map);
    TilemapSetTile(map, w - 1, h - 1, TILE_EMPTY);
}

// A solid run of tiles on one row, columns c0..c1.
inline void TestFillRow(Tilemap* map, int row, int c0, int c1, int id = TILE_GROUND) {
    for (int c = c0; c <= c1; ++c) {
        TilemapSetTile(map, c, row, id);
    }
}

// A solid column of tiles, rows r0..r1.
inline void TestFillColumn(Tilemap* map, int col, int r0, int r1, int id = TILE_GROUND) {
    for (int r = r0; r <= r1; ++r) {
        TilemapSetTile(map, col, r, id);
    }
}

// A 320 x 200 client at scale 1, so cursor client pixels are logical pixels; no key held, camera at 0.
inline PlatformWindow* TestOpenInput(void) {
    PlatformWindow* window = HeadlessOpenWindow(LOGICAL_WIDTH, LOGICAL_HEIGHT);
    UpdateDisplayLayout(window);
    InputInit();
    InputSetCamera(0.0f, 0.0f);
    InputUpdate(window); // clears the left button's history left by an earlier test
    InputUpdate(window);
    return window;
}

// One input snapshot with the cursor at (x, y) and the left button as given.
inline void TestInputFrame(PlatformWindow* window, int32_t x, int32_t y, int leftDown) {
    HeadlessSetCursor(x, y);
    HeadlessSetKeyDown(KEY_LEFT_BUTTON, leftDown);
    InputUpdate(window);
}

// A fresh press: one snapshot with the button up, then one with it down.
inline void TestClick(PlatformWindow* window, int32_t x, int32_t y) {
    TestInputFrame(window, x, y, 0);
    TestInputFrame(window, x, y, 1);
}

// A fresh press of a key (button up, cursor kept).
inline void TestPressKey(PlatformWindow* window, int32_t vk) {
    HeadlessSetKeyDown(vk, 0);
    InputUpdate(window);
    HeadlessSetKeyDown(vk, 1);
    InputUpdate(window);
}

// Ids of the busy voices in search order: the order in which effects were requested.
inline std::vector<int32_t> TestSoundingEffects(void) {
    std::vector<int32_t> ids;
    const SfxVoice* voices = AudioGetVoices();
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        if (voices[v].time < 100.0f) {
            ids.push_back(voices[v].id);
        }
    }
    return ids;
}

inline void TestClearScreen(void) {
    for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++i) {
        pixelBuffer[i] = 0;
    }
}

inline uint32_t TestPixel(int32_t x, int32_t y) {
    return pixelBuffer[y * LOGICAL_WIDTH + x];
}

inline int TestCountColour(uint32_t colour) {
    int n = 0;
    for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++i) {
        n += (pixelBuffer[i] == colour) ? 1 : 0;
    }
    return n;
}
