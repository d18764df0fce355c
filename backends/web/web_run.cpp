// web_run.cpp -- the page's progress mirrored into local storage (the memory file system is gone at the
// next load) and taken from it, another tab's writes included, before the game merges its own in.
#include "backends/web/web_run.h"

#include <emscripten.h>
#include <stdio.h>
#include <string.h>

#include "app/data_folder.h"
#include "app/progress.h"
#include "app/safe_output.h"
#include "app/watch.h"

static char gWebRunPath[SAFE_OUTPUT_MAX_PATH];
static char gWebRunMessage[RUN_MESSAGE_SIZE];
static uint32_t gWebRunWrites;
static int gWebRunOffered = -1; // the watch buttons shown at the last frame (WatchWhat bits; -1: not looked yet)

// clang-format off
// The kept progress into the data folder, now and whenever another tab keeps its own: the game reads
// the file again before each write and merges it.
EM_JS(void, WebRunTakeProgress, (const char* path, const char* key), {
    var file = UTF8ToString(path);
    var name = UTF8ToString(key);
    var take = function(text) {
        if (text) {
            FS.writeFile(file, text);
        }
    };
    try {
        take(localStorage.getItem(name));
    } catch (e) {
    }
    window.addEventListener('storage', function(e) {
        if (e.key === name) {
            take(e.newValue);
        }
    });
});
EM_JS(void, WebRunKeepProgress, (const char* path, const char* key), {
    try {
        localStorage.setItem(UTF8ToString(key), FS.readFile(UTF8ToString(path), {encoding : 'utf8'}));
    } catch (e) {
        // Storage full or blocked: the progress lives in this tab only.
    }
});
// A touch screen's buttons for W and Shift+W, shown while the title has a best run (bit 1) or the
// solver's route (bit 2) to watch; the layout is done again.
EM_JS(void, WebRunShowWatch, (int show), {
    var s = Module.webScreen;
    [['button-watch', 1], ['button-watch-route', 2]].forEach(function(b) {
        var button = document.getElementById(b[0]);
        if (button && s) {
            button.hidden = !(show & b[1]) || !s.touch;
        }
    });
    if (s) {
        s.countButtons();
    }
});
// clang-format on

void WebRunAttach(void) {
    ProgressKeep(1);
    if (DataFolderPath(PROGRESS_FILE_NAME, gWebRunPath, sizeof(gWebRunPath))) {
        WebRunTakeProgress(gWebRunPath, WEB_RUN_PROGRESS_KEY);
    }
}

void WebRunButtons(void) {
    const int offered = (int)WatchOfferedNow();
    if (offered != gWebRunOffered) {
        gWebRunOffered = offered;
        WebRunShowWatch(offered);
    }
}

void WebRunKeep(void) {
    if (ProgressWrites() != gWebRunWrites && gWebRunPath[0]) {
        gWebRunWrites = ProgressWrites();
        WebRunKeepProgress(gWebRunPath, WEB_RUN_PROGRESS_KEY);
    }
}

extern "C" EMSCRIPTEN_KEEPALIVE int32_t WebRunWatch(const char* run) {
    return WatchStart(run, strlen(run), gWebRunMessage);
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebRunText(void) {
    const char* run = ProgressBestRun();
    if (!run) {
        snprintf(gWebRunMessage, sizeof(gWebRunMessage), "There is no run to share yet: clear this stage first.");
        return "";
    }
    return run;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* WebRunMessage(void) {
    return gWebRunMessage;
}
