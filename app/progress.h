// progress.h -- what a player has done on each stage they were given or that a stage set plays:
// cleared or not, the best time in milliseconds of game time, the runs and the clears, the best run,
// and the par a background solve found for a stage without a par file. Kept in the data folder as
// progress.txt, a text with a version line, written aside and renamed, merged with what another running
// copy wrote meanwhile. The shipped stage played as it comes keeps nothing: the game
// is then exactly as it always was.
#pragma once
#include <stdint.h>

#include "world/tilemap.h"

// The file's first line; a file without it is kept aside under a new name and a new one started. The
// first version, without the pars found and the best runs, is read as well.
#define PROGRESS_VERSION_LINE "shotgun-kalvoro progress 2"
#define PROGRESS_VERSION_LINE_1 "shotgun-kalvoro progress 1"
constexpr int32_t PROGRESS_MAX_STAGES = 4096;
// The file's name in the data folder.
#define PROGRESS_FILE_NAME "progress.txt"

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
// The best run of the stage in play as run text (app/run), null when none is kept.
const char* ProgressBestRun(void);
// The key of the stage in play (0 when it keeps nothing), and the key of any stage: its contents as
// the game loads them, so an edited stage is another stage.
uint64_t ProgressKey(void);
uint64_t ProgressStageKey(const Tilemap* map);
// The par kept for the stage of this key, in frames of 16 ms with its route's margins and the route as
// run text (null when none is kept; valid until progress changes); 0 when none is.
int32_t ProgressPar(uint64_t key, int32_t* marginFrames, int32_t* marginDegrees, const char** route);
// Keeps the par a solve found for the stage of this key and its route (run text, or null), written at
// once (nothing when progress is not kept). The route rides on the par's line, after its numbers.
void ProgressKeepPar(uint64_t key, int32_t frames, int32_t marginFrames, int32_t marginDegrees,
                     const char* route);
// Counts the times the file was written, so a host that keeps it elsewhere too (the page's browser
// storage) knows when to copy it.
uint32_t ProgressWrites(void);
// A frame that counts nothing (a search stepped the game, a run watched): starts and clears it noted are
// let go.
void ProgressPassFrame(void);
// A line for the title screen when the file could not be read or written (said once), else "".
const char* ProgressNotice(void);
// Forgets everything held, as a new process would (the file is read again at the next use).
void ProgressForget(void);
// "12.345 S" for ms.
void ProgressFormatTime(int32_t ms, char out[16]);
