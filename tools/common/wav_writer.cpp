// wav_writer.cpp -- a RIFF/WAVE writer for 16-bit mono PCM; every field goes out byte by byte in
// little-endian order, so the file is the same whatever machine writes it.
#include "tools/common/wav_writer.h"

#include <stdio.h>

static void WavPut16(uint8_t* at, uint32_t value) {
    at[0] = (uint8_t)(value & 0xFFu);
    at[1] = (uint8_t)((value >> 8) & 0xFFu);
}

static void WavPut32(uint8_t* at, uint32_t value) {
    WavPut16(at, value & 0xFFFFu);
    WavPut16(at + 2, value >> 16);
}

int WavWrite(const char* path, const int16_t* samples, int32_t count, int32_t sampleRate) {
    // The RIFF size fields are 32-bit: refuse what they cannot describe.
    if (!path || count < 0 || (count > 0 && !samples) || sampleRate <= 0 || sampleRate > INT32_MAX / 2 ||
        count > (INT32_MAX - 36) / 2) {
        return 0;
    }
    const uint32_t dataBytes = (uint32_t)count * 2u;
    uint8_t header[44];
    header[0] = 'R', header[1] = 'I', header[2] = 'F', header[3] = 'F';
    WavPut32(header + 4, 36u + dataBytes);
    header[8] = 'W', header[9] = 'A', header[10] = 'V', header[11] = 'E';
    header[12] = 'f', header[13] = 'm', header[14] = 't', header[15] = ' ';
    WavPut32(header + 16, 16u);                       // fmt chunk size
    WavPut16(header + 20, 1u);                        // PCM
    WavPut16(header + 22, 1u);                        // mono
    WavPut32(header + 24, (uint32_t)sampleRate);      // samples per second
    WavPut32(header + 28, (uint32_t)sampleRate * 2u); // bytes per second
    WavPut16(header + 32, 2u);                        // block alignment
    WavPut16(header + 34, 16u);                       // bits per sample
    header[36] = 'd', header[37] = 'a', header[38] = 't', header[39] = 'a';
    WavPut32(header + 40, dataBytes);

    FILE* file = fopen(path, "wb");
    if (!file) {
        return 0;
    }
    int ok = fwrite(header, 1, sizeof(header), file) == sizeof(header);
    // Samples in chunks, converted to little-endian on the way.
    uint8_t chunk[4096];
    for (int32_t i = 0; ok && i < count;) {
        int32_t n = 0;
        for (; n < (int32_t)sizeof(chunk) / 2 && i < count; ++n, ++i) {
            WavPut16(chunk + 2 * n, (uint16_t)samples[i]);
        }
        ok = fwrite(chunk, 1, (size_t)n * 2u, file) == (size_t)n * 2u;
    }
    if (fclose(file) != 0) {
        ok = 0;
    }
    return ok;
}
