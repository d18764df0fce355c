// physics_test.cpp -- the gravity step, its clamps and the strict box overlap.
#include <gtest/gtest.h>

#include "world/physics.h"

namespace {

Body AirBody(float vy) {
    Body body = {0.0f, 0.0f, 0.0f, vy, 0};
    return body;
}

TEST(PhysicsTest, StepIsClampedToZeroThroughThirtyThree) {
    EXPECT_EQ(PhysicsClampStepMs(-5.0f), 0.0f);
    EXPECT_EQ(PhysicsClampStepMs(50.0f), 33.0f);
    EXPECT_EQ(PhysicsClampStepMs(16.0f), 16.0f);
    EXPECT_EQ(PhysicsClampStepMs(33.0f), 33.0f);
}

TEST(PhysicsTest, BodyAtRestInTheAirFallsWithTheUpdatedVelocity) {
    Body body = AirBody(0.0f);
    PhysicsIntegrate(&body, 2.0f);
    EXPECT_EQ(body.vy, 0.013f);
    EXPECT_EQ(body.y, 0.026f);
    EXPECT_EQ(body.x, 0.0f);
}

TEST(PhysicsTest, NegativeStepMovesNothingButStillCapsTheFall) {
    Body body = {10.0f, 20.0f, 0.5f, 0.05f, 0};
    PhysicsIntegrate(&body, -4.0f);
    EXPECT_EQ(body.x, 10.0f);
    EXPECT_EQ(body.y, 20.0f);
    EXPECT_EQ(body.vy, 0.05f);

    body.vy = 0.3f;
    PhysicsIntegrate(&body, -4.0f);
    EXPECT_EQ(body.vy, MAX_FALL_SPEED);
    EXPECT_EQ(body.y, 20.0f);
}

TEST(PhysicsTest, LongStepIsClampedToThirtyThree) {
    Body body = {0.0f, 0.0f, 0.01f, -0.48f, 0};
    PhysicsIntegrate(&body, 100.0f);
    EXPECT_EQ(body.x, 0.01f * 33.0f);
    EXPECT_EQ(body.vy, -0.48f + GRAVITY_RISE * 33.0f);
}

TEST(PhysicsTest, StandingBodyGetsNoGravityButMovesSideways) {
    Body body = {5.0f, 100.0f, 0.25f, 0.07f, 1};
    PhysicsIntegrate(&body, 2.0f);
    EXPECT_EQ(body.y, 100.0f);
    EXPECT_EQ(body.vy, 0.0f);
    EXPECT_EQ(body.x, 5.5f);
    EXPECT_EQ(body.onGround, 1);
}

TEST(PhysicsTest, RisingLosesLessSpeedThanFallingGains) {
    Body rising = AirBody(-0.48f);
    PhysicsIntegrate(&rising, 2.0f);
    EXPECT_EQ(rising.vy, -0.4756f);

    // Falling gains 0.013 per 2 ms step until the cap.
    Body falling = AirBody(0.0f);
    for (int i = 0; i < 9; ++i) {
        PhysicsIntegrate(&falling, 2.0f);
    }
    EXPECT_GT(falling.vy, 0.116f);
    EXPECT_LT(falling.vy, MAX_FALL_SPEED);
    PhysicsIntegrate(&falling, 2.0f);
    EXPECT_EQ(falling.vy, MAX_FALL_SPEED);
    PhysicsIntegrate(&falling, 2.0f);
    EXPECT_EQ(falling.vy, MAX_FALL_SPEED);
}

TEST(PhysicsTest, GravityIsPickedFromTheSignAtTheStartOfTheStep) {
    // Passing the apex within the step still uses the weaker rising gravity throughout.
    Body body = AirBody(-0.001f);
    PhysicsIntegrate(&body, 2.0f);
    EXPECT_EQ(body.vy, -0.001f + 0.0044f);
}

TEST(PhysicsTest, FallSpeedCapLeavesUpwardSpeedAlone) {
    Body body = AirBody(0.5f);
    PhysicsClampFallSpeed(&body);
    EXPECT_EQ(body.vy, MAX_FALL_SPEED);
    body.vy = -3.0f;
    PhysicsClampFallSpeed(&body);
    EXPECT_EQ(body.vy, -3.0f);
    PhysicsClampFallSpeed(nullptr);
    PhysicsIntegrate(nullptr, 2.0f);
}

TEST(PhysicsTest, BoxesSharingAnEdgeDoNotOverlap) {
    AABB a = {0.0f, 0.0f, 10.0f, 10.0f};
    AABB b = {10.0f, 0.0f, 10.0f, 10.0f};
    EXPECT_EQ(AABBOverlap(&a, &b), 0);
    EXPECT_EQ(AABBOverlap(&b, &a), 0);
    b.x = 9.999f;
    EXPECT_EQ(AABBOverlap(&a, &b), 1);
    EXPECT_EQ(AABBOverlap(&b, &a), 1);

    AABB below = {5.0f, 10.0f, 10.0f, 10.0f};
    EXPECT_EQ(AABBOverlap(&a, &below), 0);
    below.y = 9.999f;
    EXPECT_EQ(AABBOverlap(&a, &below), 1);

    EXPECT_EQ(AABBOverlap(nullptr, &a), 0);
    EXPECT_EQ(AABBOverlap(&a, nullptr), 0);
}

TEST(PhysicsTest, BoxFromCentre) {
    AABB box = AABBFromCenter(100.0f, 50.0f, 14.0f, 28.0f);
    EXPECT_EQ(box.x, 93.0f);
    EXPECT_EQ(box.y, 36.0f);
    EXPECT_EQ(box.w, 14.0f);
    EXPECT_EQ(box.h, 28.0f);
}

} // namespace
