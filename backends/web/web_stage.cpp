// web_stage.cpp -- the page's stages: the calls its script makes, handed to the game's stage_share and
// stage_open, and the editor's stage kept in the browser's local storage.
#include "backends/web/web_stage.h"

#include <emscripten.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "app/editor.h"
#include "app/main.h"
#include "app/stage_set.h"
#include "app/stage_share.h"

// The longest name a file opened from the device keeps.
constexpr size_t WEB_STAGE_NAME_MAX = 100;
static char gWebStageText[STAGE_SHARE_TEXT_SIZE];
static char gWebStageLink[STAGE_SHARE_LINK_SIZE];
static char gWebStageMessage[STAGE_SHARE_MESSAGE_SIZE];
static PlatformWindow* gWebStageWindow;
// Whether the editor was editing, and had a route that clears, at the last frame (-1: not looked yet).
static int gWebStageEditing = -1;
static int gWebStageRoute = -1;
// The set's stage the page's list was last shown (-1: none).
static int32_t gWebStageSetIndex = -1;

// Keeps the stage being edited in the browser's local storage, under its name's key: 1 when kept (a
// name new to the page, from Save As, joins the list of my stages). A save that cannot keep it
// (storage full or blocked) has the page say so and offer Download.
// clang-format off
EM_JS(int, WebStageKeepText, (const char* name, const char* text, int length, int saving), {
    try {
        localStorage.setItem(Module.webGame.keyOf(UTF8ToString(name)), UTF8ToString(text, length));
        if (Module.webStudioKept) {
            Module.webStudioKept(UTF8ToString(name));
        }
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
// A set that led on to its next stage: the page's list shows the stage in play.
EM_JS(void, WebStageFollowSet, (const char* path), {
    var list = document.getElementById('studio-stage');
    var want = UTF8ToString(path);
    if (list && Array.from(list.options).some(function(o) { return o.value === want; })) {
        list.value = want;
    }
});
// clang-format on

// The name of my stage the editor has open; null when it edits none (a stage without a file).
static const char* WebStageMineName(void) {
    const char* path = EditorGetPath();
    const size_t folder = strlen(WEB_STAGE_MINE_FOLDER);
    if (strncmp(path, WEB_STAGE_MINE_FOLDER, folder) != 0 || path[folder] != '/' || !path[folder + 1]) {
        return nullptr;
    }
    return path + folder + 1;
}

// The editor's Ctrl+S is SAVED only once the browser has kept the stage.
static int WebStageKeepSaved(const char* text, size_t length) {
    const char* name = WebStageMineName();
    return name && WebStageKeepText(name, text, (int)length, 1);
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStagePlay(const char* path) {
    return StageOpen(gWebStageWindow, path, STAGE_OPEN_CHOSEN, gWebStageMessage);
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStagePlayInSet(const char* path) {
    return StageOpen(gWebStageWindow, path, STAGE_OPEN_CHOSEN_IN_SET, gWebStageMessage);
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageTake(const char* incoming) {
    return StageShareTake(gWebStageWindow, incoming, WEB_STAGE_GIVEN_PATH, gWebStageMessage);
}

static char gWebStageOpened[sizeof(WEB_STAGE_OPENED_DIR) + 1 + WEB_STAGE_NAME_MAX + 1];

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageTakeFile(const char* incoming, const char* name) {
    mkdir(WEB_STAGE_OPENED_DIR, 0755);
    // The file's own name, as a name in one folder: no path, nothing the title's font lacks.
    char safe[WEB_STAGE_NAME_MAX + 1];
    size_t n = 0;
    for (const char* c = name; *c && n < WEB_STAGE_NAME_MAX; ++c) {
        const char ch = *c;
        const int plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                          ch == '-' || ch == '_' || ch == ' ' || (ch == '.' && n > 0);
        safe[n++] = plain ? ch : '_';
    }
    safe[n] = '\0';
    snprintf(gWebStageOpened, sizeof(gWebStageOpened), "%s/%s", WEB_STAGE_OPENED_DIR, n > 0 ? safe : "stage.txt");
    return StageShareTake(gWebStageWindow, incoming, gWebStageOpened, gWebStageMessage);
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageOpenedPath(void) {
    return gWebStageOpened;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageIncomingPath(void) {
    mkdir("/stage", 0755); // already there after the first time
    return WEB_STAGE_INCOMING_PATH;
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageOpenLink(const char* link) {
    return StageShareOpenLink(gWebStageWindow, link, WebStageIncomingPath(), WEB_STAGE_GIVEN_PATH,
                              gWebStageMessage);
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageMinePath(const char* name) {
    static char path[sizeof(WEB_STAGE_MINE_FOLDER) + EDITOR_NAME_CHARS + 1];
    if (EditorNameRefusal(name)) {
        return "";
    }
    WebStageIncomingPath();
    mkdir(WEB_STAGE_MINE_FOLDER, 0755);
    snprintf(path, sizeof(path), "%s/%s", WEB_STAGE_MINE_FOLDER, name);
    return path;
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebStageEdit(const char* name) {
    const char* path = WebStageMinePath(name);
    if (!path[0]) {
        return 0;
    }
    MainStartEditor(gWebStageWindow, path);
    return 1;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageEditedName(void) {
    const char* name = EditorIsActive() ? WebStageMineName() : nullptr;
    return name ? name : "";
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebStageNameRefusal(const char* name) {
    const char* refusal = EditorNameRefusal(name);
    return refusal ? refusal : "";
}

// clang-format off
EM_JS(void, WebStageTellPage, (const char* shipped, const char* given, const char* incoming,
                               const char* storageKey, const char* firstName, double readCap, int plays,
                               int edits, int afterPlaytest, int set), {
    var game = Module.webGame = Module.webGame || {};
    // The memory file system's root is the working directory the game reads its stage from.
    game.shippedStage = '/' + UTF8ToString(shipped);
    game.stageFileName = game.shippedStage.split('/').pop();
    game.givenStage = UTF8ToString(given);
    game.incomingStage = UTF8ToString(incoming);
    game.storageKey = UTF8ToString(storageKey);
    game.firstName = UTF8ToString(firstName);
    // My stage's key, and the name a key keeps (null: not one of my stages).
    game.keyOf = function(name) { return name === game.firstName ? game.storageKey : game.storageKey + '/' + name; };
    game.nameOf = function(key) {
        return key === game.storageKey ? game.firstName
             : key.indexOf(game.storageKey + '/') === 0 ? key.substring(game.storageKey.length + 1) : null;
    };
    game.readCap = readCap;
    game.outcome = {plays : plays, edits : edits, afterPlaytest : afterPlaytest, set : set};
});
// clang-format on

void WebStageAttach(PlatformWindow* window) {
    gWebStageWindow = window;
    EditorSetKeeper(WebStageKeepSaved);
    EditorSetDevice(WebStageTouchOnly() ? EDITOR_DEVICE_TOUCH_PAGE : EDITOR_DEVICE_KEYS_PAGE);
    WebStageTellPage(STAGE_SHARE_SHIPPED_PATH, WEB_STAGE_GIVEN_PATH, WEB_STAGE_INCOMING_PATH,
                     WEB_STAGE_STORAGE_KEY, WEB_STAGE_FIRST_NAME,
                     (double)STAGE_SHARE_READ_CAP, STAGE_OPEN_PLAYS, STAGE_OPEN_EDITS,
                     STAGE_OPEN_AFTER_PLAYTEST, STAGE_OPEN_SET);
}

// The stage as it is painted, kept when it changed; Ctrl+S says when it cannot be.
static void WebStageKeepEdited(void) {
    const char* edited = StageShareEditedText();
    const char* name = WebStageMineName();
    if (edited && name) {
        WebStageKeepText(name, edited, (int)strlen(edited), 0);
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
    const int32_t index = StageSetCount() > 0 ? StageSetIndex() : -1;
    if (index != gWebStageSetIndex) {
        gWebStageSetIndex = index;
        if (index >= 0) {
            WebStageFollowSet(StageSetStagePath());
        }
    }
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
