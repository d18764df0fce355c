// stage_set.h -- a folder of stage files played one after the other: in name order, the next one
// after each cleared stage, the first again after the last.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "platform/platform.h"

// Stage files of a set: the first this many names in order count.
constexpr int32_t STAGE_SET_MAX = 64;
constexpr size_t STAGE_SET_MAX_PATH = 1024;

// What StageSetOpen made of a path.
enum StageSetOpenResult {
    STAGE_SET_NOT_A_FOLDER = 0, // a file (or nothing): not a set
    STAGE_SET_OPENED,           // the first stage plays from the next stage start on
    STAGE_SET_EMPTY,            // a folder without a stage file in it
};

// Opens the folder as a set when it is one: its regular files named *.txt, in byte order of their
// names; the window's title names the stage in play. why (when not null) says what an empty folder lacks.
int32_t StageSetOpen(PlatformWindow* window, const char* folder, char* why, size_t whySize);
// After a cleared stage: the next stage (after the last, the first) from the next stage start on.
void StageSetOnCleared(void);
// Stages in the open set (0: none open) and the index of the one in play.
int32_t StageSetCount(void);
int32_t StageSetIndex(void);
// Closes the set; the game goes back to its own stage file.
void StageSetClose(void);
