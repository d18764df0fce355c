// wav_writer.h -- writes recorded game sound as a plain 16-bit mono PCM WAV file, whole or as a stream
// that goes to disk as the sound is made.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "app/safe_output.h"

// The RIFF size fields are 32-bit: the most samples a WAV file can describe (just under 4 GiB).
constexpr uint64_t WAV_MAX_SAMPLES = (0xFFFFFFFFull - 36u) / 2u;

struct WavStream {
    SafeOutput out;
    uint64_t samples; // written so far
    int ok;           // 0 after a failed write or once past WAV_MAX_SAMPLES
};

// Starts a stream to path (through a temporary file beside it); 0 with why filled when refused.
int WavStreamOpen(WavStream* stream, const char* path, int32_t sampleRate, char* why, size_t whySize);
// Appends count samples; 0 when they could not all be written or the file would pass its limit.
int WavStreamWrite(WavStream* stream, const int16_t* samples, size_t count);
// Fills in the sizes and puts the file in place; 1 when every sample reached it. With keep 0 the
// stream is dropped and the target left as it was.
int WavStreamClose(WavStream* stream, int keep);

// Writes count samples at sampleRate to path as a RIFF/WAVE file; 1 on success, 0 on any failure.
int WavWrite(const char* path, const int16_t* samples, int64_t count, int32_t sampleRate);
