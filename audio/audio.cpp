// audio.cpp -- the six effect voices, the stage drone, the mixer and the two-block stream fed
// through the platform's sound output, one block per frame at most, polled without a callback.
#include "audio/audio.h"

#include <math.h>

#include "app/utils.h"
#include "platform/platform.h"

// A voice whose time reaches this is free.
static const float AUDIO_VOICE_FREE = 100.0f;
// Every effect holds its voice this long, whatever the length of its audible part.
static const float AUDIO_VOICE_HOLD = 0.6f;
// One sample (1 / 22050 s) and one block (5512 / 22050 s) in seconds.
static const float AUDIO_SAMPLE_TIME = 4.5351473e-05f;
static const float AUDIO_BLOCK_TIME = 0.24997732f;
// Mixed sums of magnitude 1 or more are clipped to this; the output never gets louder.
static const int16_t AUDIO_PEAK = 8000;

static int16_t gAudioBuffer[2 * AUDIO_BLOCK_SAMPLES];
static int gAudioOpen;
static SfxVoice gSfxVoices[SFX_VOICE_COUNT];
static int32_t gTrack = TRACK_MENU;
static int32_t gBufferIdx;
// The drone clock: gTime is what the drone's formula reads, gBlocks the blocks filled so far.
static float gTime;
static int64_t gBlocks;

// Linear fall from 1 to 0 over d seconds, then silence.
static float AudioEnvelope(float t, float d) {
    if (t >= 0.0f && t < d) {
        return 1.0f - t / d;
    }
    return 0.0f;
}

float AudioNoise(float t) {
    // A hash of the sample position (one xorshift32 round), so a voice's noise never depends on
    // what else is playing.
    float n = t * 22050.0f;
    uint32_t x = (uint32_t)(int64_t)n;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return (float)((int32_t)(x & 255u) - 128) * 0.0078125f;
}

float AudioVoiceValue(int32_t id, float t) {
    switch (id) {
    case SFX_SHOT: {
        float tone = MathSin(80.0f * t) * AudioEnvelope(t, 0.05f) * 0.3f;
        float noise = AudioEnvelope(t, 0.08f) * AudioNoise(t) * 0.6f;
        return tone + noise;
    }
    case SFX_RELOAD:
        return MathSin(120.0f * t) * AudioEnvelope(t, 0.12f) * 0.25f;
    case SFX_HIT:
        return AudioEnvelope(t, 0.1f) * AudioNoise(t) * 0.5f;
    case SFX_STAGE_CLEAR:
        return MathSin(440.0f * t) * AudioEnvelope(t, 0.4f) * 0.3f;
    case SFX_GAME_OVER: {
        // The half-second fall is written as 1 - 2t; keep that form so the samples stay the same.
        float env = (t >= 0.0f && t < 0.5f) ? 1.0f - (t + t) : 0.0f;
        return MathSin(110.0f * t) * env * 0.35f;
    }
    case SFX_START:
        return MathSin(880.0f * t) * AudioEnvelope(t, 0.03f) * 0.2f;
    default:
        return 0.0f;
    }
}

int16_t AudioConvertSample(float sum) {
    if (sum > 1.0f) {
        return AUDIO_PEAK;
    }
    if (sum < -1.0f) {
        return (int16_t)-AUDIO_PEAK;
    }
    return (int16_t)(int32_t)(sum * 8000.0f);
}

// From this many seconds on, every envelope of the effect is 0, so its value is +0 or -0: adding it
// changes no sum but a zero one's sign, and a sum of either sign converts to the same sample 0. The
// rest of the voice's hold is silence that need not be computed.
static const float AUDIO_AUDIBLE_UNTIL[SFX_START + 1] = {0.08f, 0.12f, 0.1f, 0.4f, 0.5f, 0.03f};

// Sample i of the block being filled: drone (on the stage track) plus every busy voice.
static int16_t AudioMixSample(int32_t i) {
    float sum = 0.0f;
    if (gTrack == TRACK_STAGE) {
        float t = (float)i / 22050.0f + gTime;
        float a = MathSin(220.0f * t) * 0.03f;
        float b = MathSin(330.0f * t) * 0.02f;
        sum = a + b;
    }
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        SfxVoice* voice = &gSfxVoices[v];
        if (voice->time < AUDIO_VOICE_FREE) {
            // Time moves first: a new effect's first value is taken one sample in, not at 0.
            voice->time = voice->time + AUDIO_SAMPLE_TIME;
            if (voice->time < AUDIO_AUDIBLE_UNTIL[voice->id]) {
                sum = sum + AudioVoiceValue(voice->id, voice->time);
            }
            if (voice->time > AUDIO_VOICE_HOLD) {
                voice->time = AUDIO_VOICE_FREE;
            }
        }
    }
    return AudioConvertSample(sum);
}

void AudioInit(void) {
    if (gAudioOpen) {
        // Never leave a device open behind a second start.
        PlatformAudioClose();
    }
    gAudioOpen = PlatformAudioOpen(&gAudioBuffer[0], &gAudioBuffer[AUDIO_BLOCK_SAMPLES], AUDIO_BLOCK_SAMPLES);
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        gSfxVoices[v].time = AUDIO_VOICE_FREE;
    }
}

void AudioShutdown(void) {
    if (!gAudioOpen) {
        return;
    }
    PlatformAudioClose();
    gAudioOpen = 0;
}

void AudioSetTrack(int32_t track) {
    gTrack = track;
}

void AudioPlaySfx(int32_t id) {
    if ((uint32_t)id > (uint32_t)SFX_START) {
        return;
    }
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        if (gSfxVoices[v].time >= AUDIO_VOICE_FREE) {
            gSfxVoices[v].id = id;
            gSfxVoices[v].time = 0.0f;
            return;
        }
    }
    // All six busy: a playing effect is never cut off, so the new one is dropped.
}

// For 2048 blocks (512 s) the clock is a float sum of block lengths. Past that a float this large
// no longer resolves a sample, and the drone turns into a staircase within hours, so from there on the
// clock is derived from the block count in double and folded back by whole periods of the drone
// (2 pi / 110 s, after which both of its tones repeat). Derived afresh each block, the folds never
// add up to a drift, and the first 512 s sound exactly as before.
static const int64_t AUDIO_FOLD_AFTER_BLOCKS = 2048;
static const double AUDIO_DRONE_PERIOD = 6.283185307179586 / 110.0;

// The float sum of the first AUDIO_FOLD_AFTER_BLOCKS block lengths, where the folded clock goes on.
static double AudioFoldBase(void) {
    static float base = -1.0f;
    if (base < 0.0f) {
        float sum = 0.0f;
        for (int64_t b = 0; b < AUDIO_FOLD_AFTER_BLOCKS; ++b) {
            sum = sum + AUDIO_BLOCK_TIME;
        }
        base = sum;
    }
    return (double)base;
}

// One block further.
static void AudioStepDroneClock(void) {
    gBlocks++;
    if (gBlocks <= AUDIO_FOLD_AFTER_BLOCKS) {
        gTime = gTime + AUDIO_BLOCK_TIME;
        return;
    }
    const double t = AudioFoldBase() + (double)(gBlocks - AUDIO_FOLD_AFTER_BLOCKS) * (double)AUDIO_BLOCK_TIME;
    gTime = (float)(t - floor(t / AUDIO_DRONE_PERIOD) * AUDIO_DRONE_PERIOD);
}

void AudioAdvanceDroneClock(int64_t blocks) {
    for (int64_t b = 0; b < blocks; ++b) {
        AudioStepDroneClock();
    }
}

int64_t AudioGetDroneBlocks(void) {
    return gBlocks;
}

void AudioTick(void) {
    if (!gAudioOpen) {
        return;
    }
    if (PlatformAudioIsHeld(gBufferIdx)) {
        // Still playing: no time passes for the drone or the voices.
        return;
    }
    AudioStepDroneClock();
    int16_t* block = &gAudioBuffer[gBufferIdx * AUDIO_BLOCK_SAMPLES];
    for (int32_t i = 0; i < AUDIO_BLOCK_SAMPLES; ++i) {
        block[i] = AudioMixSample(i);
    }
    PlatformAudioQueue(gBufferIdx);
    gBufferIdx = 1 - gBufferIdx;
}

const SfxVoice* AudioGetVoices(void) {
    return gSfxVoices;
}

int32_t AudioGetTrack(void) {
    return gTrack;
}

float AudioGetDroneTime(void) {
    return gTime;
}

int32_t AudioGetBufferIndex(void) {
    return gBufferIdx;
}

int AudioIsOpen(void) {
    return gAudioOpen;
}

void AudioSave(AudioState* out) {
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        out->voices[v] = gSfxVoices[v];
    }
    out->track = gTrack;
    out->droneTime = gTime;
    out->droneBlocks = gBlocks;
}

void AudioRestore(const AudioState* in) {
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        gSfxVoices[v] = in->voices[v];
    }
    gTrack = in->track;
    gTime = in->droneTime;
    gBlocks = in->droneBlocks;
}
