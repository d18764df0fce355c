// physics.cpp -- the gravity step of a body (semi-implicit Euler, asymmetric gravity, capped fall)
// and the strict overlap of axis-aligned boxes.
#include "world/physics.h"

float PhysicsClampStepMs(float ms) {
    if (ms < 0.0f) {
        return 0.0f;
    }
    if (ms > MAX_STEP_MS) {
        return MAX_STEP_MS;
    }
    return ms;
}

void PhysicsIntegrate(Body* body, float dtMs) {
    if (!body) {
        return;
    }
    float dt = PhysicsClampStepMs(dtMs);
    if (body->onGround) {
        body->vy = 0.0f;
    } else {
        // The gravity is picked once from the sign at the start of the step, apex or not.
        float gravity = body->vy < 0.0f ? GRAVITY_RISE : GRAVITY_FALL;
        float vy = body->vy + gravity * dt;
        if (vy > MAX_FALL_SPEED) {
            vy = MAX_FALL_SPEED;
        }
        body->vy = vy;
    }
    body->x = body->x + body->vx * dt;
    // Moved with the velocity already updated in this step.
    body->y = body->y + body->vy * dt;
}

void PhysicsClampFallSpeed(Body* body) {
    if (body && body->vy > MAX_FALL_SPEED) {
        body->vy = MAX_FALL_SPEED;
    }
}

int AABBOverlap(const AABB* a, const AABB* b) {
    if (!a || !b) {
        return 0;
    }
    if (!(a->x < b->x + b->w) || !(b->x < a->x + a->w)) {
        return 0;
    }
    if (!(a->y < b->y + b->h) || !(b->y < a->y + a->h)) {
        return 0;
    }
    return 1;
}
