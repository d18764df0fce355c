// run_test.cpp -- a run's text read back exactly and refused in every other shape; a run played in the
// window, kept across a restart and watched to the same clear in the same time; the solver's route
// watched from beside its stage.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/editor.h"
#include "app/game_state.h"
#include "app/main.h"
#include "app/progress.h"
#include "app/run.h"
#include "app/stage_open.h"
#include "app/stage_set.h"
#include "app/watch.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "render/render.h"
#include "world/level.h"
#include "world/link_code.h"

namespace fs = std::filesystem;

namespace {

Run gA, gB;
char gText[RUN_MAX_TEXT];

std::string Encoded(const Run* run) {
    const size_t length = RunEncode(run, gText, sizeof(gText));
    return std::string(gText, length);
}

std::string Refusal(const std::string& text) {
    char message[RUN_MESSAGE_SIZE] = "";
    EXPECT_FALSE(RunDecode(text.data(), text.size(), &gB, message)) << text.substr(0, 40);
    return message;
}

TEST(RunText, ReadsBackEveryFrameAndRefusesAnythingElse) {
    RunBegin(&gA, 0x0123456789abcdefull);
    std::mt19937 random(7);
    for (int32_t i = 0; i < 5000; ++i) {
        // Stretches of equal frames, jumps across the whole picture, both buttons, every step.
        const RunFrame f = {(uint8_t)(random() % 51), (uint8_t)(random() % 2), (uint8_t)(random() % 2), 0,
                            (int16_t)(random() % 320), (int16_t)(random() % 200)};
        for (uint32_t k = random() % 3 == 0 ? 300 : 1; k > 0 && gA.frames < 5000; --k) {
            gA.frame[gA.frames++] = f;
        }
    }
    const std::string text = Encoded(&gA);
    ASSERT_FALSE(text.empty());
    char message[RUN_MESSAGE_SIZE];
    ASSERT_TRUE(RunDecode(text.data(), text.size(), &gB, message)) << message;
    EXPECT_EQ(gB.stageKey, gA.stageKey);
    ASSERT_EQ(gB.frames, gA.frames);
    EXPECT_EQ(memcmp(gA.frame, gB.frame, sizeof(RunFrame) * (size_t)gA.frames), 0);
    EXPECT_EQ(RunMs(&gB), RunMs(&gA));

    EXPECT_NE(Refusal("").find("no run"), std::string::npos);
    EXPECT_NE(Refusal("1ABCD").find("not a run"), std::string::npos); // a stage link
    EXPECT_NE(Refusal(text.substr(0, text.size() - 3)).find("cut short"), std::string::npos);
    std::string flipped = text;
    flipped[text.size() / 2] = flipped[text.size() / 2] == 'A' ? 'B' : 'A';
    EXPECT_NE(Refusal(flipped).find("damaged"), std::string::npos);
    EXPECT_NE(Refusal(text.substr(0, 20) + "!" + text.substr(21)).find("character"), std::string::npos);

    // Well-checked bytes that lie: more frames than the bound, frames that do not add up, a cursor off
    // the picture.
    const auto crafted = [](std::initializer_list<uint8_t> tail) {
        uint8_t bytes[64] = {1, 2, 3, 4, 5, 6, 7, 8};
        int32_t n = 8;
        for (uint8_t b : tail) {
            bytes[n++] = b;
        }
        char out[128];
        const int32_t length = LinkCodeWrite(RUN_TEXT_VERSION, bytes, n, out, sizeof(out));
        return std::string(out, (size_t)length);
    };
    EXPECT_NE(Refusal(crafted({0xA1, 0x99, 0x02, 0})).find("ten minutes"), std::string::npos); // 36001
    EXPECT_NE(Refusal(crafted({3, 0x20, 5})).find("add up"), std::string::npos);  // 3 frames, 7 given
    EXPECT_NE(Refusal(crafted({1, 2, 0xC0, 0x02})).find("add up"), std::string::npos); // x 160 + 160
    EXPECT_NE(Refusal(crafted({1, 1, 51})).find("add up"), std::string::npos); // a step of 51 ms
    // Cursor steps at the limits of 32 bits: refused, with nothing overflowing on the way.
    EXPECT_NE(Refusal(crafted({1, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F})).find("add up"), std::string::npos);
    EXPECT_NE(Refusal(crafted({1, 2, 0xFE, 0xFF, 0xFF, 0xFF, 0x0F})).find("add up"), std::string::npos);
    // A run past the bound, or with a step the game never takes, is no whole run to keep.
    gA.frames = RUN_MAX_FRAMES;
    RunAddFrame(&gA, 16.0f);
    EXPECT_EQ(RunEncode(&gA, gText, sizeof(gText)), 0u);
    RunBegin(&gA, 1);
    RunAddFrame(&gA, 16.5f);
    EXPECT_EQ(RunEncode(&gA, gText, sizeof(gText)), 0u);

    // Any bytes at all: an answer, never a crash.
    std::string noise;
    for (int32_t i = 0; i < 3000; ++i) {
        noise.assign(1 + random() % 64, 'r');
        for (size_t k = 1; k < noise.size(); ++k) {
            noise[k] = (char)(random() % 4 == 0 ? random() % 256 : "AQgw-_9z"[random() % 8]);
        }
        RunDecode(noise.data(), noise.size(), &gB, message);
    }
}

// The lessons as a set: each is played in the window, then watched.
class Watch : public ::testing::Test {
  protected:
    PlatformWindow* window = nullptr;
    fs::path dir = fs::current_path() / "watch-test";
    fs::path lessons = fs::path(KALVORO_SOURCE_DIR) / "tools" / "maptool" / "lessons";
    LevelStageSource kept;

    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        LevelGetStageSource(&kept);
        ProgressKeep(1);
        window = HeadlessOpenWindow(320, 200);
        Open();
    }
    void TearDown() override {
        MainShutdown();
        StageSetClose();
        LevelSetStageSource(&kept);
        ProgressForget();
        ProgressKeep(0);
        fs::remove_all(dir);
    }
    // As a new process given the lessons would be.
    void Open() {
        ProgressForget();
        StageSetClose();
        char message[STAGE_OPEN_MESSAGE_SIZE];
        ASSERT_EQ(StageOpen(window, lessons.c_str(), STAGE_OPEN_GIVEN, message), STAGE_OPEN_SET);
        MainStartup(window);
        Frame(16);
    }
    void Frame(uint32_t ms) {
        HeadlessAdvanceTicks(ms);
        HeadlessRunFrame(window);
    }
    void Press(int32_t key) {
        HeadlessSetKeyDown(key, 1);
        Frame(16);
        HeadlessSetKeyDown(key, 0);
    }
    // Plays the run through the window's own devices, one frame each, as a player would.
    void Play(const ::Run* run) {
        for (int32_t i = 0; i < run->frames; ++i) {
            const RunFrame& f = run->frame[i];
            HeadlessSetCursor(f.cursorX, f.cursorY);
            HeadlessSetKeyState(1, f.leftButton);
            HeadlessSetKeyState(KEY_R, f.reload);
            Frame(f.dt);
        }
        HeadlessSetKeyState(1, 0);
        HeadlessSetKeyState(KEY_R, 0);
    }
    // Frames until the watch reaches the clear; the frames it took.
    int32_t WatchToClear() {
        int32_t frames = 0;
        while (GameStateGetMode() != MODE_STAGE_CLEAR && frames < RUN_MAX_FRAMES) {
            Frame(16);
            ++frames;
        }
        return frames;
    }
};

TEST_F(Watch, ABestRunIsKeptAcrossARestartAndWatchedToTheSameClear) {
    // The first lesson's route, played with the player's own hand in the window.
    ASSERT_NE(StageSetRoute(), nullptr);
    EXPECT_EQ(WatchOffered(), WATCH_ROUTE);
    char message[RUN_MESSAGE_SIZE];
    ASSERT_TRUE(RunDecode(StageSetRoute(), strlen(StageSetRoute()), &gA, message)) << message;
    Play(&gA);
    ASSERT_EQ(GameStateGetMode(), MODE_STAGE_CLEAR);
    const int32_t best = ProgressBestMs();
    EXPECT_EQ(best, RunMs(&gA));
    const Player cleared = *GameStateGetPlayer();
    Press(KEY_ESCAPE);
    Frame(16);

    Open(); // a restart: the run comes back from the file
    ASSERT_EQ(GameStateGetMode(), MODE_TITLE);
    ASSERT_NE(ProgressBestRun(), nullptr);
    EXPECT_EQ(WatchOffered(), WATCH_BEST | WATCH_ROUTE);
    const int32_t runs = ProgressRuns();
    Press(KEY_W);
    ASSERT_TRUE(WatchActive());
    EXPECT_EQ(WatchToClear(), gA.frames);
    EXPECT_EQ(WatchMs(), best);
    EXPECT_EQ(GameStateGetPlayer()->body.x, cleared.body.x);
    EXPECT_EQ(GameStateGetPlayer()->body.y, cleared.body.y);
    // The last screen holds until a key; the key goes back to the title and starts nothing.
    Frame(16);
    EXPECT_EQ(GameStateGetMode(), MODE_STAGE_CLEAR);
    HeadlessSetKeyDown(KEY_SPACE, 1);
    Frame(16);
    Frame(16);
    HeadlessSetKeyDown(KEY_SPACE, 0);
    EXPECT_FALSE(WatchActive());
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    EXPECT_EQ(StageSetIndex(), 0);
    EXPECT_EQ(ProgressRuns(), runs); // a watch is no run

    // The solver's route from beside the stage, with Shift; Escape ends it at once.
    HeadlessSetKeyDown(KEY_SHIFT, 1);
    Press(KEY_W);
    HeadlessSetKeyDown(KEY_SHIFT, 0);
    ASSERT_TRUE(WatchActive());
    EXPECT_EQ(WatchToClear() * 16, StageSetParMs());
    Press(KEY_ESCAPE);
    Frame(16);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
}

TEST_F(Watch, ARunOfAnotherStageOrADamagedOneIsRefusedWithALine) {
    char message[RUN_MESSAGE_SIZE];
    ASSERT_TRUE(RunDecode(StageSetRoute(), strlen(StageSetRoute()), &gA, message));
    StageSetChoose(1); // the next lesson: the first one's route is not its own
    Frame(16);
    const std::string route = Encoded(&gA);
    EXPECT_FALSE(WatchStart(route.data(), route.size(), message));
    EXPECT_NE(std::string(message).find("another stage"), std::string::npos) << message;
    EXPECT_STRNE(WatchNotice(), "");
    EXPECT_FALSE(WatchActive());
    Frame(16);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
}

// A stage dropped while a run is watched ends the watch: the run belongs to the stage it was kept for.
TEST_F(Watch, AStageDroppedDuringAWatchEndsIt) {
    HeadlessSetKeyDown(KEY_SHIFT, 1);
    Press(KEY_W);
    HeadlessSetKeyDown(KEY_SHIFT, 0);
    ASSERT_TRUE(WatchActive());
    Frame(16);
    const std::string other = (lessons / "2-double-shot.txt").string();
    EXPECT_EQ(MainOnDropFile(window, other.c_str()), STAGE_OPEN_PLAYS);
    EXPECT_FALSE(WatchActive());
    Frame(16);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
}

// A touch screen's title names its buttons (MAP, ROUTE) where a keyboard's names keys: those two lines
// differ, nothing else does.
TEST_F(Watch, ATouchScreensTitleNamesItsButtons) {
    std::vector<uint32_t> keys[2];
    for (int32_t device : {EDITOR_DEVICE_KEYS_FILE, EDITOR_DEVICE_TOUCH_PAGE}) {
        EditorSetDevice(device);
        GameStateRender();
        keys[device == EDITOR_DEVICE_TOUCH_PAGE].assign(pixelBuffer, pixelBuffer + LOGICAL_WIDTH * LOGICAL_HEIGHT);
    }
    EditorSetDevice(EDITOR_DEVICE_KEYS_FILE);
    ASSERT_EQ(WatchOffered(), WATCH_ROUTE);
    for (int32_t y = 0; y < LOGICAL_HEIGHT; ++y) {
        const bool differs = !std::equal(&keys[0][(size_t)(y * LOGICAL_WIDTH)], &keys[0][(size_t)((y + 1) * LOGICAL_WIDTH)],
                                         &keys[1][(size_t)(y * LOGICAL_WIDTH)]);
        const bool named = (y >= 152 && y < 159) || (y >= 180 && y < 187); // a glyph's last row is blank
        EXPECT_EQ(differs, named) << "row " << y;
    }
}

} // namespace
