// projectile_test.cpp -- the even pellet fan, the 2 px marches against enemies and tiles, the wall
// cut, and the tracers.
#include "actors/projectile.h"

#include <gtest/gtest.h>
#include <math.h>

#include "actor_test_support.h"
#include "app/utils.h"

static const uint32_t TRACER = 0xD0DC78;

static PelletRay TestRay(float ox, float oy, float dx, float dy, float range) {
    PelletRay ray = {ox, oy, dx, dy, range, 1, 0};
    return ray;
}

static double RayAngleDeg(const PelletRay& ray) {
    return atan2((double)ray.dirY, (double)ray.dirX) * 180.0 / 3.14159265358979323846;
}

TEST(PelletFan, EightRaysTwelveDegreesEvenlyAroundTheAim) {
    PelletRay rays[MAX_PELLETS];
    int n = -1;
    const float aim = 0.3f;
    PelletFireSpread(10.0f, 20.0f, aim, 8, 12.0f, 120.0f, rays, &n);
    ASSERT_EQ(n, 8);
    const double aimDeg = (double)aim * 180.0 / 3.14159265358979323846;
    for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(RayAngleDeg(rays[i]), aimDeg - 6.0 + i * 12.0 / 7.0, 1e-4) << "ray " << i;
        EXPECT_EQ(rays[i].originX, 10.0f);
        EXPECT_EQ(rays[i].originY, 20.0f);
        EXPECT_EQ(rays[i].range, 120.0f);
        EXPECT_EQ(rays[i].active, 1);
        EXPECT_EQ(rays[i].stopSample, 0);
        // No ray lies on the aim itself.
        EXPECT_GT(fabs(RayAngleDeg(rays[i]) - aimDeg), 0.8);
    }
    const float half = 0.5f * 12.0f * 3.1415927f / 180.0f;
    EXPECT_EQ(rays[0].dirX, MathCos(aim - half));
    EXPECT_EQ(rays[0].dirY, MathSin(aim - half));
    EXPECT_EQ(rays[7].dirY, MathSin(aim + half));
}

TEST(PelletFan, CountIsClampedAndOneRayLiesOnTheAim) {
    PelletRay rays[MAX_PELLETS];
    const float aim = -1.1f;
    for (int count : {1, 0, -3}) {
        int n = -1;
        PelletFireSpread(0.0f, 0.0f, aim, count, 12.0f, 120.0f, rays, &n);
        EXPECT_EQ(n, 1) << count;
        EXPECT_EQ(rays[0].dirX, MathCos(aim));
        EXPECT_EQ(rays[0].dirY, MathSin(aim));
    }
    int n = 0;
    PelletFireSpread(0.0f, 0.0f, 0.0f, 2, 12.0f, 120.0f, rays, &n);
    ASSERT_EQ(n, 2);
    EXPECT_NEAR(RayAngleDeg(rays[0]), -6.0, 1e-4);
    EXPECT_NEAR(RayAngleDeg(rays[1]), 6.0, 1e-4);

    PelletRay wide[MAX_PELLETS];
    PelletFireSpread(0.0f, 0.0f, 0.0f, 20, 12.0f, 120.0f, wide, &n);
    EXPECT_EQ(n, 16);
    EXPECT_NEAR(RayAngleDeg(wide[0]), -6.0, 1e-4);
    EXPECT_NEAR(RayAngleDeg(wide[15]), 6.0, 1e-4);

    PelletFireSpread(0.0f, 0.0f, 0.25f, 8, 0.0f, 120.0f, rays, &n);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(rays[i].dirX, MathCos(0.25f));
    }
}

TEST(PelletFan, NullOutputsWriteNothing) {
    PelletRay rays[MAX_PELLETS] = {};
    int n = 77;
    PelletFireSpread(0.0f, 0.0f, 0.0f, 8, 12.0f, 120.0f, nullptr, &n);
    EXPECT_EQ(n, 77);
    PelletFireSpread(0.0f, 0.0f, 0.0f, 8, 12.0f, 120.0f, rays, nullptr);
    EXPECT_EQ(rays[0].active, 0);
}

TEST(PelletHits, EdgesOfTheBoxAreInclusive) {
    Enemy e;
    EnemyInit(&e, 100.0f, 50.0f); // box x 93..107, y 36..60
    int index = -1;
    PelletRay right = TestRay(105.0f, 50.0f, 1.0f, 0.0f, 2.0f); // one sample, at x = 107
    EXPECT_EQ(PelletHitEnemy(&right, &e, 1, &index), 1);
    EXPECT_EQ(index, 0);
    PelletRay past = TestRay(106.0f, 50.0f, 1.0f, 0.0f, 2.0f); // x = 108
    EXPECT_EQ(PelletHitEnemy(&past, &e, 1, nullptr), 0);
    PelletRay bottom = TestRay(100.0f, 58.0f, 0.0f, 1.0f, 2.0f); // y = 60
    EXPECT_EQ(PelletHitEnemy(&bottom, &e, 1, nullptr), 1);
    // The origin itself is never a sample.
    PelletRay inside = TestRay(100.0f, 50.0f, 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(PelletHitEnemy(&inside, &e, 1, nullptr), 0);
    EXPECT_EQ(PelletSampleCount(&inside), 0);
    EXPECT_EQ(PelletHitEnemy(nullptr, &e, 1, nullptr), 0);
    EXPECT_EQ(PelletHitEnemy(&right, nullptr, 1, nullptr), 0);
}

TEST(PelletHits, FirstReachedThenLowestIndexAndDeadAreTransparent) {
    Enemy enemies[3];
    EnemyInit(&enemies[0], 160.0f, 50.0f);
    EnemyInit(&enemies[1], 130.0f, 50.0f);
    EnemyInit(&enemies[2], 130.0f, 52.0f); // overlaps enemy 1 at the same samples
    PelletRay ray = TestRay(100.0f, 50.0f, 1.0f, 0.0f, 120.0f);
    int index = -1;
    EXPECT_EQ(PelletHitEnemy(&ray, enemies, 3, &index), 1);
    EXPECT_EQ(index, 1); // nearer than 0, lower than 2
    EnemyKill(&enemies[1]);
    EXPECT_EQ(PelletHitEnemy(&ray, enemies, 3, &index), 1);
    EXPECT_EQ(index, 2);
    EnemyKill(&enemies[2]);
    EXPECT_EQ(PelletHitEnemy(&ray, enemies, 3, &index), 1);
    EXPECT_EQ(index, 0);
    EnemyKill(&enemies[0]);
    index = -1;
    EXPECT_EQ(PelletHitEnemy(&ray, enemies, 3, &index), 0);
    EXPECT_EQ(index, -1);
}

TEST(PelletTiles, StopsAtTheFirstSampleInASolidTile) {
    static Tilemap map;
    TestMakeStage(&map, 20, 10);
    TestFillColumn(&map, 8, 0, 9); // x 128..144
    float x = 0.0f;
    float y = 0.0f;
    PelletRay ray = TestRay(100.0f, 40.0f, 1.0f, 0.0f, 120.0f);
    PelletResolveTiles(&ray, &map, &x, &y);
    EXPECT_EQ(x, 128.0f);
    EXPECT_EQ(y, 40.0f);
    EXPECT_EQ(PelletFirstSolidSample(&ray, &map, nullptr, nullptr), 14);

    // No wall in reach: the full-length end point.
    PelletRay open = TestRay(300.0f, 40.0f, 0.6f, 0.8f, 120.0f);
    PelletResolveTiles(&open, &map, &x, &y);
    EXPECT_EQ(x, 300.0f + 0.6f * 120.0f);
    EXPECT_EQ(y, 40.0f + 0.8f * 120.0f);
    EXPECT_EQ(PelletFirstSolidSample(&open, &map, &x, &y), 0);

    // Too short to sample: the end point 1 px along, even from inside the wall.
    PelletRay stub = TestRay(130.0f, 40.0f, 1.0f, 0.0f, 1.0f);
    PelletResolveTiles(&stub, &map, &x, &y);
    EXPECT_EQ(x, 131.0f);

    // Starting inside a wall: stopped 2 px out when that sample is still inside.
    PelletRay buried = TestRay(130.0f, 40.0f, 1.0f, 0.0f, 120.0f);
    PelletResolveTiles(&buried, &map, &x, &y);
    EXPECT_EQ(x, 132.0f);
}

TEST(PelletTiles, NegativeCoordinatesFloorOutsideTheMap) {
    static Tilemap map;
    TestMakeStage(&map, 4, 4);
    TilemapSetTile(&map, 0, 0, TILE_GROUND);
    float x = 0.0f;
    float y = 0.0f;
    // Samples at -8, -6, -4, -2 lie in column -1 (floor), not column 0.
    PelletRay ray = TestRay(-10.0f, 8.0f, 1.0f, 0.0f, 120.0f);
    EXPECT_EQ(PelletFirstSolidSample(&ray, &map, &x, &y), 5);
    EXPECT_EQ(x, 0.0f);
}

TEST(PelletTiles, WallCutCountsSamplesNotDistance) {
    static Tilemap map;
    TestMakeStage(&map, 20, 10);
    TestFillColumn(&map, 8, 0, 9);
    PelletRay ray = TestRay(100.0f, 40.0f, 1.0f, 0.0f, 120.0f);
    int stop = PelletFirstSolidSample(&ray, &map, nullptr, nullptr);
    ASSERT_EQ(stop, 14); // x = 128
    Enemy atWall;
    EnemyInit(&atWall, 135.0f, 40.0f); // box starts at 128: only the wall sample reaches it
    EXPECT_EQ(PelletHitEnemyWithin(&ray, &atWall, 1, stop - 1, nullptr), 0);
    EXPECT_EQ(PelletHitEnemyWithin(&ray, &atWall, 1, stop, nullptr), 1);
    Enemy before;
    EnemyInit(&before, 133.0f, 40.0f); // box starts at 126: the last sample before the wall
    EXPECT_EQ(PelletHitEnemyWithin(&ray, &before, 1, stop - 1, nullptr), 1);
    EXPECT_EQ(PelletHitEnemyWithin(&ray, &before, 1, 0, nullptr), 0);
    // A limit beyond the reach is the full march.
    EXPECT_EQ(PelletHitEnemyWithin(&ray, &atWall, 1, 1000, nullptr),
              PelletHitEnemy(&ray, &atWall, 1, nullptr));
}

TEST(PelletTracers, DrawnOnlyWhileTheTimerRuns) {
    PelletRay rays[2] = {TestRay(10.0f, 10.0f, 1.0f, 0.0f, 100.0f),
                         TestRay(10.0f, 50.0f, 1.0f, 0.0f, 100.0f)};
    rays[1].active = 0;
    TestClearScreen();
    PelletRenderImpacts(rays, 2, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(TestCountColour(TRACER), 0);
    PelletRenderImpacts(rays, 2, 0.0f, 0.0f, -5.0f);
    EXPECT_EQ(TestCountColour(TRACER), 0);
    PelletRenderImpacts(rays, 2, 0.0f, 0.0f, 0.5f);
    EXPECT_EQ(TestCountColour(TRACER), 101); // x 10..110 on row 10; the inactive ray is skipped
    EXPECT_EQ(TestPixel(110, 10), TRACER);
    EXPECT_EQ(TestPixel(10, 50), 0u);
}

TEST(PelletTracers, CameraOffsetRoundsHalvesAwayFromZero) {
    PelletRay ray = TestRay(20.0f, 30.0f, 1.0f, 0.0f, 10.0f);
    TestClearScreen();
    PelletRenderImpacts(&ray, 1, 5.5f, 0.5f, 10.0f); // 14.5 -> 15, 29.5 -> 30, 24.5 -> 25
    EXPECT_EQ(TestPixel(15, 30), TRACER);
    EXPECT_EQ(TestPixel(25, 30), TRACER);
    EXPECT_EQ(TestPixel(14, 30), 0u);
    EXPECT_EQ(TestPixel(26, 30), 0u);
}

TEST(PelletTracers, StoppedRayEndsOnItsWallSample) {
    static Tilemap map;
    TestMakeStage(&map, 20, 12);
    TestFillColumn(&map, 8, 0, 11);
    PelletRay rays[MAX_PELLETS];
    int n = 0;
    PelletFireSpread(100.0f, 96.0f, 0.0f, 8, 12.0f, 120.0f, rays, &n);
    TestClearScreen();
    for (int i = 0; i < n; ++i) {
        float x = 0.0f;
        float y = 0.0f;
        rays[i].stopSample = PelletFirstSolidSample(&rays[i], &map, &x, &y);
        ASSERT_GT(rays[i].stopSample, 0);
        PelletRenderImpacts(&rays[i], 1, 0.0f, 0.0f, 80.0f);
        EXPECT_EQ(TestPixel((int32_t)lroundf(x), (int32_t)lroundf(y)), TRACER) << "ray " << i;
    }
    for (int32_t py = 0; py < LOGICAL_HEIGHT; ++py) {
        for (int32_t px = 131; px < LOGICAL_WIDTH; ++px) {
            ASSERT_NE(TestPixel(px, py), TRACER) << px << "," << py;
        }
    }
}
