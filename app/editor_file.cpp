// editor_file.cpp -- the stage file behind the editor: read at opening (a blank stage when there is
// none), with what the editor's first save would change in it said at once; written aside and renamed
// into place by Ctrl+S, never over a change made on disk meanwhile without asking; and a recovery copy
// of unsaved changes in the game's data folder, a few seconds after the last change.
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/data_folder.h"
#include "app/editor_parts.h"

namespace fs = std::filesystem;

// A recovery copy is written this long after the last change.
constexpr float EDITOR_RECOVERY_MS = 3000.0f;

// The file's time and size now; 0 when it cannot be read.
static int EditorFileStamp(const char* path, long long* time, unsigned long long* size) {
    std::error_code error;
    const auto when = fs::last_write_time(path, error);
    if (error) {
        return 0;
    }
    const auto bytes = fs::file_size(path, error);
    if (error) {
        return 0;
    }
    *time = (long long)when.time_since_epoch().count();
    *size = (unsigned long long)bytes;
    return 1;
}

static void EditorRememberFile(void) {
    EditorStage* s = &gEditor.stage;
    s->fileKnown = EditorFileStamp(s->path, &s->fileTime, &s->fileSize);
}

// What the editor's first save would change in the file as read, in a status line; null when the save
// writes the same bytes.
static const char* EditorFirstSaveChanges(const char* path) {
    std::vector<char> bytes;
    FILE* file = fopen(path, "rb");
    if (!file) {
        return nullptr;
    }
    char chunk[4096];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0 && bytes.size() < LEVEL_MAX_READ_BYTES) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    fclose(file);
    EditorWriteText();
    if (bytes.size() == gEditor.textLength && memcmp(bytes.data(), gEditor.text, bytes.size()) == 0) {
        return nullptr;
    }
    int32_t rows = 0, column = 0, wide = 0, cr = 0;
    for (const char c : bytes) {
        cr |= c == '\r';
        if (c == '\n') {
            rows++;
            column = 0;
        } else if (++column > MAP_MAX_COLS) {
            wide = 1;
        }
    }
    rows += column > 0;
    if (wide || rows > MAP_MAX_ROWS) {
        return "SAVE CUTS IT TO 128 X 32: ORIGINAL KEPT";
    }
    return cr ? "SAVE DROPS CR LINE ENDS: ORIGINAL KEPT" : "SAVE REWRITES OTHER BYTES: ORIGINAL KEPT";
}

void EditorReadStage(const char* path) {
    EditorStage* s = &gEditor.stage;
    snprintf(s->path, sizeof(s->path), "%s", path ? path : "");
    if (path) {
        snprintf(gEditor.folder, sizeof(gEditor.folder), "%s", fs::path(path).parent_path().string().c_str());
    }
    if (!path || LevelReadGridFile(&s->grid, path) != LEVEL_FROM_FILE) {
        EditorBlankStage();
        if (path) {
            EditorSay(EditorWords(EDITOR_SAYS_NEW_STAGE));
        }
        return;
    }
    EditorRememberFile();
    const char* changes = EditorFirstSaveChanges(path);
    if (changes) {
        s->keepOriginal = 1;
        EditorSay(changes);
        s->messageMs = EDITOR_MESSAGE_MS * 2.0f;
        fprintf(stderr,
                "shotgun-kalvoro: the editor writes '%s' differently from how it reads (%s); its first save "
                "keeps the original as '%s.orig'\n",
                path, changes, path);
    }
}

// The file as it is on disk copied beside it, as NAME.orig (a number added while that name is taken).
static int EditorKeepOriginal(const char* path, char* kept, size_t keptSize) {
    char stem[SAFE_OUTPUT_MAX_PATH + 8];
    snprintf(stem, sizeof(stem), "%s.orig", path);
    std::error_code error;
    return SafeOutputFreeName(stem, "", kept, keptSize) && fs::copy_file(path, kept, error) && !error;
}

static EditorKeeper gEditorKeeper;

void EditorSetKeeper(EditorKeeper keeper) {
    gEditorKeeper = keeper;
}

int EditorSave(int force) {
    EditorStage* s = &gEditor.stage;
    EditorEndStroke();
    if (!s->path[0]) {
        EditorAskName();
        return 0;
    }
    long long time = 0;
    unsigned long long size = 0;
    const int exists = EditorFileStamp(s->path, &time, &size);
    if (!force && s->fileKnown && exists && (time != s->fileTime || size != s->fileSize)) {
        EditorAsk(EDITOR_ASK_OVERWRITE);
        return 0;
    }
    char kept[SAFE_OUTPUT_MAX_PATH + 16] = "";
    if (s->keepOriginal && exists && !EditorKeepOriginal(s->path, kept, sizeof(kept))) {
        EditorSay("NOT SAVED: THE ORIGINAL CANNOT BE KEPT");
        return 0;
    }
    EditorWriteText();
    SafeOutput out;
    char why[256];
    int ok = SafeOutputOpen(&out, s->path, why, sizeof(why));
    if (ok) {
        ok = fwrite(gEditor.text, 1, gEditor.textLength, out.file) == gEditor.textLength;
        ok = SafeOutputClose(&out, ok);
    }
    if (!ok) {
        EditorSay("NOT SAVED: THE FILE CANNOT BE WRITTEN");
        return 0;
    }
    // The file is ours now, whatever the keeper says: the next save must not find it changed.
    EditorRememberFile();
    if (gEditorKeeper && !gEditorKeeper(gEditor.text, gEditor.textLength)) {
        EditorSay("NOT SAVED: CANNOT KEEP IT; DOWNLOAD IT");
        return 0;
    }
    s->savedAt = s->historyAt;
    EditorDropRecovery();
    if (kept[0]) {
        s->keepOriginal = 0;
        EditorSay("SAVED: THE ORIGINAL IS KEPT AS .ORIG");
        fprintf(stderr, "shotgun-kalvoro: saved '%s'; the file as it was is kept as '%s'\n", s->path, kept);
    } else {
        EditorSay("SAVED");
    }
    return 1;
}

// The characters of a file name the editor makes: letters, digits, '-', '_' and '.'.
static int EditorPlainChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

const char* EditorNameRefusal(const char* name) {
    if (!name[0]) {
        return "NOT SAVED: TYPE A NAME FIRST";
    }
    if (strchr(name, '/') || strchr(name, '\\') || strchr(name, ':')) {
        return "NOT SAVED: A NAME, NOT A PATH (NO /)";
    }
    if (strstr(name, "..") || strcmp(name, ".") == 0) {
        return "NOT SAVED: A NAME, NOT A PATH (NO ..)";
    }
    if (strlen(name) > EDITOR_NAME_CHARS) {
        return "NOT SAVED: A NAME OF AT MOST 32 LETTERS";
    }
    for (const char* c = name; *c; ++c) {
        if (!EditorPlainChar(*c)) {
            return "NOT SAVED: LETTERS, DIGITS, - _ . ONLY";
        }
    }
    return nullptr;
}

int EditorSaveAs(const char* name, int replace) {
    EditorStage* s = &gEditor.stage;
    const char* refusal = EditorNameRefusal(name);
    if (refusal) {
        EditorSay(refusal);
        return 0;
    }
    const std::string path =
        gEditor.folder[0] ? (fs::path(gEditor.folder) / name).string() : std::string(name);
    if (path.size() >= sizeof(s->path)) {
        EditorSay("NOT SAVED: THE FOLDER'S PATH IS TOO LONG");
        return 0;
    }
    std::error_code error;
    if (!replace && fs::exists(fs::symlink_status(path, error))) {
        EditorAsk(EDITOR_ASK_REPLACE);
        return 0;
    }
    // The stage becomes the named file's; a failed save leaves it the old file's.
    char was[sizeof(s->path)];
    memcpy(was, s->path, sizeof(was));
    const int wasKnown = s->fileKnown, wasKeeping = s->keepOriginal;
    const long long wasTime = s->fileTime;
    const unsigned long long wasSize = s->fileSize;
    snprintf(s->path, sizeof(s->path), "%s", path.c_str());
    s->fileKnown = 0;
    s->keepOriginal = 0;
    if (!EditorSave(1)) {
        memcpy(s->path, was, sizeof(was));
        s->fileKnown = wasKnown;
        s->keepOriginal = wasKeeping;
        s->fileTime = wasTime;
        s->fileSize = wasSize;
        return 0;
    }
    // The changes are in the new file: the old file's recovery copy would offer them again.
    char now[sizeof(s->path)];
    memcpy(now, s->path, sizeof(now));
    memcpy(s->path, was, sizeof(was));
    EditorDropRecovery();
    memcpy(s->path, now, sizeof(now));
    s->titleDirty = -1;
    return 1;
}

// The recovery copy's path for the open stage: its name and a hash of its whole path, so two stages of
// one name in two folders keep two copies.
static int EditorRecoveryPath(char* out, size_t size) {
    const EditorStage* s = &gEditor.stage;
    std::error_code error;
    const std::string whole = s->path[0] ? fs::absolute(s->path, error).string() : std::string("untitled");
    uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : whole) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    std::string base = s->path[0] ? fs::path(s->path).filename().string() : std::string("untitled");
    for (char& c : base) {
        c = EditorPlainChar(c) ? c : '_';
    }
    char name[128];
    snprintf(name, sizeof(name), "recovery/%.40s-%016llx.txt", base.c_str(), (unsigned long long)hash);
    return DataFolderPath(name, out, size);
}

void EditorKeepRecovery(float dt) {
    EditorStage* s = &gEditor.stage;
    if (s->recoveryDueMs <= 0.0f) {
        return;
    }
    s->recoveryDueMs -= dt;
    if (s->recoveryDueMs > 0.0f) {
        return;
    }
    s->recoveryDueMs = 0.0f;
    if (!EditorIsDirty()) {
        EditorDropRecovery(); // undone back to what the file holds
        return;
    }
    char path[SAFE_OUTPUT_MAX_PATH];
    if (!EditorRecoveryPath(path, sizeof(path))) {
        return;
    }
    EditorWriteText();
    SafeOutput out;
    if (SafeOutputOpen(&out, path, nullptr, 0)) {
        const int ok = fwrite(gEditor.text, 1, gEditor.textLength, out.file) == gEditor.textLength;
        SafeOutputClose(&out, ok);
    }
}

void EditorRecoveryDue(void) {
    gEditor.stage.recoveryDueMs = EDITOR_RECOVERY_MS;
}

int EditorFindRecovery(Tilemap* out) {
    char path[SAFE_OUTPUT_MAX_PATH];
    if (!EditorRecoveryPath(path, sizeof(path)) || LevelReadGridFile(out, path) != LEVEL_FROM_FILE) {
        return 0;
    }
    const Tilemap* grid = &gEditor.stage.grid;
    return out->width != grid->width || out->height != grid->height ||
           memcmp(out->tiles, grid->tiles, sizeof(out->tiles)) != 0;
}

void EditorDropRecovery(void) {
    char path[SAFE_OUTPUT_MAX_PATH];
    if (EditorRecoveryPath(path, sizeof(path))) {
        std::error_code error;
        fs::remove(path, error);
    }
}
