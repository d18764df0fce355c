// pad_test.cpp -- the one pad rule every backend with pads follows: which controls hold which codes,
// and which stick aims.
#include <gtest/gtest.h>

#include <math.h>

#include "input/pad.h"
#include "platform/keys.h"

namespace {

TEST(Pad, SouthAndTheTriggerFireWestReloadsStartIsEscape) {
    EXPECT_EQ(PadControlCode(PAD_SOUTH), KEY_LBUTTON);
    EXPECT_EQ(PadControlCode(PAD_RIGHT_TRIGGER), KEY_LBUTTON);
    EXPECT_EQ(PadControlCode(PAD_WEST), KEY_R);
    EXPECT_EQ(PadControlCode(PAD_START), KEY_ESCAPE);
    EXPECT_EQ(PadControlCode(PAD_CONTROLS), 0);
    EXPECT_EQ(PadControlCode(-1), 0);
}

TEST(Pad, TheStickFurthestPastTheDeadZoneAimsAndRestingOnesDoNot) {
    float x = 5.0f;
    float y = 5.0f;
    const float resting[4] = {PAD_DEAD_ZONE, 0.0f, 0.0f, -PAD_DEAD_ZONE};
    EXPECT_EQ(PadStickAim(resting, 2, &x, &y), 0);
    EXPECT_EQ(x, 5.0f); // the aim stays as it was
    const float broken[4] = {NAN, 0.0f, 1e30f, 1e30f};
    EXPECT_EQ(PadStickAim(broken, 2, &x, &y), 0);
    const float two[4] = {0.0f, 0.5f, -0.6f, -0.8f};
    ASSERT_EQ(PadStickAim(two, 2, &x, &y), 1);
    EXPECT_FLOAT_EQ(x, -0.6f);
    EXPECT_FLOAT_EQ(y, -0.8f);
}

} // namespace
