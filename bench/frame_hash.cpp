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

// The editor on the shipped stage at 320 x 200: scrolled over the whole stage by the arrow keys and
// the picture's edges, every palette entry picked and painted in strokes, some of them rubbed out.
static void HashEditor(const char* stage, int32_t frames) {
    uint64_t picture = 14695981039346656037ull;
    BenchFreshDataFolder();
    PlatformWindow* window = HeadlessOpenWindow(320, 200);
    MainStartup(window);
    MainStartEditor(window, stage);
    for (int32_t frame = 0; frame < frames; ++frame) {
        const int32_t phase = (frame / 150) % 4;
        HeadlessSetKeyDown(KEY_RIGHT, phase == 0);
        HeadlessSetKeyDown(KEY_DOWN, phase == 1 && frame % 3 == 0);
        HeadlessSetKeyDown(KEY_LEFT, phase == 2);
        HeadlessSetKeyDown(KEY_UP, phase == 3 && frame % 3 == 0);
        HeadlessSetKeyDown(KEY_0 + (frame / 20) % 10, frame % 20 == 0);
        HeadlessSetKeyDown(KEY_LBUTTON, frame % 40 >= 10 && frame % 40 < 20);
        HeadlessSetKeyDown(KEY_RBUTTON, frame % 120 >= 100 && frame % 120 < 104);
        // The cursor wanders over the view and now and then onto the bars and the scrolling edges.
        HeadlessSetCursor((frame * 37) % 330 - 5, 10 + (frame * 23) % 185);
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
        HashBytes(&picture, pixelBuffer, sizeof(pixelBuffer));
    }
    EditorClose();
    MainShutdown();
    printf("editor   %6d frames: pictures %016llx\n", frames, (unsigned long long)picture);
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
    HashEditor(stages[1], frames < 1200 ? frames : 1200);
    return 0;
}
