// frame_hash.cpp -- kalvoro-frame-hash: plays the long scripted play (and any replay given) headless and
// prints one hash of every rendered picture, presented client image and sound sample, so a speed change
// can be checked to leave the output exactly as it was: run it before and after, compare the lines.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/main.h"
#include "bench/bench_data.h"
#include "bench/bench_long_play.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "render/render.h"
#include "world/level.h"
#include "world/tilemap.h"

static void HashBytes(uint64_t* h, const void* data, size_t n) {
    const uint8_t* bytes = (const uint8_t*)data;
    for (size_t i = 0; i < n; ++i) {
        *h ^= bytes[i];
        *h *= 1099511628211ull;
    }
}

// Plays frames of the long play at one client size; hashes the buffer every frame, the client image
// every `imageEvery` frames, and all sound at the end.
static void HashRun(const char* stage, int32_t clientW, int32_t clientH, int32_t frames, int32_t imageEvery) {
    uint64_t picture = 14695981039346656037ull;
    uint64_t image = picture;
    uint64_t sound = picture;
    LevelSetStagePath(stage);
    PlatformWindow* window = HeadlessOpenWindow(clientW, clientH);
    HeadlessAudioClearRecording();
    HeadlessAudioSetRecording(1);
    MainStartup(window);
    for (int32_t frame = 0; frame < frames; ++frame) {
        BenchLongPlayFrame(window, frame);
        HashBytes(&picture, pixelBuffer, sizeof(pixelBuffer));
        if (frame % imageEvery == 0) {
            int32_t w = 0, h = 0;
            const uint32_t* pixels = HeadlessPresentedImage(&w, &h);
            HashBytes(&image, &w, sizeof(w));
            HashBytes(&image, &h, sizeof(h));
            if (pixels) {
                HashBytes(&image, pixels, (size_t)w * (size_t)h * sizeof(uint32_t));
            }
        }
    }
    const int16_t* samples = nullptr;
    const int32_t count = HeadlessAudioRecorded(&samples);
    HashBytes(&sound, samples, (size_t)count * sizeof(int16_t));
    MainShutdown();
    HeadlessAudioClearRecording();
    LevelSetStagePath(nullptr);
    printf("%-8s %4dx%-4d %6d frames: pictures %016llx  images %016llx  sound %016llx (%d samples)\n",
           stage[0] ? "shipped" : "built-in", clientW, clientH, frames, (unsigned long long)picture,
           (unsigned long long)image, (unsigned long long)sound, count);
}

// The tile drawing alone: a stage of every kind mixed (goals side by side and at its edges included),
// seen from cameras at every quarter pixel over two tiles each way, off the stage's ends and at
// fractions whose rounding leaves a column of sky; then every kind alone at every cut of the four edges.
static void HashTiles(void) {
    static Tilemap map;
    TilemapClear(&map);
    uint32_t seed = 12345u;
    for (int32_t row = 0; row < 20; ++row) {
        for (int32_t col = 0; col < 30; ++col) {
            seed = seed * 1103515245u + 12345u;
            const int32_t pick = (int32_t)((seed >> 16) % 13u); // 11 and 12: sky
            TilemapSetTile(&map, col, row, pick <= TILE_GOAL ? pick : TILE_EMPTY);
        }
    }
    TilemapSetTile(&map, 0, 0, TILE_GOAL);
    TilemapSetTile(&map, 1, 0, TILE_GOAL);
    TilemapSetTile(&map, 0, 1, TILE_GOAL);
    uint64_t picture = 14695981039346656037ull;
    int32_t pictures = 0;
    static const float EXTRA[] = {-16.5f,      -0.5f, 0.5f,  8.5f,   15.5f,
                                  0.49999997f, 1e-7f, 7.75f, 200.5f, 1000.0f};
    for (int32_t i = -140; i < 140; ++i) {
        for (int32_t j = -2; j < 2; ++j) {
            TilemapRender(&map, 0.25f * (float)i + 16.0f * (float)j,
                          0.25f * (float)(i * 7 % 128) + 3.0f * (float)j);
            HashBytes(&picture, pixelBuffer, sizeof(pixelBuffer));
            ++pictures;
        }
    }
    for (float x : EXTRA) {
        for (float y : EXTRA) {
            TilemapRender(&map, x, y);
            HashBytes(&picture, pixelBuffer, sizeof(pixelBuffer));
            ++pictures;
        }
    }
    for (int32_t id = 0; id <= TILE_GOAL + 1; ++id) {
        for (int32_t cut = -17; cut <= 17; ++cut) {
            RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, 0x123456);
            TilemapRenderTile(id, cut, 40);
            TilemapRenderTile(id, 40, cut);
            TilemapRenderTile(id, LOGICAL_WIDTH - 16 - cut, 80);
            TilemapRenderTile(id, 80, LOGICAL_HEIGHT - 16 - cut);
            TilemapRenderTile(id, cut, cut);
            TilemapRenderTile(id, LOGICAL_WIDTH - 16 - cut, LOGICAL_HEIGHT - 16 - cut);
            HashBytes(&picture, pixelBuffer, sizeof(pixelBuffer));
            ++pictures;
        }
    }
    printf("tiles    %6d pictures: %016llx\n", pictures, (unsigned long long)picture);
}

// The tile drawing while the stage changes between pictures: cells painted and rubbed out in view and
// beyond the stage's ends (growing it), the stage cleared and refilled at other sizes, a second stage
// drawn now and then; cameras over the stage and past its ends, at whole and fractional pixels, and
// some pictures drawn only between the editor's bars.
static void HashTilesEdited(void) {
    static Tilemap maps[2];
    uint32_t seed = 4242u;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (int32_t)((seed >> 8) % n);
    };
    auto fill = [&next](Tilemap* map, int32_t w, int32_t h) {
        TilemapClear(map);
        for (int32_t row = 0; row < h; ++row) {
            for (int32_t col = 0; col < w; ++col) {
                const int32_t pick = next(16); // 11 and up: sky
                TilemapSetTile(map, col, row, pick <= TILE_GOAL ? pick : TILE_EMPTY);
            }
        }
    };
    static const float FRACTIONS[] = {0.0f, 0.25f, 0.5f, 0.75f, 0.4999f, 0.5001f};
    uint64_t picture = 14695981039346656037ull;
    int32_t pictures = 0;
    fill(&maps[1], 24, 14);
    for (int32_t step = 0; step < 4000; ++step) {
        if (step % 800 == 0) {
            fill(&maps[0], 20 + next(MAP_MAX_COLS - 19), 12 + next(MAP_MAX_ROWS - 11));
        }
        Tilemap* map = &maps[step % 9 == 8 ? 1 : 0];
        const float spanX = (float)(map->width * TILE_SIZE - LOGICAL_WIDTH + 80);
        const float spanY = (float)(map->height * TILE_SIZE - LOGICAL_HEIGHT + 80);
        const float camX = (float)next(spanX > 1.0f ? (uint32_t)spanX : 1u) - 40.0f + FRACTIONS[next(6)];
        const float camY = (float)next(spanY > 1.0f ? (uint32_t)spanY : 1u) - 40.0f + FRACTIONS[next(6)];
        for (int32_t edits = next(4); edits > 0; --edits) {
            const int32_t id = next(14);
            const int32_t col = step % 50 == 0 ? map->width + next(3) : (int32_t)(camX / 16.0f) + next(24) - 2;
            const int32_t row = step % 70 == 0 ? map->height + next(2) : (int32_t)(camY / 16.0f) + next(16) - 2;
            TilemapSetTile(map, col, row, id == 13 ? 255 : id <= TILE_GOAL ? id : TILE_EMPTY);
        }
        if (step % 4 == 3) {
            TilemapRenderRows(map, camX, camY, EDITOR_BAR_H, EDITOR_STATUS_Y);
            HashBytes(&picture, pixelBuffer + EDITOR_BAR_H * LOGICAL_WIDTH,
                      (size_t)((EDITOR_STATUS_Y - EDITOR_BAR_H) * LOGICAL_WIDTH) * sizeof(uint32_t));
        } else {
            TilemapRender(map, camX, camY);
            HashBytes(&picture, pixelBuffer, sizeof(pixelBuffer));
        }
        ++pictures;
    }
    printf("edited   %6d pictures: %016llx\n", pictures, (unsigned long long)picture);
}

// The editor at 320 x 200: scrolled over the whole stage by the arrow keys and the picture's edges,
// every palette entry picked and painted in strokes, some of them rubbed out. Busy adds G's grid, undo
// and redo, the stage cut smaller and grown again (Shift and the arrows), Shift rectangles and O's
// overview.
static void HashEditor(const char* label, const char* stage, int32_t frames, int busy) {
    uint64_t picture = 14695981039346656037ull;
    BenchFreshDataFolder();
    PlatformWindow* window = HeadlessOpenWindow(320, 200);
    MainStartup(window);
    MainStartEditor(window, stage);
    for (int32_t frame = 0; frame < frames; ++frame) {
        const int32_t phase = (frame / 150) % 4;
        const int resizing = busy && frame % 100 >= 60 && frame % 100 < 70;
        const int pressed = frame % 2 == 0;
        HeadlessSetKeyDown(KEY_SHIFT, resizing || (busy && frame % 90 >= 30 && frame % 90 < 45));
        HeadlessSetKeyDown(KEY_RIGHT, resizing ? pressed && frame % 200 >= 100 : phase == 0);
        HeadlessSetKeyDown(KEY_DOWN, resizing ? pressed && frame % 300 >= 150 : phase == 1 && frame % 3 == 0);
        HeadlessSetKeyDown(KEY_LEFT, resizing ? pressed && frame % 200 < 100 : phase == 2);
        HeadlessSetKeyDown(KEY_UP, resizing ? pressed && frame % 300 < 150 : phase == 3 && frame % 3 == 0);
        HeadlessSetKeyDown(KEY_0 + (frame / 20) % 10, frame % 20 == 0);
        HeadlessSetKeyDown(KEY_LBUTTON, frame % 40 >= 10 && frame % 40 < 20);
        HeadlessSetKeyDown(KEY_RBUTTON, frame % 120 >= 100 && frame % 120 < 104);
        if (busy) {
            HeadlessSetKeyDown('G', frame % 300 == 5);
            HeadlessSetKeyDown('O', frame % 400 == 390 || frame % 400 == 398);
            HeadlessSetKeyDown(KEY_CONTROL, frame % 50 >= 45);
            HeadlessSetKeyDown(KEY_Z, frame % 50 == 46 || frame % 150 == 48);
        }
        // The cursor wanders over the view and now and then onto the bars and the scrolling edges.
        HeadlessSetCursor((frame * 37) % 330 - 5, 10 + (frame * 23) % 185);
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
        HashBytes(&picture, pixelBuffer, sizeof(pixelBuffer));
    }
    EditorClose();
    MainShutdown();
    printf("%-8s %6d frames: pictures %016llx\n", label, frames, (unsigned long long)picture);
}

int main(int argc, char** argv) {
    const int32_t frames = argc > 1 ? atoi(argv[1]) : 20000;
    const char* shipped = KALVORO_SOURCE_DIR "/" LEVEL_STAGE_PATH;
    FILE* f = fopen(shipped, "rb");
    const char* stages[2] = {"", f ? shipped : nullptr};
    if (f) {
        fclose(f);
    }
    static const int32_t SIZES[][2] = {{960, 600}, {320, 200}, {300, 190}, {1001, 777}, {1920, 1080}};
    for (const char* stage : stages) {
        if (!stage) {
            continue;
        }
        for (auto& size : SIZES) {
            HashRun(stage, size[0], size[1], frames, size[0] > 1000 ? 97 : 7);
        }
    }
    HashTiles();
    HashEditor("editor", stages[1], frames < 1200 ? frames : 1200, 0);
    HashTilesEdited();
    HashEditor("largest", KALVORO_SOURCE_DIR "/bench/stages/largest.txt", frames < 2400 ? frames : 2400, 1);
    HashEditor("crowd", KALVORO_SOURCE_DIR "/bench/stages/crowd.txt", frames < 600 ? frames : 600, 1);
    HashEditor("blank", nullptr, frames < 600 ? frames : 600, 1);
    return 0;
}
