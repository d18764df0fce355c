// stage_title.h -- what a stage file given to the game or dropped on its window means, decided here once
// for every desktop backend: the stage of the next start, and the window's title, the game's name alone
// for the shipped stage and the file's name beside it for any other, so a stage maker sees what will
// load; a file that cannot be used is said so in the title and on standard error.
#pragma once
#include <stddef.h>

// Longest title written, terminator included.
constexpr size_t STAGE_TITLE_SIZE = 160;

// "Shotgun-Kalvoro" when path is null or the default stage path, else "Shotgun-Kalvoro - NAME" with NAME
// the last part of the path (either slash), control bytes shown as '?' and cut to fit.
void StageTitleFor(const char* path, char out[STAGE_TITLE_SIZE]);

// A stage file given as the argument (dropped 0) or dropped on the window (1); null: the shipped stage.
// A usable file is played from the next stage start on and named in title. One the loader cannot use is
// named with why on standard error and in title: as the argument it still stands (the built-in stage
// plays, as for any file that fails); dropped, the stage played so far is kept. 1 when usable.
int StageTitleUse(const char* path, int dropped, char title[STAGE_TITLE_SIZE]);
