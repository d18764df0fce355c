// web_pad_test.cpp -- pads become the left button, R and Escape with key-down messages like the
// keyboard's, a stick gives the aim's direction, and the aim lands on the right client pixel.
#include <gtest/gtest.h>

#include <math.h>

#include "input/pad.h"
#include "backends/web/web_keys.h"
#include "backends/web/web_pad.h"

static float gPads[WEB_PAD_MAX * WEB_PAD_VALUES];

// One frame: a look at the pads, then the frame's end.
static WebPadLook Look(int32_t pads = 1) {
    const WebPadLook look = WebPadUpdate(gPads, pads);
    WebKeysEndFrame();
    return look;
}

static void Button(int32_t pad, int32_t button, float value) {
    gPads[pad * WEB_PAD_VALUES + WEB_PAD_AXES + button] = value;
}

class WebPadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (float& v : gPads) {
            v = 0.0f;
        }
        WebKeysReleaseAll();
        WebPadLatchAll();
        Look(WEB_PAD_MAX);
    }
};

// Firing, reloading and Start are covered through the page; here what only the host can see.
TEST_F(WebPadTest, AnyPadCountsAndAHeldButtonSendsItsMessageOnce) {
    Button(1, 7, 0.6f); // right trigger past half way, second pad
    Button(1, 2, 1.0f); // west
    EXPECT_EQ(Look(2).messages[0], 'R');
    EXPECT_EQ(WebKeysIsDown(1), 1);
    EXPECT_EQ(Look(2).messages[0], 0);
    Button(1, 7, 0.4f);
    Look(2);
    EXPECT_EQ(WebKeysIsDown(1), 0);
    EXPECT_EQ(WebKeysIsDown('R'), 1);
}

TEST_F(WebPadTest, AfterTheFocusComesBackAHeldButtonCountsOnlyOnceLetGo) {
    Button(0, 0, 1.0f);
    Look();
    WebKeysReleaseAll();
    WebPadLatchAll();
    Look();
    EXPECT_EQ(WebKeysIsDown(1), 0);
    Button(0, 0, 0.0f);
    Look();
    Button(0, 0, 1.0f);
    Look();
    EXPECT_EQ(WebKeysIsDown(1), 1);
}

TEST_F(WebPadTest, TheStickPushedFurthestAimsAndARestingOneDoesNot) {
    gPads[0] = 0.2f; // left stick inside the dead zone
    gPads[1] = 0.1f;
    EXPECT_EQ(Look().aimed, 0);
    gPads[2] = 0.0f; // right stick straight down
    gPads[3] = 0.9f;
    gPads[WEB_PAD_VALUES] = -0.5f; // second pad's left stick, left but less far
    WebPadLook look = Look(2);
    EXPECT_EQ(look.aimed, 1);
    EXPECT_FLOAT_EQ(look.dirX, 0.0f);
    EXPECT_FLOAT_EQ(look.dirY, 1.0f);
    gPads[3] = NAN;
    look = Look(2);
    EXPECT_FLOAT_EQ(look.dirX, -1.0f);
}

TEST_F(WebPadTest, TheAimLandsOnTheBlockCentreOfItsLogicalPixel) {
    int32_t x = 0;
    int32_t y = 0;
    // Player at (160.5, 110.2), aim straight right at scale 3, picture at (20, 10).
    PadAimClient(160.5f, 110.2f, 1.0f, 0.0f, 20, 10, 3, &x, &y);
    EXPECT_EQ(x, 20 + 200 * 3 + 1);
    EXPECT_EQ(y, 10 + 110 * 3 + 1);
    PadAimClient(0.0f, 0.0f, -0.6f, -0.8f, 0, 0, 1, &x, &y);
    EXPECT_EQ(x, -24);
    EXPECT_EQ(y, -32);
}
