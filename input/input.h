// input.h -- once-per-frame snapshots of all 256 keys and the left button with press edges, and
// the cursor in logical and world pixels.
#pragma once
#include <stdint.h>

#include "platform/platform.h"

constexpr int32_t INPUT_KEY_COUNT = 256;

// Everything the input module keeps between frames: both snapshots, the cursor and the camera.
struct InputState {
    int32_t keyDown[INPUT_KEY_COUNT];
    int32_t keyPrev[INPUT_KEY_COUNT];
    int32_t mouseLeft;
    int32_t mouseLeftPrev;
    int32_t mouseLogicalX;
    int32_t mouseLogicalY;
    float cameraX;
    float cameraY;
};

// One frame of input the game gives itself instead of reading the platform (searches, a route played
// back): the cursor in logical pixels, the left button, and one key held (0 for none).
struct InputFrame {
    int32_t cursorX;
    int32_t cursorY;
    int32_t leftButton;
    int32_t key;
};

// Clears both key snapshots; mouse state and camera are left as they are.
void InputInit(void);
// Takes this frame's snapshot: previous <- current, cursor, left button, all 256 keys.
void InputUpdate(PlatformWindow* window);
// The same snapshot from frame: exactly what InputUpdate takes from a 320 x 200 client whose only
// keys down are the left button and frame's key.
void InputUpdateFrom(const InputFrame* frame);
// Camera offset used for the cursor's world position.
void InputSetCamera(float x, float y);
// Client coordinates of a mouse-move message, mapped to logical pixels.
void InputOnMouseMove(int32_t x, int32_t y);
// Does nothing; buttons are sampled by the snapshot.
void InputOnMouseButton(int32_t x, int32_t y);
// Marks a key down in the current snapshot (codes 0..255 only).
void InputOnKeyDown(int32_t code);
int32_t InputIsKeyDown(int32_t code);
// The press edge every press waits for: 1 when down now and up in the snapshot before.
int32_t InputIsPressEdge(int32_t downNow, int32_t downBefore);
// 1 only in the first snapshot that shows the key down.
int32_t InputWasKeyPressed(int32_t code);
int32_t InputIsMouseLeftDown(void);
int32_t InputWasMouseLeftPressed(void);
int32_t InputWasMouseLeftReleased(void);
int32_t InputGetMouseLogicalX(void);
int32_t InputGetMouseLogicalY(void);
// 1 when the pointer was on the picture at the last reading (the logical cursor is kept on the picture
// however far off it the pointer is, so this tells the two apart).
int32_t InputIsMouseOnPicture(void);
// The pointer is over a host's own controls laid over the picture: after the move that brought it
// there, it counts as off the picture.
void InputOnMouseOverControls(void);
float InputGetMouseWorldX(void);
float InputGetMouseWorldY(void);
// Copies the module's state out and back in (saved games for tools and searches).
void InputSave(InputState* out);
void InputRestore(const InputState* in);
