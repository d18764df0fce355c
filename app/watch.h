// watch.h -- a run watched: the game plays a kept run (the best, the solver's route, a shared one) on
// the stage in play, its inputs given frame by frame as a replay gives them. Escape ends it; a watched
// run never counts as a run.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "app/run.h"
#include "platform/platform.h"

// What the title offers to watch for the stage in play.
enum WatchWhat {
    WATCH_BEST = 1,  // W: the best run kept in progress
    WATCH_ROUTE = 2, // Shift+W: the solver's route beside the stage
};

// The runs there are to watch for the stage in play (WatchWhat bits), and the same only while the
// game's title shows (else 0), for a host's buttons.
int32_t WatchOffered(void);
int32_t WatchOfferedNow(void);
// The title's W (Shift+W with route): 1 when it was taken (a watch starts, or the run cannot be
// watched and WatchNotice says why); 0 when there is nothing to watch and W starts the stage as any key.
int WatchFromTitle(int route);
// Starts watching the run text holds on the stage in play; 0 and a message (also WatchNotice) when the
// text holds no run of this stage.
int WatchStart(const char* text, size_t length, char message[RUN_MESSAGE_SIZE]);
// One frame while watching: the run's next frame played (then the last screen held). 1 when the frame
// was the watch's. The frame after a watch ends takes the player's input without its presses.
int WatchStep(PlatformWindow* window, float dt);
// A key-down message while watching: Escape ends the watch (back to the title), and once the run is
// over so does any key. 1 when taken (every key is, while watching).
int WatchHandleKey(int32_t code);
int WatchActive(void);
// Game time of the run watched so far.
int32_t WatchMs(void);
// A line for the title when the last run asked for could not be watched, else "".
const char* WatchNotice(void);
// Stops watching, leaving the game where it is.
void WatchStop(void);
