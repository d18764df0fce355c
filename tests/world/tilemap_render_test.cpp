// tilemap_render_test.cpp -- sky and tiles on the logical screen at whole and fractional camera
// positions.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <algorithm>

#include "render/render.h"
#include "world/level.h"
#include "world/tilemap.h"

namespace {

const uint32_t SKY = 0x58A4D8;
const uint32_t GROUND = 0xB95E51;
const uint32_t PLATFORM = 0xD0DC78;
const uint32_t OUTLINE = 0x7C807B;
const uint32_t PILLAR = 0x3EB849;
const uint32_t PILLAR_INNER = 0x1D681D;
const uint32_t GOAL = 0xD75F93;
const uint32_t FLAG = 0xD0DC78;
const uint32_t MARK = 0x123456;

Tilemap gRenderMap;

uint32_t Pixel(int x, int y) {
    return pixelBuffer[y * LOGICAL_WIDTH + x];
}

void MarkScreen() {
    for (uint32_t& p : pixelBuffer) {
        p = MARK;
    }
}

// A 20 x 13 map holding only what the test places.
Tilemap* BlankMap() {
    TilemapClear(&gRenderMap);
    TilemapSetTile(&gRenderMap, 19, 12, TILE_EMPTY);
    return &gRenderMap;
}

TEST(TilemapRenderTest, BuiltInStageAtTheOrigin) {
    LevelSetStagePath("/nonexistent/kalvoro/stage.txt");
    LevelLoadTestStage(&gRenderMap);
    LevelSetStagePath(nullptr);
    MarkScreen();
    TilemapRender(&gRenderMap, 0.0f, 0.0f);

    EXPECT_EQ(Pixel(0, 0), OUTLINE); // border tile corner
    EXPECT_EQ(Pixel(15, 15), OUTLINE);
    EXPECT_EQ(Pixel(1, 1), GROUND);  // border tile inside
    EXPECT_EQ(Pixel(8, 40), GROUND); // left column, row 2
    EXPECT_EQ(Pixel(16, 16), SKY);
    EXPECT_EQ(Pixel(160, 100), SKY);
    EXPECT_EQ(Pixel(319, 5), OUTLINE); // right edge of column 19 in the top row
    // Platform at columns 12..15 of row 12, cut by the bottom of the screen: outlined along it.
    EXPECT_EQ(Pixel(192, 192), OUTLINE);
    EXPECT_EQ(Pixel(200, 192), OUTLINE);
    EXPECT_EQ(Pixel(200, 195), PLATFORM);
    EXPECT_EQ(Pixel(200, 199), OUTLINE);
    EXPECT_EQ(Pixel(191, 195), SKY);
    EXPECT_EQ(Pixel(256, 195), SKY);
}

TEST(TilemapRenderTest, NullMapDrawsNothingAndEmptyMapIsAllSky) {
    MarkScreen();
    TilemapRender(nullptr, 0.0f, 0.0f);
    EXPECT_EQ(Pixel(0, 0), MARK);
    EXPECT_EQ(Pixel(319, 199), MARK);

    TilemapClear(&gRenderMap);
    TilemapRender(&gRenderMap, 37.25f, -3.5f);
    for (uint32_t p : pixelBuffer) {
        ASSERT_EQ(p, SKY);
    }
}

TEST(TilemapRenderTest, WholeTileAndItsOutline) {
    Tilemap* map = BlankMap();
    TilemapSetTile(map, 0, 0, TILE_GROUND);
    TilemapRender(map, 0.0f, 0.0f);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            bool edge = x == 0 || y == 0 || x == 15 || y == 15;
            ASSERT_EQ(Pixel(x, y), edge ? OUTLINE : GROUND) << x << "," << y;
        }
    }
    EXPECT_EQ(Pixel(16, 5), SKY);
    EXPECT_EQ(Pixel(5, 16), SKY);
}

TEST(TilemapRenderTest, FractionalCameraRoundsEachTileAwayFromZero) {
    // sx = -8.5 rounds to -9: a 7 px wide rectangle at 0, outlined along the screen's left edge.
    // The next tile (7.5 -> 8) leaves column 7 showing sky: each tile is rounded on its own.
    Tilemap* map = BlankMap();
    TilemapSetTile(map, 0, 0, TILE_GROUND);
    TilemapSetTile(map, 1, 0, TILE_GROUND);
    TilemapRender(map, 8.5f, 0.0f);
    EXPECT_EQ(Pixel(0, 5), OUTLINE);
    EXPECT_EQ(Pixel(1, 5), GROUND);
    EXPECT_EQ(Pixel(5, 5), GROUND);
    EXPECT_EQ(Pixel(6, 5), OUTLINE);
    EXPECT_EQ(Pixel(7, 5), SKY);
    EXPECT_EQ(Pixel(8, 5), OUTLINE);
    EXPECT_EQ(Pixel(9, 5), GROUND);
    EXPECT_EQ(Pixel(23, 5), OUTLINE);
    EXPECT_EQ(Pixel(24, 5), SKY);

    // Vertically the same: -0.5 rounds to -1, so the tile shows 15 rows and row 15 is sky.
    TilemapRender(map, 0.0f, 0.5f);
    EXPECT_EQ(Pixel(5, 0), OUTLINE);
    EXPECT_EQ(Pixel(5, 13), GROUND);
    EXPECT_EQ(Pixel(5, 14), OUTLINE);
    EXPECT_EQ(Pixel(5, 15), SKY);
}

TEST(TilemapRenderTest, ClippedGoalMovesItsBarAndFlagWithTheCorner) {
    Tilemap* map = BlankMap();
    TilemapSetTile(map, 0, 2, TILE_GOAL);
    TilemapRender(map, 10.0f, 0.0f); // sx = -10, w = 6
    const int top = 32;
    EXPECT_EQ(Pixel(0, top + 10), GOAL);
    EXPECT_EQ(Pixel(5, top + 10), GOAL);
    // The bar at 6..9 lies outside the six visible columns.
    EXPECT_EQ(Pixel(6, top + 10), GOAL);
    EXPECT_EQ(Pixel(9, top + 10), GOAL);
    EXPECT_EQ(Pixel(10, top + 10), SKY);
    // The flag at 2..13, rows 2..7 of the tile.
    EXPECT_EQ(Pixel(2, top + 2), FLAG);
    EXPECT_EQ(Pixel(13, top + 7), FLAG);
    EXPECT_EQ(Pixel(14, top + 2), SKY);
    EXPECT_EQ(Pixel(1, top + 2), GOAL);
    EXPECT_EQ(Pixel(8, top + 8), GOAL);
    EXPECT_EQ(Pixel(11, top + 8), SKY);

    // A tile drawn later to the right covers the overhang again.
    TilemapSetTile(map, 1, 2, TILE_PLATFORM);
    TilemapRender(map, 10.0f, 0.0f);
    EXPECT_EQ(Pixel(6, top + 10), OUTLINE);
    EXPECT_EQ(Pixel(8, top + 10), PLATFORM);
    EXPECT_EQ(Pixel(5, top + 10), GOAL);
}

TEST(TilemapRenderTest, PillarStripesAndPlainGreyBlock) {
    Tilemap* map = BlankMap();
    TilemapSetTile(map, 2, 2, TILE_PILLAR);
    TilemapSetTile(map, 4, 2, TILE_SOLID_4);
    TilemapRender(map, 0.0f, 0.0f);
    EXPECT_EQ(Pixel(32, 40), PILLAR);
    EXPECT_EQ(Pixel(33, 40), PILLAR);
    EXPECT_EQ(Pixel(34, 40), PILLAR_INNER);
    EXPECT_EQ(Pixel(45, 40), PILLAR_INNER);
    EXPECT_EQ(Pixel(46, 40), PILLAR);
    EXPECT_EQ(Pixel(40, 32), PILLAR); // the last outline covers the stripe's ends
    EXPECT_EQ(Pixel(40, 47), PILLAR);
    for (int y = 32; y < 48; ++y) {
        for (int x = 64; x < 80; ++x) {
            ASSERT_EQ(Pixel(x, y), OUTLINE);
        }
    }
}

TEST(TilemapRenderTest, EveryIdGetsItsColourAndMarkersStayInvisible) {
    const uint32_t fill[] = {SKY,      GROUND,   PLATFORM, PILLAR_INNER, OUTLINE, GROUND,
                             0x1D681D, 0x5955E0, SKY,      SKY,          GOAL};
    Tilemap* map = BlankMap();
    for (int id = 0; id <= 10; ++id) {
        TilemapSetTile(map, id, 1, id);
    }
    TilemapSetTile(map, 11, 1, 11);
    TilemapSetTile(map, 12, 1, 255);
    TilemapRender(map, 0.0f, 0.0f);
    for (int id = 0; id <= 10; ++id) {
        EXPECT_EQ(Pixel(16 * id + 8, 16 + 12), fill[id]) << "id " << id;
    }
    EXPECT_EQ(Pixel(16 * 11 + 8, 16 + 12), SKY);
    EXPECT_EQ(Pixel(16 * 12 + 8, 16 + 12), SKY);
}

TEST(TilemapRenderTest, ViewPastTheMapShowsSky) {
    Tilemap* map = BlankMap();
    for (int row = 0; row < 13; ++row) {
        for (int col = 0; col < 20; ++col) {
            TilemapSetTile(map, col, row, TILE_GROUND);
        }
    }
    // The map is 320 x 208 px; look from (100, 50).
    TilemapRender(map, 100.0f, 50.0f);
    EXPECT_EQ(Pixel(100, 100), GROUND);
    EXPECT_EQ(Pixel(219, 100), OUTLINE);
    EXPECT_EQ(Pixel(220, 100), SKY);
    EXPECT_EQ(Pixel(300, 190), SKY);
    EXPECT_EQ(Pixel(100, 157), OUTLINE);
    EXPECT_EQ(Pixel(100, 158), SKY);

    // A camera above and left of the map, and one far away, draw only sky there.
    TilemapRender(map, -40.0f, -40.0f);
    EXPECT_EQ(Pixel(39, 39), SKY);
    EXPECT_EQ(Pixel(40, 40), OUTLINE);
    TilemapRender(map, 1.0e9f, -1.0e9f);
    for (uint32_t p : pixelBuffer) {
        ASSERT_EQ(p, SKY);
    }
}

// 1 when draw() and reference() leave the same picture over a marked screen.
template <typename Draw, typename Reference> bool SamePicture(Draw draw, Reference reference) {
    static uint32_t first[LOGICAL_WIDTH * LOGICAL_HEIGHT];
    std::fill(pixelBuffer, pixelBuffer + LOGICAL_WIDTH * LOGICAL_HEIGHT, MARK);
    draw();
    memcpy(first, pixelBuffer, sizeof(first));
    std::fill(pixelBuffer, pixelBuffer + LOGICAL_WIDTH * LOGICAL_HEIGHT, MARK);
    reference();
    return memcmp(first, pixelBuffer, sizeof(first)) == 0;
}

TEST(TilemapRenderTest, CopiedTileEqualsItsShapesAtEveryCutOfEveryEdge) {
    // cut: pixels of the tile beyond the picture's edge, -1 (a pixel inside) to 17 (gone).
    for (int id = 0; id <= TILE_GOAL + 1; ++id) {
        for (int cutX = -1; cutX <= 17; ++cutX) {
            for (int cutY = -1; cutY <= 17; ++cutY) {
                // One tile in each corner: they lie far enough apart not to meet.
                const int places[4][2] = {{-cutX, -cutY},
                                          {LOGICAL_WIDTH - 16 + cutX, -cutY},
                                          {-cutX, LOGICAL_HEIGHT - 16 + cutY},
                                          {LOGICAL_WIDTH - 16 + cutX, LOGICAL_HEIGHT - 16 + cutY}};
                const bool same = SamePicture(
                    [&] {
                        for (const auto& at : places) {
                            TilemapRenderTile(id, at[0], at[1]);
                        }
                    },
                    [&] {
                        for (const auto& at : places) {
                            TilemapRenderTileDirect(id, at[0], at[1]);
                        }
                    });
                ASSERT_TRUE(same) << "id " << id << " cut " << cutX << "," << cutY;
            }
        }
    }
}

// Every kind mixed, goals side by side and in the first row and column; cameras at quarter pixels, at
// halves that leave a column of sky, off both ends and far away.
Tilemap* MixedMap() {
    Tilemap* map = BlankMap();
    uint32_t seed = 7u;
    for (int row = 0; row < 24; ++row) {
        for (int col = 0; col < 40; ++col) {
            seed = seed * 1664525u + 1013904223u;
            const int pick = (int)((seed >> 20) % 14u);
            TilemapSetTile(map, col, row, pick <= TILE_GOAL ? pick : TILE_EMPTY);
        }
    }
    TilemapSetTile(map, 0, 0, TILE_GOAL);
    TilemapSetTile(map, 1, 0, TILE_GOAL);
    TilemapSetTile(map, 0, 1, TILE_GOAL);
    TilemapSetTile(map, 1, 1, TILE_GOAL);
    return map;
}
const float CAMERA_XS[] = {-20.0f, -15.5f, -10.0f, -0.5f,  0.0f,   0.25f,
                           8.5f,   10.0f,  13.75f, 330.5f, 345.0f, 1.0e9f};
const float CAMERA_YS[] = {-17.0f, -9.5f, -4.0f, 0.0f, 0.5f, 3.0f, 10.0f, 191.25f, 200.0f, 250.5f};

// The picture as the sky and then every tile drawn by its shapes, one after another, give it.
void SkyThenEveryTile(const Tilemap* map, float camX, float camY) {
    RenderFillRect(0, 0, LOGICAL_WIDTH, LOGICAL_HEIGHT, SKY);
    const int c0 = (int)floorf(camX / 16.0f), r0 = (int)floorf(camY / 16.0f);
    for (int row = r0 - 1; row <= r0 + 14 && c0 < 1000; ++row) {
        for (int col = c0 - 1; col <= c0 + 22; ++col) {
            const float sx = roundf((float)(16 * col) - camX), sy = roundf((float)(16 * row) - camY);
            if (sx >= -16.0f && sx <= 319.0f && sy >= -16.0f && sy <= 199.0f) {
                TilemapRenderTileDirect(TilemapGetTile(map, col, row), (int)sx, (int)sy);
            }
        }
    }
}

TEST(TilemapRenderTest, RowByRowPictureEqualsSkyThenEveryTileInOrder) {
    Tilemap* map = MixedMap();
    for (float camX : CAMERA_XS) {
        for (float camY : CAMERA_YS) {
            const bool same = SamePicture([&] { TilemapRender(map, camX, camY); },
                                          [&] { SkyThenEveryTile(map, camX, camY); });
            ASSERT_TRUE(same) << "camera " << camX << "," << camY;
        }
    }
}

// The stage's rows are drawn once and kept: the picture follows every change of the map between two
// pictures (cells painted in view and past the ends, the map cleared and filled at another size, a
// second map drawn in turn), wherever the camera stands.
TEST(TilemapRenderTest, KeptRowsOfTheStageFollowEveryChangeOfTheMap) {
    static Tilemap other;
    Tilemap* map = MixedMap();
    TilemapClear(&other);
    TilemapSetTile(&other, 3, 2, TILE_GOAL);
    TilemapSetTile(&other, 30, 9, TILE_PILLAR);
    uint32_t seed = 99u;
    auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return (int)((seed >> 8) % (uint32_t)n);
    };
    static const float FRACTIONS[] = {0.0f, 0.25f, 0.5f, 0.75f};
    for (int step = 0; step < 600; ++step) {
        if (step % 150 == 149) {
            TilemapClear(map);
            const int w = 10 + next(MAP_MAX_COLS - 9), h = 5 + next(MAP_MAX_ROWS - 4);
            for (int row = 0; row < h; ++row) {
                for (int col = 0; col < w; ++col) {
                    TilemapSetTile(map, col, row, next(3) ? next(TILE_GOAL + 1) : TILE_EMPTY);
                }
            }
        }
        const Tilemap* shown = step % 7 == 6 ? &other : map;
        const float camX = (float)(next(map->width * 16 + 40) - 360 + next(320)) + FRACTIONS[next(4)];
        const float camY = (float)(next(map->height * 16 + 40) - 220 + next(200)) + FRACTIONS[next(4)];
        for (int edits = next(4); edits > 0; --edits) {
            const int col = step % 40 == 0 ? map->width + next(2) : (int)(camX / 16.0f) + next(24) - 2;
            const int row = step % 60 == 0 ? map->height + next(2) : (int)(camY / 16.0f) + next(16) - 2;
            TilemapSetTile(map, col, row, next(TILE_GOAL + 2));
        }
        const bool same = SamePicture([&] { TilemapRender(shown, camX, camY); },
                                      [&] { SkyThenEveryTile(shown, camX, camY); });
        ASSERT_TRUE(same) << "step " << step << " camera " << camX << "," << camY;
    }
}

// The rows asked for come out as the whole picture has them, wherever they cut the rows of tiles.
TEST(TilemapRenderTest, RowsOfThePictureComeOutAsTheWholePictureHasThem) {
    Tilemap* map = MixedMap();
    static uint32_t whole[LOGICAL_WIDTH * LOGICAL_HEIGHT];
    const int32_t ranges[][2] = {{20, 180}, {0, 200}, {5, 9},     {0, 1},  {199, 200},
                                 {-50, 7},  {7, 12},  {150, 900}, {90, 90}};
    for (float camX : CAMERA_XS) {
        for (float camY : CAMERA_YS) {
            TilemapRender(map, camX, camY);
            memcpy(whole, pixelBuffer, sizeof(whole));
            for (const auto& range : ranges) {
                std::fill(pixelBuffer, pixelBuffer + LOGICAL_WIDTH * LOGICAL_HEIGHT, MARK);
                TilemapRenderRows(map, camX, camY, range[0], range[1]);
                const int32_t top = std::max(range[0], 0), bottom = std::min(range[1], LOGICAL_HEIGHT);
                for (int32_t y = top; y < bottom; ++y) {
                    ASSERT_EQ(memcmp(whole + y * LOGICAL_WIDTH, pixelBuffer + y * LOGICAL_WIDTH,
                                     LOGICAL_WIDTH * sizeof(uint32_t)),
                              0)
                        << "camera " << camX << "," << camY << " rows " << range[0] << ".." << range[1]
                        << " row " << y;
                }
            }
        }
    }
}

} // namespace
