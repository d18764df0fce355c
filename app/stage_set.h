// stage_set.h -- a folder of stage files played one after the other: in name order, the next one
// after each cleared stage, the first again after the last.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "platform/platform.h"

// The longest stage path a set keeps; a longer one is left out and said.
constexpr size_t STAGE_SET_MAX_PATH = 1024;
// A stage's par, beside it as NAME.par (written by `maptool solve --par`): this line, then the par in
// frames of 16 ms, the route's margin in frames and degrees, and its rating; then the route itself as
// run text (app/run) on a line of its own.
#define STAGE_PAR_VERSION_LINE "shotgun-kalvoro par 1"
// Room for the title screen's line naming the stage, terminator included.
constexpr size_t STAGE_SET_LINE_SIZE = 41;

// What StageSetOpen made of a path.
enum StageSetOpenResult {
    STAGE_SET_NOT_A_FOLDER = 0, // a file (or nothing): not a set
    STAGE_SET_OPENED,           // the first stage plays from the next stage start on
    STAGE_SET_EMPTY,            // a folder without a stage file in it
};

// Opens the folder as a set when it is one: every regular file named *.txt (in any case), in byte order
// of their names; the window's title names the stage in play. why (when not null) says what an empty
// folder lacks.
int32_t StageSetOpen(PlatformWindow* window, const char* folder, char* why, size_t whySize);
// Opens the folder the stage file at path lies in as a set, played from that stage; 0 (and no set open)
// when the folder is no set or the file is not one of its stages.
int StageSetOpenAt(PlatformWindow* window, const char* path, char* why, size_t whySize);
// After a cleared stage: the next stage (after the last, the first) from the next stage start on.
void StageSetOnCleared(void);
// The title screen's Left and Right: step -1 or +1 through the set, wrapping, cleared or not.
void StageSetChoose(int32_t step);
// "STAGE 3 OF 6: LEDGE CLIMB" for the stage in play: its number and the name of its file, the order
// digits and the .txt dropped, dashes and underscores as spaces, in capitals; "" when no set is open.
void StageSetLine(char out[STAGE_SET_LINE_SIZE]);
// Stages in the open set (0: none open) and the index of the one in play.
int32_t StageSetCount(void);
// The par of the stage in play in ms of game time (its solver route's frames of 16 ms), and its rating
// word; -1 and "" when the stage has no par file beside it.
int32_t StageSetParMs(void);
const char* StageSetRating(void);
// A word for the title in capitals, as the font draws best: text up to its line end, cut to fit out.
void StageSetCapitals(const char* text, char* out, size_t size);
// The solver's route for the stage in play as run text, from its par file; null when there is none.
const char* StageSetRoute(void);
int32_t StageSetIndex(void);
// The path of the set's stage in play; "" when no set is open.
const char* StageSetStagePath(void);
// Closes the set; the game goes back to its own stage file.
void StageSetClose(void);
