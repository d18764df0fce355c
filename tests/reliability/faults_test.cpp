// Fault tests: the whole game on the headless backend while the devices, the window, the clock and
// the stage file misbehave. Every frame must leave a sound state; the game goes on, never stops.
#include <gtest/gtest.h>

#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "app/game_state.h"
#include "app/main.h"
#include "audio/audio.h"
#include "input/input.h"
#include "backends/headless/headless.h"
#include "render/render.h"
#include "tests/reliability/state_check.h"
#include "world/level.h"

namespace {

constexpr int32_t VK_LBUTTON = 1;
constexpr int32_t VK_ESCAPE = 27;
constexpr int32_t VK_A = 65;
constexpr int32_t VK_D = 68;
constexpr int32_t VK_F = 70;
constexpr int32_t VK_R = 82;
constexpr int32_t VK_S = 83;
constexpr int32_t VK_W = 87;

// A small stage the tests can tell from the built-in one (80 x 15).
const char* const FILE_STAGE = "#.........\n"
                               "#S......G.\n"
                               "##########\n";
// The enemy reaches the player as the spawn grace runs out: game over.
const char* const CONTACT_STAGE = "#.........\n"
                                  "#.........\n"
                                  "#..E......\n"
                                  "#..S......\n"
                                  "##########\n";
// The goal right above the spawn: stage clear on the first update.
const char* const GOAL_STAGE = "#.........\n"
                               "#..G......\n"
                               "#..S......\n"
                               "##########\n";

// What the tests compare between two runs, bit for bit: all 4-byte fields, no padding.
struct TraceRow {
    int32_t mode;
    int32_t fly;
    int32_t shells;
    int32_t reloading;
    int32_t alive;
    float x;
    float y;
    float vx;
    float vy;
    float camX;
    float camY;
    float aim;
};

typedef uint32_t (*TickStep)(int frame);

uint32_t Ticks16(int) {
    return 16;
}

void WriteFile(const char* path, const char* text, size_t length) {
    FILE* f = fopen(path, "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(fwrite(text, 1, length, f), length);
    fclose(f);
}

class Faults : public ::testing::Test {
  protected:
    PlatformWindow* window = nullptr;
    char error[STATE_CHECK_MESSAGE] = "";

    void SetUp() override {
        HeadlessAudioClearRecording();
        Open(320, 200);
    }
    void TearDown() override {
        Close();
        HeadlessAudioSetAvailable(1);
        HeadlessAudioSetConsuming(1);
        HeadlessAudioSetRecording(1);
        HeadlessAudioClearRecording();
        HeadlessSetCursorAvailable(1);
        LevelSetStagePath(nullptr);
    }
    // A fresh start of the game, as a new process would make it, on the built-in stage.
    void Open(int32_t w, int32_t h) {
        LevelSetStagePath("no-such-stage.txt");
        window = HeadlessOpenWindow(w, h);
        MainStartup(window);
        Frame(); // no button or key history from an earlier test
    }
    void Close() {
        // Debug flight survives everything but F; leave it off for the next start.
        if (GameStateGetDebugFly() != 0) {
            MainOnKeyDown(VK_F);
        }
        MainShutdown();
    }
    bool Frame(uint32_t ticks = 16) {
        HeadlessAdvanceTicks(ticks);
        HeadlessRunFrame(window);
        return StateCheckGame(error) != 0;
    }
    bool Frames(int n, uint32_t ticks = 16) {
        for (int i = 0; i < n; ++i) {
            if (!Frame(ticks)) {
                snprintf(error + strlen(error), sizeof(error) - strlen(error), " (frame %d of %d)", i, n);
                return false;
            }
        }
        return true;
    }
    void Tap(int32_t vk, uint32_t ticks = 16) {
        HeadlessSetKeyDown(vk, 1);
        Frame(ticks);
        HeadlessSetKeyDown(vk, 0);
        Frame(ticks);
    }
    // From any screen to a fresh stage start, past the fire block.
    void StartStage() {
        if (GameStateGetMode() == MODE_PLAYING || GameStateGetMode() == MODE_GAME_OVER) {
            Tap(VK_ESCAPE);
        }
        Tap(VK_LBUTTON);
        ASSERT_EQ(GameStateGetMode(), MODE_PLAYING);
        ASSERT_TRUE(Frames(15)) << error;
    }
    // Client point at the middle of a logical pixel under the current layout.
    void AimAtLogical(int32_t lx, int32_t ly) {
        int32_t dx = 0, dy = 0;
        RenderGetLayout(&dx, &dy, nullptr, nullptr);
        const int32_t s = GetDisplayScale();
        HeadlessSetCursor(dx + lx * s + s / 2, dy + ly * s + s / 2);
    }
    static TraceRow Row() {
        const Player* p = GameStateGetPlayer();
        int32_t count = 0;
        const Enemy* enemies = GameStateGetEnemies(&count);
        TraceRow row;
        memset(&row, 0, sizeof(row));
        row.mode = GameStateGetMode();
        row.fly = GameStateGetDebugFly();
        row.shells = p->shotgun.shells;
        row.reloading = p->shotgun.reloading;
        for (int32_t i = 0; i < count; ++i) {
            row.alive += EnemyIsAlive(&enemies[i]);
        }
        row.x = p->body.x;
        row.y = p->body.y;
        row.vx = p->body.vx;
        row.vy = p->body.vy;
        row.camX = GameStateGetCamera()->x;
        row.camY = GameStateGetCamera()->y;
        row.aim = p->aimAngle;
        return row;
    }
    // A fixed game of 1200 frames on the built-in stage: the start, shots in eight directions, reloads,
    // a flight, a return to the title, a new start, retries after a game over.
    std::vector<TraceRow> PlayFixedGame(TickStep ticks) {
        static const int32_t AIMS[8][2] = {{300, 100}, {160, 199}, {20, 100}, {160, 0},
                                           {319, 199}, {0, 199},   {0, 0},    {319, 0}};
        std::vector<TraceRow> trace;
        for (int i = 0; i < 1200; ++i) {
            HeadlessSetKeyDown(VK_LBUTTON, (i < 2) || (i >= 30 && i % 40 == 30) || i == 820);
            if (i >= 30 && i % 40 == 30) {
                AimAtLogical(AIMS[(i / 40) % 8][0], AIMS[(i / 40) % 8][1]);
            }
            HeadlessSetKeyDown(VK_R, i % 150 == 100 || (GameStateGetMode() == MODE_GAME_OVER && i % 50 == 0));
            HeadlessSetKeyDown(VK_F, i == 500 || i == 600);
            HeadlessSetKeyDown(VK_D, i >= 505 && i < 540);
            HeadlessSetKeyDown(VK_W, i >= 540 && i < 560);
            HeadlessSetKeyDown(VK_ESCAPE, i == 800);
            if (!Frame(ticks(i))) {
                ADD_FAILURE() << "frame " << i << ": " << error;
                break;
            }
            trace.push_back(Row());
        }
        return trace;
    }
};

// The fixed game really went through its paces, so comparing two runs of it means something.
void ExpectEventful(const std::vector<TraceRow>& trace) {
    int played = 0, title = 0, flew = 0, shot = 0, reloaded = 0;
    for (const TraceRow& row : trace) {
        played |= row.mode == MODE_PLAYING;
        title |= row.mode == MODE_TITLE;
        flew |= row.fly;
        shot |= row.shells < 2;
        reloaded |= row.reloading;
    }
    EXPECT_TRUE(played && title && flew && shot && reloaded);
}

void ExpectSameTrace(const std::vector<TraceRow>& a, const std::vector<TraceRow>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(memcmp(&a[i], &b[i], sizeof(TraceRow)), 0)
            << "frame " << i << ": mode " << a[i].mode << " / " << b[i].mode << ", x " << a[i].x << " / "
            << b[i].x << ", y " << a[i].y << " / " << b[i].y;
    }
}

TEST_F(Faults, NoSoundDeviceGivesTheSameGameInSilence) {
    const std::vector<TraceRow> heard = PlayFixedGame(Ticks16);
    ExpectEventful(heard);
    EXPECT_GT(HeadlessAudioRecorded(nullptr), 0);

    Close();
    HeadlessAudioSetAvailable(0);
    HeadlessAudioClearRecording();
    Open(320, 200);
    EXPECT_FALSE(AudioIsOpen());
    const std::vector<TraceRow> silent = PlayFixedGame(Ticks16);
    ExpectSameTrace(heard, silent);
    EXPECT_EQ(HeadlessAudioRecorded(nullptr), 0);
    // The sound state still follows the game: stage music in play, effects taken by voices.
    EXPECT_EQ(AudioGetTrack(), GameStateGetMode() == MODE_PLAYING ? TRACK_STAGE : TRACK_MENU);
    int busy = 0;
    for (int32_t v = 0; v < SFX_VOICE_COUNT; ++v) {
        busy += AudioGetVoices()[v].time < 100.0f;
    }
    EXPECT_GT(busy, 0);
}

TEST_F(Faults, SoundDeviceThatKeepsEveryBlockLeavesTheGameGoingSilently) {
    const std::vector<TraceRow> heard = PlayFixedGame(Ticks16);

    Close();
    HeadlessAudioSetConsuming(0);
    HeadlessAudioClearRecording();
    Open(320, 200);
    ASSERT_TRUE(Frames(5)) << error;
    // Both blocks went out on the first two frames, and then nothing more.
    EXPECT_EQ(HeadlessAudioRecorded(nullptr), 2 * AUDIO_BLOCK_SAMPLES);
    const float droneTime = AudioGetDroneTime();
    const int32_t block = AudioGetBufferIndex();
    // The same game; every frame asks once whether the block is free and goes on: no waiting, no
    // refill of a block the device holds, no time passing for the sound.
    ExpectSameTrace(heard, PlayFixedGame(Ticks16));
    EXPECT_EQ(HeadlessAudioRecorded(nullptr), 2 * AUDIO_BLOCK_SAMPLES);
    EXPECT_EQ(AudioGetDroneTime(), droneTime);
    EXPECT_EQ(AudioGetBufferIndex(), block);

    // Once the device lets go again, the stream goes on where it stopped, one block a frame at most.
    HeadlessAudioSetConsuming(1);
    ASSERT_TRUE(Frame()) << error;
    EXPECT_EQ(HeadlessAudioRecorded(nullptr), 3 * AUDIO_BLOCK_SAMPLES);
    EXPECT_EQ(AudioGetDroneTime(), droneTime + 0.24997732f);
    ASSERT_TRUE(Frames(2)) << error;
    EXPECT_EQ(HeadlessAudioRecorded(nullptr), 4 * AUDIO_BLOCK_SAMPLES);
}

TEST_F(Faults, FailingCursorQueryKeepsTheLastKnownAim) {
    StartStage();
    AimAtLogical(300, 120);
    ASSERT_TRUE(Frame()) << error;
    HeadlessSetCursorAvailable(0);
    // Only the mouse-move events tell where the cursor is now.
    AimAtLogical(40, 60);
    ASSERT_TRUE(Frame()) << error;
    EXPECT_EQ(InputGetMouseLogicalX(), 40);
    EXPECT_EQ(InputGetMouseLogicalY(), 60);
    ASSERT_TRUE(Frames(60)) << error;
    EXPECT_EQ(InputGetMouseLogicalX(), 40);
    EXPECT_EQ(InputGetMouseLogicalY(), 60);
    Tap(VK_LBUTTON);
    EXPECT_EQ(GameStateGetPlayer()->shotgun.shells, 1);
    // A long stretch without the query: shots, reloads, retries, all with the last position.
    for (int i = 0; i < 1500; ++i) {
        HeadlessSetKeyDown(VK_LBUTTON, i % 37 == 0);
        HeadlessSetKeyDown(VK_R, i % 90 == 45 || (GameStateGetMode() == MODE_GAME_OVER && i % 20 == 0));
        if (GameStateGetMode() == MODE_STAGE_CLEAR) {
            HeadlessSetKeyDown(VK_LBUTTON, i % 2);
        }
        ASSERT_TRUE(Frame()) << error;
    }
}

TEST_F(Faults, ExtremeClientSizesKeepTheLayoutAndThePicture) {
    struct Case {
        int32_t w, h;  // client size reported
        int32_t scale; // expected layout
        int32_t destX, destY;
        int frames;
    };
    // The largest one costs two 130 MB pictures a frame here, so it runs only a few frames.
    const Case cases[] = {{0, 0, 1, -159, -99, 300},
                          {1, 1, 1, -159, -99, 300},
                          {319, 199, 1, 0, 0, 300},
                          {7680, 4320, 21, 480, 60, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        HeadlessSetClientSize(c.w, c.h);
        ASSERT_TRUE(Frame()) << error;
        EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
        Tap(VK_LBUTTON); // start
        ASSERT_EQ(GameStateGetMode(), MODE_PLAYING);
        ASSERT_TRUE(Frames(c.frames / 3)) << error;
        AimAtLogical(10, 190);
        Tap(VK_LBUTTON); // shot
        ASSERT_TRUE(Frames(c.frames - c.frames / 3)) << error;
        EXPECT_EQ(GetDisplayScale(), c.scale);
        int32_t dx = 0, dy = 0;
        RenderGetLayout(&dx, &dy, nullptr, nullptr);
        EXPECT_EQ(dx, c.destX);
        EXPECT_EQ(dy, c.destY);
        int32_t w = 0, h = 0;
        const uint32_t* image = HeadlessPresentedImage(&w, &h);
        ASSERT_NE(image, nullptr);
        // A minimised window counts as 1 x 1.
        EXPECT_EQ(w, c.w > 0 ? c.w : 1);
        EXPECT_EQ(h, c.h > 0 ? c.h : 1);
        // Every client pixel on the picture shows its logical pixel; the rest is black.
        for (int32_t y = 0; y < h; y += 7) {
            for (int32_t x = 0; x < w; x += 7) {
                const int32_t lx = (x - dx) / c.scale;
                const int32_t ly = (y - dy) / c.scale;
                const bool inside = x >= dx && y >= dy && lx < LOGICAL_WIDTH && ly < LOGICAL_HEIGHT;
                const uint32_t want = inside ? pixelBuffer[ly * LOGICAL_WIDTH + lx] : 0u;
                ASSERT_EQ(image[(size_t)y * (size_t)w + (size_t)x], want)
                    << "client (" << x << ", " << y << ")";
            }
        }
        // The client's corners and points far outside it map onto the screen's edges.
        int32_t lx = -1, ly = -1;
        MapClientToLogical(w - 1, h - 1, &lx, &ly);
        EXPECT_TRUE(lx >= 0 && lx < LOGICAL_WIDTH && ly >= 0 && ly < LOGICAL_HEIGHT);
        MapClientToLogical(INT32_MIN, INT32_MAX, &lx, &ly);
        EXPECT_EQ(lx, 0);
        EXPECT_EQ(ly, LOGICAL_HEIGHT - 1);
        Tap(VK_ESCAPE);
        if (GameStateGetMode() == MODE_STAGE_CLEAR) {
            Tap(VK_LBUTTON);
            Tap(VK_ESCAPE);
        }
        ASSERT_EQ(GameStateGetMode(), MODE_TITLE);
    }
    HeadlessSetClientSize(960, 600);
    ASSERT_TRUE(Frame()) << error;
    int32_t w = 0, h = 0;
    HeadlessPresentedImage(&w, &h);
    EXPECT_EQ(w, 960);
    EXPECT_EQ(h, 600);
}

TEST_F(Faults, ResizeOnEveryFrameMakesOneBufferPerFrameAndNoMore) {
    static const int32_t SIZES[][2] = {{0, 0},      {1, 1},     {319, 199}, {960, 600},
                                       {1280, 720}, {200, 100}, {641, 401}};
    const int32_t sizeCount = (int32_t)(sizeof(SIZES) / sizeof(SIZES[0]));
    StartStage();
    size_t settled = 0;
    const int32_t created = HeadlessBackBufferCreations();
    const int frames = 1400;
    for (int i = 0; i < frames; ++i) {
        const int32_t* size = SIZES[i % sizeCount];
        HeadlessSetClientSize(size[0], size[1]);
        HeadlessSetKeyDown(VK_LBUTTON, i % 23 == 0);
        HeadlessSetKeyDown(VK_R, i % 61 == 0 || GameStateGetMode() == MODE_GAME_OVER);
        AimAtLogical((i * 37) % LOGICAL_WIDTH, (i * 53) % LOGICAL_HEIGHT);
        ASSERT_TRUE(Frame()) << error << " at frame " << i;
        int32_t w = 0, h = 0;
        HeadlessPresentedImage(&w, &h);
        ASSERT_EQ(w, size[0] > 0 ? size[0] : 1);
        ASSERT_EQ(h, size[1] > 0 ? size[1] : 1);
        if (i == 10 * sizeCount) {
            settled = StateCheckResidentBytes();
        }
    }
    EXPECT_EQ(HeadlessBackBufferCreations() - created, frames);
    // Every size has been seen long before the end: the memory in use stays where it settled.
    if (settled > 0) {
        EXPECT_LE(StateCheckResidentBytes(), settled + (8u << 20));
    }
}

// Stage file faults between two stage starts: the first start reads the file, the second finds it
// changed and must fall back to the built-in stage (80 x 15) or read what is left.
class StageFileFaults : public Faults {
  protected:
    char path[64] = "";
    void UseStageFile(const char* name) {
        snprintf(path, sizeof(path), "faults-%s.txt", name);
        WriteFile(path, FILE_STAGE, strlen(FILE_STAGE));
        LevelSetStagePath(path);
        StartStage();
        ExpectStage(10, 3);
    }
    void ExpectStage(int32_t w, int32_t h) {
        EXPECT_EQ(GameStateGetMap()->width, w);
        EXPECT_EQ(GameStateGetMap()->height, h);
    }
    void PlayOn() {
        for (int i = 0; i < 300; ++i) {
            HeadlessSetKeyDown(VK_LBUTTON, i % 20 == 0);
            ASSERT_TRUE(Frame()) << error;
        }
    }
    void TearDown() override {
        chmod(path, 0644);
        remove(path);
        rmdir(path);
        Faults::TearDown();
    }
};

TEST_F(StageFileFaults, DeletedFileGivesTheBuiltInStage) {
    UseStageFile("deleted");
    ASSERT_EQ(remove(path), 0);
    StartStage();
    ExpectStage(80, 15);
    PlayOn();
    // Back again: the next start reads it.
    WriteFile(path, FILE_STAGE, strlen(FILE_STAGE));
    StartStage();
    ExpectStage(10, 3);
}

TEST_F(StageFileFaults, TruncatedFileGivesWhatIsLeftOrTheBuiltInStage) {
    UseStageFile("truncated");
    // Cut in the middle of the second line: one full row and a short one.
    ASSERT_EQ(truncate(path, 14), 0);
    StartStage();
    ExpectStage(10, 2);
    PlayOn();
    ASSERT_EQ(truncate(path, 0), 0);
    StartStage();
    ExpectStage(80, 15);
    PlayOn();
}

TEST_F(StageFileFaults, DirectoryOrPipeInPlaceOfTheFileGivesTheBuiltInStage) {
    UseStageFile("directory");
    ASSERT_EQ(remove(path), 0);
    ASSERT_EQ(mkdir(path, 0755), 0);
    StartStage();
    ExpectStage(80, 15);
    PlayOn();
    // A named pipe with no writer would block a plain open; the start must not wait on it.
    ASSERT_EQ(rmdir(path), 0);
    ASSERT_EQ(mkfifo(path, 0644), 0);
    StartStage();
    ExpectStage(80, 15);
    PlayOn();
}

TEST_F(StageFileFaults, HugeFileStartsTheStageAtOnce) {
    UseStageFile("huge");
    // 16 GiB of holes after the stage: no room on the disk, yet reading to the end took many seconds
    // at every stage start. The loader stops after its first megabyte, as if the file ended there.
    ASSERT_EQ(truncate(path, (off_t)16 << 30), 0);
    const auto start = std::chrono::steady_clock::now();
    StartStage();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 2.0);
    // The stage's lines as before, then one row of the zeros that follow (128 empty cells).
    ExpectStage(MAP_MAX_COLS, 4);
    EXPECT_EQ(GameStateGetMap()->tiles[1][8], TILE_GOAL);
    PlayOn();
}

TEST_F(StageFileFaults, UnreadableFileGivesTheBuiltInStage) {
    UseStageFile("unreadable");
    ASSERT_EQ(chmod(path, 0), 0);
    FILE* probe = fopen(path, "rb");
    if (probe) {
        // Root reads files whatever their mode bits say: this case cannot be made here.
        fclose(probe);
        GTEST_SKIP() << "running as root: mode 000 does not stop reading, so an unreadable stage file "
                        "cannot be made here";
    }
    StartStage();
    ExpectStage(80, 15);
    PlayOn();
}

TEST_F(Faults, KeyCodesOutOfRangeAreIgnoredAndEveryKeyAtOnceIsSafe) {
    const int32_t BAD[] = {-1, 256, INT32_MIN, INT32_MAX, 1000};
    for (int32_t code : BAD) {
        MainOnKeyDown(code);
        HeadlessSetKeyDown(code, 1);
        HeadlessRepeatKey(code);
        EXPECT_EQ(PlatformIsKeyDown(code), 0);
        EXPECT_EQ(InputWasKeyPressed(code), 0);
    }
    ASSERT_TRUE(Frames(3)) << error;
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    StartStage();
    for (int32_t code : BAD) {
        MainOnKeyDown(code);
    }
    ASSERT_TRUE(Frames(3)) << error;
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);

    // Every code 0..255 down at once, held with the keyboard repeating all of them, then let go.
    Tap(VK_ESCAPE);
    ASSERT_EQ(GameStateGetMode(), MODE_TITLE);
    int played = 0;
    for (int round = 0; round < 6; ++round) {
        for (int32_t code = 0; code < 256; ++code) {
            // Odd rounds only change the sampled state: the polled path alone, no key-down messages.
            if (round % 2) {
                HeadlessSetKeyState(code, 1);
            } else {
                HeadlessSetKeyDown(code, 1);
            }
        }
        for (int i = 0; i < 40; ++i) {
            for (int32_t code = 0; code < 256 && round % 2 == 0; ++code) {
                HeadlessRepeatKey(code);
            }
            ASSERT_TRUE(Frame()) << error << " in round " << round;
            played |= GameStateGetMode() == MODE_PLAYING;
        }
        for (int32_t code = 0; code < 256; ++code) {
            HeadlessSetKeyDown(code, 0);
        }
        ASSERT_TRUE(Frames(20 + round * 20)) << error;
    }
    EXPECT_TRUE(played);
}

TEST_F(Faults, ThousandsOfFramesOfZeroTime) {
    StartStage();
    ASSERT_TRUE(Frames(60)) << error; // landed, fire block over
    const TraceRow before = Row();
    // No time passes: nobody moves, whatever the input.
    for (int i = 0; i < 2000; ++i) {
        HeadlessSetKeyDown(VK_D, i % 100 < 50);
        AimAtLogical((i * 13) % LOGICAL_WIDTH, (i * 7) % LOGICAL_HEIGHT);
        ASSERT_TRUE(Frame(0)) << error << " at frame " << i;
        ASSERT_EQ(GameStateGetPlayer()->body.x, before.x);
        ASSERT_EQ(GameStateGetPlayer()->body.y, before.y);
    }
    // A shot still fires, a reload still starts, and neither moves time on.
    Tap(VK_LBUTTON, 0);
    EXPECT_EQ(GameStateGetPlayer()->shotgun.shells, 1);
    HeadlessSetKeyDown(VK_R, 1);
    ASSERT_TRUE(Frames(1000, 0)) << error;
    HeadlessSetKeyDown(VK_R, 0);
    EXPECT_EQ(GameStateGetPlayer()->shotgun.reloading, 1);
    EXPECT_EQ(GameStateGetPlayer()->body.x, before.x);
    // The screens still answer, and the prompt blinks on frame counts alone.
    HeadlessSetKeyDown(VK_ESCAPE, 1);
    ASSERT_TRUE(Frame(0)) << error;
    HeadlessSetKeyDown(VK_ESCAPE, 0);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    int shown = 0;
    for (int i = 0; i < 600; ++i) {
        ASSERT_TRUE(Frame(0)) << error;
        shown += pixelBuffer[168 * LOGICAL_WIDTH + 108] == 0xFFFFFF;
    }
    EXPECT_EQ(shown, 300);
}

TEST_F(Faults, ThousandsOfFramesAtTheLongestStep) {
    // Any gap of 50 ms or more is one 50 ms step: the same game at 50, 51 and 1000 ms a frame.
    Close();
    Open(320, 200);
    const std::vector<TraceRow> at50 = PlayFixedGame([](int) -> uint32_t { return 50; });
    ExpectEventful(at50);
    Close();
    Open(320, 200);
    ExpectSameTrace(at50, PlayFixedGame([](int i) -> uint32_t { return i % 2 ? 51 : 1000; }));
    // And a long stretch of them with shots, reloads, flights and retries.
    for (int i = 0; i < 3000; ++i) {
        HeadlessSetKeyDown(VK_LBUTTON, i % 9 == 0);
        HeadlessSetKeyDown(VK_R, i % 31 == 0);
        HeadlessSetKeyDown(VK_F, i % 997 == 500 || i % 997 == 600);
        HeadlessSetKeyDown(VK_A, i % 200 < 100);
        HeadlessSetKeyDown(VK_S, i % 300 < 100);
        AimAtLogical((i * 97) % LOGICAL_WIDTH, (i * 31) % LOGICAL_HEIGHT);
        ASSERT_TRUE(Frame(50)) << error << " at frame " << i;
    }
}

TEST_F(Faults, TenMinuteStallIsOneLongStep) {
    // A stall of 10 minutes between two frames in the middle of play, after a shot.
    const std::vector<TraceRow> stepped = PlayFixedGame([](int i) -> uint32_t { return i == 75 ? 50 : 16; });
    Close();
    HeadlessAudioClearRecording();
    Open(320, 200);
    ExpectSameTrace(stepped, PlayFixedGame([](int i) -> uint32_t { return i == 75 ? 600000 : 16; }));

    // The sound device ran dry during the stall; the next frames refill one block each, no catch-up.
    ASSERT_TRUE(Frames(30)) << error;
    HeadlessAdvanceTicks(600000);
    const int32_t before = HeadlessAudioRecorded(nullptr);
    HeadlessRunFrame(window);
    EXPECT_EQ(HeadlessAudioRecorded(nullptr) - before, AUDIO_BLOCK_SAMPLES);
    ASSERT_TRUE(StateCheckGame(error)) << error;
    ASSERT_TRUE(Frame()) << error;
    EXPECT_EQ(HeadlessAudioRecorded(nullptr) - before, 2 * AUDIO_BLOCK_SAMPLES);
    ASSERT_TRUE(Frames(10)) << error;
    EXPECT_EQ(HeadlessAudioRecorded(nullptr) - before, 2 * AUDIO_BLOCK_SAMPLES);
}

TEST_F(Faults, TickCounterWrapIsInvisibleToTheGame) {
    const std::vector<TraceRow> plain = PlayFixedGame(Ticks16);
    Close();
    // The counter wraps about 40 frames into the run, during play.
    HeadlessAdvanceTicks(0u - PlatformTicks() - 650u);
    Open(320, 200);
    ExpectSameTrace(plain, PlayFixedGame(Ticks16));
    EXPECT_LT(PlatformTicks(), 1200u * 16u);
}

TEST_F(Faults, ContactAndGoalStagesEndRunsUnderEveryFault) {
    // Game over and stage clear, reached with no sound device and no cursor, in a minimised window.
    Close();
    HeadlessAudioSetAvailable(0);
    Open(0, 0);
    HeadlessSetCursorAvailable(0);
    WriteFile("faults-contact.txt", CONTACT_STAGE, strlen(CONTACT_STAGE));
    WriteFile("faults-goal.txt", GOAL_STAGE, strlen(GOAL_STAGE));
    for (int round = 0; round < 24; ++round) {
        const bool goal = round % 2 != 0;
        const uint32_t ticks = round % 3 == 0 ? 0 : 50;
        LevelSetStagePath(goal ? "faults-goal.txt" : "faults-contact.txt");
        if (GameStateGetMode() == MODE_PLAYING || GameStateGetMode() == MODE_GAME_OVER) {
            Tap(VK_ESCAPE, ticks);
        }
        Tap(VK_LBUTTON, ticks);
        ASSERT_TRUE(Frames(40, ticks)) << error;
        // Without time the grace never runs out, so only the goal can end the run.
        EXPECT_EQ(GameStateGetMode(), goal ? MODE_STAGE_CLEAR : ticks ? MODE_GAME_OVER : MODE_PLAYING);
    }
    remove("faults-contact.txt");
    remove("faults-goal.txt");
}

} // namespace
