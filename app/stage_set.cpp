// stage_set.cpp -- the folder's stage files listed once when the set opens, then played in turn.
#include "app/stage_set.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/run.h"
#include "app/stage_title.h"
#include "world/level.h"

static PlatformWindow* gWindow;
// Listed once when the set opens; nothing is allocated while it plays.
static std::vector<std::string> gPaths;
static int32_t gCount;
static int32_t gIndex;
static char gLine[STAGE_SET_LINE_SIZE];
static int32_t gParMs = -1;
static char gRating[16];
static std::string gRoute; // the route's run text, "" when the par file has none

// The title screen's line for the stage at gIndex, made when it is chosen (never while frames draw).
static void StageSetMakeLine(void) {
    std::string name = std::filesystem::path(gPaths[(size_t)gIndex]).filename().string();
    name = name.substr(0, name.size() - 4); // ".txt", in any case
    size_t start = 0;
    while (start < name.size() && name[start] >= '0' && name[start] <= '9') {
        start++;
    }
    while (start < name.size() && (name[start] == '-' || name[start] == '_' || name[start] == ' ')) {
        start++;
    }
    name = start < name.size() ? name.substr(start) : name;
    for (char& c : name) {
        c = (c == '-' || c == '_') ? ' ' : (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
    }
    snprintf(gLine, sizeof(gLine), "STAGE %d OF %d: %s", (int)(gIndex + 1), (int)gCount, name.c_str());
}

void StageSetCapitals(const char* text, char* out, size_t size) {
    size_t n = 0;
    for (const char* c = text; *c && *c != '\n' && *c != '\r' && n + 1 < size; ++c) {
        out[n++] = (*c >= 'a' && *c <= 'z') ? (char)(*c - 'a' + 'A') : *c;
    }
    if (size > 0) {
        out[n] = '\0';
    }
}

// NAME.par beside the stage at gIndex, when there is one and it is ours.
static void StageSetReadPar(void) {
    gParMs = -1;
    gRating[0] = '\0';
    gRoute.clear();
    std::string path = gPaths[(size_t)gIndex];
    path = path.substr(0, path.size() - 4) + ".par";
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        return;
    }
    char line[64], values[64];
    int frames = 0, marginFrames = 0, marginDegrees = 0, used = 0;
    if (fgets(line, sizeof(line), file) && strcmp(line, STAGE_PAR_VERSION_LINE "\n") == 0 &&
        fgets(values, sizeof(values), file) &&
        sscanf(values, "%d %d %d %n", &frames, &marginFrames, &marginDegrees, &used) == 3 && frames > 0 &&
        frames < 1000000) {
        gParMs = frames * 16;
        StageSetCapitals(values + used, gRating, sizeof(gRating)); // the rating: the rest of the line
        // Then the route as a run, on a line of its own; what it holds is checked when it is watched.
        char chunk[4096];
        size_t got = 0;
        while (gRoute.size() < RUN_MAX_TEXT && (got = fread(chunk, 1, sizeof(chunk), file)) > 0) {
            gRoute.append(chunk, got);
        }
        const size_t end = gRoute.find('\n');
        if (end == std::string::npos || end >= RUN_MAX_TEXT || gRoute[0] != RUN_TEXT_VERSION) {
            gRoute.clear();
        } else {
            gRoute.resize(end);
        }
    }
    fclose(file);
}

static void StageSetPlay(int32_t index) {
    gIndex = index;
    StageSetMakeLine();
    StageSetReadPar();
    LevelSetStagePath(gPaths[(size_t)gIndex].c_str());
    char title[STAGE_TITLE_SIZE];
    StageTitleFor(gPaths[(size_t)gIndex].c_str(), title);
    char numbered[STAGE_TITLE_SIZE + 32];
    snprintf(numbered, sizeof(numbered), "%s (%d/%d)", title, (int)(gIndex + 1), (int)gCount);
    PlatformSetTitle(gWindow, numbered);
}

int32_t StageSetOpen(PlatformWindow* window, const char* folder, char* why, size_t whySize) {
    std::error_code error;
    if (!folder || !std::filesystem::is_directory(folder, error)) {
        return STAGE_SET_NOT_A_FOLDER;
    }
    std::vector<std::string> names;
    int32_t tooLong = 0;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        const std::string path = it->path().string();
        for (char& c : name) {
            c = (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
        }
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0 && it->is_regular_file(error)) {
            if (path.size() < STAGE_SET_MAX_PATH) {
                names.push_back(path);
            } else {
                tooLong++;
            }
        }
    }
    std::sort(names.begin(), names.end());
    if (tooLong > 0) {
        fprintf(stderr, "shotgun-kalvoro: %d stage files in '%.200s' are left out: their paths are over %d bytes\n",
                (int)tooLong, folder, (int)STAGE_SET_MAX_PATH - 1);
    }
    if (names.empty()) {
        if (why && whySize > 0) {
            snprintf(why, whySize, "no stage files (*.txt) in the folder '%.200s'", folder);
        }
        return STAGE_SET_EMPTY;
    }
    gWindow = window;
    gPaths = names;
    gCount = (int32_t)gPaths.size();
    StageSetPlay(0);
    return STAGE_SET_OPENED;
}

int StageSetOpenAt(PlatformWindow* window, const char* path, char* why, size_t whySize) {
    const std::filesystem::path stage(path);
    if (StageSetOpen(window, stage.parent_path().string().c_str(), why, whySize) != STAGE_SET_OPENED) {
        return 0;
    }
    for (int32_t i = 0; i < gCount; ++i) {
        if (std::filesystem::path(gPaths[(size_t)i]).filename() == stage.filename()) {
            StageSetPlay(i);
            return 1;
        }
    }
    StageSetClose(); // not one of the folder's stage files
    return 0;
}

void StageSetOnCleared(void) {
    if (gCount > 0) {
        StageSetPlay((gIndex + 1) % gCount);
    }
}

void StageSetChoose(int32_t step) {
    if (gCount > 0) {
        StageSetPlay(((gIndex + step) % gCount + gCount) % gCount);
    }
}

void StageSetLine(char out[STAGE_SET_LINE_SIZE]) {
    memcpy(out, gCount > 0 ? gLine : "", gCount > 0 ? sizeof(gLine) : 1);
}

int32_t StageSetParMs(void) {
    return gCount > 0 ? gParMs : -1;
}

const char* StageSetRoute(void) {
    return gCount > 0 && !gRoute.empty() ? gRoute.c_str() : nullptr;
}

const char* StageSetRating(void) {
    return gCount > 0 ? gRating : "";
}

int32_t StageSetCount(void) {
    return gCount;
}

int32_t StageSetIndex(void) {
    return gIndex;
}

const char* StageSetStagePath(void) {
    return gCount > 0 ? gPaths[(size_t)gIndex].c_str() : "";
}

void StageSetClose(void) {
    gPaths.clear();
    gCount = 0;
    gIndex = 0;
    LevelSetStagePath(nullptr);
}
