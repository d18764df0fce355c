// icon.h -- the game's icon: the player firing on the sky, drawn by the game's own renderer and
// scaled to a square of any size, for the window, the program file, the menus and the page.
#pragma once
#include <stdint.h>

constexpr int32_t ICON_MIN_SIZE = 16;
constexpr int32_t ICON_MAX_SIZE = 512;

// Draws the size x size icon into out (row-major, top row first) as opaque 0xFFRRGGBB; 0 and nothing
// written when size is outside ICON_MIN_SIZE..ICON_MAX_SIZE. The logical buffer is left as it was.
int IconDraw(int32_t size, uint32_t* out);
