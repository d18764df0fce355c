// stage_link.cpp -- codes the loader's grid as width, height, run tokens and a 16-bit check, and reads
// such a link back into stage text without trusting a byte of it.
#include "world/stage_link.h"

#include <string.h>

#include "world/level.h"
#include "world/link_code.h"

// A token byte: the kind in the high nibble (a tile id, or a run copying the row above), the run less
// one in the low nibble; 15 there means the next byte holds the run less 16.
static const int32_t STAGE_LINK_COPY_ABOVE = 11;
static const int32_t STAGE_LINK_LONG_RUN = 15;
static const int32_t STAGE_LINK_MAX_RUN = 16 + 255;

static Tilemap gGrid;
static uint8_t gCells[MAP_MAX_ROWS * MAP_MAX_COLS];
static uint8_t gBytes[STAGE_LINK_MAX_BYTES];

static int32_t StageLinkFail(char message[STAGE_LINK_MESSAGE], const char* why) {
    size_t length = strlen(why);
    length = length < (size_t)STAGE_LINK_MESSAGE - 1 ? length : (size_t)STAGE_LINK_MESSAGE - 1;
    memcpy(message, why, length);
    message[length] = '\0';
    return 0;
}

// How many cells from pos on match the cell `back` places earlier (back 0: match cells[pos]).
static int32_t StageLinkRun(int32_t pos, int32_t total, int32_t back) {
    const uint8_t first = gCells[pos];
    int32_t run = 0;
    while (pos + run < total && run < STAGE_LINK_MAX_RUN &&
           gCells[pos + run] == (back ? gCells[pos + run - back] : first)) {
        ++run;
    }
    return run;
}

static int32_t StageLinkPutToken(int32_t count, int32_t kind, int32_t run) {
    if (run <= STAGE_LINK_LONG_RUN) {
        gBytes[count++] = (uint8_t)(kind << 4 | (run - 1));
    } else {
        gBytes[count++] = (uint8_t)(kind << 4 | STAGE_LINK_LONG_RUN);
        gBytes[count++] = (uint8_t)(run - 16);
    }
    return count;
}

int32_t StageLinkWrite(const uint8_t* payload, int32_t count, char link[STAGE_LINK_MAX_CHARS]) {
    link[0] = '\0';
    if (count < 0 || count > STAGE_LINK_MAX_BYTES - 2) {
        return 0;
    }
    return LinkCodeWrite(STAGE_LINK_VERSION, payload, count, link, STAGE_LINK_MAX_CHARS);
}

int32_t StageLinkEncode(const char* text, size_t length, char link[STAGE_LINK_MAX_CHARS],
                        char message[STAGE_LINK_MESSAGE]) {
    link[0] = '\0';
    if (!LevelReadGridText(&gGrid, text, length)) {
        return StageLinkFail(message, "There is no stage to share: the text has no cells.");
    }
    const int32_t width = gGrid.width, height = gGrid.height, total = width * height;
    for (int32_t i = 0; i < total; ++i) {
        gCells[i] = gGrid.tiles[i / width][i % width];
    }
    int32_t count = 0;
    gBytes[count++] = (uint8_t)(width - 1);
    gBytes[count++] = (uint8_t)(height - 1);
    for (int32_t pos = 0; pos < total;) {
        const int32_t same = StageLinkRun(pos, total, 0);
        const int32_t above = pos >= width ? StageLinkRun(pos, total, width) : 0;
        const int32_t run = above > same ? above : same;
        count = StageLinkPutToken(count, above > same ? STAGE_LINK_COPY_ABOVE : gCells[pos], run);
        pos += run;
    }
    return StageLinkWrite(gBytes, count, link);
}

// The tokens between the size and the check into gCells; 0 when they do not fill the stage exactly.
static int32_t StageLinkReadTokens(int32_t first, int32_t end, int32_t width, int32_t total) {
    int32_t pos = 0;
    for (int32_t i = first; i < end;) {
        const int32_t kind = gBytes[i] >> 4;
        int32_t run = (gBytes[i] & 15) + 1;
        ++i;
        if (run - 1 == STAGE_LINK_LONG_RUN) {
            if (i >= end) {
                return 0;
            }
            run = 16 + gBytes[i++];
        }
        if (kind > STAGE_LINK_COPY_ABOVE || run > total - pos ||
            (kind == STAGE_LINK_COPY_ABOVE && pos < width)) {
            return 0;
        }
        for (int32_t k = 0; k < run; ++k, ++pos) {
            gCells[pos] = kind == STAGE_LINK_COPY_ABOVE ? gCells[pos - width] : (uint8_t)kind;
        }
    }
    return pos == total;
}

int32_t StageLinkDecode(const char* link, size_t length, char text[STAGE_LINK_MAX_TEXT],
                        char message[STAGE_LINK_MESSAGE]) {
    text[0] = '\0';
    if (!link || length == 0) {
        return StageLinkFail(message, "The link holds no stage.");
    }
    if (link[0] != STAGE_LINK_VERSION) {
        return StageLinkFail(message, "This stage link is not one this game can read.");
    }
    if (length - 1 > (size_t)STAGE_LINK_MAX_CHARS - 2) {
        return StageLinkFail(message, "The stage link is too long to hold a stage.");
    }
    const size_t digits = length - 1;
    const int32_t count = LinkCodeRead(link + 1, digits, gBytes, STAGE_LINK_MAX_BYTES);
    if (count == LINK_CODE_BAD_CHAR) {
        return StageLinkFail(message, "The stage link has a character no link has: copy it again.");
    }
    if (digits % 4 == 1 || digits * 6 / 8 < 2 + 1 + 2) {
        return StageLinkFail(message, "The stage link is cut short: copy the whole link.");
    }
    if (count < 0) {
        return StageLinkFail(message, "The stage link is damaged or cut short: copy the whole link.");
    }
    const int32_t width = gBytes[0] + 1, height = gBytes[1] + 1;
    if (width > MAP_MAX_COLS || height > MAP_MAX_ROWS) {
        return StageLinkFail(message, "The stage link asks for a stage larger than the game holds.");
    }
    if (!StageLinkReadTokens(2, count, width, width * height)) {
        return StageLinkFail(message, "The stage link is damaged: its cells do not fill its stage.");
    }
    TilemapClear(&gGrid);
    for (int32_t i = 0; i < width * height; ++i) {
        TilemapSetTile(&gGrid, i % width, i / width, gCells[i]);
    }
    const size_t out = LevelWriteText(&gGrid, text, STAGE_LINK_MAX_TEXT - 1);
    text[out] = '\0';
    return (int32_t)out;
}
