// win32_audio.cpp -- the wave-output device: two prepared blocks, queued by the audio module and
// polled through WHDR_INQUEUE; no callback, so nothing runs outside the frame loop's thread.
#include <stdint.h>
#include <windows.h>

// After windows.h, whose types it needs.
#include <mmsystem.h>

#include "platform/platform.h"

static HWAVEOUT gWaveOut;
static WAVEHDR gWaveHdr[2];

int PlatformAudioOpen(const int16_t* block0, const int16_t* block1, int32_t blockSamples) {
    if (gWaveOut) {
        PlatformAudioClose();
    }
    WAVEFORMATEX format;
    ZeroMemory(&format, sizeof(format));
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = PLATFORM_SAMPLE_RATE;
    format.nAvgBytesPerSec = PLATFORM_SAMPLE_RATE * 2;
    format.nBlockAlign = 2;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    HWAVEOUT device = NULL;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR || !device) {
        // No sound device: the game runs silent.
        gWaveOut = NULL;
        return 0;
    }
    gWaveOut = device;
    const int16_t* blocks[2] = {block0, block1};
    for (int i = 0; i < 2; ++i) {
        ZeroMemory(&gWaveHdr[i], sizeof(gWaveHdr[i]));
        // The device only reads the block; the header type is not const-correct.
        gWaveHdr[i].lpData = (LPSTR)(const_cast<int16_t*>(blocks[i]));
        gWaveHdr[i].dwBufferLength = (DWORD)blockSamples * 2;
        gWaveHdr[i].dwFlags = 0;
        waveOutPrepareHeader(gWaveOut, &gWaveHdr[i], sizeof(WAVEHDR));
    }
    return 1;
}

void PlatformAudioQueue(int32_t block) {
    if (!gWaveOut || (uint32_t)block > 1) {
        return;
    }
    waveOutWrite(gWaveOut, &gWaveHdr[block], sizeof(WAVEHDR));
}

int PlatformAudioIsHeld(int32_t block) {
    if (!gWaveOut || (uint32_t)block > 1) {
        return 0;
    }
    // The device's own thread clears the flag; read it afresh every time.
    const volatile DWORD* flags = &gWaveHdr[block].dwFlags;
    return (*flags & WHDR_INQUEUE) ? 1 : 0;
}

void PlatformAudioClose(void) {
    if (!gWaveOut) {
        return;
    }
    waveOutReset(gWaveOut);
    waveOutUnprepareHeader(gWaveOut, &gWaveHdr[0], sizeof(WAVEHDR));
    waveOutUnprepareHeader(gWaveOut, &gWaveHdr[1], sizeof(WAVEHDR));
    waveOutClose(gWaveOut);
    gWaveOut = NULL;
}
