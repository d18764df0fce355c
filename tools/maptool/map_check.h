// map_check.h -- looks at a stage file the way the game's loader will: size, spawn, goal, enemies,
// and everything the loader does quietly (cut lines, carriage returns, dropped markers, border).
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "world/level.h"
#include "world/tilemap.h"

enum MapCheckVerdict {
    MAP_CHECK_OK = 0,          // playable; there may be warnings
    MAP_CHECK_UNCLEARABLE = 1, // no goal, or no tiles at all (the game then plays its built-in stage)
};

struct MapCheckReport {
    int32_t verdict;
    int usedFile;         // 0: the file has no cells and the game falls back to its built-in stage
    LevelReadInfo read;   // how the game's loader read the file
    Tilemap map;          // the stage exactly as the game loads it
    int32_t spawnMarkers; // S markers that survived the border
    int32_t spawnCol;     // cell of the marker that sets the spawn, -1 when none
    int32_t spawnRow;
    int32_t goalCells;
    int32_t enemyMarkers;              // E markers that survived the border, before the 32 cap
    int32_t enemiesWalking;            // entries the game creates from the markers (at most 8)
    std::vector<std::string> facts;    // size, spawn, goal, enemies
    std::vector<std::string> warnings; // surprises worth fixing
    std::vector<std::string> errors;   // reasons the stage cannot be cleared
};

// Examines the stage text bytes[0..length) together with the map the game's loader made of it.
void MapCheckAnalyse(const uint8_t* bytes, size_t length, const Tilemap* loaded, MapCheckReport* report);
// Loads the file through the game's own loader, keeping the bytes it read, and examines both; 0 when
// the game cannot read the file at all (report->read.source says why) and plays its built-in stage.
int MapCheckFile(const char* path, MapCheckReport* report);
// The line a person reads when MapCheckFile returned 0, e.g. "not a regular file: ...".
const char* MapCheckUnreadableReason(const MapCheckReport* report);
