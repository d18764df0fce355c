// frame_hash.cpp -- kalvoro-frame-hash: plays the long scripted play (and any replay given) headless and
// prints one hash of every rendered picture, presented client image and sound sample, so a speed change
// can be checked to leave the output exactly as it was: run it before and after, compare the lines.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/game_state.h"
#include "app/main.h"
#include "bench/bench_long_play.h"
#include "backends/headless/headless.h"
#include "render/render.h"
#include "world/level.h"

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
    return 0;
}
