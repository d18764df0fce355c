// wav_writer.cpp -- a RIFF/WAVE writer for 16-bit mono PCM; every field goes out byte by byte in
// little-endian order, so the file is the same whatever machine writes it. The header goes out first
// with empty sizes and is filled in when the stream closes.
#include "tools/common/wav_writer.h"

#include <stdio.h>

static const long WAV_RIFF_SIZE_AT = 4;
static const long WAV_DATA_SIZE_AT = 40;

static void WavPut16(uint8_t* at, uint32_t value) {
    at[0] = (uint8_t)(value & 0xFFu);
    at[1] = (uint8_t)((value >> 8) & 0xFFu);
}

static void WavPut32(uint8_t* at, uint32_t value) {
    WavPut16(at, value & 0xFFFFu);
    WavPut16(at + 2, value >> 16);
}

int WavStreamOpen(WavStream* stream, const char* path, int32_t sampleRate, char* why, size_t whySize) {
    stream->samples = 0;
    stream->ok = 0;
    if (sampleRate <= 0 || sampleRate > INT32_MAX / 2) {
        if (why && whySize > 0) {
            snprintf(why, whySize, "%d samples per second cannot be written", (int)sampleRate);
        }
        stream->out.file = nullptr;
        return 0;
    }
    if (!SafeOutputOpen(&stream->out, path, why, whySize)) {
        return 0;
    }
    uint8_t header[44];
    header[0] = 'R', header[1] = 'I', header[2] = 'F', header[3] = 'F';
    WavPut32(header + 4, 36u); // filled in on close
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
    WavPut32(header + 40, 0u); // filled in on close
    stream->ok = fwrite(header, 1, sizeof(header), stream->out.file) == sizeof(header);
    return 1;
}

int WavStreamWrite(WavStream* stream, const int16_t* samples, size_t count) {
    if (!stream->ok || !stream->out.file) {
        return 0;
    }
    if (count > WAV_MAX_SAMPLES - stream->samples || (count > 0 && !samples)) {
        stream->ok = 0;
        return 0;
    }
    // Samples in chunks, converted to little-endian on the way.
    uint8_t chunk[4096];
    for (size_t i = 0; stream->ok && i < count;) {
        size_t n = 0;
        for (; n < sizeof(chunk) / 2 && i < count; ++n, ++i) {
            WavPut16(chunk + 2 * n, (uint16_t)samples[i]);
        }
        stream->ok = fwrite(chunk, 1, n * 2u, stream->out.file) == n * 2u;
    }
    stream->samples += count;
    return stream->ok;
}

static int WavPatch(FILE* file, long at, uint32_t value) {
    uint8_t bytes[4];
    WavPut32(bytes, value);
    return fseek(file, at, SEEK_SET) == 0 && fwrite(bytes, 1, 4, file) == 4;
}

int WavStreamClose(WavStream* stream, int keep) {
    if (!stream->out.file) {
        return 0;
    }
    const uint32_t dataBytes = (uint32_t)(stream->samples * 2u); // within 32 bits: WAV_MAX_SAMPLES
    int ok = keep && stream->ok && WavPatch(stream->out.file, WAV_RIFF_SIZE_AT, 36u + dataBytes) &&
             WavPatch(stream->out.file, WAV_DATA_SIZE_AT, dataBytes);
    ok = SafeOutputClose(&stream->out, ok);
    stream->ok = 0;
    return ok;
}

int WavWrite(const char* path, const int16_t* samples, int64_t count, int32_t sampleRate) {
    if (!path || count < 0 || (count > 0 && !samples) || (uint64_t)count > WAV_MAX_SAMPLES) {
        return 0;
    }
    static WavStream stream; // two paths: kept off the stack
    if (!WavStreamOpen(&stream, path, sampleRate, nullptr, 0)) {
        return 0;
    }
    WavStreamWrite(&stream, samples, (size_t)count);
    return WavStreamClose(&stream, 1);
}
