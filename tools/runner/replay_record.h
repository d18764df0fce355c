// replay_record.h -- writes a run as a replay script: the inputs each frame was run with (cursors
// already resolved to logical pixels) and checkpoints that pin the game's state along the way.
#pragma once
#include <stdint.h>
#include <stdio.h>

#include "tools/runner/replay_run.h"

struct ReplayRecorder {
    FILE* file;
    int32_t every;         // checkpoint every this many frames (0: only at mode changes and the end)
    ReplayFrameInput prev; // the input state the script stands at
    int32_t pendingWait;   // frames run since the last line written
    int32_t lastMode;
    int32_t lastCheckFrame;
};

// Starts a script on file with a comment header; the input state starts where the runner's does.
void ReplayRecordBegin(ReplayRecorder* rec, FILE* file, int32_t every, const char* header, int32_t clientW,
                       int32_t clientH);
// One frame: the input changes before it, then the frame; a checkpoint when one is due.
void ReplayRecordFrame(ReplayRecorder* rec, const ReplayFrameInput* input, const ReplayState* state);
// The last checkpoint. Returns 1 when everything reached the file.
int ReplayRecordEnd(ReplayRecorder* rec, const ReplayState* last);
