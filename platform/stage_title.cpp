// stage_title.cpp -- the window title for a stage path.
#include "platform/stage_title.h"

#include <stdio.h>
#include <string.h>

#include "app/main.h"
#include "world/level.h"

void StageTitleFor(const char* path, char out[STAGE_TITLE_SIZE]) {
    if (!path || strcmp(path, LEVEL_STAGE_PATH) == 0) {
        snprintf(out, STAGE_TITLE_SIZE, "%s", WINDOW_TITLE);
        return;
    }
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\') {
            name = p + 1;
        }
    }
    const int used = snprintf(out, STAGE_TITLE_SIZE, "%s - %s", WINDOW_TITLE, name);
    // A name cut in the middle of a UTF-8 sequence would be invalid text: drop the partial character.
    if (used >= (int)STAGE_TITLE_SIZE) {
        size_t end = STAGE_TITLE_SIZE - 1;
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
}
