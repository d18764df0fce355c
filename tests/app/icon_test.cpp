// icon_test.cpp -- the game's icon: sizes it refuses, the player's own colours at the natural size,
// whole blocks when scaled up, averages when scaled down, and the logical buffer left untouched.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/icon.h"
#include "render/render.h"

namespace {

const int32_t NATURAL = 38; // the crop the icon is drawn from, one icon pixel per logical pixel

std::vector<uint32_t> Icon(int32_t size) {
    std::vector<uint32_t> out((size_t)size * size, 0);
    EXPECT_EQ(IconDraw(size, out.data()), 1) << size;
    return out;
}

TEST(Icon, RefusesSizesOutsideTheRangeAndWritesNothing) {
    std::vector<uint32_t> out(4, 0x12345678u);
    EXPECT_EQ(IconDraw(ICON_MIN_SIZE - 1, out.data()), 0);
    EXPECT_EQ(IconDraw(ICON_MAX_SIZE + 1, out.data()), 0);
    EXPECT_EQ(IconDraw(0, out.data()), 0);
    EXPECT_EQ(IconDraw(-64, out.data()), 0);
    EXPECT_EQ(IconDraw(64, nullptr), 0);
    EXPECT_EQ(out[0], 0x12345678u);
}

TEST(Icon, NaturalSizeShowsThePlayerFiringOnTheSky) {
    std::vector<uint32_t> icon = Icon(NATURAL);
    std::set<uint32_t> colours(icon.begin(), icon.end());
    // Sky, cloak, face, hat and gun, muzzle flash: exactly the game's colours, all opaque.
    EXPECT_EQ(colours, (std::set<uint32_t>{0xFF58A4D8u, 0xFFB95E51u, 0xFFD7C792u, 0xFF7C807Bu, 0xFFD0DC78u}));
    EXPECT_EQ(icon[0], 0xFF58A4D8u);
    EXPECT_EQ(icon.back(), 0xFF58A4D8u);
    // The flash sits up and to the right of the body, where the gun points.
    int32_t flashX = -1, flashY = -1;
    for (int32_t i = 0; i < NATURAL * NATURAL; ++i) {
        if (icon[(size_t)i] == 0xFFD0DC78u && flashX < 0) {
            flashX = i % NATURAL;
            flashY = i / NATURAL;
        }
    }
    EXPECT_GT(flashX, NATURAL / 2);
    EXPECT_LT(flashY, NATURAL / 2);
}

TEST(Icon, ScalesUpInWholeBlocksAndDownByAveraging) {
    std::vector<uint32_t> natural = Icon(NATURAL);
    std::vector<uint32_t> twice = Icon(2 * NATURAL);
    for (int32_t y = 0; y < 2 * NATURAL; ++y) {
        for (int32_t x = 0; x < 2 * NATURAL; ++x) {
            ASSERT_EQ(twice[(size_t)(y * 2 * NATURAL + x)], natural[(size_t)((y / 2) * NATURAL + x / 2)])
                << x << "," << y;
        }
    }
    // 19 px: each pixel is the rounded mean of a 2 x 2 block of the natural icon.
    std::vector<uint32_t> half = Icon(NATURAL / 2);
    for (int32_t y = 0; y < NATURAL / 2; ++y) {
        for (int32_t x = 0; x < NATURAL / 2; ++x) {
            uint32_t expected = 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                uint32_t sum = 0;
                for (int32_t i = 0; i < 4; ++i) {
                    sum += (natural[(size_t)((2 * y + i / 2) * NATURAL + 2 * x + i % 2)] >> shift) & 0xFF;
                }
                expected |= ((sum + 2) / 4) << shift;
            }
            ASSERT_EQ(half[(size_t)(y * NATURAL / 2 + x)], expected) << x << "," << y;
        }
    }
    std::vector<uint32_t> largest = Icon(ICON_MAX_SIZE);
    EXPECT_EQ(largest[0], 0xFF58A4D8u);
}

TEST(Icon, LeavesTheLogicalBufferAsItWas) {
    for (int32_t i = 0; i < LOGICAL_WIDTH * LOGICAL_HEIGHT; ++i) {
        pixelBuffer[i] = (uint32_t)i * 2654435761u & 0xFFFFFFu;
    }
    std::vector<uint32_t> before(pixelBuffer, pixelBuffer + LOGICAL_WIDTH * LOGICAL_HEIGHT);
    Icon(ICON_MIN_SIZE);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), pixelBuffer));
}

} // namespace
