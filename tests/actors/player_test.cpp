// player_test.cpp -- the shot (recoil, pellets, kills, walls, sounds), reload on R, the sub-stepped
// update, debug flight, goal and fall tests, and the heads-up display.
#include "actors/player.h"

#include <gtest/gtest.h>
#include <math.h>

#include <vector>

#include "actor_test_support.h"

static const uint32_t FLASH_YELLOW = 0xD0DC78;
static const uint32_t SPENT_GREY = 0x7C807B;
static const uint32_t RELOAD_BLUE = 0x65DBEF;
static const uint32_t WHITE = 0xFFFFFF;

using Effects = std::vector<int32_t>;

class PlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = TestOpenInput();
        AudioInit();
        TestMakeStage(&map, 20, 15);
        PlayerReset(&player, 100.0f, 100.0f);
    }

    // A fresh click at (x, y), then the shot at that frame.
    void ClickAndFire(int32_t x, int32_t y, Enemy* enemies = nullptr, int count = 0) {
        TestClick(window, x, y);
        PlayerTryFire(&player, &map, enemies, count);
    }

    PlatformWindow* window = nullptr;
    static Tilemap map;
    Player player;
};
Tilemap PlayerTest::map;

TEST_F(PlayerTest, ResetPutsThePlayerAtRestWithAFullMagazine) {
    ClickAndFire(200, 100);
    PlayerReset(&player, 40.0f, 60.0f);
    EXPECT_EQ(player.body.x, 40.0f);
    EXPECT_EQ(player.body.y, 60.0f);
    EXPECT_EQ(player.body.vx, 0.0f);
    EXPECT_EQ(player.body.vy, 0.0f);
    EXPECT_EQ(player.body.onGround, 0);
    EXPECT_EQ(player.shotgun.def, &gS686Def);
    EXPECT_EQ(player.shotgun.shells, 2);
    EXPECT_EQ(player.aimAngle, 0.0f);
    EXPECT_EQ(player.flashMs, 0.0f);
    EXPECT_EQ(player.pelletCount, 0);
}

TEST_F(PlayerTest, AimAboveGivesNoRecoilButStillShootsAndKills) {
    Enemy enemy;
    EnemyInit(&enemy, 100.0f, 70.0f);
    player.body.vx = 0.1f;
    player.body.vy = 0.05f;
    player.body.onGround = 1;
    ClickAndFire(100, 40, &enemy, 1);
    EXPECT_EQ(player.body.vx, 0.1f);
    EXPECT_EQ(player.body.vy, 0.05f);
    EXPECT_EQ(player.body.onGround, 1);
    EXPECT_EQ(player.shotgun.shells, 1);
    EXPECT_EQ(player.pelletCount, 8);
    EXPECT_EQ(player.flashMs, 80.0f);
    EXPECT_FLOAT_EQ(player.aimAngle, -1.5707964f);
    EXPECT_EQ(enemy.state, ENEMY_DEAD);
    EXPECT_EQ(TestSoundingEffects(), (Effects{SFX_HIT, SFX_SHOT}));
}

TEST_F(PlayerTest, LevelAimPushesStraightBack) {
    player.body.onGround = 1;
    player.body.vy = 0.07f;
    ClickAndFire(200, 100);
    EXPECT_EQ(player.aimAngle, 0.0f);
    EXPECT_EQ(player.body.vx, -0.48f);
    EXPECT_EQ(player.body.vy, 0.0f);
    EXPECT_EQ(player.body.onGround, 0);
    EXPECT_EQ(player.body.x, 100.0f); // only the velocity changes in the shot
    EXPECT_EQ(player.pellets[0].originX, 100.0f);
    EXPECT_EQ(player.pellets[0].originY, 96.0f);
    EXPECT_EQ(TestSoundingEffects(), (Effects{SFX_SHOT}));
}

TEST_F(PlayerTest, AimStraightDownMakesThePlayerRise) {
    ClickAndFire(100, 190);
    EXPECT_EQ(player.body.vy, -0.48f);
    EXPECT_NEAR(player.body.vx, 0.0f, 1e-7f);
    PlayerUpdate(&player, &map, 16.0f);
    EXPECT_LT(player.body.y, 100.0f);
}

TEST_F(PlayerTest, SecondShotReplacesTheFallAndAThirdDoesNothing) {
    ClickAndFire(200, 100);
    player.body.vx = 0.05f;
    player.body.vy = 0.12f; // falling at full speed
    ClickAndFire(40, 160);  // down and to the left: 135 degrees
    EXPECT_NEAR(player.body.vx, 0.48f * 0.70710678f, 1e-6f);
    EXPECT_NEAR(player.body.vy, -0.48f * 0.70710678f, 1e-6f);
    EXPECT_EQ(player.shotgun.shells, 0);

    Body before = player.body;
    float aim = player.aimAngle;
    player.flashMs = 37.0f;
    ClickAndFire(300, 10);
    EXPECT_EQ(player.body.vx, before.vx);
    EXPECT_EQ(player.body.vy, before.vy);
    EXPECT_EQ(player.aimAngle, aim);
    EXPECT_EQ(player.flashMs, 37.0f);
    EXPECT_EQ(player.shotgun.shells, 0);
    EXPECT_EQ(TestSoundingEffects(), (Effects{SFX_SHOT, SFX_SHOT}));
}

TEST_F(PlayerTest, HeldButtonDoesNotRepeat) {
    ClickAndFire(200, 100);
    TestInputFrame(window, 200, 100, 1);
    PlayerTryFire(&player, &map, nullptr, 0);
    EXPECT_EQ(player.shotgun.shells, 1);
}

TEST_F(PlayerTest, ClickWhileReloadingChangesNothing) {
    Enemy enemy;
    EnemyInit(&enemy, 40.0f, 98.0f);
    ClickAndFire(200, 100);
    TestPressKey(window, KEY_R_CODE);
    PlayerTryReload(&player);
    ASSERT_EQ(ShotgunIsReloading(&player.shotgun), 1);
    player.aimAngle = 0.7f;
    player.flashMs = 12.0f;
    Body before = player.body;
    PelletRay ray0 = player.pellets[0];

    ClickAndFire(10, 100, &enemy, 1); // straight at the enemy
    EXPECT_EQ(player.aimAngle, 0.7f);
    EXPECT_EQ(player.flashMs, 12.0f);
    EXPECT_EQ(player.shotgun.shells, 1);
    EXPECT_EQ(player.body.vx, before.vx);
    EXPECT_EQ(player.body.vy, before.vy);
    EXPECT_EQ(player.pellets[0].dirX, ray0.dirX);
    EXPECT_EQ(enemy.state, ENEMY_ALIVE);
    EXPECT_EQ(TestSoundingEffects(), (Effects{SFX_SHOT, SFX_RELOAD}));
}

TEST_F(PlayerTest, ReloadOnlyOnRAndOnlyWhenShellsAreMissing) {
    TestPressKey(window, KEY_R_CODE);
    PlayerTryReload(&player);
    EXPECT_EQ(ShotgunIsReloading(&player.shotgun), 0);
    EXPECT_TRUE(TestSoundingEffects().empty());

    // Empty: never reloaded by itself.
    ClickAndFire(200, 100);
    ClickAndFire(200, 100);
    PlayerUpdate(&player, &map, 50.0f);
    EXPECT_EQ(ShotgunIsReloading(&player.shotgun), 0);
    EXPECT_EQ(player.shotgun.shells, 0);

    TestPressKey(window, KEY_R_CODE);
    PlayerUpdate(&player, &map, 0.0f);
    EXPECT_EQ(ShotgunIsReloading(&player.shotgun), 1);
    EXPECT_EQ(player.shotgun.reloadMs, 1200.0f);
    PlayerUpdate(&player, &map, 100.0f);
    TestPressKey(window, KEY_R_CODE);
    PlayerUpdate(&player, &map, 0.0f);
    EXPECT_EQ(player.shotgun.reloadMs, 1100.0f);
    EXPECT_EQ(TestSoundingEffects(), (Effects{SFX_SHOT, SFX_SHOT, SFX_RELOAD}));
}

TEST_F(PlayerTest, LongFrameCountsFullyForTimersButOnly33MsForPhysics) {
    ClickAndFire(200, 100);
    TestPressKey(window, KEY_R_CODE);
    PlayerTryReload(&player);
    Player twin = player;
    player.body.vx = 0.1f;
    twin.body.vx = 0.1f;
    PlayerUpdate(&player, &map, 50.0f);
    PlayerUpdate(&twin, &map, 33.0f);
    EXPECT_EQ(player.shotgun.reloadMs, 1150.0f);
    EXPECT_EQ(player.flashMs, 30.0f);
    EXPECT_EQ(player.body.x, twin.body.x);
    EXPECT_EQ(player.body.y, twin.body.y);
    EXPECT_EQ(player.body.vy, twin.body.vy);
    EXPECT_NEAR(player.body.x, 103.3f, 1e-4f);

    PlayerUpdate(&player, &map, 50.0f);
    EXPECT_EQ(player.flashMs, -20.0f); // not clamped
    PlayerUpdate(&player, &map, 50.0f);
    EXPECT_EQ(player.flashMs, -20.0f); // no longer counted once at or below 0
}

TEST_F(PlayerTest, GroundFrictionActsOncePerSubStep) {
    TestFillRow(&map, 10, 0, 19); // top at y = 160
    player.body.y = 160.0f - 14.05f;
    player.body.onGround = 1;
    player.body.vx = 0.1f;
    PlayerUpdate(&player, &map, 33.0f); // sixteen 2 ms steps and one 1 ms step
    float vx = 0.1f;
    for (int i = 0; i < 17; ++i) {
        vx = vx * 0.88f;
    }
    EXPECT_FLOAT_EQ(player.body.vx, vx);
    EXPECT_EQ(player.body.onGround, 1);
    EXPECT_FLOAT_EQ(player.body.y, 160.0f - 14.05f);
}

TEST_F(PlayerTest, ClickInTheFrameAReloadCompletesIsRefused) {
    ClickAndFire(200, 100);
    ClickAndFire(200, 100);
    TestPressKey(window, KEY_R_CODE);
    PlayerTryReload(&player);
    PlayerUpdate(&player, &map, 1150.0f);
    ASSERT_EQ(player.shotgun.reloadMs, 50.0f);

    ClickAndFire(200, 100); // this frame's shot check runs before its reload countdown
    PlayerUpdate(&player, &map, 50.0f);
    EXPECT_EQ(ShotgunIsReloading(&player.shotgun), 0);
    EXPECT_EQ(player.shotgun.shells, 2);

    TestInputFrame(window, 200, 100, 1); // still held: the press is not remembered
    PlayerTryFire(&player, &map, nullptr, 0);
    EXPECT_EQ(player.shotgun.shells, 2);
    ClickAndFire(200, 100);
    EXPECT_EQ(player.shotgun.shells, 1);
}

TEST_F(PlayerTest, DebugFlightZeroesRecoilAndFreezesTimers) {
    Enemy enemy;
    EnemyInit(&enemy, 140.0f, 98.0f);
    ClickAndFire(200, 100, &enemy, 1);
    TestPressKey(window, KEY_R_CODE);
    PlayerTryReload(&player);
    EXPECT_EQ(enemy.state, ENEMY_DEAD);
    EXPECT_EQ(player.body.vx, -0.48f);

    HeadlessSetKeyDown('D', 1);
    TestInputFrame(window, 10, 10, 0); // cursor moved, R pressed again below
    TestPressKey(window, KEY_R_CODE);
    PlayerDebugFlyUpdate(&player, 16.0f);
    EXPECT_EQ(player.body.vx, 0.0f);
    EXPECT_EQ(player.body.vy, 0.0f);
    EXPECT_EQ(player.body.onGround, 0);
    EXPECT_EQ(player.body.x, 100.0f + 0.19f * 16.0f);
    EXPECT_EQ(player.body.y, 100.0f);
    EXPECT_EQ(player.flashMs, 80.0f);
    EXPECT_EQ(player.shotgun.reloadMs, 1200.0f);
    EXPECT_EQ(player.aimAngle, 0.0f);

    HeadlessSetKeyDown('D', 0);
    HeadlessSetKeyDown('W', 1);
    HeadlessSetKeyDown('A', 1);
    InputUpdate(window);
    float x = player.body.x;
    PlayerDebugFlyUpdate(&player, 10.0f);
    EXPECT_EQ(player.body.x, x - 0.19f * 10.0f);
    EXPECT_EQ(player.body.y, 100.0f - 0.19f * 10.0f);
    HeadlessSetKeyDown('W', 0);
    HeadlessSetKeyDown('A', 0);
}

TEST_F(PlayerTest, FallenOffOnlyBelowTwoTilesUnderTheStage) {
    player.body.y = 272.0f;
    EXPECT_EQ(PlayerFellOff(&player, &map), 0);
    player.body.y = nextafterf(272.0f, 300.0f);
    EXPECT_EQ(PlayerFellOff(&player, &map), 1);
    EXPECT_EQ(PlayerFellOff(&player, nullptr), 0);
    EXPECT_EQ(PlayerFellOff(nullptr, &map), 0);
}

TEST_F(PlayerTest, GoalCountsInItsTileAndTheTileBelow) {
    TilemapSetTile(&map, 5, 3, TILE_GOAL);
    TilemapSetTile(&map, 0, 8, TILE_GOAL);
    player.body.x = 88.0f;
    player.body.y = 56.0f; // in the goal tile
    EXPECT_EQ(PlayerReachedGoal(&player, &map), 1);
    player.body.y = 72.0f; // in the tile below it
    EXPECT_EQ(PlayerReachedGoal(&player, &map), 1);
    player.body.y = 40.0f; // in the tile above it
    EXPECT_EQ(PlayerReachedGoal(&player, &map), 0);
    player.body.y = 90.0f; // two tiles below
    EXPECT_EQ(PlayerReachedGoal(&player, &map), 0);
    // Truncated toward zero: x = -4 is column 0.
    player.body.x = -4.0f;
    player.body.y = 136.0f;
    EXPECT_EQ(PlayerReachedGoal(&player, &map), 1);
    EXPECT_EQ(PlayerReachedGoal(&player, nullptr), 0);
}

TEST_F(PlayerTest, EightPelletsIntoOneEnemyKillItOnce) {
    Enemy enemy;
    EnemyInit(&enemy, 140.0f, 98.0f);
    ClickAndFire(200, 100, &enemy, 1);
    EXPECT_EQ(enemy.state, ENEMY_DEAD);
    EXPECT_EQ(TestSoundingEffects(), (Effects{SFX_HIT, SFX_SHOT}));
    // Every one of the eight pellets reaches it.
    Enemy fresh;
    EnemyInit(&fresh, 140.0f, 98.0f);
    for (int i = 0; i < player.pelletCount; ++i) {
        EXPECT_EQ(PelletHitEnemy(&player.pellets[i], &fresh, 1, nullptr), 1) << "ray " << i;
    }
}

TEST_F(PlayerTest, OneShotThroughThreeEnemiesInALine) {
    Enemy enemies[3];
    EnemyInit(&enemies[0], 190.0f, 98.0f);
    EnemyInit(&enemies[1], 130.0f, 98.0f);
    EnemyInit(&enemies[2], 160.0f, 98.0f);
    ClickAndFire(300, 100, enemies, 3);
    for (const Enemy& e : enemies) {
        EXPECT_EQ(e.state, ENEMY_DEAD);
    }
    EXPECT_EQ(TestSoundingEffects(), (Effects{SFX_HIT, SFX_HIT, SFX_HIT, SFX_SHOT}));
}

TEST_F(PlayerTest, WallsStopPellets) {
    Enemy enemies[3];
    EnemyInit(&enemies[0], 170.0f, 98.0f); // behind the wall, 70 px away
    EnemyInit(&enemies[1], 120.0f, 98.0f); // in front of it
    EnemyInit(&enemies[2], 135.5f, 98.0f); // box from x = 128.5: reached only by samples in the wall
    TestFillColumn(&map, 8, 0, 14);        // x 128..144
    ClickAndFire(300, 100, enemies, 3);
    EXPECT_EQ(enemies[0].state, ENEMY_ALIVE);
    EXPECT_EQ(enemies[1].state, ENEMY_DEAD);
    EXPECT_EQ(enemies[2].state, ENEMY_ALIVE);
    EXPECT_EQ(TestSoundingEffects(), (Effects{SFX_HIT, SFX_SHOT}));

    // The tracers end on the wall.
    TestClearScreen();
    PlayerRender(&player, 0.0f, 0.0f);
    EXPECT_GT(TestCountColour(FLASH_YELLOW), 0);
    for (int i = 0; i < player.pelletCount; ++i) {
        float x = 0.0f;
        float y = 0.0f;
        PelletResolveTiles(&player.pellets[i], &map, &x, &y);
        EXPECT_LT(x, 130.0f);
        EXPECT_EQ(TestPixel((int32_t)lroundf(x), (int32_t)lroundf(y)), FLASH_YELLOW) << "ray " << i;
    }
    for (int32_t y = 0; y < LOGICAL_HEIGHT; ++y) {
        for (int32_t x = 131; x < LOGICAL_WIDTH; ++x) {
            ASSERT_NE(TestPixel(x, y), FLASH_YELLOW) << x << "," << y;
        }
    }
}

TEST_F(PlayerTest, WithoutTheWallTheSameEnemyDiesAndTracersRunFullLength) {
    Enemy enemy;
    EnemyInit(&enemy, 170.0f, 98.0f);
    ClickAndFire(300, 100, &enemy, 1);
    EXPECT_EQ(enemy.state, ENEMY_DEAD);
    TestClearScreen();
    PlayerRender(&player, 0.0f, 0.0f);
    EXPECT_EQ(TestPixel(219, 83), FLASH_YELLOW); // ray 0 ends 120 px out at -6 degrees
    EXPECT_EQ(TestPixel(219, 109), FLASH_YELLOW);
}

TEST_F(PlayerTest, FlashAndTracersOnlyWhileTheFlashTimerRuns) {
    ClickAndFire(200, 100);
    TestClearScreen();
    PlayerRender(&player, 0.0f, 0.0f);
    EXPECT_EQ(TestPixel(114, 92), FLASH_YELLOW); // the flash at the gun's end
    PlayerUpdate(&player, &map, 33.0f);
    PlayerUpdate(&player, &map, 33.0f);
    PlayerUpdate(&player, &map, 14.0f); // 80 ms: the flash is over
    TestClearScreen();
    PlayerRender(&player, 0.0f, 0.0f);
    EXPECT_EQ(TestCountColour(FLASH_YELLOW), 0);
    EXPECT_GT(TestCountColour(0xB95E51), 0);
}

TEST_F(PlayerTest, HudShellsReloadBarAndCrosshair) {
    ClickAndFire(160, 100);
    TestPressKey(window, KEY_R_CODE);
    PlayerTryReload(&player);
    TestClearScreen();
    PlayerRenderHud(&player);
    EXPECT_EQ(TestPixel(8, 8), FLASH_YELLOW); // loaded
    EXPECT_EQ(TestPixel(18, 8), SPENT_GREY);  // spent
    EXPECT_EQ(TestPixel(8, 18), WHITE);
    EXPECT_EQ(TestPixel(41, 23), WHITE);
    for (int32_t x = 9; x <= 40; ++x) {
        EXPECT_NE(TestPixel(x, 19), RELOAD_BLUE) << x; // 0 px at the start
    }
    EXPECT_EQ(TestPixel(156, 100), WHITE);
    EXPECT_EQ(TestPixel(164, 100), WHITE);
    EXPECT_EQ(TestPixel(160, 96), WHITE);
    EXPECT_EQ(TestPixel(160, 104), WHITE);

    PlayerUpdate(&player, &map, 600.0f);
    TestClearScreen();
    PlayerRenderHud(&player);
    for (int32_t x = 9; x <= 24; ++x) {
        EXPECT_EQ(TestPixel(x, 19), RELOAD_BLUE) << x;
        EXPECT_EQ(TestPixel(x, 22), RELOAD_BLUE) << x;
    }
    EXPECT_NE(TestPixel(25, 19), RELOAD_BLUE);
    int textPixels = 0;
    for (int32_t y = 26; y < 34; ++y) {
        for (int32_t x = 8; x < 56; ++x) {
            textPixels += (TestPixel(x, y) == RELOAD_BLUE) ? 1 : 0;
        }
    }
    EXPECT_GT(textPixels, 0);

    // Without a reload there is no bar.
    PlayerUpdate(&player, &map, 600.0f);
    TestClearScreen();
    PlayerRenderHud(&player);
    EXPECT_EQ(TestCountColour(RELOAD_BLUE), 0);
    EXPECT_EQ(TestPixel(18, 8), FLASH_YELLOW);
}

TEST_F(PlayerTest, NullPlayerAndMapAreIgnored) {
    TestClick(window, 200, 100);
    PlayerTryFire(nullptr, &map, nullptr, 0);
    PlayerTryFire(&player, nullptr, nullptr, 0);
    EXPECT_EQ(player.shotgun.shells, 2);
    PlayerUpdate(&player, nullptr, 16.0f);
    EXPECT_EQ(player.body.y, 100.0f);
    PlayerUpdate(nullptr, &map, 16.0f);
    PlayerDebugFlyUpdate(nullptr, 16.0f);
    PlayerTryReload(nullptr);
    PlayerRender(nullptr, 0.0f, 0.0f);
    PlayerRenderHud(nullptr);
    EXPECT_TRUE(TestSoundingEffects().empty());
}
