// web_stage.cpp -- the page's stages: the calls its script makes, handed to the game's stage_share and
// stage_open, and the editor's stage kept in the browser's local storage.
#include "backends/web/web_stage.h"

#include <emscripten.h>
#include <string.h>
#include <sys/stat.h>

#include "app/editor.h"
#include "app/main.h"
#include "app/stage_share.h"

static char gWebStageText[STAGE_SHARE_TEXT_SIZE];
static char gWebStageLink[STAGE_SHARE_LINK_SIZE];
static char gWebStageMessage[STAGE_SHARE_MESSAGE_SIZE];
static PlatformWindow* gWebStageWindow;
// Whether the editor was editing, and had a route that clears, at the last frame (-1: not looked yet).
static int gWebStageEditing = -1;
static int gWebStageRoute = -1;

// Keeps the stage being edited in the browser's local storage, under the page's key: 1 when kept. A
// save that cannot keep it (storage full or blocked) has the page say so and offer Download.
// clang-format off
EM_JS(int, WebStageKeepText, (const char* text, int length, int saving), {
    try {
        localStorage.setItem(Module.webGame.storageKey, UTF8ToString(text, length));
        return 1;
    } catch (e) {
        if (saving && Module.webStudioCannotKeep) {
            Module.webStudioCannotKeep();
        }
        return 0;
    }
});
// The page decided at start-up whether it is a touch screen, which gets buttons in place of keys.
EM_JS(int, WebStageTouchOnly, (), { return Module.webScreen && Module.webScreen.touch ? 1 : 0; });
// While editing, the page's editing buttons; otherwise its playing ones. The layout is done again.
// While a route that clears is there (until the next edit), ROUTE plays it in SOLVE's place: a phone's
// row has room for one of the two.
EM_JS(void, WebStageShowButtons, (int editing, int route), {
    Module.webEditing = !!editing;
    document.querySelectorAll('#controls .edit').forEach(function(b) { b.hidden = !editing; });
    document.getElementById('button-solve').hidden = !editing || !!route;
    document.getElementById('button-route').hidden = !editing || !route;
    document.querySelectorAll('#controls .play').forEach(function(b) { b.hidden = editing || !Module.webScreen.touch; });
    // A phone's row holds seven buttons: while editing, full screen gives its place to the editor's.
    var full = document.getElementById('button-fullscreen');
    if (full && Module.webScreen.touch && (document.fullscreenEnabled || document.webkitFullscreenEnabled)) {
        full.hidden = !!editing;
    }
    Module.webScreen.countButtons();
});
// clang-format on

// The editor's Ctrl+S is SAVED only once the browser has kept the stage.
static int WebStageKeepSaved(const char* text, size_t length) {
    return WebStageKeepText(text, (int)length, 1);
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStagePlay(const char* path) {
    return StageOpen(gWebStageWindow, path, STAGE_OPEN_CHOSEN, gWebStageMessage);
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageTake(const char* incoming) {
    return StageShareTake(gWebStageWindow, incoming, WEB_STAGE_GIVEN_PATH, gWebStageMessage);
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageIncomingPath(void) {
    mkdir("/stage", 0755); // already there after the first time
    return WEB_STAGE_INCOMING_PATH;
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageOpenLink(const char* link) {
    return StageShareOpenLink(gWebStageWindow, link, WebStageIncomingPath(), WEB_STAGE_GIVEN_PATH,
                              gWebStageMessage);
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageEdit(void) {
    MainStartEditor(gWebStageWindow, WEB_STAGE_EDIT_PATH);
    return 1;
}

// clang-format off
EM_JS(void, WebStageTellPage, (const char* shipped, const char* given, const char* incoming, const char* edit,
                               const char* mine, const char* storageKey, double readCap, int plays, int edits,
                               int afterPlaytest), {
    var game = Module.webGame = Module.webGame || {};
    // The memory file system's root is the working directory the game reads its stage from.
    game.shippedStage = '/' + UTF8ToString(shipped);
    game.stageFileName = game.shippedStage.split('/').pop();
    game.givenStage = UTF8ToString(given);
    game.incomingStage = UTF8ToString(incoming);
    game.editStage = UTF8ToString(edit);
    game.myStage = UTF8ToString(mine);
    game.storageKey = UTF8ToString(storageKey);
    game.readCap = readCap;
    game.outcome = {plays : plays, edits : edits, afterPlaytest : afterPlaytest};
});
// clang-format on

void WebStageAttach(PlatformWindow* window) {
    gWebStageWindow = window;
    EditorSetKeeper(WebStageKeepSaved);
    EditorSetDevice(WebStageTouchOnly() ? EDITOR_DEVICE_TOUCH_PAGE : EDITOR_DEVICE_KEYS_PAGE);
    WebStageTellPage(STAGE_SHARE_SHIPPED_PATH, WEB_STAGE_GIVEN_PATH, WEB_STAGE_INCOMING_PATH,
                     WEB_STAGE_EDIT_PATH, WEB_STAGE_MINE_PATH, WEB_STAGE_STORAGE_KEY,
                     (double)STAGE_SHARE_READ_CAP, STAGE_OPEN_PLAYS, STAGE_OPEN_EDITS,
                     STAGE_OPEN_AFTER_PLAYTEST);
}

// The stage as it is painted, kept when it changed; Ctrl+S says when it cannot be.
static void WebStageKeepEdited(void) {
    const char* edited = StageShareEditedText();
    if (edited) {
        WebStageKeepText(edited, (int)strlen(edited), 0);
    }
}

void WebStageWatch(void) {
    const int editing = EditorIsEditing();
    int clears = 0;
    const int route = editing && EditorRouteSteps(&clears) > 0 && clears;
    if (editing != gWebStageEditing || route != gWebStageRoute) {
        gWebStageEditing = editing;
        gWebStageRoute = route;
        WebStageShowButtons(editing, route);
    }
    WebStageKeepEdited();
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageLeaving(void) {
    WebStageKeepEdited();
    return EditorIsActive() && EditorIsDirty();
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageText(void) {
    StageShareText(gWebStageText, gWebStageMessage);
    return gWebStageText;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageLink(void) {
    StageShareLink(gWebStageLink, gWebStageMessage);
    return gWebStageLink;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageMessage(void) {
    return gWebStageMessage;
}
