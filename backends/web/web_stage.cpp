// web_stage.cpp -- the page's stages: the stage file the game plays, written from links and opened
// files into the page's memory file system, read back as plain text and as a link.
#include "backends/web/web_stage.h"

#include <emscripten.h>
#include <emscripten/html5.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "app/editor.h"
#include "app/main.h"
#include "app/stage_open.h"
#include "world/level.h"
#include "world/stage_link.h"

static LevelStageSource gWebStageSource;
static char gWebStageText[LEVEL_MAX_TEXT_BYTES + 1];
static char gWebStageLink[STAGE_LINK_MAX_CHARS];
static char gWebStageMessage[STAGE_OPEN_MESSAGE_SIZE > STAGE_LINK_MESSAGE ? STAGE_OPEN_MESSAGE_SIZE : STAGE_LINK_MESSAGE];
static Tilemap gWebStageGrid;
static PlatformWindow* gWebStageWindow;
// The editor's grid revision the page last kept, and whether the editor was editing at the last frame.
static uint32_t gWebStageKeptRevision;
static int gWebStageEditing = -1;

// Keeps the stage being edited in the browser's local storage.
// clang-format off
EM_JS(void, WebStageKeep, (const char* text), {
    try {
        localStorage.setItem('kalvoro-stage', UTF8ToString(text));
    } catch (e) {
        // Storage off or full: the page still edits, it only cannot keep the stage.
    }
});
// While editing, the page's editing buttons; otherwise its playing ones. The layout is done again.
EM_JS(void, WebStageShowButtons, (int editing), {
    Module.webEditing = !!editing;
    document.querySelectorAll('#controls .edit').forEach(function(b) { b.hidden = !editing; });
    document.querySelectorAll('#controls .play').forEach(function(b) { b.hidden = editing || !Module.webScreen.touch; });
    // A phone's row holds six buttons: while editing, full screen gives its place to the editor's.
    var full = document.getElementById('button-fullscreen');
    if (full && Module.webScreen.touch && (document.fullscreenEnabled || document.webkitFullscreenEnabled)) {
        full.hidden = !!editing;
    }
    Module.webScreen.countButtons();
});
// clang-format on

static int32_t WebStageFail(const char* why) {
    snprintf(gWebStageMessage, sizeof(gWebStageMessage), "%s", why);
    return 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStagePlay(const char* path) {
    return StageOpen(gWebStageWindow, path, STAGE_OPEN_CHOSEN, gWebStageMessage) == STAGE_OPEN_PLAYS;
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageTake(const char* incoming) {
    // The editor, when open, edits it instead (or after its play-test).
    if (EditorIsActive()) {
        const int32_t outcome = StageOpen(gWebStageWindow, incoming, STAGE_OPEN_DROPPED, gWebStageMessage);
        return outcome == STAGE_OPEN_EDITS || outcome == STAGE_OPEN_AFTER_PLAYTEST;
    }
    if (!incoming || LevelReadGridFile(&gWebStageGrid, incoming) != LEVEL_FROM_FILE) {
        return WebStageFail("The file holds no stage: a stage is lines of tiles such as # = | S E G.");
    }
    // Renamed into place, so a stage start never reads half a stage.
    if (rename(incoming, WEB_STAGE_GIVEN_PATH) != 0) {
        return WebStageFail("The page could not keep the stage.");
    }
    return WebStagePlay(WEB_STAGE_GIVEN_PATH);
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageIncomingPath(void) {
    mkdir("/stage", 0755); // already there after the first time
    return WEB_STAGE_INCOMING_PATH;
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageOpenLink(const char* link) {
    const int32_t length = StageLinkDecode(link, link ? strlen(link) : 0, gWebStageText, gWebStageMessage);
    if (length == 0) {
        return 0;
    }
    FILE* file = fopen(WebStageIncomingPath(), "wb");
    const int written = file && fwrite(gWebStageText, 1, (size_t)length, file) == (size_t)length;
    if (file) {
        fclose(file);
    }
    return written ? WebStageTake(WEB_STAGE_INCOMING_PATH)
                   : WebStageFail("The page could not keep the stage.");
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageEdit(void) {
    MainStartEditor(gWebStageWindow, WEB_STAGE_EDIT_PATH);
    return 1;
}

void WebStageAttach(PlatformWindow* window) {
    gWebStageWindow = window;
}

void WebStageWatch(void) {
    const int editing = EditorIsEditing();
    if (editing != gWebStageEditing) {
        gWebStageEditing = editing;
        WebStageShowButtons(editing);
    }
    if (!editing || EditorGridRevision() == gWebStageKeptRevision) {
        return;
    }
    gWebStageKeptRevision = EditorGridRevision();
    const size_t length = LevelWriteText(EditorGetGrid(), gWebStageText, LEVEL_MAX_TEXT_BYTES);
    gWebStageText[length] = '\0';
    WebStageKeep(gWebStageText);
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageText(void) {
    gWebStageText[0] = '\0';
    if (EditorIsActive()) {
        memcpy(&gWebStageGrid, EditorGetGrid(), sizeof(gWebStageGrid));
    } else if ((LevelGetStageSource(&gWebStageSource), LevelReadGridFile(&gWebStageGrid, gWebStageSource.path)) !=
               LEVEL_FROM_FILE) {
        WebStageFail("The game plays its built-in stage, which has no file.");
        return gWebStageText;
    }
    const size_t length = LevelWriteText(&gWebStageGrid, gWebStageText, LEVEL_MAX_TEXT_BYTES);
    gWebStageText[length] = '\0';
    return gWebStageText;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageLink(void) {
    const char* text = WebStageText();
    StageLinkEncode(text, strlen(text), gWebStageLink, gWebStageMessage);
    return gWebStageLink;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageMessage(void) {
    return gWebStageMessage;
}
