// wav_writer.h -- writes recorded game sound as a plain 16-bit mono PCM WAV file.
#pragma once
#include <stdint.h>

// Writes count samples at sampleRate to path as a RIFF/WAVE file; 1 on success, 0 on any failure.
int WavWrite(const char* path, const int16_t* samples, int32_t count, int32_t sampleRate);
