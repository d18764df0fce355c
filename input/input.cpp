// input.cpp -- once-per-frame snapshots of the 256 key codes and the left button, with the previous
// frame's for press edges, and the cursor in logical pixels plus the camera for world pixels.
#include "input/input.h"

#include <string.h>

#include "input/pad.h"
#include "render/render.h"

static const int32_t INPUT_CODE_LEFT_BUTTON = 1;

static int32_t gKeyDown[INPUT_KEY_COUNT];
static int32_t gKeyPrev[INPUT_KEY_COUNT];
static int32_t gMouseLeft;
static int32_t gMouseLeftPrev;
static int32_t gMouseLogicalX;
static int32_t gMouseLogicalY;
// Whether the pointer was last seen on the picture: a device matter, not part of a saved game.
static int32_t gMouseOnPicture;
static float gCameraX;
static float gCameraY;

// Codes are tested as unsigned, so negative ones count as out of range.
static inline int InputCodeValid(int32_t code) {
    return (uint32_t)code < (uint32_t)INPUT_KEY_COUNT;
}

void InputInit(void) {
    for (int32_t code = 0; code < INPUT_KEY_COUNT; ++code) {
        gKeyDown[code] = 0;
        gKeyPrev[code] = 0;
    }
}

void InputUpdate(PlatformWindow* window) {
    memcpy(gKeyPrev, gKeyDown, sizeof(gKeyPrev));
    // When the cursor cannot be read this frame, the last logical position stands. While a pad aims,
    // the game places the cursor itself (it knows the player and the camera).
    int32_t clientX = 0;
    int32_t clientY = 0;
    gMouseOnPicture = 0;
    if (!PadOwnsCursor() && PlatformGetCursorClient(window, &clientX, &clientY)) {
        MapClientToLogical(clientX, clientY, &gMouseLogicalX, &gMouseLogicalY);
        gMouseOnPicture = MapClientIsOnPicture(clientX, clientY);
    }
    uint8_t down[INPUT_KEY_COUNT];
    PlatformReadKeys(down, INPUT_KEY_COUNT);
    gMouseLeftPrev = gMouseLeft;
    gMouseLeft = down[INPUT_CODE_LEFT_BUTTON];
    for (int32_t code = 0; code < INPUT_KEY_COUNT; ++code) {
        gKeyDown[code] = down[code];
    }
}

void InputUpdateFrom(const InputFrame* frame) {
    memcpy(gKeyPrev, gKeyDown, sizeof(gKeyPrev));
    // Kept on the picture, as a client point always maps to.
    gMouseLogicalX =
        frame->cursorX < 0 ? 0 : (frame->cursorX >= LOGICAL_WIDTH ? LOGICAL_WIDTH - 1 : frame->cursorX);
    gMouseLogicalY =
        frame->cursorY < 0 ? 0 : (frame->cursorY >= LOGICAL_HEIGHT ? LOGICAL_HEIGHT - 1 : frame->cursorY);
    gMouseOnPicture = 1;
    gMouseLeftPrev = gMouseLeft;
    gMouseLeft = frame->leftButton ? 1 : 0;
    memset(gKeyDown, 0, sizeof(gKeyDown));
    gKeyDown[INPUT_CODE_LEFT_BUTTON] = gMouseLeft;
    if (InputCodeValid(frame->key) && frame->key != 0) {
        gKeyDown[frame->key] = 1;
    }
}

void InputSetCamera(float x, float y) {
    gCameraX = x;
    gCameraY = y;
}

void InputOnMouseMove(int32_t x, int32_t y) {
    MapClientToLogical(x, y, &gMouseLogicalX, &gMouseLogicalY);
    gMouseOnPicture = MapClientIsOnPicture(x, y);
}

void InputOnMouseOverControls(void) {
    gMouseOnPicture = 0;
}

int32_t InputIsMouseOnPicture(void) {
    return gMouseOnPicture;
}

void InputOnMouseButton(int32_t x, int32_t y) {
    // Buttons are sampled by the snapshot; the message carries nothing the game needs.
    (void)x;
    (void)y;
}

void InputOnKeyDown(int32_t code) {
    if (InputCodeValid(code)) {
        gKeyDown[code] = 1;
    }
}

int32_t InputIsKeyDown(int32_t code) {
    return InputCodeValid(code) ? gKeyDown[code] : 0;
}

int32_t InputIsPressEdge(int32_t downNow, int32_t downBefore) {
    return (downNow != 0 && downBefore == 0) ? 1 : 0;
}

int32_t InputWasKeyPressed(int32_t code) {
    if (!InputCodeValid(code)) {
        return 0;
    }
    return InputIsPressEdge(gKeyDown[code], gKeyPrev[code]);
}

int32_t InputIsMouseLeftDown(void) {
    return gMouseLeft;
}

int32_t InputWasMouseLeftPressed(void) {
    return InputIsPressEdge(gMouseLeft, gMouseLeftPrev);
}

int32_t InputWasMouseLeftReleased(void) {
    return (gMouseLeft == 0 && gMouseLeftPrev != 0) ? 1 : 0;
}

int32_t InputGetMouseLogicalX(void) {
    return gMouseLogicalX;
}

int32_t InputGetMouseLogicalY(void) {
    return gMouseLogicalY;
}

float InputGetMouseWorldX(void) {
    return (float)gMouseLogicalX + gCameraX;
}

float InputGetMouseWorldY(void) {
    return (float)gMouseLogicalY + gCameraY;
}

void InputSave(InputState* out) {
    memcpy(out->keyDown, gKeyDown, sizeof(gKeyDown));
    memcpy(out->keyPrev, gKeyPrev, sizeof(gKeyPrev));
    out->mouseLeft = gMouseLeft;
    out->mouseLeftPrev = gMouseLeftPrev;
    out->mouseLogicalX = gMouseLogicalX;
    out->mouseLogicalY = gMouseLogicalY;
    out->cameraX = gCameraX;
    out->cameraY = gCameraY;
}

void InputRestore(const InputState* in) {
    memcpy(gKeyDown, in->keyDown, sizeof(gKeyDown));
    memcpy(gKeyPrev, in->keyPrev, sizeof(gKeyPrev));
    gMouseLeft = in->mouseLeft;
    gMouseLeftPrev = in->mouseLeftPrev;
    gMouseLogicalX = in->mouseLogicalX;
    gMouseLogicalY = in->mouseLogicalY;
    gCameraX = in->cameraX;
    gCameraY = in->cameraY;
}
