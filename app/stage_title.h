// stage_title.h -- the window's title for a stage file: the game's name alone for the shipped stage and
// the file's name beside it for any other, so a stage maker sees what will load.
#pragma once
#include <stddef.h>

// Longest title written, terminator included.
constexpr size_t STAGE_TITLE_SIZE = 160;

// "Shotgun-Kalvoro" when path is null or the default stage path, else "Shotgun-Kalvoro - NAME" with NAME
// the last part of the path (either slash), control bytes shown as '?' and cut to fit.
void StageTitleFor(const char* path, char out[STAGE_TITLE_SIZE]);

// "Shotgun-Kalvoro - NAME" and then suffix, NAME cut so that the suffix always shows.
void StageTitleWith(const char* path, const char* suffix, char out[STAGE_TITLE_SIZE]);
