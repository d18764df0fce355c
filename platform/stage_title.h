// stage_title.h -- the desktop window's title for the stage file it plays: the game's name alone for the
// shipped stage, and the file's name beside it for any other, so a stage maker sees what will load.
#pragma once
#include <stddef.h>

// Longest title written, terminator included.
constexpr size_t STAGE_TITLE_SIZE = 160;

// "Shotgun-Kalvoro" when path is null or the default stage path, else "Shotgun-Kalvoro - NAME" with NAME
// the last part of the path (either slash), control bytes shown as '?' and cut to fit.
void StageTitleFor(const char* path, char out[STAGE_TITLE_SIZE]);
