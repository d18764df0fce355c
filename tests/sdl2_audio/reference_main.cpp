// reference_main.cpp -- plays the audio scene through the headless device and writes what it
// recorded to the file named first, as raw signed 16-bit little-endian samples.
#include <stdio.h>

#include "audio/audio.h"
#include "backends/headless/headless.h"
#include "tests/sdl2_audio/audio_scene.h"

static void ReferenceWait(void) {
    HeadlessAdvanceTicks(5);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s out.raw\n", argv[0]);
        return 2;
    }
    if (!AudioSceneRun(ReferenceWait)) {
        fprintf(stderr, "the headless device did not play the scene\n");
        return 1;
    }
    AudioShutdown();
    const int16_t* samples = nullptr;
    const int32_t count = HeadlessAudioRecorded(&samples);
    FILE* file = fopen(argv[1], "wb");
    if (!file) {
        fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    int ok = 1;
    for (int32_t i = 0; i < count && ok; ++i) {
        const uint16_t s = (uint16_t)samples[i];
        ok = fputc(s & 0xFF, file) != EOF && fputc(s >> 8, file) != EOF;
    }
    ok = (fclose(file) == 0) && ok;
    return ok ? 0 : 1;
}
