// alloc_test.cpp -- the game allocates nothing per frame: every heap entry point (operator new and the
// malloc family) is counted while the whole game runs headless, presentation and sound included.
#include <gtest/gtest.h>

#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>

#include <new>

#include "app/game_state.h"
#include "app/main.h"
#include "bench/bench_long_play.h"
#include "backends/headless/headless.h"
#include "world/level.h"

// glibc's own allocator, under the names it exports for allocators that wrap it.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

static int gCounting;
static long gAllocations;
static long gFrees;

static inline void CountAllocation(void) {
    if (gCounting) {
        ++gAllocations;
    }
}

extern "C" {
void* malloc(size_t size) {
    CountAllocation();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    CountAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
    CountAllocation();
    return __libc_realloc(p, size);
}
void free(void* p) {
    if (gCounting && p) {
        ++gFrees;
    }
    __libc_free(p);
}
void* memalign(size_t alignment, size_t size) {
    CountAllocation();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    CountAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    CountAllocation();
    void* p = __libc_memalign(alignment, size);
    if (!p) {
        return 12; // ENOMEM
    }
    *out = p;
    return 0;
}
}

static void* CountedNew(size_t size) {
    CountAllocation();
    void* p = __libc_malloc(size ? size : 1);
    if (!p) {
        abort(); // no exceptions in this code base; an exhausted heap ends the test
    }
    return p;
}

void* operator new(size_t size) {
    return CountedNew(size);
}
void* operator new[](size_t size) {
    return CountedNew(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    CountAllocation();
    return __libc_malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    CountAllocation();
    return __libc_malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    free(p);
}
void operator delete[](void* p) noexcept {
    free(p);
}
void operator delete(void* p, size_t) noexcept {
    free(p);
}
void operator delete[](void* p, size_t) noexcept {
    free(p);
}

namespace {

constexpr int32_t FRAMES = 1000;

struct FrameCounts {
    long allocations;
    long frees;
};

// Runs the long play for `frames` frames at a client size, reading the presented image after each
// frame as a tool would; every frame's heap use lands in counts[frame]. Frame 0 is the warm-up.
void PlayCounted(int32_t clientW, int32_t clientH, int32_t frames, FrameCounts* counts, int32_t* modes) {
    PlatformWindow* window = HeadlessOpenWindow(clientW, clientH);
    HeadlessAudioSetRecording(0); // the recording grows by design
    MainStartup(window);
    for (int32_t frame = 0; frame < frames; ++frame) {
        gAllocations = 0;
        gFrees = 0;
        gCounting = 1;
        BenchLongPlayFrame(window, frame);
        int32_t w = 0, h = 0;
        HeadlessPresentedImage(&w, &h);
        gCounting = 0;
        counts[frame].allocations = gAllocations;
        counts[frame].frees = gFrees;
        modes[frame] = GameStateGetMode();
    }
    MainShutdown();
}

FrameCounts gCounts[FRAMES];
int32_t gModes[FRAMES];

class Allocation : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        if (GetParam()) {
            FILE* file = fopen(KALVORO_SOURCE_DIR "/" LEVEL_STAGE_PATH, "rb");
            if (!file) {
                GTEST_SKIP() << "no shipped stage file";
            }
            fclose(file);
            LevelSetStagePath(KALVORO_SOURCE_DIR "/" LEVEL_STAGE_PATH);
        } else {
            LevelSetStagePath("no-such-stage.txt");
        }
    }
    void TearDown() override { LevelSetStagePath(nullptr); }
};

// After the first frame nothing allocates, except a stage start, which reads the stage file through
// the standard library: what it takes it gives back in the same frame.
TEST_P(Allocation, NoneAfterTheFirstFrameOfALongPlay) {
    PlayCounted(960, 600, FRAMES, gCounts, gModes);
    int32_t playFrames = 0;
    int32_t stageStarts = 0;
    for (int32_t frame = 1; frame < FRAMES; ++frame) {
        const int started = gModes[frame] == MODE_PLAYING && gModes[frame - 1] != MODE_PLAYING;
        playFrames += gModes[frame] == MODE_PLAYING;
        if (started) {
            ++stageStarts;
            EXPECT_EQ(gCounts[frame].allocations, gCounts[frame].frees) << "stage start at frame " << frame;
        } else {
            EXPECT_EQ(gCounts[frame].allocations, 0) << "frame " << frame << ", mode " << gModes[frame];
            EXPECT_EQ(gCounts[frame].frees, 0) << "frame " << frame;
        }
    }
    // The play must really have played: mostly in a stage, with retries.
    EXPECT_GT(playFrames, FRAMES * 3 / 4);
    EXPECT_GE(stageStarts, 1);
}

// A resize makes one new client image, then the frames after it allocate nothing again.
TEST_P(Allocation, ClientSizeChangeAllocatesOnlyOnce) {
    PlatformWindow* window = HeadlessOpenWindow(960, 600);
    HeadlessAudioSetRecording(0);
    MainStartup(window);
    for (int32_t frame = 0; frame < 50; ++frame) {
        BenchLongPlayFrame(window, frame);
        HeadlessPresentedImage(nullptr, nullptr);
    }
    HeadlessSetClientSize(1920, 1080);
    BenchLongPlayFrame(window, 50);
    HeadlessPresentedImage(nullptr, nullptr);
    gAllocations = 0;
    gCounting = 1;
    for (int32_t frame = 51; frame < 300; ++frame) {
        BenchLongPlayFrame(window, frame);
        HeadlessPresentedImage(nullptr, nullptr);
    }
    gCounting = 0;
    MainShutdown();
    EXPECT_EQ(gAllocations, 0);
}

INSTANTIATE_TEST_SUITE_P(Stages, Allocation, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param ? "ShippedStage" : "BuiltInStage";
                         });

// The counter itself works, so a zero above means something.
TEST(AllocationCounter, SeesNewAndMalloc) {
    gAllocations = 0;
    gCounting = 1;
    int* a = new int(3);
    void* b = malloc(16);
    gCounting = 0;
    EXPECT_EQ(gAllocations, 2);
    delete a;
    free(b);
}

} // namespace
