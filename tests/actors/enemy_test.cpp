// enemy_test.cpp -- spawning, patrol with ledge and wall turns, death, contact and drawing.
#include "actors/enemy.h"

#include <gtest/gtest.h>

#include "actor_test_support.h"

static const uint32_t ENEMY_GREEN = 0x3EB849;
static const uint32_t DEAD_GREY = 0x7C807B;

TEST(EnemySpawn, FirstEightMarkersWithAlternatingDirections) {
    static Tilemap map;
    TestMakeStage(&map, 40, 15);
    map.enemySpawnCount = 11;
    for (int i = 0; i < 11; ++i) {
        map.enemySpawnX[i] = 24.0f + 16.0f * (float)i;
        map.enemySpawnY[i] = 40.0f + (float)i;
    }
    Enemy enemies[MAX_ENEMIES];
    enemies[3].state = ENEMY_DEAD;
    enemies[3].animMs = 99.0f;
    int count = 0;
    EnemySpawnDefaults(enemies, &count, &map);
    ASSERT_EQ(count, 8);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(enemies[i].x, 24.0f + 16.0f * (float)i);
        EXPECT_EQ(enemies[i].y, 40.0f + (float)i);
        EXPECT_EQ(enemies[i].dir, (i % 2 == 0) ? -1 : 1) << i;
        EXPECT_EQ(enemies[i].state, ENEMY_ALIVE);
        EXPECT_EQ(enemies[i].animMs, 0.0f);
        EXPECT_EQ(enemies[i].deathMs, 0.0f);
    }
}

TEST(EnemySpawn, FourFixedEnemiesWithoutMarkers) {
    static Tilemap map;
    TestMakeStage(&map, 80, 15);
    Enemy enemies[MAX_ENEMIES];
    int count = 0;
    EnemySpawnDefaults(enemies, &count, &map);
    ASSERT_EQ(count, 4);
    const float xs[4] = {200.0f, 320.0f, 480.0f, 592.0f};
    const float ys[4] = {216.0f, 216.0f, 216.0f, 128.0f};
    const int dirs[4] = {-1, 1, -1, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(enemies[i].x, xs[i]);
        EXPECT_EQ(enemies[i].y, ys[i]);
        EXPECT_EQ(enemies[i].dir, dirs[i]);
    }
    // The first three probe the bottom row of tiles.
    EXPECT_EQ((int)((enemies[0].y + 18.0f) * 0.0625f), 14);
    // Every record of the array is cleared, not only those in use.
    EXPECT_EQ(enemies[7].x, 0.0f);
    EXPECT_EQ(enemies[7].dir, -1);

    int untouched = 5;
    EnemySpawnDefaults(enemies, &untouched, nullptr);
    EnemySpawnDefaults(nullptr, &untouched, &map);
    EXPECT_EQ(untouched, 5);
}

TEST(EnemyBox, HitboxAroundTheReferencePoint) {
    Enemy e;
    EnemyInit(&e, 100.0f, 50.0f);
    AABB box = EnemyGetHitbox(&e);
    EXPECT_EQ(box.x, 93.0f);
    EXPECT_EQ(box.x + box.w, 107.0f);
    EXPECT_EQ(box.y, 36.0f);
    EXPECT_EQ(box.y + box.h, 60.0f);
    AABB none = EnemyGetHitbox(nullptr);
    EXPECT_EQ(none.x + none.y + none.w + none.h, 0.0f);
}

class EnemyPatrol : public ::testing::Test {
  protected:
    // Ground on row 5 (y 80..96), columns 2..9; an enemy at y = 62 probes row 5 (62 + 18 = 80).
    void SetUp() override {
        TestMakeStage(&map, 20, 8);
        TestFillRow(&map, 5, 2, 9);
    }
    static Tilemap map;
};
Tilemap EnemyPatrol::map;

TEST_F(EnemyPatrol, ThirtyFivePixelsPerSecond) {
    Enemy e;
    EnemyInit(&e, 120.0f, 62.0f);
    e.dir = 1;
    for (int i = 0; i < 50; ++i) {
        EnemyUpdate(&e, 1, &map, 20.0f);
    }
    EXPECT_NEAR(e.x, 155.0f, 1e-3f);
    EXPECT_EQ(e.y, 62.0f);
    EXPECT_EQ(e.dir, 1);
    EXPECT_FLOAT_EQ(e.animMs, 1000.0f);
}

TEST_F(EnemyPatrol, TurnsOnceTheCentrePassesTheLedgeAndStepsBack) {
    Enemy e;
    EnemyInit(&e, 158.0f, 62.0f);
    e.dir = 1;
    float before = e.x;
    int updates = 0;
    while (e.dir == 1 && updates < 100) {
        before = e.x;
        EnemyUpdate(&e, 1, &map, 10.0f);
        ++updates;
    }
    ASSERT_EQ(e.dir, -1);
    EXPECT_LT(before, 160.0f);                   // still over column 9 before the turn
    EXPECT_FLOAT_EQ(e.x, before + 0.35f - 2.0f); // past the edge, then 2 px back
    // Back over the ground it walks left without turning again.
    EnemyUpdate(&e, 1, &map, 10.0f);
    EXPECT_EQ(e.dir, -1);
}

TEST_F(EnemyPatrol, TurnsAtAWallTenPixelsAhead) {
    TilemapSetTile(&map, 7, 3, TILE_PILLAR); // x 112..128 at the reference height (row 3)
    Enemy e;
    EnemyInit(&e, 100.0f, 62.0f);
    e.dir = 1;
    float before = e.x;
    while (e.dir == 1) {
        before = e.x;
        EnemyUpdate(&e, 1, &map, 10.0f);
    }
    EXPECT_LT(before + 10.0f, 112.0f);
    EXPECT_GE(before + 0.35f + 10.0f, 112.0f);
    EXPECT_FLOAT_EQ(e.x, before + 0.35f - 2.0f);
}

TEST_F(EnemyPatrol, ProbesTruncateTowardZero) {
    TilemapSetTile(&map, 0, 5, TILE_GROUND);
    Enemy e;
    EnemyInit(&e, -8.0f, 62.0f); // walking left; column trunc(-0.5) = 0 is ground
    EnemyUpdate(&e, 1, &map, 1.0f);
    EXPECT_EQ(e.dir, -1);
    EXPECT_FLOAT_EQ(e.x, -8.035f);
}

TEST_F(EnemyPatrol, WithoutFloorItJittersInPlace) {
    Enemy e;
    EnemyInit(&e, 250.0f, 62.0f); // past the end of the ground: nothing under it
    for (int i = 0; i < 101; ++i) {
        EnemyUpdate(&e, 1, &map, 10.0f);
        EXPECT_GE(e.x, 249.0f);
        EXPECT_LE(e.x, 252.5f);
    }
    EXPECT_EQ(e.y, 62.0f);
    EXPECT_EQ(e.dir, 1); // it turned on each of the 101 updates
    EXPECT_EQ(e.state, ENEMY_ALIVE);
}

TEST_F(EnemyPatrol, DeadEnemiesSinkAndStayInTheArray) {
    Enemy e[2];
    EnemyInit(&e[0], 120.0f, 62.0f);
    EnemyInit(&e[1], 140.0f, 62.0f);
    EnemyApplyHit(&e[0]);
    EnemyUpdate(e, 2, &map, 100.0f);
    EXPECT_EQ(e[0].x, 120.0f);
    EXPECT_FLOAT_EQ(e[0].y, 66.0f);
    EXPECT_FLOAT_EQ(e[0].deathMs, 100.0f);
    EXPECT_FLOAT_EQ(e[0].deathSpread, 1.0f);
    EXPECT_FLOAT_EQ(e[0].animMs, 100.0f);
    EXPECT_NE(e[1].x, 140.0f);
    // A second hit changes nothing.
    EnemyApplyHit(&e[0]);
    EnemyKill(&e[0]);
    EXPECT_EQ(e[0].state, ENEMY_DEAD);
    EXPECT_FLOAT_EQ(e[0].deathMs, 100.0f);
}

TEST(EnemyContact, StrictOverlapAndOnlyTheLiving) {
    Enemy e;
    EnemyInit(&e, 100.0f, 50.0f); // box x 93..107, y 36..60
    // The player box is 12 x 24: at px = 87 its right edge lies on x = 93.
    EXPECT_EQ(EnemyCheckPlayerContact(&e, 1, 87.0f, 48.0f), 0);
    EXPECT_EQ(EnemyCheckPlayerContact(&e, 1, 87.01f, 48.0f), 1);
    EXPECT_EQ(EnemyCheckPlayerContact(&e, 1, 100.0f, 72.0f), 0); // top edge on the box's bottom
    EXPECT_EQ(EnemyCheckPlayerContact(&e, 1, 100.0f, 71.9f), 1);
    EnemyKill(&e);
    EXPECT_EQ(EnemyCheckPlayerContact(&e, 1, 100.0f, 50.0f), 0);
    EXPECT_EQ(EnemyCheckPlayerContact(nullptr, 1, 100.0f, 50.0f), 0);
    EXPECT_EQ(EnemyCheckPlayerContact(&e, 0, 100.0f, 50.0f), 0);
}

TEST(EnemyDraw, TruncatesToTheScreenAndHidesTheLongDead) {
    Enemy e;
    EnemyInit(&e, 106.9f, 100.0f); // body from x 100.9: truncated to 100, rounding would give 101
    TestClearScreen();
    EnemyRender(&e, 1, 0.0f, 0.0f);
    EXPECT_EQ(TestPixel(100, 90), ENEMY_GREEN);
    EXPECT_EQ(TestPixel(99, 90), 0u);
    EXPECT_EQ(TestPixel(111, 90), ENEMY_GREEN);
    EXPECT_EQ(TestPixel(112, 90), 0u);

    EnemyKill(&e);
    e.deathMs = 2999.0f;
    TestClearScreen();
    EnemyRender(&e, 1, 0.0f, 0.0f);
    EXPECT_GT(TestCountColour(DEAD_GREY), 0);
    EXPECT_EQ(TestCountColour(ENEMY_GREEN), 0);
    e.deathMs = 3000.0f;
    TestClearScreen();
    EnemyRender(&e, 1, 0.0f, 0.0f);
    EXPECT_EQ(TestCountColour(DEAD_GREY), 0);
}
