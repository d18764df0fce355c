// tilemap_test.cpp -- grid accessors and the collision response: landing, head hits, walls,
// friction and the odd cases the two passes produce.
#include <gtest/gtest.h>

#include "world/tilemap.h"

namespace {

Tilemap gTestMap;

// A cleared map of cols x rows with nothing solid.
Tilemap* EmptyMap(int cols, int rows) {
    TilemapClear(&gTestMap);
    TilemapSetTile(&gTestMap, cols - 1, rows - 1, TILE_EMPTY);
    return &gTestMap;
}

void FillRow(Tilemap* map, int row, int fromCol, int toCol, int id) {
    for (int col = fromCol; col <= toCol; ++col) {
        TilemapSetTile(map, col, row, id);
    }
}

void FillColumn(Tilemap* map, int col, int fromRow, int toRow, int id) {
    for (int row = fromRow; row <= toRow; ++row) {
        TilemapSetTile(map, col, row, id);
    }
}

TEST(TilemapTest, ClearEmptiesGridAndSpawns) {
    gTestMap.width = 7;
    gTestMap.tiles[3][3] = 9;
    gTestMap.enemySpawnCount = 4;
    TilemapClear(&gTestMap);
    EXPECT_EQ(gTestMap.width, 0);
    EXPECT_EQ(gTestMap.height, 0);
    EXPECT_EQ(gTestMap.tiles[3][3], 0);
    EXPECT_EQ(gTestMap.spawnX, 32.0f);
    EXPECT_EQ(gTestMap.spawnY, 32.0f);
    EXPECT_EQ(gTestMap.enemySpawnCount, 0);
    TilemapClear(nullptr);
}

TEST(TilemapTest, GetOutsideTheUsedGridReadsEmpty) {
    Tilemap* map = EmptyMap(4, 3);
    FillRow(map, 0, 0, 3, TILE_GROUND);
    FillRow(map, 2, 0, 3, TILE_GROUND);
    map->tiles[0][4] = TILE_GROUND; // beyond width: must not be seen
    EXPECT_EQ(TilemapGetTile(map, 0, 0), TILE_GROUND);
    EXPECT_EQ(TilemapGetTile(map, -1, 0), 0);
    EXPECT_EQ(TilemapGetTile(map, 0, -1), 0);
    EXPECT_EQ(TilemapGetTile(map, 4, 0), 0);
    EXPECT_EQ(TilemapGetTile(map, 0, 3), 0);
    EXPECT_EQ(TilemapGetTile(nullptr, 0, 0), 0);
}

TEST(TilemapTest, SetGrowsTheUsedSizeAndIgnoresOutOfRange) {
    Tilemap* map = EmptyMap(1, 1);
    TilemapClear(map);
    TilemapSetTile(map, 9, 4, TILE_EMPTY);
    EXPECT_EQ(map->width, 10);
    EXPECT_EQ(map->height, 5);

    TilemapClear(map);
    TilemapSetTile(map, 128, 0, TILE_GROUND);
    TilemapSetTile(map, 0, 32, TILE_GROUND);
    TilemapSetTile(map, -1, 0, TILE_GROUND);
    TilemapSetTile(map, 0, -1, TILE_GROUND);
    EXPECT_EQ(map->width, 0);
    EXPECT_EQ(map->height, 0);
    TilemapSetTile(map, 127, 31, TILE_GOAL);
    EXPECT_EQ(map->width, 128);
    EXPECT_EQ(map->height, 32);
    EXPECT_EQ(TilemapGetTile(map, 127, 31), TILE_GOAL);

    // Only the low 8 bits are kept; a smaller write never shrinks the size.
    TilemapSetTile(map, 2, 2, 0x101);
    EXPECT_EQ(TilemapGetTile(map, 2, 2), 1);
    TilemapSetTile(map, 3, 3, -1);
    EXPECT_EQ(TilemapGetTile(map, 3, 3), 255);
    EXPECT_EQ(map->width, 128);
    TilemapSetTile(nullptr, 0, 0, 1);
}

TEST(TilemapTest, SolidMeansOneThroughSeven) {
    for (int id = -1; id < 300; ++id) {
        EXPECT_EQ(TilemapIsSolid(id), id >= 1 && id <= 7 ? 1 : 0) << id;
        EXPECT_EQ(TilemapIsOneWay(id), 0);
    }
}

// Ground on row 10 (top at 160) under columns 0..9.
Tilemap* GroundMap() {
    Tilemap* map = EmptyMap(10, 12);
    FillRow(map, 10, 0, 9, TILE_GROUND);
    return map;
}

TEST(TilemapTest, FallingBodyLandsFromAbove) {
    Tilemap* map = GroundMap();
    // Box bottom 0.2 px into the ground after a 2 ms step at full fall speed.
    Body body = {40.0f, 146.2f, 0.0f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.y, 145.95f);
    EXPECT_EQ(body.vy, 0.0f);
    EXPECT_EQ(body.onGround, 1);
    EXPECT_EQ(body.vx, 0.0f);
}

TEST(TilemapTest, FallingBodyLandsFromDepth) {
    // The previous bottom was already 4.76 px inside: the same resting place, reached from depth.
    Tilemap* map = GroundMap();
    Body body = {40.0f, 151.0f, 0.0f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.y, 145.95f);
    EXPECT_EQ(body.onGround, 1);
}

TEST(TilemapTest, FallingFilterLetsALandingKeepItsSidewaysSpeed) {
    Tilemap* map = GroundMap();
    Body body = {40.0f, 146.2f, 0.3f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.x, 40.0f);
    EXPECT_EQ(body.y, 145.95f);
    EXPECT_EQ(body.onGround, 1);
    EXPECT_EQ(body.vx, 0.264f);
}

TEST(TilemapTest, ShallowSinkingTreatsTheGroundAsAWallFirst) {
    // Only 0.03 px into the ground: the horizontal pass sees it and puts the body left of column 2.
    Tilemap* map = GroundMap();
    Body body = {40.0f, 146.03f, 0.3f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.x, 24.95f);
    EXPECT_EQ(body.vx, 0.0f);
    // Column 1 below the new place is solid too, so it lands.
    EXPECT_EQ(body.y, 145.95f);
    EXPECT_EQ(body.onGround, 1);

    // With nothing under the new place it keeps falling.
    map = EmptyMap(10, 12);
    TilemapSetTile(map, 2, 10, TILE_GROUND);
    body = {40.0f, 146.03f, 0.3f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.x, 24.95f);
    EXPECT_EQ(body.y, 146.03f);
    EXPECT_EQ(body.vy, 0.12f);
    EXPECT_EQ(body.onGround, 0);
}

TEST(TilemapTest, WallStopsOnBothSides) {
    Tilemap* map = EmptyMap(20, 12);
    FillColumn(map, 10, 0, 11, TILE_PILLAR);

    Body right = {153.4f, 100.0f, 0.5f, 0.0f, 0};
    TilemapResolveBody(map, &right, 2.0f);
    EXPECT_EQ(right.x, 16 * 10 - 7.05f);
    EXPECT_EQ(right.x, 152.95f);
    EXPECT_EQ(right.vx, 0.0f);
    EXPECT_EQ(right.y, 100.0f);

    Body left = {182.6f, 100.0f, -0.5f, 0.0f, 0};
    TilemapResolveBody(map, &left, 2.0f);
    EXPECT_EQ(left.x, 183.05f);
    EXPECT_EQ(left.vx, 0.0f);
}

TEST(TilemapTest, BoxEdgeOnATileBoundaryDoesNotReachIntoIt) {
    Tilemap* map = EmptyMap(20, 12);
    FillColumn(map, 10, 0, 11, TILE_GROUND);
    Body body = {16 * 10 - 7.0f, 100.0f, 0.5f, 0.0f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.x, 153.0f);
    EXPECT_EQ(body.vx, 0.5f);

    // Feet exactly on the top of a tile: no landing either.
    map = GroundMap();
    body = {40.0f, 146.0f, 0.0f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.y, 146.0f);
    EXPECT_EQ(body.onGround, 0);
}

TEST(TilemapTest, HeadHitPutsTheTopJustBelowTheTile) {
    Tilemap* map = EmptyMap(10, 12);
    FillRow(map, 5, 0, 9, TILE_GROUND); // underside at 96

    // Entered 0.3 px in this step.
    Body body = {40.0f, 109.7f, 0.0f, -0.3f, 1};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.y, 110.05f);
    EXPECT_EQ(body.vy, 0.0f);
    EXPECT_EQ(body.onGround, 0);

    // Already 3 px inside before this step.
    body = {40.0f, 107.0f, 0.0f, -0.3f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.y, 110.05f);
    EXPECT_EQ(body.vy, 0.0f);
}

TEST(TilemapTest, RisingSidewaysIntoACeilingIsPushedBackFirst) {
    Tilemap* map = EmptyMap(10, 12);
    FillRow(map, 5, 0, 9, TILE_GROUND);
    Body body = {100.0f, 109.7f, 0.5f, -0.3f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.x, 72.95f); // left of column 5, the first ceiling cell in scan order
    EXPECT_EQ(body.vx, 0.0f);
    EXPECT_EQ(body.y, 110.05f);

    body = {100.0f, 109.7f, -0.5f, -0.3f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.x, 103.05f); // right of column 5: moved against its motion
    EXPECT_EQ(body.y, 110.05f);
}

TEST(TilemapTest, FallingIntoAWallLandsOnTheTopmostOverlappingCell) {
    // The falling filter skips the wall sideways; the vertical pass then stands the body on the
    // first overlapping cell, whose top lies far above its feet.
    Tilemap* map = EmptyMap(20, 12);
    FillColumn(map, 10, 0, 11, TILE_GROUND);
    Body body = {153.4f, 100.0f, 0.5f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.x, 153.4f);
    EXPECT_EQ(body.y, 65.95f); // on top of row 5 (top 80)
    EXPECT_EQ(body.onGround, 1);
    EXPECT_EQ(body.vx, 0.44f);
}

TEST(TilemapTest, FrictionIsAppliedOncePerCall) {
    Tilemap* map = GroundMap();
    Body a = {40.0f, 145.95f, 0.5f, 0.0f, 1};
    Body b = a;
    TilemapResolveBody(map, &a, 2.0f);
    TilemapResolveBody(map, &b, 0.0f);
    EXPECT_EQ(a.vx, 0.5f * 0.88f);
    EXPECT_EQ(a.vx, b.vx);
    TilemapResolveBody(map, &a, 2.0f);
    EXPECT_EQ(a.vx, (0.5f * 0.88f) * 0.88f);
    EXPECT_EQ(a.y, 145.95f);
    EXPECT_EQ(a.onGround, 1);

    // Standing past the edge of the support keeps the flag: nothing but an upward speed clears it.
    Body edge = {400.0f, 145.95f, 0.5f, 0.0f, 1};
    TilemapResolveBody(map, &edge, 2.0f);
    EXPECT_EQ(edge.onGround, 1);
    EXPECT_EQ(edge.vx, 0.44f);
}

TEST(TilemapTest, MotionlessBodyIsNeverMoved) {
    Tilemap* map = GroundMap();
    Body body = {40.0f, 160.0f, 0.0f, 0.0f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.x, 40.0f);
    EXPECT_EQ(body.y, 160.0f);
    TilemapResolveBody(nullptr, &body, 2.0f);
    TilemapResolveBody(map, nullptr, 2.0f);
}

TEST(TilemapTest, CellsOutsideTheUsedGridAreNoObstacle) {
    Tilemap* map = GroundMap();
    map->tiles[10][10] = TILE_GROUND; // stored but outside the width of 10
    Body body = {168.0f, 146.2f, 0.0f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.y, 146.2f);
    EXPECT_EQ(body.onGround, 0);

    // Far outside the grid is still just open air.
    body = {-1.0e30f, 1.0e30f, 0.5f, 0.12f, 0};
    TilemapResolveBody(map, &body, 2.0f);
    EXPECT_EQ(body.onGround, 0);
}

} // namespace
