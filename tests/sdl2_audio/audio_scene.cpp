// audio_scene.cpp -- the scene both sound outputs play: what is started before which block is
// fixed, so the samples do not depend on how fast the output takes blocks.
#include "tests/sdl2_audio/audio_scene.h"

#include "audio/audio.h"
#include "platform/platform.h"

// Long enough for a slow machine, short enough that a stuck output fails the test quickly.
static const int AUDIO_SCENE_MAX_WAITS = 2000;

// Ticks until one more block has been filled and queued.
static int AudioSceneFillBlock(void (*wait)(void)) {
    const int32_t before = AudioGetBufferIndex();
    for (int tries = 0; tries < AUDIO_SCENE_MAX_WAITS; ++tries) {
        AudioTick();
        if (AudioGetBufferIndex() != before) {
            return 1;
        }
        wait();
    }
    return 0;
}

int AudioSceneRun(void (*wait)(void)) {
    AudioInit();
    if (!AudioIsOpen()) {
        return 0;
    }
    int ok = 1;
    AudioSetTrack(TRACK_MENU);
    AudioPlaySfx(SFX_START);
    ok = ok && AudioSceneFillBlock(wait);
    AudioSetTrack(TRACK_STAGE);
    AudioPlaySfx(SFX_SHOT);
    AudioPlaySfx(SFX_HIT);
    ok = ok && AudioSceneFillBlock(wait);
    AudioPlaySfx(SFX_RELOAD);
    ok = ok && AudioSceneFillBlock(wait);
    ok = ok && AudioSceneFillBlock(wait);
    AudioPlaySfx(SFX_GAME_OVER);
    ok = ok && AudioSceneFillBlock(wait);
    ok = ok && AudioSceneFillBlock(wait);
    AudioSetTrack(TRACK_MENU);
    AudioPlaySfx(SFX_STAGE_CLEAR);
    ok = ok && AudioSceneFillBlock(wait);
    ok = ok && AudioSceneFillBlock(wait);
    for (int tries = 0; ok && (PlatformAudioIsHeld(0) || PlatformAudioIsHeld(1)); ++tries) {
        if (tries == AUDIO_SCENE_MAX_WAITS) {
            ok = 0;
        }
        wait();
    }
    return ok;
}
