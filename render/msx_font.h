// msx_font.h -- the one 8 x 8 bitmap font (256 glyphs, bit 7 leftmost) and text drawing at
// whole-number scales, clipped pixel by pixel as RenderPutPixel clips.
#pragma once
#include <stdint.h>

// 256 glyphs of 8 rows each, top row first.
extern const uint8_t MSX_FONT_DATA[256 * 8];

// Nothing to prepare: the table is static data.
void MsxFontInit(void);
// Draws text with the first cell's top-left at (x, y); scale below 1 counts as 1; null draws nothing.
void DrawMsxString(int32_t x, int32_t y, const char* text, uint32_t colour, int32_t scale);
// Drawn width in pixels: 8 * scale per byte; 0 for null.
int32_t MsxStringWidth(const char* text, int32_t scale);
// Draws text horizontally centred on the 320-pixel screen, never starting left of 0.
void DrawMsxStringCentered(int32_t y, const char* text, uint32_t colour, int32_t scale);
// "PRESS ANY KEY" at (108, 168) while counter / 30 is even.
void DrawPressAnyKeyPrompt(int32_t blinkCounter, uint32_t colour);
