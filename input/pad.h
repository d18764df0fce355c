// pad.h -- what a game pad means for the game, decided once for every backend that has pads: the stick
// pushed furthest past its dead zone turns the aim around the player at a fixed distance and takes the
// cursor until the mouse or a finger moves; the south button or the right trigger is the left button,
// west is R, Start is Escape. Backends hand the raw sticks; the game places the aim.
#pragma once
#include <stdint.h>

// A stick nearer its centre than this share of its travel is at rest; a trigger or a button with a
// pressure counts as pressed from PAD_PRESSED on.
constexpr float PAD_DEAD_ZONE = 0.3f;
constexpr float PAD_PRESSED = 0.5f;
// Logical pixels between the player's centre and the aim a stick puts there.
constexpr float PAD_AIM_RADIUS = 40.0f;

// The controls the game reads, named as in the standard layout.
enum PadControl {
    PAD_SOUTH = 0,
    PAD_WEST = 1,
    PAD_START = 2,
    PAD_RIGHT_TRIGGER = 3,
    PAD_CONTROLS = 4,
};

// The key code a control holds down: KEY_LBUTTON, KEY_R or KEY_ESCAPE (0 for an unknown control).
int32_t PadControlCode(int32_t control);
// Of count sticks given as x, y pairs (each -1..1, y down), the one pushed furthest past the dead zone:
// 1 with its unit direction, or 0 when every stick rests (a NaN from a broken pad counts as resting).
int PadStickAim(const float* sticks, int32_t count, float* dirX, float* dirY);
// The client pixel of the aim: PAD_AIM_RADIUS along (dirX, dirY) from the player's point on the screen
// (logical pixels), through the layout (top-left of the picture, whole-number scale), at the centre
// of its block so that it maps back to the same logical pixel.
void PadAimClient(float playerX, float playerY, float dirX, float dirY, int32_t destX, int32_t destY,
                  int32_t scale, int32_t* clientX, int32_t* clientY);

// Who points. The sticks of every pad, raw, as PadStickAim reads them: when one aims, the pad takes the
// cursor and the aim turns to it; resting sticks leave both as they were.
void PadOnSticks(const float* sticks, int32_t count);
// A mouse or a finger moved: the cursor is theirs again until a stick aims.
void PadOnPointer(void);
// 1 while the pad's aim is the cursor (InputUpdate then leaves the platform's cursor unread).
int PadOwnsCursor(void);
// The last direction a stick aimed (unit length, y down).
void PadGetAim(float* dirX, float* dirY);
