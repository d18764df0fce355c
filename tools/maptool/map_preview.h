// map_preview.h -- a picture of a whole stage drawn by the game's own tile, enemy and player drawing,
// one 320 x 200 view at a time, stitched together.
#pragma once
#include <stdint.h>

#include <vector>

#include "tools/runner/replay_script.h"
#include "world/tilemap.h"

// Draws map (width x height tiles) into pixels, (width * 16) x (height * 16), with the player standing
// at its spawn and the walking enemies at their starts; markers the game drops are outlined.
// Returns 0 for an empty map.
int MapPreviewDraw(const Tilemap* map, std::vector<uint32_t>* pixels, int32_t* w, int32_t* h);

// Plays script on the stage at stagePath ("" for the built-in stage) through the runner and draws the
// player's path over pixels (a w x h picture of that stage): a dot every other frame of play and a ring
// where each shot was fired. Returns the frames played; messages go to error (256 bytes) when it fails.
int32_t MapPreviewDrawRoute(const char* stagePath, const ReplayScript* script, uint32_t* pixels, int32_t w,
                            int32_t h, char* error);
