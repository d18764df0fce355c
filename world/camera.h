// camera.h -- the view's top-left corner in world pixels, eased toward the player inside the stage.
#pragma once

struct Camera {
    float x;
    float y;
};

constexpr float CAMERA_LERP_X = 0.12f;
constexpr float CAMERA_LERP_Y = 0.08f;

// Puts the camera at (0, 0).
void CameraInit(Camera* camera);
// Covers a fixed share of the way to (target - (160, 110)), clamped to the world; dtMs is unused.
void CameraFollow(Camera* camera, float targetX, float targetY, float worldW, float worldH, float dtMs);
