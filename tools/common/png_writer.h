// png_writer.h -- writes a picture of 0x00RRGGBB pixels (the game's colour format) as an 8-bit RGB
// PNG file, for the tools that save frames and sheets.
#pragma once
#include <stdint.h>

// Writes the w x h pixels (row-major, top row first) to path; 1 on success, 0 on any failure.
int PngWrite(const char* path, const uint32_t* pixels, int32_t w, int32_t h);
