// progress.h -- what a player has done on each stage they were given or that a stage set plays:
// cleared or not, the best time in milliseconds of game time, the runs and the clears. Kept in the
// data folder as progress.txt, a text with a version line, written aside and renamed, merged with what
// another running copy wrote meanwhile. The shipped stage played as it comes keeps nothing: the game
// is then exactly as it always was.
#pragma once
#include <stdint.h>

// The file's first line; a file without it is kept aside under a new name and a new one started.
#define PROGRESS_VERSION_LINE "shotgun-kalvoro progress 1"
constexpr int32_t PROGRESS_MAX_STAGES = 4096;

// The game says a stage started and a stage was cleared; only counted here (searches step the game
// too), and taken up by the next frame's ProgressStep.
void ProgressNoteStart(void);
void ProgressNoteClear(void);
// Only the game's own window keeps progress (its start-up turns this on); the tools and tests that
// drive the game keep none unless they ask.
void ProgressKeep(int on);
// One frame of the real game, after its step: times the run in play and records starts and clears.
void ProgressStep(float dt);
// 1 while the stage in play counts (given, dropped, chosen or from a set; not the shipped one, not
// an editor's play-test).
int ProgressActive(void);
// The stage's best time in ms (-1: never cleared), the last run's time, and whether it was a new best.
int32_t ProgressBestMs(void);
int32_t ProgressRunMs(void);
int ProgressWasNewBest(void);
// Runs and clears of the stage in play.
int32_t ProgressRuns(void);
int32_t ProgressClears(void);
// A line for the title screen when the file could not be read or written (said once), else "".
const char* ProgressNotice(void);
// Forgets everything held, as a new process would (the file is read again at the next use).
void ProgressForget(void);
// "12.345 S" for ms.
void ProgressFormatTime(int32_t ms, char out[16]);
