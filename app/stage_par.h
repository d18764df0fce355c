// stage_par.h -- the par a set's title shows for its stage: the par file's beside the stage when it has
// one, else the one a background solve found for the stage's contents, kept in progress. Until then the
// title says PAR ? while the solve runs a slice each frame the title shows.
#pragma once
#include <stdint.h>

// One frame, after the game's step and progress's: on a set's title, a stage without a par gets a slice
// of its search (started the first time it shows, waiting while a stage plays, given up when another
// stage is chosen); a par found is kept in progress at once.
void StageParStep(void);
// The par of the set's stage in play in ms of game time; -1 while there is none.
int32_t StageParMs(void);
// How forgiving the par's route is, in words ("EASY" ... as the par file or the solver's margin says);
// "" while there is no par.
const char* StageParRating(void);
// The par's route as run text (the par file's, or the one a background solve found), for Shift+W; null
// while there is none.
const char* StageParRoute(void);
// 1 while a search for a par is under way.
int StageParSolving(void);
// Ends any search and forgets what was found, as a new process would.
void StageParForget(void);
