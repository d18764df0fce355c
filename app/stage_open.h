// stage_open.h -- what a stage file handed to the game means, decided here once for every backend: a
// file given on the command line, dropped on the window, opened from the page's disk or link, or chosen
// from the page's list. It plays, opens a stage set, or opens in the editor; the window's title names
// it, and a message says what happened, in words for a person. Backends hand the path and show the
// message; nothing else in a backend decides.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "app/stage_title.h"
#include "platform/platform.h"

// How the file came.
enum StageOpenWay {
    STAGE_OPEN_GIVEN = 0, // the command line's stage (a file or a folder), before the first frame
    STAGE_OPEN_DROPPED,   // dropped on the window or opened from the disk: the editor, when open, edits it
    STAGE_OPEN_CHOSEN,    // chosen to play (the page's list): the editor, when open, closes
    STAGE_OPEN_CHOSEN_IN_SET, // a set's stage chosen to play (the page's lessons and climb): as chosen,
                              // with its folder played as a set from it
};

// What became of it.
enum StageOpenOutcome {
    STAGE_OPEN_PLAYS = 0,      // played from the next stage start on, named in the title
    STAGE_OPEN_SET,            // a folder: its stages play one after another
    STAGE_OPEN_EDITS,          // open in the editor
    STAGE_OPEN_AFTER_PLAYTEST, // the editor opens it when the running play-test ends
    STAGE_OPEN_REFUSED,        // not usable: the message says why; the stage played so far plays on
    STAGE_OPEN_EMPTY_SET,      // a folder without a stage file (given: the game cannot start)
};

// Room for any message written.
constexpr size_t STAGE_OPEN_MESSAGE_SIZE = 320;

// Opens path as way says; sets the window's title and fills message (never null). path null, with
// STAGE_OPEN_GIVEN: the shipped stage.
int32_t StageOpen(PlatformWindow* window, const char* path, int32_t way,
                  char message[STAGE_OPEN_MESSAGE_SIZE]);
