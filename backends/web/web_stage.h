// web_stage.h -- the page's stages: which one the game plays (the shipped one, a lesson, an opened file,
// a shared link), its plain text for saving, and its link for sharing. Called from the page's script.
#pragma once

#include <stdint.h>

#include "platform/platform.h"

// Where the page keeps a stage it was given (an opened file, a link) in its memory file system, and
// where such a stage is written first, until it proves to be one.
#define WEB_STAGE_GIVEN_PATH "/stage/given.txt"
#define WEB_STAGE_INCOMING_PATH "/stage/incoming.txt"
// Where a file opened from the device is kept, under its own name.
#define WEB_STAGE_OPENED_DIR "/stage/opened"
// "My stages": the stages kept in the browser, each a file of this folder while the page runs (the
// page writes them there from the browser's storage at start-up), which the editor opens and saves.
#define WEB_STAGE_MINE_FOLDER "/stage/mine"
// The browser's local storage keys of my stages: the first one, the page's only stage before there were
// several, under the key alone; every other under the key, a '/' and its file name.
#define WEB_STAGE_STORAGE_KEY "kalvoro-stage"
#define WEB_STAGE_FIRST_NAME "my-stage.txt"

// The page's window, for the editor; tells the page (Module.webGame) the paths, the storage key and
// the outcomes its calls return. Called once at start-up.
void WebStageAttach(PlatformWindow* window);
// After each frame: shows the buttons that fit what the game does, and keeps the stage being edited
// in the browser's local storage whenever it changed.
void WebStageWatch(void);

extern "C" {
// The calls below that take a stage return StageOpen's outcome (STAGE_OPEN_PLAYS...), with a message.
// Plays the stage file at path from the next stage start, and shows the title (leaving the editor); a
// file that holds no stage leaves the stage played as it was.
int32_t WebStagePlay(const char* path);
// Opens the stage file at incoming in the editor when it is open (or after its play-test); else moves
// it to WEB_STAGE_GIVEN_PATH and plays it.
int32_t WebStageTake(const char* incoming);
// The same for a file opened from the device: kept under its own name (in WEB_STAGE_OPENED_DIR, its
// unsafe characters as '_'), which the window's title and the progress then show.
int32_t WebStageTakeFile(const char* incoming, const char* name);
// Where the last file opened from the device was kept.
const char* WebStageOpenedPath(void);
// WEB_STAGE_INCOMING_PATH, its folder made: where the page writes a file it opens.
const char* WebStageIncomingPath(void);
// The file of my stage of that name, its folder made; "" for a name the editor refuses.
const char* WebStageMinePath(const char* name);
// Opens the editor on my stage of that name (no file there: a blank stage); 0 for a refused name.
int32_t WebStageEdit(const char* name);
// The name of my stage open in the editor (play-tests included); "" when none is.
const char* WebStageEditedName(void);
// Why a name cannot name one of my stages, as the editor's Save As says it; "" when it can.
const char* WebStageNameRefusal(const char* name);
// The stage a link holds, taken as WebStageTake takes a file.
int32_t WebStageOpenLink(const char* link);
// The stage edited, or else played, as plain stage text; "" (and a message) when it has none.
const char* WebStageText(void);
// The link of the stage played; "" and a message when there is none.
const char* WebStageLink(void);
// Why the last call failed, for the page to show.
const char* WebStageMessage(void);
}
