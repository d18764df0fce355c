// audio_bench.cpp -- one sound block (5512 samples, a quarter second) mixed and queued: silent, with
// the stage drone, and with all six voices busy for the whole block.
#include <benchmark/benchmark.h>

#include "audio/audio.h"
#include "backends/headless/headless.h"

namespace {

// The device hands both blocks back at once when a whole second passes between calls.
void BenchAudioBlock(benchmark::State& state, int32_t track, int32_t voices) {
    HeadlessAudioSetAvailable(1);
    HeadlessAudioSetConsuming(1);
    HeadlessAudioSetRecording(0);
    AudioInit();
    AudioSetTrack(track);
    for (auto _ : state) {
        state.PauseTiming();
        // Fresh voices, so each one sounds through the whole block.
        AudioInit();
        for (int32_t v = 0; v < voices; ++v) {
            AudioPlaySfx(SFX_SHOT);
        }
        HeadlessAdvanceTicks(1000);
        state.ResumeTiming();
        AudioTick();
    }
    AudioShutdown();
    state.counters["samples"] = AUDIO_BLOCK_SAMPLES;
}

void BM_Audio_Silent(benchmark::State& state) {
    BenchAudioBlock(state, TRACK_MENU, 0);
}
void BM_Audio_Drone(benchmark::State& state) {
    BenchAudioBlock(state, TRACK_STAGE, 0);
}
void BM_Audio_SixVoices(benchmark::State& state) {
    BenchAudioBlock(state, TRACK_MENU, SFX_VOICE_COUNT);
}
void BM_Audio_DroneSixVoices(benchmark::State& state) {
    BenchAudioBlock(state, TRACK_STAGE, SFX_VOICE_COUNT);
}
BENCHMARK(BM_Audio_Silent);
BENCHMARK(BM_Audio_Drone);
BENCHMARK(BM_Audio_SixVoices);
BENCHMARK(BM_Audio_DroneSixVoices);

} // namespace
