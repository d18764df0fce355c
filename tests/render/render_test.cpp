// render_test.cpp -- the pixel buffer's primitives (exact pixels and clipping), the display layout
// and mouse mapping tables, and presentation through the headless backend.
#include <gtest/gtest.h>
#include <string.h>

#include <utility>
#include <vector>

#include "backends/headless/headless.h"
#include "render/msx_font.h"
#include "render/render.h"

namespace {

const uint32_t INK = 0x00FF8040;

void ClearBuffer() {
    memset(pixelBuffer, 0, sizeof(pixelBuffer));
}

uint32_t At(int32_t x, int32_t y) {
    return pixelBuffer[y * LOGICAL_WIDTH + x];
}

// Every lit pixel, in row-major order.
std::vector<std::pair<int32_t, int32_t>> Lit() {
    std::vector<std::pair<int32_t, int32_t>> lit;
    for (int32_t y = 0; y < LOGICAL_HEIGHT; ++y) {
        for (int32_t x = 0; x < LOGICAL_WIDTH; ++x) {
            if (At(x, y) != 0) {
                lit.push_back({x, y});
            }
        }
    }
    return lit;
}

int32_t LitCount() {
    return (int32_t)Lit().size();
}

using Points = std::vector<std::pair<int32_t, int32_t>>;

// The rules as written, one candidate pixel at a time over the whole shape, to hold the drawing
// code's narrowed loops against.
uint32_t gReference[LOGICAL_WIDTH * LOGICAL_HEIGHT];
void RefPut(int64_t x, int64_t y) {
    if (x >= 0 && x < LOGICAL_WIDTH && y >= 0 && y < LOGICAL_HEIGHT) {
        gReference[y * LOGICAL_WIDTH + x] = INK;
    }
}
void RefFillRect(int32_t x, int32_t y, int32_t w, int32_t h) {
    for (int64_t row = y; row < (int64_t)y + h; ++row) {
        for (int64_t col = x; col < (int64_t)x + w; ++col) {
            RefPut(col, row);
        }
    }
}
void RefDrawBox(int32_t x, int32_t y, int32_t w, int32_t h) {
    int64_t right = (int64_t)x + w - 1, bottom = (int64_t)y + h - 1;
    int64_t lo = x < right ? x : right, hi = x < right ? right : x;
    for (int64_t col = lo; col <= hi; ++col) {
        RefPut(col, y);
        RefPut(col, bottom);
    }
    for (int64_t row = y; row < (int64_t)y + h; ++row) {
        RefPut(x, row);
        RefPut(right, row);
    }
}
void RefDrawCircle(int32_t cx, int32_t cy, int32_t r) {
    if (r <= 0) {
        RefPut(cx, cy);
        return;
    }
    for (int64_t dy = -r; dy <= r; ++dy) {
        for (int64_t dx = -r; dx <= r; ++dx) {
            if (dx * dx + dy * dy <= (int64_t)r * r) {
                RefPut(cx + dx, cy + dy);
            }
        }
    }
}

// The whole Bresenham walk from (x0, y0) to (x1, y1), every point put through the clip.
void RefDrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int64_t dx = x1 > x0 ? (int64_t)x1 - x0 : (int64_t)x0 - x1;
    const int64_t dy = y1 > y0 ? (int64_t)y1 - y0 : (int64_t)y0 - y1;
    int64_t err = dx - dy, x = x0, y = y0;
    for (;;) {
        RefPut(x, y);
        if (x == x1 && y == y1) {
            return;
        }
        const int64_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += x1 > x0 ? 1 : -1;
        }
        if (e2 < dx) {
            err += dx;
            y += y1 > y0 ? 1 : -1;
        }
    }
}

class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearBuffer(); }
};

TEST_F(RenderTest, PutPixelWritesOnlyInsideTheScreen) {
    RenderPutPixel(319, 199, INK);
    EXPECT_EQ(pixelBuffer[LOGICAL_WIDTH * LOGICAL_HEIGHT - 1], INK);
    RenderPutPixel(0, 0, 0x00123456);
    EXPECT_EQ(pixelBuffer[0], 0x00123456u); // stored unchanged
    for (auto p : Points{{320, 0}, {0, 200}, {-1, 5}, {5, -1}, {INT32_MIN, 0}, {0, INT32_MAX}}) {
        RenderPutPixel(p.first, p.second, INK);
    }
    EXPECT_EQ(LitCount(), 2);
}

TEST_F(RenderTest, FillRectClipsAndIgnoresEmptySizes) {
    RenderFillRect(-2, -2, 4, 4, INK);
    EXPECT_EQ(Lit(), (Points{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));

    ClearBuffer();
    RenderFillRect(10, 10, 0, 5, INK);
    RenderFillRect(10, 10, 5, 0, INK);
    RenderFillRect(10, 10, -3, 5, INK);
    RenderFillRect(10, 10, 5, -3, INK);
    EXPECT_EQ(LitCount(), 0);

    RenderFillRect(-100000, -100000, 200000, 200000, INK);
    EXPECT_EQ(LitCount(), LOGICAL_WIDTH * LOGICAL_HEIGHT);
}

TEST_F(RenderTest, RepeatRowCopiesARowDownAsFarAsThePictureGoes) {
    for (int32_t x = 0; x < LOGICAL_WIDTH; ++x) {
        pixelBuffer[190 * LOGICAL_WIDTH + x] = (uint32_t)x + 1u;
    }
    RenderRepeatRow(190, 50); // 9 rows below it are left
    for (int32_t y = 191; y < LOGICAL_HEIGHT; ++y) {
        ASSERT_EQ(
            memcmp(&pixelBuffer[y * LOGICAL_WIDTH], &pixelBuffer[190 * LOGICAL_WIDTH], LOGICAL_WIDTH * 4), 0);
    }
    EXPECT_EQ(LitCount(), 10 * LOGICAL_WIDTH);
    RenderRepeatRow(190, 0);
    RenderRepeatRow(-1, 5);
    RenderRepeatRow(LOGICAL_HEIGHT, 5);
    EXPECT_EQ(LitCount(), 10 * LOGICAL_WIDTH);
}

TEST_F(RenderTest, ShapesNearTheInt32LimitsDrawWhatIsOnScreen) {
    RenderFillRect(INT32_MAX - 2, 5, 100, 1, INK);
    RenderDrawBox(INT32_MAX - 1, INT32_MAX - 1, 10, 10, INK);
    RenderDrawCircle(INT32_MIN, INT32_MIN, 5, INK);
    EXPECT_EQ(LitCount(), 0);
    RenderFillRect(INT32_MIN, 7, INT32_MAX, 1, INK); // ends at column -2
    EXPECT_EQ(LitCount(), 0);
    RenderDrawCircle(0, 0, INT32_MAX, INK); // covers the whole screen
    EXPECT_EQ(LitCount(), LOGICAL_WIDTH * LOGICAL_HEIGHT);
}

TEST_F(RenderTest, DrawBoxOutlinesTheReloadBarFrame) {
    RenderDrawBox(8, 18, 34, 6, INK);
    for (int32_t y = 16; y < 26; ++y) {
        for (int32_t x = 6; x < 44; ++x) {
            bool edge = (y == 18 || y == 23) && x >= 8 && x <= 41;
            bool side = (x == 8 || x == 41) && y >= 18 && y <= 23;
            EXPECT_EQ(At(x, y), (edge || side) ? INK : 0u) << x << "," << y;
        }
    }
}

TEST_F(RenderTest, DrawBoxDegenerateSizes) {
    RenderDrawBox(5, 5, 1, 3, INK); // a single column
    EXPECT_EQ(Lit(), (Points{{5, 5}, {5, 6}, {5, 7}}));
    ClearBuffer();
    RenderDrawBox(5, 5, 3, 1, INK); // top and bottom are the same row
    EXPECT_EQ(Lit(), (Points{{5, 5}, {6, 5}, {7, 5}}));
    ClearBuffer();
    RenderDrawBox(5, 5, 3, 0, INK); // no sides, edges at rows 5 and 4
    EXPECT_EQ(Lit(), (Points{{5, 4}, {6, 4}, {7, 4}, {5, 5}, {6, 5}, {7, 5}}));
    ClearBuffer();
    RenderDrawBox(5, 5, -1, 2, INK); // edges run from x + w - 1 = 3 to 5, sides at 5 and 3
    EXPECT_EQ(Lit(), (Points{{3, 5}, {4, 5}, {5, 5}, {3, 6}, {4, 6}, {5, 6}}));
}

TEST_F(RenderTest, DrawLineFollowsTheBresenhamWalk) {
    RenderDrawLine(0, 0, 5, 2, INK);
    EXPECT_EQ(Lit(), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));
    ClearBuffer();
    RenderDrawLine(0, 0, 1, 2, INK);
    EXPECT_EQ(Lit(), (Points{{0, 0}, {0, 1}, {1, 2}}));
    ClearBuffer();
    // The walk is not symmetric: backwards it lights (1, 1) instead of (0, 1).
    RenderDrawLine(1, 2, 0, 0, INK);
    EXPECT_EQ(Lit(), (Points{{0, 0}, {1, 1}, {1, 2}}));
    ClearBuffer();
    RenderDrawLine(7, 9, 7, 9, INK);
    EXPECT_EQ(Lit(), (Points{{7, 9}}));
}

TEST_F(RenderTest, DrawLineCoversEveryOctantEndToEnd) {
    const Points ends = {{40, 0},   {40, 15},  {40, 40},  {15, 40},   {0, 40},    {-15, 40},
                         {-40, 40}, {-40, 15}, {-40, 0},  {-40, -15}, {-40, -40}, {-15, -40},
                         {0, -40},  {15, -40}, {40, -40}, {40, -15}};
    for (auto d : ends) {
        ClearBuffer();
        RenderDrawLine(100, 100, 100 + d.first, 100 + d.second, INK);
        int32_t adx = abs(d.first), ady = abs(d.second);
        EXPECT_EQ(LitCount(), (adx > ady ? adx : ady) + 1) << d.first << "," << d.second;
        EXPECT_EQ(At(100, 100), INK);
        EXPECT_EQ(At(100 + d.first, 100 + d.second), INK);
    }
}

TEST_F(RenderTest, DrawLineClipsPixelByPixel) {
    RenderDrawLine(-10, 100, 330, 100, INK);
    Points row;
    for (int32_t x = 0; x < LOGICAL_WIDTH; ++x) {
        row.push_back({x, 100});
    }
    EXPECT_EQ(Lit(), row);
    ClearBuffer();
    RenderDrawLine(-50, -50, -5, 400, INK);
    EXPECT_EQ(LitCount(), 0);
}

TEST_F(RenderTest, DrawCircleFillsTheInclusiveDisc) {
    const int32_t sizes[][2] = {{1, 5}, {2, 13}, {3, 29}, {7, 149}};
    for (auto& s : sizes) {
        ClearBuffer();
        RenderDrawCircle(100, 100, s[0], INK);
        EXPECT_EQ(LitCount(), s[1]) << "r = " << s[0];
    }
    ClearBuffer();
    RenderDrawCircle(100, 100, 3, INK);
    const int32_t widths[7] = {1, 5, 5, 7, 5, 5, 1};
    for (int32_t dy = -3; dy <= 3; ++dy) {
        int32_t n = 0;
        for (int32_t x = 90; x < 110; ++x) {
            n += At(x, 100 + dy) != 0;
        }
        EXPECT_EQ(n, widths[dy + 3]) << "row " << dy;
    }
    for (int32_t r : {0, -1, -100}) {
        ClearBuffer();
        RenderDrawCircle(50, 60, r, INK);
        EXPECT_EQ(Lit(), (Points{{50, 60}}));
    }
    ClearBuffer();
    RenderDrawCircle(0, 0, 2, INK);
    EXPECT_EQ(Lit(), (Points{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {0, 2}}));
}

// The loops skip the off-screen part of each shape; what they draw must be exactly what the
// per-pixel rules draw, around every edge and corner of the screen.
TEST_F(RenderTest, NarrowedLoopsDrawExactlyWhatThePerPixelRulesDraw) {
    const int32_t xs[] = {-70, -9, -1, 0, 3, 150, 316, 319, 320, 330, 400};
    const int32_t ys[] = {-70, -9, -1, 0, 3, 100, 196, 199, 200, 210, 300};
    const int32_t sizes[] = {-4, 0, 1, 2, 9, 64};
    int32_t mismatches = 0;
    for (int32_t x : xs) {
        for (int32_t y : ys) {
            for (int32_t w : sizes) {
                for (int32_t shape = 0; shape < 4; ++shape) {
                    int32_t h = sizes[(w + 4 + shape) % 6];
                    ClearBuffer();
                    memset(gReference, 0, sizeof(gReference));
                    if (shape == 0) {
                        RenderFillRect(x, y, w, h, INK);
                        RefFillRect(x, y, w, h);
                    } else if (shape == 1) {
                        RenderDrawBox(x, y, w, h, INK);
                        RefDrawBox(x, y, w, h);
                    } else if (shape == 2) {
                        RenderDrawCircle(x, y, w, INK);
                        RefDrawCircle(x, y, w);
                    } else {
                        // Lines wholly on the screen, crossing its edges and wholly off it, every way.
                        RenderDrawLine(x, y, x + 3 * w, y - 2 * h, INK);
                        RefDrawLine(x, y, x + 3 * w, y - 2 * h);
                    }
                    if (memcmp(pixelBuffer, gReference, sizeof(gReference)) != 0) {
                        ++mismatches;
                        ADD_FAILURE()
                            << "shape " << shape << " at " << x << "," << y << " size " << w << "," << h;
                    }
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

struct LayoutCase {
    int32_t cw, ch, scale, x, y;
};

TEST(DisplayLayoutTest, LargestWholeScaleCentredWithTruncatedOffsets) {
    PlatformWindow* window = HeadlessOpenWindow(960, 600);
    const LayoutCase cases[] = {
        {960, 600, 3, 0, 0},     {320, 200, 1, 0, 0},  {959, 600, 2, 159, 100}, {1280, 720, 3, 160, 60},
        {200, 100, 1, -60, -50}, {0, 0, 1, -159, -99}, {-5, 700, 1, -159, 250}, {961, 601, 3, 0, 0},
    };
    for (const LayoutCase& c : cases) {
        HeadlessSetClientSize(c.cw, c.ch);
        UpdateDisplayLayout(window);
        int32_t x, y, w, h;
        RenderGetLayout(&x, &y, &w, &h);
        EXPECT_EQ(GetDisplayScale(), c.scale) << c.cw << "x" << c.ch;
        EXPECT_EQ(w, 320 * c.scale);
        EXPECT_EQ(h, 200 * c.scale);
        EXPECT_EQ(x, c.x) << c.cw << "x" << c.ch;
        EXPECT_EQ(y, c.y) << c.cw << "x" << c.ch;
    }
}

TEST(DisplayLayoutTest, ClientToLogicalMappingClampsToTheScreen) {
    PlatformWindow* window = HeadlessOpenWindow(1280, 720);
    UpdateDisplayLayout(window);
    const int32_t cases[][4] = {
        {160, 60, 0, 0},
        {1119, 659, 319, 199},
        {162, 62, 0, 0},
        {163, 63, 1, 1},
        {100, 700, 0, 199},
        {1279, 0, 319, 0},
        {159, 59, 0, 0},
        {1120, 660, 319, 199},
        {INT32_MIN, INT32_MAX, 0, 199},
        {INT32_MAX, INT32_MIN, 319, 0},
    };
    for (auto& c : cases) {
        int32_t lx = -1, ly = -1;
        MapClientToLogical(c[0], c[1], &lx, &ly);
        EXPECT_EQ(lx, c[2]) << c[0] << "," << c[1];
        EXPECT_EQ(ly, c[3]) << c[0] << "," << c[1];
    }
    // A picture cropped by a small client area: truncation toward zero, then the clamp.
    HeadlessSetClientSize(200, 100);
    UpdateDisplayLayout(window);
    int32_t lx, ly;
    MapClientToLogical(0, 0, &lx, &ly);
    EXPECT_EQ(lx, 60);
    EXPECT_EQ(ly, 50);
}

TEST(PresentTest, BackBufferIsMadeOncePerClientSize) {
    PlatformWindow* window = HeadlessOpenWindow(960, 600);
    RenderReleaseBackBuffer();
    int32_t bw = -1, bh = -1;
    RenderGetBackBufferSize(&bw, &bh);
    EXPECT_EQ(bw, 0);
    EXPECT_EQ(bh, 0);

    int32_t made = HeadlessBackBufferCreations();
    PresentPixelBuffer(window);
    PresentPixelBuffer(window);
    EXPECT_EQ(HeadlessBackBufferCreations(), made + 1);
    RenderGetBackBufferSize(&bw, &bh);
    EXPECT_EQ(bw, 960);
    EXPECT_EQ(bh, 600);

    // A size change is picked up by the next present even without a resize message.
    HeadlessSetClientSize(1280, 720);
    PresentPixelBuffer(window);
    EXPECT_EQ(HeadlessBackBufferCreations(), made + 2);
    RenderGetBackBufferSize(&bw, &bh);
    EXPECT_EQ(bw, 1280);

    // A resize message releases it; the next present makes a new one even at the same size.
    RenderReleaseBackBuffer();
    RenderReleaseBackBuffer();
    PresentPixelBuffer(window);
    EXPECT_EQ(HeadlessBackBufferCreations(), made + 3);

    // A minimised window counts as 1 x 1.
    HeadlessSetClientSize(0, 0);
    PresentPixelBuffer(window);
    RenderGetBackBufferSize(&bw, &bh);
    EXPECT_EQ(bw, 1);
    EXPECT_EQ(bh, 1);
    RenderReleaseBackBuffer();
}

// Text drawn through the font, presented in a 1280 x 720 window: scale 3 at (160, 60), black
// borders, and every logical pixel a 3 x 3 block of the same colour.
TEST(PresentTest, TextReachesTheWindowInWholeBlocksWithBlackBorders) {
    PlatformWindow* window = HeadlessOpenWindow(1280, 720);
    const uint32_t sky = 0x00203060;
    for (uint32_t& p : pixelBuffer) {
        p = sky;
    }
    DrawMsxString(0, 0, "A", INK, 1);
    DrawMsxStringCentered(96, "GAME OVER", 0x00FFFFFF, 1);
    PresentPixelBuffer(window);

    int32_t w = 0, h = 0;
    const uint32_t* image = HeadlessPresentedImage(&w, &h);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(w, 1280);
    ASSERT_EQ(h, 720);
    int32_t wrong = 0;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            bool inside = x >= 160 && x < 1120 && y >= 60 && y < 660;
            uint32_t expected = inside ? pixelBuffer[((y - 60) / 3) * 320 + (x - 160) / 3] : 0u;
            if (image[y * w + x] != expected && ++wrong < 5) {
                ADD_FAILURE() << "client pixel " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // The top of the 'A' (glyph pixel (2, 0)) is the block at client (166..168, 60..62).
    for (int32_t y = 60; y < 63; ++y) {
        for (int32_t x = 166; x < 169; ++x) {
            EXPECT_EQ(image[y * w + x], INK);
        }
    }
    EXPECT_EQ(image[60 * w + 165], sky);
    EXPECT_EQ(image[59 * w + 166], 0u);
    RenderReleaseBackBuffer();
}

} // namespace
