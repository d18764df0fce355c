// sdl2_audio.cpp -- the sound output behind the platform seam on SDL2: a queued (callback-free)
// device at 22050 Hz mono s16, and which of the two blocks SDL still holds, told from its queue size.
#include <SDL.h>

#include "platform/platform.h"

static SDL_AudioDeviceID gSdlAudioDevice;
static const int16_t* gSdlAudioBlocks[2];
static Uint32 gSdlAudioBlockBytes;
// Blocks in the order they were queued, oldest first; SDL plays its queue in that order.
static int32_t gSdlAudioQueued[2];
static int32_t gSdlAudioQueuedCount;

// Drops the oldest blocks that SDL has taken off its queue: with n blocks queued, the oldest is
// finished once no more than n - 1 blocks' worth of bytes remain.
static void Sdl2AudioRetireFinished(void) {
    const Uint32 left = SDL_GetQueuedAudioSize(gSdlAudioDevice);
    while (gSdlAudioQueuedCount > 0 && left <= (Uint32)(gSdlAudioQueuedCount - 1) * gSdlAudioBlockBytes) {
        gSdlAudioQueued[0] = gSdlAudioQueued[1];
        gSdlAudioQueuedCount--;
    }
}

static int Sdl2AudioIsQueued(int32_t block) {
    for (int32_t i = 0; i < gSdlAudioQueuedCount; ++i) {
        if (gSdlAudioQueued[i] == block) {
            return 1;
        }
    }
    return 0;
}

int PlatformAudioOpen(const int16_t* block0, const int16_t* block1, int32_t blockSamples) {
    if (gSdlAudioDevice != 0 || !block0 || !block1 || blockSamples <= 0) {
        return 0;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return 0;
    }
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = PLATFORM_SAMPLE_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;  // about 46 ms per device period
    want.callback = NULL; // fed with SDL_QueueAudio from the frame loop
    SDL_AudioSpec have;
    // No allowed changes: SDL converts for the hardware if it must, our blocks stay as they are.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(NULL, 0, &want, &have, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    gSdlAudioDevice = device;
    gSdlAudioBlocks[0] = block0;
    gSdlAudioBlocks[1] = block1;
    gSdlAudioBlockBytes = (Uint32)blockSamples * (Uint32)sizeof(int16_t);
    gSdlAudioQueuedCount = 0;
    SDL_PauseAudioDevice(device, 0);
    return 1;
}

void PlatformAudioQueue(int32_t block) {
    if (gSdlAudioDevice == 0 || (uint32_t)block > 1u) {
        return;
    }
    Sdl2AudioRetireFinished();
    // A block SDL still holds is never queued a second time: its place in the order would be lost.
    if (Sdl2AudioIsQueued(block)) {
        return;
    }
    if (SDL_QueueAudio(gSdlAudioDevice, gSdlAudioBlocks[block], gSdlAudioBlockBytes) != 0) {
        return;
    }
    gSdlAudioQueued[gSdlAudioQueuedCount++] = block;
}

int PlatformAudioIsHeld(int32_t block) {
    if (gSdlAudioDevice == 0 || (uint32_t)block > 1u) {
        return 0;
    }
    Sdl2AudioRetireFinished();
    return Sdl2AudioIsQueued(block);
}

void PlatformAudioClose(void) {
    if (gSdlAudioDevice == 0) {
        return;
    }
    SDL_ClearQueuedAudio(gSdlAudioDevice);
    SDL_CloseAudioDevice(gSdlAudioDevice);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gSdlAudioDevice = 0;
    gSdlAudioQueuedCount = 0;
}
