// stage_link.cpp -- codes the loader's grid as width, height, run tokens and a 16-bit check, and reads
// such a link back into stage text without trusting a byte of it.
#include "world/stage_link.h"

#include <string.h>

#include "world/level.h"

// A token byte: the kind in the high nibble (a tile id, or a run copying the row above), the run less
// one in the low nibble; 15 there means the next byte holds the run less 16.
static const int32_t STAGE_LINK_COPY_ABOVE = 11;
static const int32_t STAGE_LINK_LONG_RUN = 15;
static const int32_t STAGE_LINK_MAX_RUN = 16 + 255;
static const char STAGE_LINK_DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

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

// Folds an FNV-1a hash of the bytes to 16 bits: a cut or mistyped link fails it.
static uint32_t StageLinkCheck(const uint8_t* bytes, int32_t count) {
    uint32_t hash = 2166136261u;
    for (int32_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return (hash ^ (hash >> 16)) & 0xFFFFu;
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
    memmove(gBytes, payload, (size_t)count);
    const uint32_t check = StageLinkCheck(gBytes, count);
    gBytes[count++] = (uint8_t)(check >> 8);
    gBytes[count++] = (uint8_t)(check & 0xFFu);
    int32_t out = 0;
    link[out++] = STAGE_LINK_VERSION;
    for (int32_t i = 0; i < count; i += 3) {
        const uint32_t group = (uint32_t)gBytes[i] << 16 |
                               (i + 1 < count ? (uint32_t)gBytes[i + 1] << 8 : 0u) |
                               (i + 2 < count ? (uint32_t)gBytes[i + 2] : 0u);
        const int32_t digits = count - i >= 3 ? 4 : count - i + 1;
        for (int32_t d = 0; d < digits; ++d) {
            link[out++] = STAGE_LINK_DIGITS[(group >> (18 - 6 * d)) & 63u];
        }
    }
    link[out] = '\0';
    return out;
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

static int32_t StageLinkDigitValue(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '-' ? 62 : c == '_' ? 63 : -1;
}

// The base64url digits into gBytes; the byte count (0 for a length no whole link has), -1 for a
// character no link has, -2 for a last digit with bits the writer never sets.
static int32_t StageLinkReadDigits(const char* digits, size_t length) {
    int32_t count = 0;
    uint32_t bits = 0;
    int32_t held = 0;
    for (size_t i = 0; i < length; ++i) {
        const int32_t value = StageLinkDigitValue(digits[i]);
        if (value < 0) {
            return -1;
        }
        bits = (bits << 6 | (uint32_t)value) & 0xFFFFFFu;
        held += 6;
        if (held >= 8) {
            held -= 8;
            gBytes[count++] = (uint8_t)(bits >> held);
        }
    }
    if (length % 4 == 1) {
        return 0;
    }
    return held > 0 && (bits & ((1u << held) - 1u)) != 0 ? -2 : count;
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
    const int32_t count = StageLinkReadDigits(link + 1, length - 1);
    if (count == -1) {
        return StageLinkFail(message, "The stage link has a character no link has: copy it again.");
    }
    if (count >= 0 && count < 2 + 1 + 2) {
        return StageLinkFail(message, "The stage link is cut short: copy the whole link.");
    }
    if (count < 0 ||
        StageLinkCheck(gBytes, count - 2) != ((uint32_t)gBytes[count - 2] << 8 | gBytes[count - 1])) {
        return StageLinkFail(message, "The stage link is damaged or cut short: copy the whole link.");
    }
    const int32_t width = gBytes[0] + 1, height = gBytes[1] + 1;
    if (width > MAP_MAX_COLS || height > MAP_MAX_ROWS) {
        return StageLinkFail(message, "The stage link asks for a stage larger than the game holds.");
    }
    if (!StageLinkReadTokens(2, count - 2, width, width * height)) {
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
