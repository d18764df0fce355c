// audio.h -- the six-voice effect synthesiser, the stage drone, and the two-block stream to the
// platform's sound output.
#pragma once
#include <stdint.h>

#include "platform/platform.h"

constexpr int32_t AUDIO_SAMPLE_RATE = PLATFORM_SAMPLE_RATE;
constexpr int32_t AUDIO_BLOCK_SAMPLES = 5512;
constexpr int32_t SFX_VOICE_COUNT = 6;

constexpr int32_t SFX_SHOT = 0;
constexpr int32_t SFX_RELOAD = 1;
constexpr int32_t SFX_HIT = 2;
constexpr int32_t SFX_STAGE_CLEAR = 3;
constexpr int32_t SFX_GAME_OVER = 4;
constexpr int32_t SFX_START = 5;

constexpr int32_t TRACK_STAGE = 0;
constexpr int32_t TRACK_MENU = 1;

struct SfxVoice {
    int32_t id;
    float time; // seconds since start; 100 or more = free
};

// What of the synthesiser a saved game keeps: the voices, the track and the drone clock. The stream's
// block index and the device stay with the device.
struct AudioState {
    SfxVoice voices[SFX_VOICE_COUNT];
    int32_t track;
    float droneTime;
    int64_t droneBlocks; // blocks filled since the start; see AudioGetDroneBlocks
};

// Opens the output, prepares both blocks, frees all voices.
void AudioInit(void);
// Stops and closes the output; nothing without a device.
void AudioShutdown(void);
// TRACK_STAGE plays the drone; anything else is silence.
void AudioSetTrack(int32_t track);
// Starts an effect on the first free voice; dropped when all six are busy or the id is unknown.
void AudioPlaySfx(int32_t id);
// Fills and queues the next block if the device has handed it back; at most one per call.
void AudioTick(void);

// Read-only views for tests and tools; the game itself never calls these.

// The noise source: a hash of the sample position t x 22050, from -1 to 0.9921875.
float AudioNoise(float t);
// The value of effect id at t seconds after its start (0 for an unknown id).
float AudioVoiceValue(int32_t id, float t);
// A mixed sum as a 16-bit sample: clipped to +-8000 beyond +-1, otherwise sum x 8000 truncated.
int16_t AudioConvertSample(float sum);
// The SFX_VOICE_COUNT voices, in search order.
const SfxVoice* AudioGetVoices(void);
// The track last selected.
int32_t AudioGetTrack(void);
// The drone clock: the time of the first sample of the block filled last (after 512 s, folded back
// by whole periods of the drone).
float AudioGetDroneTime(void);
// Blocks filled since the start, which the drone clock follows.
int64_t AudioGetDroneBlocks(void);
// Moves the drone clock on exactly as filling this many blocks would, without making their samples
// or moving the voices: tests reach hours of play at once.
void AudioAdvanceDroneClock(int64_t blocks);
// The block (0 or 1) that is filled next.
int32_t AudioGetBufferIndex(void);
// 1 while a sound device is open.
int AudioIsOpen(void);
// Copies the voices, track and drone clock out and back in.
void AudioSave(AudioState* out);
void AudioRestore(const AudioState* in);
