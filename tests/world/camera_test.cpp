// camera_test.cpp -- easing toward the player and clamping to the stage.
#include <gtest/gtest.h>

#include "world/camera.h"

namespace {

TEST(CameraTest, OneCallCoversAFixedShareOfTheWay) {
    Camera camera;
    CameraInit(&camera);
    CameraFollow(&camera, 400.0f, 300.0f, 1280.0f, 240.0f, 16.0f);
    EXPECT_EQ(camera.x, 28.8f);
    EXPECT_EQ(camera.y, 15.2f);
}

TEST(CameraTest, ElapsedTimeHasNoEffect) {
    Camera slow = {0.0f, 0.0f};
    Camera fast = {0.0f, 0.0f};
    CameraFollow(&slow, 400.0f, 300.0f, 1280.0f, 240.0f, 1.0f);
    CameraFollow(&fast, 400.0f, 300.0f, 1280.0f, 240.0f, 50.0f);
    EXPECT_EQ(slow.x, fast.x);
    EXPECT_EQ(slow.y, fast.y);
}

TEST(CameraTest, ConvergesWithoutOvershootAndStaysInTheStage) {
    // Goal (540, 190) lies inside horizontally; vertically the 240 px stage allows at most 40.
    Camera camera = {0.0f, 0.0f};
    float lastX = 0.0f;
    for (int i = 0; i < 400; ++i) {
        CameraFollow(&camera, 700.0f, 300.0f, 1280.0f, 240.0f, 16.0f);
        ASSERT_GE(camera.x, lastX);
        ASSERT_LE(camera.x, 540.0f);
        ASSERT_LE(camera.y, 40.0f);
        lastX = camera.x;
    }
    EXPECT_NEAR(camera.x, 540.0f, 0.001f);
    EXPECT_EQ(camera.y, 40.0f);

    // Past the right end of the stage the camera stops at width - 320.
    for (int i = 0; i < 400; ++i) {
        CameraFollow(&camera, 5000.0f, 0.0f, 1280.0f, 240.0f, 16.0f);
        ASSERT_LE(camera.x, 960.0f);
        ASSERT_GE(camera.y, 0.0f);
    }
    EXPECT_EQ(camera.x, 960.0f);
    EXPECT_EQ(camera.y, 0.0f);
}

TEST(CameraTest, TargetNearTheTopLeftKeepsItAtZero) {
    Camera camera = {0.0f, 0.0f};
    CameraFollow(&camera, 100.0f, 50.0f, 1280.0f, 480.0f, 16.0f);
    EXPECT_EQ(camera.x, 0.0f);
    EXPECT_EQ(camera.y, 0.0f);
}

TEST(CameraTest, SmallStagesPinTheCamera) {
    Camera camera = {0.0f, 0.0f};
    for (int i = 0; i < 50; ++i) {
        CameraFollow(&camera, 900.0f, 900.0f, 320.0f, 200.0f, 16.0f);
    }
    EXPECT_EQ(camera.x, 0.0f);
    EXPECT_EQ(camera.y, 0.0f);

    // Narrower than the screen still pins to 0, not to a negative maximum.
    CameraFollow(&camera, 900.0f, 900.0f, 100.0f, 50.0f, 16.0f);
    EXPECT_EQ(camera.x, 0.0f);
    EXPECT_EQ(camera.y, 0.0f);
}

TEST(CameraTest, InitResetsAndNullIsIgnored) {
    Camera camera = {12.0f, 34.0f};
    CameraInit(&camera);
    EXPECT_EQ(camera.x, 0.0f);
    EXPECT_EQ(camera.y, 0.0f);
    CameraInit(nullptr);
    CameraFollow(nullptr, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f);
}

} // namespace
