// stage_title.cpp -- the window title for a stage path.
#include "app/stage_title.h"

#include <stdio.h>
#include <string.h>

#include "app/main.h"
#include "world/level.h"

// The last part of path (either slash).
static const char* StageTitleName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\') {
            name = p + 1;
        }
    }
    return name;
}

void StageTitleWith(const char* path, const char* suffix, char out[STAGE_TITLE_SIZE]) {
    const size_t room = STAGE_TITLE_SIZE - strlen(suffix);
    const int used = snprintf(out, room, "%s - %s", WINDOW_TITLE, StageTitleName(path));
    // A name cut in the middle of a UTF-8 sequence would be invalid text: drop the partial character.
    if (used >= (int)room) {
        size_t end = room - 1;
        while (end > 0 && ((unsigned char)out[end - 1] & 0xC0) == 0x80) {
            --end;
        }
        if (end > 0 && ((unsigned char)out[end - 1] & 0xC0) == 0xC0) {
            --end;
        }
        out[end] = '\0';
    }
    for (char* p = out; *p; ++p) {
        if ((unsigned char)*p < 0x20 || *p == 0x7F) {
            *p = '?';
        }
    }
    strcat(out, suffix);
}

void StageTitleFor(const char* path, char out[STAGE_TITLE_SIZE]) {
    if (!path || strcmp(path, LEVEL_STAGE_PATH) == 0) {
        snprintf(out, STAGE_TITLE_SIZE, "%s", WINDOW_TITLE);
        return;
    }
    StageTitleWith(path, "", out);
}
