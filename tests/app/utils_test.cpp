// utils_test.cpp -- the trigonometry wrappers give the library's single-precision results with y
// first in atan2, and the random generator repeats for a seed.
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>

#include "app/utils.h"

namespace {

const float PI_F = 3.14159265358979323846f;

TEST(UtilsTest, Atan2TakesYFirstInScreenOrientation) {
    EXPECT_EQ(MathAtan2(0.0f, 1.0f), 0.0f);
    EXPECT_EQ(MathAtan2(1.0f, 0.0f), PI_F / 2.0f); // straight down on the screen
    EXPECT_EQ(MathAtan2(0.0f, -1.0f), PI_F);
    EXPECT_EQ(MathAtan2(-1.0f, 0.0f), -PI_F / 2.0f);
    EXPECT_EQ(MathAtan2(3.0f, -7.5f), atan2f(3.0f, -7.5f));
}

TEST(UtilsTest, SineAndCosineAreTheLibrarysSinglePrecisionResults) {
    for (float a : {0.0f, 0.1047198f, -0.7853982f, 1.5707964f, 3.1415927f, -2.5f, 100.0f}) {
        EXPECT_EQ(MathSin(a), sinf(a)) << a;
        EXPECT_EQ(MathCos(a), cosf(a)) << a;
    }
}

TEST(UtilsTest, SeedRepeatsTheSequence) {
    InitRandomSeed(1234u);
    int32_t first[8];
    for (int32_t& v : first) {
        v = GetRandom();
        EXPECT_GE(v, 0);
        EXPECT_LE(v, RAND_MAX);
    }
    InitRandomSeed(1234u);
    for (int32_t v : first) {
        EXPECT_EQ(GetRandom(), v);
    }
}

} // namespace
