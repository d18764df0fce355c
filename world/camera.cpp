// camera.cpp -- eases the view toward the player by a fixed share per call, kept inside the stage.
#include "world/camera.h"

// Screen position at which the target is held: centred, 10 px below the middle.
static const float CAMERA_ANCHOR_X = 160.0f;
static const float CAMERA_ANCHOR_Y = 110.0f;

void CameraInit(Camera* camera) {
    if (!camera) {
        return;
    }
    camera->x = 0.0f;
    camera->y = 0.0f;
}

void CameraFollow(Camera* camera, float targetX, float targetY, float worldW, float worldH, float dtMs) {
    (void)dtMs; // a fixed share per call: the easing follows the frame rate, not the clock
    if (!camera) {
        return;
    }
    float nx = ((targetX - CAMERA_ANCHOR_X) - camera->x) * CAMERA_LERP_X + camera->x;
    float ny = ((targetY - CAMERA_ANCHOR_Y) - camera->y) * CAMERA_LERP_Y + camera->y;
    float maxX = worldW - 320.0f;
    maxX = maxX > 0.0f ? maxX : 0.0f;
    float maxY = worldH - 200.0f;
    maxY = maxY > 0.0f ? maxY : 0.0f;
    float x = nx > 0.0f ? nx : 0.0f;
    camera->x = x < maxX ? x : maxX;
    float y = ny > 0.0f ? ny : 0.0f;
    if (y > maxY) {
        y = maxY;
    }
    camera->y = y;
}
