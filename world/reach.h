// reach.h -- which places of a stage lead to its goal, as play sees them: the grid as the game loads it
// (its forced border included), a few open columns past its right end where a body may fly round the
// last wall, and the open rows under the stage where it may still fall before the run ends. Places are
// counted for the 14 x 28 body: a slot is a column's two open cells one above the other, which every
// body out of the walls fills at least one of; slots lead to their four neighbours where the body fits
// through (three open cells for a step up or down). The editor's warning and `maptool check` ask here.
#pragma once
#include <stdint.h>

#include "world/tilemap.h"

// Open columns right of the stage and rows below it that a body may cross on its way.
constexpr int32_t REACH_MARGIN_COLS = 6;
constexpr int32_t REACH_MARGIN_ROWS = 3;
// The distance of a place with no way to the goal.
constexpr int32_t REACH_FAR = 1 << 20;
constexpr int32_t REACH_MAX_CELLS = (MAP_MAX_ROWS + REACH_MARGIN_ROWS) * (MAP_MAX_COLS + REACH_MARGIN_COLS);

struct ReachField {
    int32_t width; // the stage's width plus REACH_MARGIN_COLS
    int32_t height;
    // Steps to the goal from the slot whose lower cell is (col, row), row by row; REACH_FAR where none.
    int32_t distance[REACH_MAX_CELLS];
    int32_t queue[REACH_MAX_CELLS]; // the search's own
    int32_t outside;                // ReachBuildOpen: the distance of the air round the stage
};

// Steps to the goal from every slot. The goal is reached by a body whose centre is in the goal's tile
// or the tile below it, so the slots holding such a centre count as 0.
void ReachBuild(ReachField* field, const Tilemap* map);
// The least distance of the slots within the cells the box round a body centred at (x, y) overlaps.
int32_t ReachDistanceOfBody(const ReachField* field, float x, float y);
// Steps to the goal over every cell the body's centre may be in, eight ways (corners too), from every
// cell of the stage and its margins: far looser than the body's slots, for a verdict that must never
// wall in a goal the body can reach. That is every open cell and every solid cell beside one: a fall
// against a wall lifts the body onto it with its centre in the wall, and a body in a wall leaves on the
// side opposite its speed, so walls up to two tiles thick may be crossed. The goal counts from its own
// cell and the cell below it; all the air round the stage counts as the open columns past its right end.
void ReachBuildOpen(ReachField* field, const Tilemap* map);
// The walled-in rule of the solver's "cannot be cleared" (and maptool's): field built by
// ReachBuildOpen for map, and no way from the spawn point's cell nor from the cell above it.
int ReachWalledIn(ReachField* field, const Tilemap* map);
// The distance in an open-cell field of the cell holding (x, y).
int32_t ReachDistanceOfCell(const ReachField* field, float x, float y);
// 1 when the player at the spawn point of map (as loaded) has a way to the goal in field.
int ReachStartLeadsToGoal(const ReachField* field, const Tilemap* map);
