// stage_set.cpp -- the folder's stage files listed once when the set opens, then played in turn.
#include "app/stage_set.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/stage_title.h"
#include "world/level.h"

static PlatformWindow* gWindow;
static char gPaths[STAGE_SET_MAX][STAGE_SET_MAX_PATH];
static int32_t gCount;
static int32_t gIndex;

static void StageSetPlay(int32_t index) {
    gIndex = index;
    LevelSetStagePath(gPaths[gIndex]);
    char title[STAGE_TITLE_SIZE];
    StageTitleFor(gPaths[gIndex], title);
    char numbered[STAGE_TITLE_SIZE + 32];
    snprintf(numbered, sizeof(numbered), "%s (%d/%d)", title, (int)(gIndex + 1), (int)gCount);
    PlatformSetTitle(gWindow, numbered);
}

int32_t StageSetOpen(PlatformWindow* window, const char* folder, char* why, size_t whySize) {
    std::error_code error;
    if (!folder || !std::filesystem::is_directory(folder, error)) {
        return STAGE_SET_NOT_A_FOLDER;
    }
    // Listed once, when the set opens; nothing is allocated while it plays.
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::string path = it->path().string();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0 &&
            path.size() < STAGE_SET_MAX_PATH && it->is_regular_file(error)) {
            names.push_back(path);
        }
    }
    std::sort(names.begin(), names.end());
    if (names.empty()) {
        if (why && whySize > 0) {
            snprintf(why, whySize, "no stage files (*.txt) in the folder '%.200s'", folder);
        }
        return STAGE_SET_EMPTY;
    }
    gWindow = window;
    gCount = (int32_t)std::min<size_t>(names.size(), (size_t)STAGE_SET_MAX);
    for (int32_t i = 0; i < gCount; ++i) {
        memcpy(gPaths[i], names[(size_t)i].c_str(), names[(size_t)i].size() + 1);
    }
    StageSetPlay(0);
    return STAGE_SET_OPENED;
}

void StageSetOnCleared(void) {
    if (gCount > 0) {
        StageSetPlay((gIndex + 1) % gCount);
    }
}

int32_t StageSetCount(void) {
    return gCount;
}

int32_t StageSetIndex(void) {
    return gIndex;
}

void StageSetClose(void) {
    gCount = 0;
    gIndex = 0;
    LevelSetStagePath(nullptr);
}
