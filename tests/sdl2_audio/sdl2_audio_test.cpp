// sdl2_audio_test.cpp -- the SDL2 sound output, run with SDL's disk driver, must play exactly the
// samples the headless device records for the same scene: none lost, none repeated, none reordered.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/platform.h"
#include "tests/sdl2_audio/audio_scene.h"

namespace {

std::vector<int16_t> ReadRaw(const char* path) {
    std::vector<int16_t> samples;
    FILE* file = fopen(path, "rb");
    if (!file) {
        return samples;
    }
    int lo, hi;
    while ((lo = fgetc(file)) != EOF && (hi = fgetc(file)) != EOF) {
        samples.push_back((int16_t)(uint16_t)(lo | hi << 8));
    }
    fclose(file);
    return samples;
}

void RealWait(void) {
    PlatformSleep(5);
}

TEST(Sdl2Audio, DiskDriverPlaysWhatTheHeadlessDeviceRecords) {
    const char* diskFile = getenv("SDL_DISKAUDIOFILE");
    ASSERT_NE(diskFile, nullptr) << "run through CTest: it selects SDL's disk driver";
    const std::vector<int16_t> expected = ReadRaw(KALVORO_SDL2_AUDIO_REFERENCE);
    ASSERT_EQ(expected.size(), (size_t)(8 * AUDIO_BLOCK_SAMPLES)) << KALVORO_SDL2_AUDIO_REFERENCE;
    ASSERT_NE(expected[0], 0) << "the scene must start audibly to be found in the disk file";

    const uint32_t began = PlatformTicks();
    ASSERT_EQ(AudioSceneRun(RealWait), 1) << "SDL's disk driver did not open or stopped taking blocks";
    // A block is refilled only once SDL has taken it, so the scene keeps pace with playback: all
    // eight blocks (2 s) are taken before it ends, less the device period SDL reads ahead.
    EXPECT_GE(PlatformTicks() - began, 1700u);
    // SDL has taken every block off its queue; give its thread two device periods to write the last.
    PlatformSleep(200);
    AudioShutdown();
    EXPECT_EQ(AudioIsOpen(), 0);
    AudioShutdown();

    // The device ran before the first block and after the last: silence around the scene only.
    const std::vector<int16_t> played = ReadRaw(diskFile);
    size_t start = 0;
    while (start < played.size() && played[start] == 0) {
        ++start;
    }
    ASSERT_LE(start + expected.size(), played.size())
        << "the disk file holds " << played.size() << " samples";
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(played[start + i], expected[i]) << "sample " << i << " of the scene";
    }
    for (size_t i = start + expected.size(); i < played.size(); ++i) {
        ASSERT_EQ(played[i], 0) << "sample " << i - start << " after the scene start";
    }
}

TEST(Sdl2Audio, WithoutAUsableDriverTheGameRunsSilent) {
    const char* driver = getenv("SDL_AUDIODRIVER");
    const std::string saved = driver ? driver : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    AudioInit();
    EXPECT_EQ(AudioIsOpen(), 0);
    const float droneTime = AudioGetDroneTime();
    AudioTick();
    EXPECT_EQ(AudioGetDroneTime(), droneTime);
    EXPECT_EQ(PlatformAudioIsHeld(0), 0);
    AudioShutdown();
    if (driver) {
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    } else {
        unsetenv("SDL_AUDIODRIVER");
    }
}

} // namespace
