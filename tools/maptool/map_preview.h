// map_preview.h -- a picture of a whole stage drawn by the game's own tile, enemy and player drawing,
// one 320 x 200 view at a time, stitched together.
#pragma once
#include <stdint.h>

#include <vector>

#include "world/tilemap.h"

// Draws map (width x height tiles) into pixels, (width * 16) x (height * 16), with the player standing
// at its spawn and the walking enemies at their starts; markers the game drops are outlined.
// Returns 0 for an empty map.
int MapPreviewDraw(const Tilemap* map, std::vector<uint32_t>* pixels, int32_t* w, int32_t* h);
