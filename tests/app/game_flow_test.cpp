// Game-flow tests: the whole game through the headless backend, frame by frame, as a player
// would drive it (key-down messages, polled snapshots, the mouse), reading the game's state.
#include <gtest/gtest.h>

#include <stdio.h>

#include "app/game_state.h"
#include "app/main.h"
#include "audio/audio.h"
#include "backends/headless/headless.h"
#include "render/render.h"
#include "world/level.h"

namespace {

constexpr int32_t VK_LBUTTON = 1;
constexpr int32_t VK_ESCAPE = 27;
constexpr int32_t VK_F = 70;
constexpr int32_t VK_R = 82;

class GameFlow : public ::testing::Test {
  protected:
    PlatformWindow* window = nullptr;

    void SetUp() override {
        LevelSetStagePath("no-such-stage.txt"); // the built-in stage
        window = HeadlessOpenWindow(320, 200);
        MainStartup(window);
        // One idle frame, so no button or key history from an earlier test counts.
        Frame();
    }
    void TearDown() override {
        // Debug flight survives everything but F; leave it off for the next test.
        if (GameStateGetDebugFly() != 0) {
            MainOnKeyDown(VK_F);
        }
        MainShutdown();
        LevelSetStagePath(nullptr);
    }
    void Frame(uint32_t dt = 16) {
        HeadlessAdvanceTicks(dt);
        HeadlessRunFrame(window);
    }
    void Frames(int n, uint32_t dt = 16) {
        for (int i = 0; i < n; i++) {
            Frame(dt);
        }
    }
    // A press held for a few frames, as a person's press is.
    void Press(int32_t vk, int frames = 3) {
        HeadlessSetKeyDown(vk, 1);
        Frames(frames);
        HeadlessSetKeyDown(vk, 0);
        Frame();
    }
    void UseStage(const char* name, const char* text) {
        FILE* f = fopen(name, "wb");
        ASSERT_NE(f, nullptr);
        fputs(text, f);
        fclose(f);
        LevelSetStagePath(name);
    }
    static int VoicePlaying(int32_t id) {
        const SfxVoice* voices = AudioGetVoices();
        for (int32_t i = 0; i < SFX_VOICE_COUNT; i++) {
            if (voices[i].id == id && voices[i].time < 100.0f) {
                return 1;
            }
        }
        return 0;
    }
    static int PromptShown() {
        // The prompt's first letter, P, has its top-left pixel set at (108, 168).
        return pixelBuffer[168 * LOGICAL_WIDTH + 108] == 0xFFFFFF;
    }
};

// The player stands on its spawn block; an enemy paces across it from the start.
const char* const CONTACT_STAGE = "##########\n"
                                  "#.........\n"
                                  "#.........\n"
                                  "#.........\n"
                                  "#..E......\n"
                                  "#..S......\n"
                                  "##########\n";

TEST_F(GameFlow, EscapeFromPlayShowsTitleUntilANewPress) {
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    Press(VK_LBUTTON);
    ASSERT_EQ(GameStateGetMode(), MODE_PLAYING);
    EXPECT_EQ(AudioGetTrack(), TRACK_STAGE);

    HeadlessSetKeyDown(VK_ESCAPE, 1);
    Frame();
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    EXPECT_EQ(AudioGetTrack(), TRACK_MENU);
    // Held, with the keyboard repeating it, then released: the title stays.
    for (int i = 0; i < 10; i++) {
        HeadlessRepeatKey(VK_ESCAPE);
        Frame();
        EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    }
    HeadlessSetKeyDown(VK_ESCAPE, 0);
    Frames(5);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    // A new Escape press on the title starts the stage, as any key does.
    Press(VK_ESCAPE);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
}

TEST_F(GameFlow, OnlyKeysEightTo254AndTheLeftButtonStart) {
    for (int32_t vk : {2, 4, 5, 6, 7, 255}) {
        Press(vk);
        EXPECT_EQ(GameStateGetMode(), MODE_TITLE) << "vk " << vk;
    }
    Press(8);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    EXPECT_TRUE(VoicePlaying(SFX_START));
}

TEST_F(GameFlow, FOnTheTitleStartsSilentlyAndFlipsFlight) {
    MainOnKeyDown(VK_F);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    EXPECT_EQ(GameStateGetDebugFly(), 1);
    EXPECT_EQ(AudioGetTrack(), TRACK_STAGE);
    EXPECT_FALSE(VoicePlaying(SFX_START));
    // Every key repeat flips it again.
    MainOnKeyDown(VK_F);
    EXPECT_EQ(GameStateGetDebugFly(), 0);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
}

TEST_F(GameFlow, TheStartingClickFiresNothingEvenWhenHeld) {
    HeadlessSetCursor(300, 100);
    HeadlessSetKeyDown(VK_LBUTTON, 1);
    Frames(30); // 480 ms, well past the 200 ms fire block
    ASSERT_EQ(GameStateGetMode(), MODE_PLAYING);
    EXPECT_EQ(GameStateGetPlayer()->shotgun.shells, 2);
    HeadlessSetKeyDown(VK_LBUTTON, 0);
    Frame();
    HeadlessSetKeyDown(VK_LBUTTON, 1);
    Frame();
    EXPECT_EQ(GameStateGetPlayer()->shotgun.shells, 1);
}

TEST_F(GameFlow, ContactDuringTheGraceEndsTheRunOnlyWhenTheGraceRunsOut) {
    UseStage("contact.txt", CONTACT_STAGE);
    Press(VK_LBUTTON, 1); // the start frame is the first update of the stage
    float grace = 0.0f, fireBlock = 0.0f;
    GameStateGetTimers(&grace, &fireBlock, nullptr);
    EXPECT_EQ(grace, SPAWN_GRACE_MS - 32.0f); // the start frame and the release frame
    EXPECT_EQ(fireBlock, FIRE_BLOCK_MS - 32.0f);
    // 500 ms of grace at 16 ms a frame: 31 updates leave 4 ms, the 32nd ends it.
    int frames = 2;
    while (GameStateGetMode() == MODE_PLAYING && frames < 40) {
        Frame();
        frames++;
    }
    EXPECT_EQ(GameStateGetMode(), MODE_GAME_OVER);
    EXPECT_EQ(frames, 32);
    GameStateGetTimers(&grace, &fireBlock, nullptr);
    EXPECT_EQ(grace, 0.0f); // stopped at 0, not below
    EXPECT_EQ(fireBlock, 0.0f);
    EXPECT_TRUE(VoicePlaying(SFX_GAME_OVER));
    EXPECT_EQ(AudioGetTrack(), TRACK_MENU);
}

TEST_F(GameFlow, ContactAndGoalTogetherGiveGameOver) {
    UseStage("contact-goal.txt", "##########\n"
                                 "#.........\n"
                                 "#.........\n"
                                 "#..E......\n"
                                 "#..G......\n"
                                 "#..S......\n"
                                 "##########\n");
    // Flying, nothing ends the run while the grace runs out.
    MainOnKeyDown(VK_F);
    Frames(40);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    MainOnKeyDown(VK_F);
    Frame();
    EXPECT_EQ(GameStateGetMode(), MODE_GAME_OVER);
}

TEST_F(GameFlow, TheGoalCountsDuringTheGrace) {
    UseStage("goal.txt", "##########\n"
                         "#.........\n"
                         "#..G......\n"
                         "#..S......\n"
                         "##########\n");
    Press(VK_LBUTTON, 1);
    EXPECT_EQ(GameStateGetMode(), MODE_STAGE_CLEAR);
    EXPECT_TRUE(VoicePlaying(SFX_STAGE_CLEAR));
}

TEST_F(GameFlow, RetryAndEscapeInOneSnapshotLoadTheStageThenShowTheTitle) {
    UseStage("contact.txt", CONTACT_STAGE);
    Press(VK_LBUTTON, 1);
    Frames(40);
    ASSERT_EQ(GameStateGetMode(), MODE_GAME_OVER);
    // The polled path alone: both keys go down without key-down messages.
    HeadlessSetKeyState(VK_R, 1);
    HeadlessSetKeyState(VK_ESCAPE, 1);
    Frame();
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    EXPECT_TRUE(VoicePlaying(SFX_START));
    const Player* player = GameStateGetPlayer();
    EXPECT_EQ(player->body.x, GameStateGetMap()->spawnX);
    EXPECT_EQ(player->body.y, GameStateGetMap()->spawnY);
}

TEST_F(GameFlow, RetryByMessageRestartsFromTheGameOverScreen) {
    UseStage("contact.txt", CONTACT_STAGE);
    Press(VK_LBUTTON, 1);
    Frames(40);
    ASSERT_EQ(GameStateGetMode(), MODE_GAME_OVER);
    HeadlessSetKeyDown(VK_R, 1);
    Frame();
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    HeadlessSetKeyDown(VK_R, 0);
    Frames(10);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING); // a fresh grace
}

TEST_F(GameFlow, BlinkAdvancesOnFramesOfZeroTime) {
    // The counter gains 1 per update below 20 ms: shown for counts 0..29, hidden from 30.
    Frames(28, 0); // and the set-up frame: 29
    EXPECT_TRUE(PromptShown());
    Frame(0);
    EXPECT_FALSE(PromptShown());
    // 50 ms steps add 3 each.
    Frames(10, 50);
    EXPECT_TRUE(PromptShown()); // 30 + 30 = 60: phase 2
}

TEST_F(GameFlow, TitleScreenTexts) {
    Frame();
    int32_t w = 0, h = 0;
    const uint32_t* image = HeadlessPresentedImage(&w, &h);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(w, 320);
    // "SHOTGUN-KALVORO" at scale 2 from x 40, y 60: the S's top row starts at column 1 of its glyph.
    EXPECT_EQ(image[60 * 320 + 40 + 2], 0xFFFFFFu);
    EXPECT_EQ(image[60 * 320 + 40], 0x58A4D8u);
}

TEST(FrameTime, UnsignedDifferenceCappedAtFifty) {
    EXPECT_EQ(MainMeasureDt(1000, 1016), 16.0f);
    EXPECT_EQ(MainMeasureDt(1000, 1000), 0.0f);
    EXPECT_EQ(MainMeasureDt(1000, 1000 + 600000), 50.0f);
    EXPECT_EQ(MainMeasureDt(0xFFFFFFF0u, 0x00000010u), 32.0f);
}

} // namespace
