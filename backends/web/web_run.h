// web_run.h -- the page's progress, kept in the browser's storage beside the game's data folder, and
// runs shared as links (#stage=...&run=...). Called from the page's start-up, frames and script.
#pragma once

#include <stdint.h>

// The browser's local storage key of the progress file.
#define WEB_RUN_PROGRESS_KEY "kalvoro-progress"

// At start-up: the progress the browser kept goes into the data folder, and the page keeps progress
// as the desktop's window does.
void WebRunAttach(void);
// After each frame: the progress file, when the game wrote it, into the browser's storage.
void WebRunKeep(void);
// After each frame: on a touch screen, the watch button while the title has a best run to watch.
void WebRunButtons(void);

extern "C" {
// Watches the run a shared link holds on the stage in play: 1, or 0 and a message (WebRunMessage).
int32_t WebRunWatch(const char* run);
// The best run of the stage in play as the text a link carries; "" and a message when none is kept.
const char* WebRunText(void);
const char* WebRunMessage(void);
}
