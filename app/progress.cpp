// progress.cpp -- the stages' records, read once, merged and written aside at every start and clear.
#include "app/progress.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "app/data_folder.h"
#include "app/editor.h"
#include "app/game_state.h"
#include "app/run.h"
#include "app/safe_output.h"
#include "world/level.h"

struct ProgressEntry {
    uint64_t key; // the stage's contents as the game loads them
    int32_t cleared;
    int32_t bestMs; // -1: none
    int32_t runs;
    int32_t clears;
    char name[64];     // the file's name, for a person reading the file
    int32_t parFrames; // a background solve's par, 0: none; then its route's margins
    int32_t parMarginFrames;
    int32_t parMarginDegrees;
    std::string route; // the par's route as run text, "" when not kept
    std::string run;   // the best run's input as run text, "" when not kept
};

static ProgressEntry gEntries[PROGRESS_MAX_STAGES];
static int32_t gEntryCount;
static int gLoaded;
static char gNotice[41];
static int gNoticeSaid;
// The stage the screens speak of, and the run in play.
static LevelStageSource gSource;
static uint32_t gSourceRevision;
static int32_t gLastMode = -1;
static uint64_t gKey;
static int gActive;
static float gRunMs;
static int32_t gLastRunMs = -1;
static int gNewBest;
static int gFlew; // the run used debug flight: its clear is no record
// Starts and clears the game noted, and how many of them the frames took up.
static uint32_t gStartsNoted, gStartsSeen;
static uint32_t gClearsNoted, gClearsSeen;
static int gKeep;
static uint32_t gWrites;
// The run in play, frame by frame, and its text once it is the best.
static Run gRecord;
static char gRunText[RUN_MAX_TEXT];
// A file bigger than this is not ours.
constexpr long PROGRESS_MAX_FILE_BYTES = 64L << 20;

uint64_t ProgressStageKey(const Tilemap* map) {
    uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](const void* data, size_t size) {
        const unsigned char* bytes = (const unsigned char*)data;
        for (size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
    };
    mix(&map->width, sizeof(map->width));
    mix(&map->height, sizeof(map->height));
    for (int32_t row = 0; row < map->height; ++row) {
        mix(map->tiles[row], (size_t)map->width);
    }
    mix(&map->spawnX, sizeof(map->spawnX));
    mix(&map->spawnY, sizeof(map->spawnY));
    mix(&map->enemySpawnCount, sizeof(map->enemySpawnCount));
    mix(map->enemySpawnX, sizeof(float) * (size_t)map->enemySpawnCount);
    mix(map->enemySpawnY, sizeof(float) * (size_t)map->enemySpawnCount);
    return hash;
}

static void ProgressSay(const char* line, const char* detail) {
    if (gNoticeSaid) {
        return;
    }
    gNoticeSaid = 1;
    snprintf(gNotice, sizeof(gNotice), "%s", line);
    fprintf(stderr, "shotgun-kalvoro: %s\n", detail);
}

static ProgressEntry* ProgressFind(uint64_t key, int create) {
    for (int32_t i = 0; i < gEntryCount; ++i) {
        if (gEntries[i].key == key) {
            return &gEntries[i];
        }
    }
    if (!create || gEntryCount == PROGRESS_MAX_STAGES) {
        return nullptr;
    }
    ProgressEntry* e = &gEntries[gEntryCount++];
    *e = ProgressEntry{};
    e->key = key;
    e->bestMs = -1;
    return e;
}

// Another record of the same stage joined in: the better of each.
static void ProgressMerge(ProgressEntry* into, const ProgressEntry* from) {
    into->cleared |= from->cleared;
    if (from->bestMs >= 0 && (into->bestMs < 0 || from->bestMs < into->bestMs)) {
        into->bestMs = from->bestMs;
        into->run = from->run; // the best's own run, or none
    } else if (from->bestMs == into->bestMs && into->run.empty()) {
        into->run = from->run;
    }
    into->runs = from->runs > into->runs ? from->runs : into->runs;
    into->clears = from->clears > into->clears ? from->clears : into->clears;
    if (!into->name[0]) {
        memcpy(into->name, from->name, sizeof(into->name));
    }
    if (into->parFrames == 0 && from->parFrames > 0) {
        into->parFrames = from->parFrames;
        into->parMarginFrames = from->parMarginFrames;
        into->parMarginDegrees = from->parMarginDegrees;
        into->route = from->route;
    }
}

// The run text a line holds from at on: none, or one that fits the game's bound and starts as run text.
static int ProgressRunTextFits(const std::string& line, int at) {
    const size_t length = line.size() - (size_t)at;
    return length == 0 || (length < RUN_MAX_TEXT && line[(size_t)at] == RUN_TEXT_VERSION);
}

// Reads the file and merges it into what is held; a file that is not ours is kept aside. 0 when there
// is no data folder.
static int ProgressRead(char* path, size_t size) {
    if (!DataFolderPath(PROGRESS_FILE_NAME, path, size)) {
        return 0;
    }
    FILE* file = fopen(path, "rb");
    if (!file) {
        return 1; // none yet
    }
    // The whole file at once: a run's line is longer than any buffer a line would get.
    std::string text;
    char chunk[4096];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0 && (long)text.size() <= PROGRESS_MAX_FILE_BYTES) {
        text.append(chunk, got);
    }
    fclose(file);
    int broken = (long)text.size() > PROGRESS_MAX_FILE_BYTES;
    size_t at = text.find('\n');
    const std::string first = at == std::string::npos ? text : text.substr(0, at);
    broken |= at == std::string::npos || (first != PROGRESS_VERSION_LINE && first != PROGRESS_VERSION_LINE_1);
    ProgressEntry e = {};
    int stageRead = 0; // a par or run line belongs to the stage line before it
    while (!broken && at != std::string::npos && at + 1 < text.size()) {
        const size_t end = text.find('\n', at + 1);
        if (end == std::string::npos) {
            broken = 1; // torn: the last line has no end
            break;
        }
        const std::string line = text.substr(at + 1, end - at - 1);
        at = end;
        unsigned long long key = 0;
        int used = 0;
        if (line.compare(0, 4, "par ") == 0) {
            // A par a background solve found for the stage on the line before, then its route (a copy
            // that kept no routes reads the par and lets the route go).
            if (sscanf(line.c_str(), "par %16llx %d %d %d %n", &key, &e.parFrames, &e.parMarginFrames,
                       &e.parMarginDegrees, &used) != 4 ||
                !stageRead || key != e.key || e.parFrames <= 0) {
                broken = 1;
                break;
            }
            used = used > 0 ? used : (int)line.size(); // a C library that sets no %n at the line's end
            if (!ProgressRunTextFits(line, used)) {
                broken = 1;
                break;
            }
            e.route = line.substr((size_t)used);
        } else if (line.compare(0, 4, "run ") == 0) {
            // The best run of the stage on the line before.
            if (sscanf(line.c_str(), "run %16llx %n", &key, &used) != 1 || !stageRead || key != e.key ||
                used == 0 || (size_t)used == line.size() || !ProgressRunTextFits(line, used)) {
                broken = 1;
                break;
            }
            e.run = line.substr((size_t)used);
        } else {
            e = ProgressEntry{};
            if (sscanf(line.c_str(), "%16llx %d %d %d %d %n", &key, &e.cleared, &e.bestMs, &e.runs, &e.clears,
                       &used) != 5) {
                broken = 1;
                break;
            }
            e.key = key;
            stageRead = 1;
            snprintf(e.name, sizeof(e.name), "%s", line.c_str() + used);
            e.name[strcspn(e.name, "\r")] = '\0';
        }
        ProgressEntry* held = ProgressFind(e.key, 1);
        if (held) {
            ProgressMerge(held, &e);
        }
    }
    if (broken) {
        char stem[SAFE_OUTPUT_MAX_PATH + 32];
        snprintf(stem, sizeof(stem), "%s.unreadable-%lld", path, (long long)time(nullptr));
        // Another file set aside within the same second keeps its name: this one takes the next free.
        char aside[SAFE_OUTPUT_MAX_PATH + 40];
        std::error_code error;
        if (!SafeOutputFreeName(stem, "-", aside, sizeof(aside)) ||
            (std::filesystem::rename(path, aside, error), error)) {
            // Written over, it would be lost: it stays as it is and nothing is kept this time.
            char detail[SAFE_OUTPUT_MAX_PATH + 128];
            snprintf(detail, sizeof(detail),
                     "the progress file '%s' could not be read nor kept aside; it is left as it is and "
                     "progress is not kept",
                     path);
            ProgressSay("PROGRESS FILE UNREADABLE: NOT KEPT", detail);
            return 0;
        }
        char detail[SAFE_OUTPUT_MAX_PATH * 2 + 96];
        snprintf(detail, sizeof(detail),
                 "the progress file '%s' could not be read; it is kept as '%s' and a new one started", path,
                 aside);
        ProgressSay("PROGRESS FILE UNREADABLE: KEPT ASIDE", detail);
    }
    return 1;
}

static void ProgressLoad(void) {
    if (!gLoaded) {
        gLoaded = 1;
        char path[SAFE_OUTPUT_MAX_PATH];
        ProgressRead(path, sizeof(path));
    }
}

// What another running copy wrote meanwhile merged in, then everything written aside and renamed.
static void ProgressWrite(void) {
    char path[SAFE_OUTPUT_MAX_PATH];
    if (!ProgressRead(path, sizeof(path))) {
        return;
    }
    SafeOutput out;
    char why[512];
    int ok = SafeOutputOpen(&out, path, why, sizeof(why));
    if (ok) {
        ok = fprintf(out.file, "%s\n", PROGRESS_VERSION_LINE) > 0;
        for (int32_t i = 0; ok && i < gEntryCount; ++i) {
            const ProgressEntry* e = &gEntries[i];
            ok = fprintf(out.file, "%016llx %d %d %d %d %s\n", (unsigned long long)e->key, (int)e->cleared,
                         (int)e->bestMs, (int)e->runs, (int)e->clears, e->name) > 0;
            if (ok && e->parFrames > 0) {
                ok = fprintf(out.file, "par %016llx %d %d %d%s%s\n", (unsigned long long)e->key,
                             (int)e->parFrames, (int)e->parMarginFrames, (int)e->parMarginDegrees,
                             e->route.empty() ? "" : " ", e->route.c_str()) > 0;
            }
            if (ok && !e->run.empty()) {
                ok = fprintf(out.file, "run %016llx %s\n", (unsigned long long)e->key, e->run.c_str()) > 0;
            }
        }
        ok = SafeOutputClose(&out, ok);
        gWrites += ok ? 1u : 0u;
    }
    if (!ok) {
        char detail[640];
        snprintf(detail, sizeof(detail), "progress cannot be kept: %s; play goes on", why);
        ProgressSay("PROGRESS CANNOT BE KEPT: PLAY GOES ON", detail);
    }
}

// The stage the next start plays counts when it is not the shipped one and no editor lends its own.
static void ProgressFollowStage(void) {
    if (LevelStageSourceRevision() == gSourceRevision && gLastMode >= 0) {
        return;
    }
    gSourceRevision = LevelStageSourceRevision();
    static LevelStageSource now;
    LevelGetStageSource(&now);
    // A search sets its own source and puts this one back: the same stage, nothing to read again.
    if (gLastMode >= 0 && now.text == gSource.text && now.length == gSource.length &&
        strcmp(now.path, gSource.path) == 0) {
        return;
    }
    gSource = now;
    gActive =
        !EditorIsActive() && now.text == nullptr && strcmp(now.path, LEVEL_STAGE_PATH) != 0 && now.path[0];
    gKey = 0;
    if (gActive) {
        static Tilemap map; // large: kept off the stack
        LevelLoadStageFrom(&map, now.path, nullptr, nullptr, nullptr);
        gKey = ProgressStageKey(&map);
        gLastRunMs = -1;
        gNewBest = 0;
    }
}

// The record named by the file of the stage in play, for a person reading the file.
static void ProgressName(ProgressEntry* e) {
    const char* slash = strrchr(gSource.path, '/');
    const char* name = slash ? slash + 1 : gSource.path;
    const size_t length = strnlen(name, sizeof(e->name) - 1);
    memcpy(e->name, name, length);
    e->name[length] = '\0';
    for (char* c = e->name; *c; ++c) {
        *c = (unsigned char)*c < 0x20 ? '?' : *c; // one record a line
    }
}

void ProgressNoteStart(void) {
    gStartsNoted++;
}

void ProgressNoteClear(void) {
    gClearsNoted++;
}

void ProgressKeep(int on) {
    gKeep = on;
}

void ProgressStep(float dt) {
    // Starts and clears since the last frame (searches and tools between two frames count none).
    const int started = gStartsNoted != gStartsSeen;
    const int cleared = gClearsNoted != gClearsSeen;
    gStartsSeen = gStartsNoted;
    gClearsSeen = gClearsNoted;
    if (!gKeep) {
        return;
    }
    ProgressFollowStage();
    const int32_t mode = GameStateGetMode();
    gLastMode = mode;
    if (!gActive || EditorIsActive()) {
        return; // an editor's play-tests and searches, or a stage that keeps nothing
    }
    if (started) {
        gRunMs = 0.0f;
        gFlew = 0;
        gKey = ProgressStageKey(GameStateGetMap());
        RunBegin(&gRecord, gKey);
        ProgressLoad();
        ProgressEntry* e = ProgressFind(gKey, 1);
        if (e) {
            e->runs++;
            ProgressName(e);
            if (!cleared) {
                ProgressWrite();
            }
        }
    }
    // Game time: every frame whose step ran the stage (the frame of the clear included).
    if (mode == MODE_PLAYING || cleared) {
        gRunMs += dt;
        gFlew |= GameStateGetDebugFly();
        RunAddFrame(&gRecord, dt);
    }
    if (cleared && !gFlew) {
        gLastRunMs = (int32_t)gRunMs;
        ProgressEntry* e = ProgressFind(gKey, 1);
        if (e) {
            gNewBest = e->bestMs < 0 || gLastRunMs < e->bestMs;
            e->cleared = 1;
            e->clears++;
            e->bestMs = gNewBest ? gLastRunMs : e->bestMs;
            if (gNewBest) {
                // A run too long to keep leaves the best without a run to watch.
                e->run = RunEncode(&gRecord, gRunText, sizeof(gRunText)) > 0 ? gRunText : "";
            }
            ProgressWrite();
        }
    }
}

int ProgressActive(void) {
    return gKeep && gActive && !EditorIsActive();
}

static const ProgressEntry* ProgressHeld(void) {
    if (!ProgressActive()) {
        return nullptr;
    }
    ProgressLoad();
    return ProgressFind(gKey, 0);
}

int32_t ProgressBestMs(void) {
    const ProgressEntry* e = ProgressHeld();
    return e ? e->bestMs : -1;
}

int32_t ProgressRunMs(void) {
    return gLastRunMs;
}

int ProgressWasNewBest(void) {
    return gNewBest;
}

int32_t ProgressRuns(void) {
    const ProgressEntry* e = ProgressHeld();
    return e ? e->runs : 0;
}

int32_t ProgressClears(void) {
    const ProgressEntry* e = ProgressHeld();
    return e ? e->clears : 0;
}

const char* ProgressBestRun(void) {
    const ProgressEntry* e = ProgressHeld();
    return e && !e->run.empty() ? e->run.c_str() : nullptr;
}

uint64_t ProgressKey(void) {
    return ProgressActive() ? gKey : 0;
}

int32_t ProgressPar(uint64_t key, int32_t* marginFrames, int32_t* marginDegrees, const char** route) {
    const ProgressEntry* e = nullptr;
    if (gKeep) {
        ProgressLoad();
        e = ProgressFind(key, 0);
    }
    *marginFrames = e ? e->parMarginFrames : 0;
    *marginDegrees = e ? e->parMarginDegrees : 0;
    *route = e && e->parFrames > 0 && !e->route.empty() ? e->route.c_str() : nullptr;
    return e ? e->parFrames : 0;
}

void ProgressKeepPar(uint64_t key, int32_t frames, int32_t marginFrames, int32_t marginDegrees,
                     const char* route) {
    if (!gKeep || frames <= 0) {
        return;
    }
    ProgressLoad();
    ProgressEntry* e = ProgressFind(key, 1);
    if (e) {
        if (!e->name[0] && key == gKey) {
            ProgressName(e);
        }
        e->parFrames = frames;
        e->parMarginFrames = marginFrames;
        e->parMarginDegrees = marginDegrees;
        e->route = route ? route : "";
        ProgressWrite();
    }
}

uint32_t ProgressWrites(void) {
    return gWrites;
}

void ProgressPassFrame(void) {
    gStartsSeen = gStartsNoted;
    gClearsSeen = gClearsNoted;
}

const char* ProgressNotice(void) {
    return gNotice;
}

void ProgressForget(void) {
    ProgressPassFrame();
    gEntryCount = 0;
    gLoaded = 0;
    gNotice[0] = '\0';
    gNoticeSaid = 0;
    memset(&gSource, 0, sizeof(gSource));
    gLastMode = -1;
    gActive = 0;
    gLastRunMs = -1;
    gNewBest = 0;
}

void ProgressFormatTime(int32_t ms, char out[16]) {
    snprintf(out, 16, "%d.%03d S", (int)(ms / 1000), (int)(ms % 1000));
}
