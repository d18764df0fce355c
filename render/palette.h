// palette.h -- the game's colours by name, 0x00RRGGBB, the one place they are written: the sky, the
// tiles, the actors, the screens and the editor all draw from these.
#pragma once
#include <stdint.h>

constexpr uint32_t PALETTE_BLACK = 0x000000;
constexpr uint32_t PALETTE_WHITE = 0xFFFFFF;
constexpr uint32_t PALETTE_SKY = 0x58A4D8;
constexpr uint32_t PALETTE_GREY = 0x7C807B; // outlines, the HUD, the title's small texts, dead walkers
constexpr uint32_t PALETTE_YELLOW = 0xD0DC78;
constexpr uint32_t PALETTE_GREEN = 0x3EB849;
constexpr uint32_t PALETTE_DARK_GREEN = 0x1D681D;
constexpr uint32_t PALETTE_PINK = 0xD75F93;
constexpr uint32_t PALETTE_BRICK = 0xB95E51;
constexpr uint32_t PALETTE_BLUE = 0x5955E0;
constexpr uint32_t PALETTE_SKIN = 0xD7C792;
constexpr uint32_t PALETTE_CYAN = 0x65DBEF;
constexpr uint32_t PALETTE_BAR = 0x202020; // the editor's palette bar and status lines
