// stage_share.cpp -- the stage as text and as a link; stages handed over as a file or a link.
#include "app/stage_share.h"

#include <stdio.h>
#include <string.h>

#include "app/editor.h"

static Tilemap gShareGrid; // large: kept off the stack
static char gShareText[LEVEL_MAX_TEXT_BYTES + 1];
static char gShareEdited[LEVEL_MAX_TEXT_BYTES + 1];
// The editor's grid revision last handed out by StageShareEditedText, and whether one was.
static uint32_t gShareEditedRevision;
static int gShareEditedKnown;

static void StageShareSay(char* message, const char* why) {
    snprintf(message, STAGE_SHARE_MESSAGE_SIZE, "%s", why);
}

size_t StageShareText(char text[STAGE_SHARE_TEXT_SIZE], char message[STAGE_SHARE_MESSAGE_SIZE]) {
    text[0] = '\0';
    message[0] = '\0';
    const Tilemap* grid = &gShareGrid;
    if (EditorIsActive()) {
        grid = EditorGetGrid();
    } else {
        static LevelStageSource source; // holds a 4 KB path: kept off the stack
        LevelGetStageSource(&source);
        const int read = source.text ? LevelReadGridText(&gShareGrid, source.text, source.length)
                                     : LevelReadGridFile(&gShareGrid, source.path) == LEVEL_FROM_FILE;
        if (!read) {
            StageShareSay(message, "The game plays its built-in stage, which has no file.");
            return 0;
        }
    }
    const size_t length = LevelWriteText(grid, text, LEVEL_MAX_TEXT_BYTES);
    text[length] = '\0';
    return length;
}

int32_t StageShareLink(char link[STAGE_SHARE_LINK_SIZE], char message[STAGE_SHARE_MESSAGE_SIZE]) {
    link[0] = '\0';
    const size_t length = StageShareText(gShareText, message);
    if (length == 0) {
        return 0;
    }
    return StageLinkEncode(gShareText, length, link, message);
}

int32_t StageShareTake(PlatformWindow* window, const char* incoming, const char* keep,
                       char message[STAGE_SHARE_MESSAGE_SIZE]) {
    message[0] = '\0';
    if (!incoming || !keep) {
        StageShareSay(message, "No stage file was given.");
        return STAGE_OPEN_REFUSED;
    }
    // The editor decides for itself (StageOpen refuses a file that holds no stage).
    if (EditorIsActive()) {
        return StageOpen(window, incoming, STAGE_OPEN_DROPPED, message);
    }
    // Checked before it replaces the kept stage, which may be the one in play.
    if (LevelReadGridFile(&gShareGrid, incoming) != LEVEL_FROM_FILE) {
        StageShareSay(message, "The file holds no stage: a stage is lines of tiles such as # = | S E G.");
        return STAGE_OPEN_REFUSED;
    }
    if (rename(incoming, keep) != 0) {
        StageShareSay(message, "The stage could not be kept.");
        return STAGE_OPEN_REFUSED;
    }
    return StageOpen(window, keep, STAGE_OPEN_CHOSEN, message);
}

int32_t StageShareOpenLink(PlatformWindow* window, const char* link, const char* incoming, const char* keep,
                           char message[STAGE_SHARE_MESSAGE_SIZE]) {
    message[0] = '\0';
    const int32_t length = StageLinkDecode(link, link ? strlen(link) : 0, gShareText, message);
    if (length == 0) {
        return STAGE_OPEN_REFUSED;
    }
    FILE* file = incoming ? fopen(incoming, "wb") : nullptr;
    const int written = file && fwrite(gShareText, 1, (size_t)length, file) == (size_t)length;
    const int closed = file && fclose(file) == 0;
    if (!written || !closed) {
        StageShareSay(message, "The stage could not be kept.");
        return STAGE_OPEN_REFUSED;
    }
    return StageShareTake(window, incoming, keep, message);
}

const char* StageShareEditedText(void) {
    if (!EditorIsEditing()) {
        return nullptr;
    }
    const uint32_t revision = EditorGridRevision();
    if (gShareEditedKnown && revision == gShareEditedRevision) {
        return nullptr;
    }
    gShareEditedKnown = 1;
    gShareEditedRevision = revision;
    const size_t length = LevelWriteText(EditorGetGrid(), gShareEdited, LEVEL_MAX_TEXT_BYTES);
    gShareEdited[length] = '\0';
    return gShareEdited;
}
