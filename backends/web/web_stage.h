// web_stage.h -- the page's stages: which one the game plays (the shipped one, a lesson, an opened file,
// a shared link), its plain text for saving, and its link for sharing. Called from the page's script.
#pragma once

#include <stdint.h>

#include "platform/platform.h"

// Where the page keeps a stage it was given (an opened file, a link) in its memory file system, and
// where such a stage is written first, until it proves to be one.
#define WEB_STAGE_GIVEN_PATH "/stage/given.txt"
#define WEB_STAGE_INCOMING_PATH "/stage/incoming.txt"
// The stage the editor opens: the page writes the stage to edit there first (none: a blank stage).
#define WEB_STAGE_EDIT_PATH "/stage/edit.txt"

// The page's window, for the editor; called once at start-up.
void WebStageAttach(PlatformWindow* window);
// After each frame: shows the buttons that fit what the game does, and keeps the stage being edited
// in the browser's local storage whenever it changed.
void WebStageWatch(void);

extern "C" {
// Plays the stage file at path from the next stage start, and shows the title (leaving the editor); 0 (and a
// message) when the file holds no stage, which leaves the stage played as it was.
int32_t WebStagePlay(const char* path);
// Opens the stage file at incoming in the editor when it is open; else moves it to WEB_STAGE_GIVEN_PATH
// and plays it. 0 and a message when it holds no stage, which leaves the stage played as it was.
int32_t WebStageTake(const char* incoming);
// WEB_STAGE_INCOMING_PATH, its folder made: where the page writes a file it opens.
const char* WebStageIncomingPath(void);
// Opens the editor on WEB_STAGE_EDIT_PATH.
int32_t WebStageEdit(void);
// Writes the stage a link holds to WEB_STAGE_GIVEN_PATH and plays it; 0 and a message for any link
// that holds no stage.
int32_t WebStageOpenLink(const char* link);
// The stage edited, or else played, as plain stage text; "" (and a message) when it has none.
const char* WebStageText(void);
// The link of the stage played; "" and a message when there is none.
const char* WebStageLink(void);
// Why the last call failed, for the page to show.
const char* WebStageMessage(void);
}
