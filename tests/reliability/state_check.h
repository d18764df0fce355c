// state_check.h -- what must hold of the game after every frame, whatever the stage file, the input,
// the window or the devices: finite numbers, valid modes and counts, ids in range, flat memory.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "world/tilemap.h"

// Room for a message naming the first broken invariant.
constexpr size_t STATE_CHECK_MESSAGE = 200;

// 1 when map is a stage as the loader leaves it: 1..128 x 1..32 cells, ids 0..7 or the goal inside
// the used grid and 0 outside, finite spawn point in the stage's columns, at most 32 enemy spawns.
int StateCheckMap(const Tilemap* map, char* message);
// 1 when the whole game state is sound: mode, flight flag, the stage (StateCheckMap once a stage has
// been started), player, weapon, pellets, enemies, camera, cursor, layout and sound voices.
int StateCheckGame(char* message);
// Resident memory of this process in bytes; 0 where it cannot be read or means nothing (under
// AddressSanitizer, which holds freed memory back).
size_t StateCheckResidentBytes(void);
