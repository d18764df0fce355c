// soak_main.cpp -- kalvoro-soak: the whole game on the headless backend for a long stretch of game
// time under seeded random input, checking the state after every frame and the memory in use.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "app/game_state.h"
#include "app/main.h"
#include "backends/headless/headless.h"
#include "tests/reliability/state_check.h"
#include "world/level.h"

static const int32_t VK_LBUTTON = 1;
static const int32_t VK_ESCAPE = 27;
static const int32_t VK_F = 70;
static const int32_t VK_R = 82;
static const int32_t FLY_KEYS[4] = {87, 65, 83, 68}; // W A S D

// Client sizes the window takes; each is visited during the warm-up, so the memory baseline
// already holds the largest picture.
static const int32_t SOAK_SIZES[][2] = {{960, 600}, {320, 200},   {0, 0},      {1, 1},
                                        {319, 199}, {1920, 1080}, {1280, 720}, {641, 401}};
static const int32_t SOAK_SIZE_COUNT = (int32_t)(sizeof(SOAK_SIZES) / sizeof(SOAK_SIZES[0]));
static const int32_t SOAK_SIZE_FRAMES = 50;
static const size_t SOAK_RSS_SLACK = 4u << 20;

// A small room where random shots often reach a goal, fall into a pit or touch the enemy, so
// every screen of the game comes up many times.
static const char* const SOAK_ROOM = "#.........\n"
                                     "#G.G..G.G.\n"
                                     "#.........\n"
                                     "#.........\n"
                                     "#...S...E.\n"
                                     "##.####.##\n";

struct SoakStats {
    int64_t modeFrames[4];
    int64_t starts, clears, gameOvers, shots, flights, stalls, wraps, resizes, noCursorFrames,
        stuckSoundFrames;
    double gameMs;
    size_t rssBaseline, rssPeak, rssEnd;
};

static uint64_t gRng;

// xorshift64*: the soak's own generator, so the game's random seed is left alone.
static uint32_t SoakRandom(uint32_t n) {
    gRng ^= gRng >> 12;
    gRng ^= gRng << 25;
    gRng ^= gRng >> 27;
    return (uint32_t)((gRng * 2685821657736338717ull) >> 33) % n;
}

static double SoakMiB(size_t bytes) {
    return (double)bytes / (1024.0 * 1024.0);
}

static uint32_t SoakNextTicks(SoakStats* stats) {
    const uint32_t r = SoakRandom(1000);
    if (r < 900) {
        return 16;
    }
    if (r < 960) {
        return SoakRandom(51);
    }
    if (r < 985) {
        return 0;
    }
    stats->stalls++;
    return r < 999 ? 51 + SoakRandom(1950) : 600000; // a hitch, or ten minutes away
}

int main(int argc, char** argv) {
    int64_t frames = 20000;
    uint64_t seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--frames") == 0) {
            frames = atoll(argv[i + 1]);
        } else if (strcmp(argv[i], "--seed") == 0) {
            seed = strtoull(argv[i + 1], nullptr, 10);
        } else {
            fprintf(stderr, "usage: kalvoro-soak [--frames N] [--seed S]\n");
            return 2;
        }
    }
    gRng = seed * 0x9E3779B97F4A7C15ull + 1;

    char room[] = "/tmp/kalvoro-soak-XXXXXX";
    const int fd = mkstemp(room);
    if (fd < 0 || write(fd, SOAK_ROOM, strlen(SOAK_ROOM)) != (ssize_t)strlen(SOAK_ROOM)) {
        fprintf(stderr, "soak: cannot write the soak room to %s\n", room);
        return 2;
    }
    close(fd);
    // The built-in stage (no file), the room, and the shipped stage where the source tree has one.
    const char* stages[3] = {"", room, KALVORO_SOURCE_DIR "/tools/maptool/map.txt"};
    const int32_t stageCount = access(stages[2], R_OK) == 0 ? 3 : 2;

    SoakStats stats;
    memset(&stats, 0, sizeof(stats));
    const int64_t warmup = frames / 5 > SOAK_SIZE_COUNT * SOAK_SIZE_FRAMES ? frames / 5 : frames;
    // The tick counter starts a minute before its wrap; more wraps are forced along the way.
    HeadlessAdvanceTicks(0u - PlatformTicks() - 60000u);
    HeadlessAudioSetRecording(0);
    LevelSetStagePath(stages[1]);
    PlatformWindow* window = HeadlessOpenWindow(960, 600);
    MainStartup(window);

    int32_t clientW = 960, clientH = 600;
    int32_t buttonLeft = 0;
    int32_t keyLeft[256];
    memset(keyLeft, 0, sizeof(keyLeft));
    int cursorOk = 1, soundStuck = 0;
    int32_t prevMode = GameStateGetMode(), prevShells = 2, prevFly = 0;
    char error[STATE_CHECK_MESSAGE];
    const clock_t started = clock();

    for (int64_t f = 0; f < frames; ++f) {
        // The window.
        if (f < SOAK_SIZE_COUNT * SOAK_SIZE_FRAMES ? f % SOAK_SIZE_FRAMES == 0 : SoakRandom(400) == 0) {
            const int32_t* size =
                SOAK_SIZES[f < SOAK_SIZE_COUNT * SOAK_SIZE_FRAMES ? f / SOAK_SIZE_FRAMES
                                                                  : SoakRandom(SOAK_SIZE_COUNT)];
            clientW = size[0];
            clientH = size[1];
            HeadlessSetClientSize(clientW, clientH);
            stats.resizes++;
        }
        // The cursor: moves anywhere near the client, sometimes cannot be read for a while.
        if (cursorOk ? SoakRandom(2000) == 0 : SoakRandom(100) == 0) {
            cursorOk = !cursorOk;
            HeadlessSetCursorAvailable(cursorOk);
        }
        stats.noCursorFrames += !cursorOk;
        if (SoakRandom(8) == 0) {
            HeadlessSetCursor((int32_t)SoakRandom((uint32_t)clientW + 128) - 64,
                              (int32_t)SoakRandom((uint32_t)clientH + 128) - 64);
        }
        // The button: presses of 1 to 8 frames.
        if (buttonLeft == 0 && SoakRandom(15) == 0) {
            buttonLeft = 1 + (int32_t)SoakRandom(8);
        }
        HeadlessSetKeyDown(VK_LBUTTON, buttonLeft > 0);
        buttonLeft -= buttonLeft > 0;
        // Keys: reload, Escape, flight, W A S D while flying, any code at all now and then.
        if (SoakRandom(60) == 0) {
            keyLeft[VK_R] = 1 + (int32_t)SoakRandom(4);
        }
        if (SoakRandom(900) == 0) {
            keyLeft[VK_ESCAPE] = 1 + (int32_t)SoakRandom(4);
        }
        if (SoakRandom(1500) == 0) {
            keyLeft[VK_F] = 1 + (int32_t)SoakRandom(3);
        }
        if (GameStateGetDebugFly() && SoakRandom(30) == 0) {
            keyLeft[FLY_KEYS[SoakRandom(4)]] = 10 + (int32_t)SoakRandom(60);
        }
        if (SoakRandom(700) == 0) {
            keyLeft[SoakRandom(256)] = 1 + (int32_t)SoakRandom(6);
        }
        for (int32_t code = 0; code < 256; ++code) {
            if (code == VK_LBUTTON) {
                continue;
            }
            HeadlessSetKeyDown(code, keyLeft[code] > 0);
            if (keyLeft[code] > 0 && SoakRandom(200) == 0) {
                HeadlessRepeatKey(code);
            }
            keyLeft[code] -= keyLeft[code] > 0;
        }
        // The stage file the next start reads, and a sound device that now and then stops taking blocks.
        if (SoakRandom(3000) == 0) {
            LevelSetStagePath(stages[SoakRandom((uint32_t)stageCount)]);
        }
        if (soundStuck ? SoakRandom(500) == 0 : SoakRandom(20000) == 0) {
            soundStuck = !soundStuck;
            HeadlessAudioSetConsuming(!soundStuck);
        }
        stats.stuckSoundFrames += soundStuck;
        // The clock: mostly 16 ms, sometimes nothing, hitches and long stalls, and forced wraps.
        uint32_t ticks = SoakNextTicks(&stats);
        if (f % 40000 == 20000) {
            ticks = 0u - PlatformTicks() - 500u;
        }
        const uint32_t before = PlatformTicks();
        stats.gameMs += MainMeasureDt(before, before + ticks);
        HeadlessAdvanceTicks(ticks);
        stats.wraps += PlatformTicks() < before;

        HeadlessRunFrame(window);

        if (!StateCheckGame(error)) {
            fprintf(stderr, "soak: seed %llu, frame %lld: %s\n", (unsigned long long)seed, (long long)f,
                    error);
            printf("soak: 0 passed, 1 failed\n");
            remove(room);
            return 1;
        }
        const int32_t mode = GameStateGetMode();
        const int32_t shells = GameStateGetPlayer()->shotgun.shells;
        stats.modeFrames[mode]++;
        stats.starts += mode == MODE_PLAYING && prevMode != MODE_PLAYING;
        stats.clears += mode == MODE_STAGE_CLEAR && prevMode != MODE_STAGE_CLEAR;
        stats.gameOvers += mode == MODE_GAME_OVER && prevMode != MODE_GAME_OVER;
        stats.shots += mode == MODE_PLAYING && prevMode == MODE_PLAYING && shells < prevShells;
        stats.flights += GameStateGetDebugFly() && !prevFly;
        prevMode = mode;
        prevShells = shells;
        prevFly = GameStateGetDebugFly();

        if (f % 1000 == 999 || f == frames - 1) {
            const size_t rss = StateCheckResidentBytes();
            if (f < warmup) {
                stats.rssBaseline = rss > stats.rssBaseline ? rss : stats.rssBaseline;
            } else {
                stats.rssPeak = rss > stats.rssPeak ? rss : stats.rssPeak;
            }
            stats.rssEnd = rss;
            if (f >= warmup && rss > stats.rssBaseline + SOAK_RSS_SLACK) {
                fprintf(stderr,
                        "soak: seed %llu, frame %lld: resident memory grew from %.1f MiB to %.1f MiB\n",
                        (unsigned long long)seed, (long long)f, SoakMiB(stats.rssBaseline), SoakMiB(rss));
                printf("soak: 0 passed, 1 failed\n");
                remove(room);
                return 1;
            }
        }
    }
    MainShutdown();
    remove(room);
    const double wall = (double)(clock() - started) / CLOCKS_PER_SEC;

    printf("soak: seed %llu, %lld frames, %.1f s of game time (%.1f min), %.1f s of processor time\n",
           (unsigned long long)seed, (long long)frames, stats.gameMs / 1000.0, stats.gameMs / 60000.0, wall);
    printf("soak: frames on the title %lld, in play %lld, stage clear %lld, game over %lld\n",
           (long long)stats.modeFrames[MODE_TITLE], (long long)stats.modeFrames[MODE_PLAYING],
           (long long)stats.modeFrames[MODE_STAGE_CLEAR], (long long)stats.modeFrames[MODE_GAME_OVER]);
    printf("soak: %lld stage starts, %lld clears, %lld game overs, %lld shots, %lld flights\n",
           (long long)stats.starts, (long long)stats.clears, (long long)stats.gameOvers,
           (long long)stats.shots, (long long)stats.flights);
    printf(
        "soak: %lld resizes, %lld stalls, %lld tick wraps, %lld frames without cursor, %lld with the sound "
        "device holding its blocks\n",
        (long long)stats.resizes, (long long)stats.stalls, (long long)stats.wraps,
        (long long)stats.noCursorFrames, (long long)stats.stuckSoundFrames);
    if (stats.rssEnd > 0) {
        printf("soak: resident memory %.1f MiB at most during the warm-up, %.1f MiB at most after it, %.1f "
               "MiB at "
               "the end\n",
               SoakMiB(stats.rssBaseline), SoakMiB(stats.rssPeak), SoakMiB(stats.rssEnd));
    } else {
        printf("soak: resident memory not measured in this build\n");
    }
    // A soak that never reached a screen has not tested it.
    for (int32_t m = 0; m < 4; ++m) {
        if (stats.modeFrames[m] == 0) {
            fprintf(stderr, "soak: mode %d was never reached\n", (int)m);
            printf("soak: 0 passed, 1 failed\n");
            return 1;
        }
    }
    printf("soak: 1 passed, 0 failed\n");
    return 0;
}
