// pad_test.cpp -- the one pad rule every backend with pads follows: which controls hold which codes,
// which stick aims, and the game placing the cursor on the aim until the mouse moves.
#include <gtest/gtest.h>

#include <math.h>

#include "app/game_state.h"
#include "app/main.h"
#include "backends/headless/headless.h"
#include "input/input.h"
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

// The backend hands only the raw sticks; the game puts the cursor on the aim around the player.
TEST(Pad, TheGamePutsTheCursorOnTheAimUntilTheMouseMoves) {
    PlatformWindow* window = HeadlessOpenWindow(960, 600);
    MainStartup(window);
    HeadlessSetCursor(30, 30);
    HeadlessAdvanceTicks(16);
    HeadlessRunFrame(window);
    const float right[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    PadOnSticks(right, 2);
    const float resting[2] = {0.0f, 0.0f};
    PadOnSticks(resting, 1); // at rest the aim stays
    HeadlessAdvanceTicks(16);
    HeadlessRunFrame(window);
    const Player* player = GameStateGetPlayer();
    const Camera* camera = GameStateGetCamera();
    EXPECT_EQ(InputGetMouseLogicalX(), (int32_t)floorf(player->body.x - camera->x + PAD_AIM_RADIUS));
    EXPECT_EQ(InputGetMouseLogicalY(), (int32_t)floorf(player->body.y - camera->y));
    PadOnPointer();
    HeadlessAdvanceTicks(16);
    HeadlessRunFrame(window);
    EXPECT_EQ(InputGetMouseLogicalX(), 10); // 30 / 3
    MainShutdown();
}

} // namespace
