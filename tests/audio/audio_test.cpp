// audio_test.cpp -- the synthesiser's samples, the voices and the two-block stream, played through
// the headless sound device.
#include <gtest/gtest.h>
#include <math.h>

#include <vector>

#include "audio/audio.h"
#include "backends/headless/headless.h"

namespace {

class AudioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AudioShutdown();
        HeadlessAudioSetAvailable(1);
        HeadlessAudioSetConsuming(1);
        HeadlessAudioClearRecording();
        AudioSetTrack(TRACK_MENU);
        AudioInit();
    }
    void TearDown() override { AudioShutdown(); }
};

// Ticks, letting virtual time pass, until one more block has been filled and queued.
void FillOneBlock() {
    const int32_t before = AudioGetBufferIndex();
    for (int32_t tries = 0; tries < 100; ++tries) {
        AudioTick();
        if (AudioGetBufferIndex() != before) {
            return;
        }
        HeadlessAdvanceTicks(10);
    }
    FAIL() << "the device never handed a block back";
}

std::vector<int16_t> Recorded() {
    const int16_t* samples = nullptr;
    const int32_t count = HeadlessAudioRecorded(&samples);
    return std::vector<int16_t>(samples, samples + count);
}

bool AllVoicesFree() {
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        if (AudioGetVoices()[v].time < 100.0f) {
            return false;
        }
    }
    return true;
}

TEST_F(AudioTest, LoneVoicesStartWithTheirKnownSamples) {
    AudioPlaySfx(SFX_STAGE_CLEAR);
    FillOneBlock();
    std::vector<int16_t> out = Recorded();
    ASSERT_EQ(out.size(), (size_t)AUDIO_BLOCK_SAMPLES);
    EXPECT_EQ(out[0], 47);
    EXPECT_EQ(out[1], 95);
    EXPECT_EQ(out[2], 143);
    EXPECT_EQ(out[3], 191);

    // Let the stage-clear voice run out (0.6 s is under three blocks) before the start voice.
    FillOneBlock();
    FillOneBlock();
    ASSERT_TRUE(AllVoicesFree());
    HeadlessAudioClearRecording();
    AudioPlaySfx(SFX_START);
    FillOneBlock();
    out = Recorded();
    EXPECT_EQ(out[0], 63);
    EXPECT_EQ(out[1], 127);
    EXPECT_EQ(out[2], 190);
    EXPECT_EQ(out[3], 252);
}

TEST_F(AudioTest, StartFallsSilentEarlyButHoldsItsVoiceForSixTenths) {
    AudioPlaySfx(SFX_START);
    FillOneBlock();
    std::vector<int16_t> out = Recorded();
    EXPECT_NE(out[600], 0);
    for (int32_t i = 662; i < AUDIO_BLOCK_SAMPLES; ++i) {
        ASSERT_EQ(out[i], 0) << "sample " << i;
    }
    // 0.6 s is 13230 samples: still held after two blocks, free inside the third.
    FillOneBlock();
    EXPECT_EQ(AudioGetVoices()[0].time < 100.0f, true);
    EXPECT_GT(AudioGetVoices()[0].time, 0.49f);
    FillOneBlock();
    EXPECT_TRUE(AllVoicesFree());
    EXPECT_EQ(Recorded().size(), (size_t)(3 * AUDIO_BLOCK_SAMPLES));
}

TEST_F(AudioTest, MenuTrackWithoutVoicesIsSilent) {
    FillOneBlock();
    std::vector<int16_t> out = Recorded();
    ASSERT_EQ(out.size(), (size_t)AUDIO_BLOCK_SAMPLES);
    for (int32_t i = 0; i < AUDIO_BLOCK_SAMPLES; ++i) {
        ASSERT_EQ(out[i], 0) << "sample " << i;
    }
}

TEST_F(AudioTest, UnknownIdsAreIgnored) {
    AudioPlaySfx(6);
    AudioPlaySfx(-1);
    AudioPlaySfx(INT32_MIN);
    EXPECT_TRUE(AllVoicesFree());
    FillOneBlock();
    for (int16_t s : Recorded()) {
        ASSERT_EQ(s, 0);
    }
}

TEST_F(AudioTest, SixVoicesTakenInOrderAndTheSeventhDropped) {
    const int32_t ids[SFX_VOICE_COUNT] = {SFX_HIT, SFX_SHOT, SFX_HIT, SFX_GAME_OVER, SFX_RELOAD, SFX_START};
    for (int32_t id : ids) {
        AudioPlaySfx(id);
    }
    FillOneBlock();
    // A seventh effect neither takes a voice nor restarts a playing one.
    AudioPlaySfx(SFX_STAGE_CLEAR);
    const SfxVoice* voices = AudioGetVoices();
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        EXPECT_EQ(voices[v].id, ids[v]) << "voice " << v;
        EXPECT_GT(voices[v].time, 0.2f) << "voice " << v;
        EXPECT_LT(voices[v].time, 100.0f) << "voice " << v;
    }
}

TEST_F(AudioTest, SumsBecomeSamplesClippedOrTruncated) {
    EXPECT_EQ(AudioConvertSample(1.5f), 8000);
    EXPECT_EQ(AudioConvertSample(-1.2f), -8000);
    EXPECT_EQ(AudioConvertSample(0.99999f), 7999);
    EXPECT_EQ(AudioConvertSample(-0.00001f), 0);
    EXPECT_EQ(AudioConvertSample(1.0f), 8000);
    EXPECT_EQ(AudioConvertSample(-1.0f), -8000);
    EXPECT_EQ(AudioConvertSample(-0.5f / 8000.0f * 3.0f), -1);
}

TEST_F(AudioTest, NoiseIsAHashOfThePosition) {
    // Half a sample in, so the position truncates to n whatever the rounding of n / 22050.
    const float expected[4] = {-1.0f, -0.7421875f, -0.484375f, -0.2265625f};
    for (int32_t n = 0; n < 4; ++n) {
        EXPECT_EQ(AudioNoise(((float)n + 0.5f) / 22050.0f), expected[n]) << "position " << n;
    }
    // Every value lies on the 1/128 grid from -1 to 0.9921875.
    for (int32_t n = 0; n < 2000; ++n) {
        const float v = AudioNoise(((float)n + 0.5f) / 22050.0f);
        ASSERT_GE(v, -1.0f);
        ASSERT_LE(v, 0.9921875f);
        ASSERT_EQ(v * 128.0f, floorf(v * 128.0f));
    }
}

TEST_F(AudioTest, BlocksAlternateAndWaitForTheDevice) {
    float droneTime = AudioGetDroneTime();
    AudioPlaySfx(SFX_GAME_OVER);
    // Both blocks are free at the start: two calls fill block 0, then block 1.
    AudioTick();
    EXPECT_EQ(AudioGetBufferIndex(), 1);
    AudioTick();
    EXPECT_EQ(AudioGetBufferIndex(), 0);
    EXPECT_EQ(Recorded().size(), (size_t)(2 * AUDIO_BLOCK_SAMPLES));

    // Block 0 plays for 5512 samples (just under 250 ms): nothing is filled before it ends.
    HeadlessAdvanceTicks(249);
    AudioTick();
    EXPECT_EQ(AudioGetBufferIndex(), 0);
    EXPECT_EQ(Recorded().size(), (size_t)(2 * AUDIO_BLOCK_SAMPLES));
    HeadlessAdvanceTicks(1);
    AudioTick();
    AudioTick();
    EXPECT_EQ(AudioGetBufferIndex(), 1);
    EXPECT_EQ(Recorded().size(), (size_t)(3 * AUDIO_BLOCK_SAMPLES));

    // Even when the device has long finished both, one call fills one block.
    HeadlessAdvanceTicks(5000);
    AudioTick();
    EXPECT_EQ(AudioGetBufferIndex(), 0);
    EXPECT_EQ(Recorded().size(), (size_t)(4 * AUDIO_BLOCK_SAMPLES));
    // The drone clock moved one block length per filled block, no more.
    for (int32_t b = 0; b < 4; ++b) {
        droneTime = droneTime + 0.24997732f;
    }
    EXPECT_EQ(AudioGetDroneTime(), droneTime);
}

TEST_F(AudioTest, TickWhileTheBlockIsHeldChangesNothing) {
    HeadlessAudioSetConsuming(0);
    AudioSetTrack(TRACK_STAGE);
    AudioPlaySfx(SFX_SHOT);
    FillOneBlock();
    AudioTick();
    AudioPlaySfx(SFX_RELOAD);
    const float droneTime = AudioGetDroneTime();
    const int32_t index = AudioGetBufferIndex();
    SfxVoice voices[SFX_VOICE_COUNT];
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        voices[v] = AudioGetVoices()[v];
    }
    const size_t recorded = Recorded().size();

    HeadlessAdvanceTicks(10000);
    AudioTick();
    EXPECT_EQ(AudioGetDroneTime(), droneTime);
    EXPECT_EQ(AudioGetBufferIndex(), index);
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        EXPECT_EQ(AudioGetVoices()[v].id, voices[v].id);
        EXPECT_EQ(AudioGetVoices()[v].time, voices[v].time);
    }
    EXPECT_EQ(Recorded().size(), recorded);
}

TEST_F(AudioTest, WithoutADeviceTheGameRunsSilent) {
    AudioShutdown();
    HeadlessAudioSetAvailable(0);
    AudioInit();
    EXPECT_EQ(AudioIsOpen(), 0);
    const float droneTime = AudioGetDroneTime();
    AudioPlaySfx(SFX_HIT);
    AudioSetTrack(TRACK_STAGE);
    HeadlessAdvanceTicks(1000);
    AudioTick();
    EXPECT_EQ(AudioGetDroneTime(), droneTime);
    EXPECT_EQ(AudioGetVoices()[0].time, 0.0f);
    EXPECT_EQ(AudioGetTrack(), TRACK_STAGE);
    EXPECT_TRUE(Recorded().empty());
    AudioShutdown();
}

TEST_F(AudioTest, AfterShutdownTickAndShutdownDoNothing) {
    FillOneBlock();
    AudioShutdown();
    EXPECT_EQ(AudioIsOpen(), 0);
    const float droneTime = AudioGetDroneTime();
    const int32_t index = AudioGetBufferIndex();
    AudioShutdown();
    HeadlessAdvanceTicks(1000);
    AudioTick();
    EXPECT_EQ(AudioGetDroneTime(), droneTime);
    EXPECT_EQ(AudioGetBufferIndex(), index);
    EXPECT_EQ(Recorded().size(), (size_t)AUDIO_BLOCK_SAMPLES);
    // The device is really free again: a new start opens it.
    AudioInit();
    EXPECT_EQ(AudioIsOpen(), 1);
}

const double PI = 3.14159265358979323846;

// A Hann-windowed copy of the samples, scaled so that a pure tone of amplitude A reads about A.
std::vector<double> Windowed(const std::vector<int16_t>& x) {
    const size_t n = x.size();
    std::vector<double> out(n);
    double windowSum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * cos(2.0 * PI * (double)i / (double)(n - 1));
        out[i] = x[i] * hann;
        windowSum += hann;
    }
    for (double& v : out) {
        v *= 2.0 / windowSum;
    }
    return out;
}

// Amplitude of the frequency f (Hz) in windowed samples (one bin of a DFT, by Goertzel).
double ToneAmplitude(const std::vector<double>& x, double f) {
    const double w = 2.0 * PI * f / AUDIO_SAMPLE_RATE;
    const double coeff = 2.0 * cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (double v : x) {
        const double s0 = v + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double re = s1 - s2 * cos(w);
    const double im = s2 * sin(w);
    return sqrt(re * re + im * im);
}

TEST_F(AudioTest, StageDroneHoldsTwoLowTonesAndNothingElse) {
    AudioSetTrack(TRACK_STAGE);
    for (int32_t b = 0; b < 16; ++b) {
        FillOneBlock();
    }
    const std::vector<int16_t> recorded = Recorded();
    ASSERT_EQ(recorded.size(), (size_t)(16 * AUDIO_BLOCK_SAMPLES));
    const std::vector<double> out = Windowed(recorded);

    // The clock moves before a block is filled: the last block starts at the clock's time.
    const double start = AudioGetDroneTime();
    const double first = (sin(220.0 * start) * 0.03 + sin(330.0 * start) * 0.02) * 8000.0;
    EXPECT_NEAR(recorded[15 * AUDIO_BLOCK_SAMPLES], first, 1.01);

    // sin(220 t) and sin(330 t): 220 / (2 pi) and 330 / (2 pi) cycles a second, 0.03 and 0.02 loud.
    const double low = 220.0 / (2.0 * PI);
    const double high = 330.0 / (2.0 * PI);
    EXPECT_NEAR(ToneAmplitude(out, low), 0.03 * 8000.0, 3.0);
    EXPECT_NEAR(ToneAmplitude(out, high), 0.02 * 8000.0, 3.0);

    // Anywhere else up to 1 kHz (a block seam or a wrong clock would show here), under 1% of the
    // louder tone.
    double worst = 0.0, worstF = 0.0;
    for (double f = 0.25; f < 1000.0; f += 0.25) {
        if (fabs(f - low) < 1.5 || fabs(f - high) < 1.5) {
            continue;
        }
        const double a = ToneAmplitude(out, f);
        if (a > worst) {
            worst = a;
            worstF = f;
        }
    }
    EXPECT_LT(worst, 2.4) << "at " << worstF << " Hz";
}

// SINAD in dB of drone samples against the two ideal partials, sin 220 t and sin 330 t, each fitted
// with free amplitude and phase (least squares, with an offset), over the samples' own time.
double DroneSinad(const std::vector<int16_t>& samples) {
    const int K = 5;
    double a[K][K + 1] = {};
    auto basis = [](size_t i, double* b) {
        const double t = (double)i / 22050.0;
        b[0] = 1.0, b[1] = sin(220.0 * t), b[2] = cos(220.0 * t), b[3] = sin(330.0 * t),
        b[4] = cos(330.0 * t);
    };
    double b[K];
    for (size_t i = 0; i < samples.size(); ++i) {
        basis(i, b);
        for (int r = 0; r < K; ++r) {
            for (int c = 0; c < K; ++c) {
                a[r][c] += b[r] * b[c];
            }
            a[r][K] += b[r] * samples[i];
        }
    }
    for (int p = 0; p < K; ++p) { // Gauss-Jordan; the basis is well conditioned over a second
        for (int r = 0; r < K; ++r) {
            if (r != p) {
                const double f = a[r][p] / a[p][p];
                for (int c = p; c <= K; ++c) {
                    a[r][c] -= f * a[p][c];
                }
            }
        }
    }
    double signal = 0.0, noise = 0.0;
    for (size_t i = 0; i < samples.size(); ++i) {
        basis(i, b);
        double fit = 0.0;
        for (int k = 1; k < K; ++k) {
            fit += a[k][K] / a[k][k] * b[k];
        }
        signal += fit * fit;
        const double e = samples[i] - fit - a[0][K] / a[0][0];
        noise += e * e;
    }
    return 10.0 * log10(signal / noise);
}

// The drone alone for one second (four blocks) from block `from` of a clock started at zero.
double DroneSinadFrom(int64_t from) {
    AudioState start;
    AudioSave(&start);
    start.droneTime = 0.0f;
    start.droneBlocks = 0;
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        start.voices[v].time = 100.0f;
    }
    start.track = TRACK_STAGE;
    AudioRestore(&start);
    AudioAdvanceDroneClock(from);
    HeadlessAudioClearRecording();
    for (int32_t b = 0; b < 4; ++b) {
        FillOneBlock();
    }
    return DroneSinad(Recorded());
}

TEST_F(AudioTest, DroneStaysCleanForADayOfPlay) {
    AudioState before;
    AudioSave(&before);
    const double at5s = DroneSinadFrom(20);
    const double at1h = DroneSinadFrom(4 * 3600);
    const double at6h = DroneSinadFrom(4 * 6 * 3600);
    const double at24h = DroneSinadFrom(4 * 24 * 3600);
    // Up to 512 s the clock is as it always was (already coarse by then); the second after it is
    // clean again, and the second across the switch no worse than the one before it.
    const double beforeSwitch = DroneSinadFrom(2044);
    const double acrossSwitch = DroneSinadFrom(2046);
    const double afterSwitch = DroneSinadFrom(2048);
    printf("drone SINAD: %.1f dB at 5 s, %.1f at 1 h, %.1f at 6 h, %.1f at 24 h; %.1f, %.1f and %.1f from "
           "511, 511.5 and 512 s\n",
           at5s, at1h, at6h, at24h, beforeSwitch, acrossSwitch, afterSwitch);
    EXPECT_GT(at5s, 50.0);
    EXPECT_NEAR(at6h, at5s, 1.0);
    EXPECT_NEAR(at24h, at5s, 1.0);
    EXPECT_NEAR(afterSwitch, at5s, 1.0);
    EXPECT_GT(acrossSwitch, beforeSwitch - 1.0);
    // For the first 512 s the clock is the plain float sum of block lengths.
    AudioState zero = before;
    zero.droneTime = 0.0f;
    zero.droneBlocks = 0;
    AudioRestore(&zero);
    float sum = 0.0f;
    for (int32_t b = 0; b < 2048; ++b) {
        sum = sum + 0.24997732f;
    }
    AudioAdvanceDroneClock(2048);
    EXPECT_EQ(AudioGetDroneTime(), sum);
    AudioRestore(&before);
}

} // namespace
