// physics.h -- bodies (a moving centre with velocity and ground flag) and axis-aligned boxes:
// the clamped gravity step, the fall-speed cap and strict box overlap.
#pragma once
#include <stdint.h>

struct Body {
    float x;          // centre, world pixels
    float y;          // centre, world pixels, down is positive
    float vx;         // px/ms, positive = right
    float vy;         // px/ms, positive = down
    int32_t onGround; // non-zero while standing; no gravity then
};

struct AABB {
    float x; // top-left corner
    float y;
    float w;
    float h;
};

constexpr float MAX_STEP_MS = 33.0f;
constexpr float GRAVITY_RISE = 0.0022f;
constexpr float GRAVITY_FALL = 0.0065f;
constexpr float MAX_FALL_SPEED = 0.12f;

// ms clamped to 0..33.
float PhysicsClampStepMs(float ms);
// One semi-implicit Euler step under asymmetric gravity; no gravity while onGround.
void PhysicsIntegrate(Body* body, float dtMs);
// Caps downward vy at MAX_FALL_SPEED.
void PhysicsClampFallSpeed(Body* body);
// 1 when the boxes overlap strictly (touching edges do not); 0 for null.
int AABBOverlap(const AABB* a, const AABB* b);
// Box of w x h centred on (cx, cy). Inline: the collision asks for one per tile per physics sub-step.
inline AABB AABBFromCenter(float cx, float cy, float w, float h) {
    AABB box;
    box.x = cx - w * 0.5f;
    box.y = cy - h * 0.5f;
    box.w = w;
    box.h = h;
    return box;
}
