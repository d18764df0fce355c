// level.h -- the stage text format: reads the stage file into a Tilemap (border, enemy spawns,
// player spawn), falling back to the built-in test stage.
#pragma once

#include "world/tilemap.h"

// Where the game looks for its stage, relative to the working directory.
#define LEVEL_STAGE_PATH "tools/maptool/map.txt"

// Fills map from the stage file or, when it cannot be used, from the built-in stage. map must not be null.
void LevelLoadTestStage(Tilemap* map);
// Points the loader at another stage file (tools and tests); null restores LEVEL_STAGE_PATH.
void LevelSetStagePath(const char* path);
