// replay_script.cpp -- the replay script parser: one command per line, '#' comments, every line, word,
// number and count bounded, so no input can make it crash, loop long or allocate without limit.
#include "tools/runner/replay_script.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/keys.h"

static const int32_t REPLAY_MAX_WORDS = 24;
static const int32_t REPLAY_MAX_WORD = 32;
static const int32_t REPLAY_MAX_CURSOR = 10000; // logical pixels either way; the game clamps to the screen
static const int32_t REPLAY_MAX_SHELLS = 99;
static const int32_t REPLAY_MAX_ENEMY_COUNT = 99;
static const float REPLAY_MAX_TOLERANCE = 1000000.0f;

// Everything the parser tracks while it walks the lines; the input state is known statically, which
// lets it refuse a click or tap that could not be a fresh press.
struct ReplayParser {
    ReplayScript* script;
    ReplayError* error;
    int32_t line;
    int32_t frames;
    int32_t buttonHeld;    // held by press
    int32_t buttonUpFrame; // the button is down up to this frame count: a new press needs a count beyond it
    int32_t buttonLine;    // line of the press, click or release that last changed it
    uint8_t keyHeld[256];
    int32_t keyUpFrame[256];
    int32_t keyLine[256];
    char words[REPLAY_MAX_WORDS][REPLAY_MAX_WORD + 1];
    int32_t wordCount;
};

static int ReplayFail(ReplayParser* p, const char* format, ...) {
    p->error->line = p->line;
    va_list args;
    va_start(args, format);
    vsnprintf(p->error->message, sizeof(p->error->message), format, args);
    va_end(args);
    return 0;
}

static int ReplayLower(int c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

static int ReplaySame(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (ReplayLower((unsigned char)*a) != ReplayLower((unsigned char)*b)) {
            return 0;
        }
    }
    return *a == *b;
}

// Decimal integer, optional sign, at most 9 digits, within [lo, hi].
static int ReplayInt(const char* s, int32_t lo, int32_t hi, int32_t* out) {
    int32_t sign = 1;
    if (*s == '-' || *s == '+') {
        sign = *s == '-' ? -1 : 1;
        ++s;
    }
    int32_t value = 0;
    int32_t digits = 0;
    for (; *s; ++s) {
        if (*s < '0' || *s > '9' || digits >= 9) {
            return 0;
        }
        value = value * 10 + (*s - '0');
        ++digits;
    }
    value *= sign;
    if (digits == 0 || value < lo || value > hi) {
        return 0;
    }
    *out = value;
    return 1;
}

// Plain decimal number (digits, one optional point, optional exponent); no hex, inf or nan.
static int ReplayFloat(const char* s, float limit, float* out) {
    const char* c = s;
    if (*c == '-' || *c == '+') {
        ++c;
    }
    int32_t digits = 0;
    for (; *c >= '0' && *c <= '9'; ++c) {
        ++digits;
    }
    if (*c == '.') {
        for (++c; *c >= '0' && *c <= '9'; ++c) {
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (*c == 'e' || *c == 'E') {
        ++c;
        if (*c == '-' || *c == '+') {
            ++c;
        }
        int32_t expDigits = 0;
        for (; *c >= '0' && *c <= '9'; ++c) {
            ++expDigits;
        }
        if (expDigits == 0 || expDigits > 3) {
            return 0;
        }
    }
    if (*c != '\0') {
        return 0;
    }
    float value = strtof(s, nullptr);
    if (!isfinite(value) || value > limit || value < -limit) {
        return 0;
    }
    *out = value;
    return 1;
}

static int ReplayHex(const char* s, uint64_t* out) {
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s += 2;
    }
    uint64_t value = 0;
    int32_t digits = 0;
    for (; *s; ++s, ++digits) {
        int c = ReplayLower((unsigned char)*s);
        int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (d < 0 || digits >= 16) {
            return 0;
        }
        value = (value << 4) | (uint64_t)d;
    }
    if (digits == 0) {
        return 0;
    }
    *out = value;
    return 1;
}

struct ReplayNamedKey {
    const char* name;
    int32_t code;
};

static const ReplayNamedKey REPLAY_KEYS[] = {
    {"ESC", KEY_ESCAPE},   {"ESCAPE", KEY_ESCAPE},   {"SPACE", KEY_SPACE},         {"ENTER", KEY_ENTER},
    {"RETURN", KEY_ENTER}, {"TAB", KEY_TAB},         {"BACKSPACE", KEY_BACKSPACE}, {"SHIFT", KEY_SHIFT},
    {"CTRL", KEY_CONTROL}, {"CONTROL", KEY_CONTROL}, {"LEFT", KEY_LEFT},           {"UP", KEY_UP},
    {"RIGHT", KEY_RIGHT},  {"DOWN", KEY_DOWN},
};

int32_t ReplayKeyCode(const char* name) {
    if (!name || !name[0]) {
        return -1;
    }
    if (!name[1]) {
        int c = ReplayLower((unsigned char)name[0]);
        if (c >= 'a' && c <= 'z') {
            return c - 'a' + KEY_A;
        }
        if (c >= '0' && c <= '9') {
            return KEY_0 + (c - '0');
        }
        return -1;
    }
    for (const ReplayNamedKey& key : REPLAY_KEYS) {
        if (ReplaySame(name, key.name)) {
            return key.code;
        }
    }
    int32_t code = 0;
    if (ReplayLower((unsigned char)name[0]) == 'v' && ReplayLower((unsigned char)name[1]) == 'k' &&
        name[2] != '-' && name[2] != '+' && ReplayInt(name + 2, 0, 255, &code)) {
        return code;
    }
    return -1;
}

void ReplayKeyName(int32_t code, char out[REPLAY_KEY_NAME_SIZE]) {
    if ((code >= KEY_A && code <= KEY_Z) || (code >= KEY_0 && code <= KEY_9)) {
        out[0] = (char)code;
        out[1] = '\0';
        return;
    }
    for (const ReplayNamedKey& key : REPLAY_KEYS) {
        // The first name listed for a code is the one written.
        if (key.code == code) {
            snprintf(out, REPLAY_KEY_NAME_SIZE, "%s", key.name);
            return;
        }
    }
    snprintf(out, REPLAY_KEY_NAME_SIZE, "VK%d", (int)(code & 0xFF));
}

static const char* const REPLAY_MODE_NAMES[] = {"title", "playing", "clear", "gameover"};

const char* ReplayModeName(int32_t mode) {
    return (mode >= 0 && mode < 4) ? REPLAY_MODE_NAMES[mode] : "?";
}

int32_t ReplayModeFromName(const char* name) {
    for (int32_t mode = 0; mode < 4; ++mode) {
        if (name && ReplaySame(name, REPLAY_MODE_NAMES[mode])) {
            return mode;
        }
    }
    return -1;
}

static ReplayEvent* ReplayPush(ReplayParser* p, int32_t type) {
    if ((int32_t)p->script->events.size() >= REPLAY_MAX_EVENTS) {
        ReplayFail(p, "more than %d events in one script", (int)REPLAY_MAX_EVENTS);
        return nullptr;
    }
    ReplayEvent ev;
    memset(&ev, 0, sizeof(ev));
    ev.type = type;
    ev.line = p->line;
    ev.frame = p->frames;
    p->script->events.push_back(ev);
    return &p->script->events.back();
}

// Checks the argument count of a command: exactly n words after the command.
static int ReplayArgs(ReplayParser* p, int32_t n, const char* usage) {
    if (p->wordCount - 1 != n) {
        return ReplayFail(p, "'%s' takes %s", p->words[0], usage);
    }
    return 1;
}

static int ReplayRunFrames(ReplayParser* p, int32_t n) {
    if (n > REPLAY_MAX_FRAMES - p->frames) {
        return ReplayFail(p, "the script would run more than %d frames", (int)REPLAY_MAX_FRAMES);
    }
    ReplayEvent* ev = ReplayPush(p, REPLAY_WAIT);
    if (!ev) {
        return 0;
    }
    ev->a = n;
    p->frames += n;
    return 1;
}

static int ReplayKeyArg(ReplayParser* p, int32_t* code) {
    if (!ReplayArgs(p, 1, "one key name (R, ESC, F, W, A, S, D, ... or VK0..VK255)")) {
        return 0;
    }
    *code = ReplayKeyCode(p->words[1]);
    if (*code < 0) {
        return ReplayFail(p, "unknown key '%s' (use a letter, a digit, ESC, SPACE, ENTER, or VK0..VK255)",
                          p->words[1]);
    }
    return 1;
}

// A new press needs the button up in the frame before it.
static int ReplayButtonFree(ReplayParser* p) {
    if (p->buttonHeld || p->frames < p->buttonUpFrame + 1) {
        return ReplayFail(p,
                          "the left button is still down from line %d, so this would not be a new press "
                          "(a frame with it up must come between)",
                          (int)p->buttonLine);
    }
    return 1;
}

static int ReplayKeyFree(ReplayParser* p, int32_t code) {
    if (p->keyHeld[code] || p->frames < p->keyUpFrame[code] + 1) {
        char name[REPLAY_KEY_NAME_SIZE];
        ReplayKeyName(code, name);
        return ReplayFail(p,
                          "key %s is still down from line %d, so this would not be a new press "
                          "(a frame with it up must come between)",
                          name, (int)p->keyLine[code]);
    }
    return 1;
}

static int ReplayCursor(ReplayParser* p) {
    const int32_t n = p->wordCount - 1;
    if (n == 1 && ReplaySame(p->words[1], "none")) {
        return ReplayPush(p, REPLAY_CURSOR_NONE) != nullptr;
    }
    if (n == 3 && ReplaySame(p->words[1], "world")) {
        float x = 0.0f;
        float y = 0.0f;
        if (!ReplayFloat(p->words[2], REPLAY_MAX_COORD, &x) ||
            !ReplayFloat(p->words[3], REPLAY_MAX_COORD, &y)) {
            return ReplayFail(p, "'cursor world' takes two world coordinates within +-%g",
                              (double)REPLAY_MAX_COORD);
        }
        ReplayEvent* ev = ReplayPush(p, REPLAY_CURSOR_WORLD);
        if (ev) {
            ev->fa = x;
            ev->fb = y;
        }
        return ev != nullptr;
    }
    if (n == 2 && ReplaySame(p->words[1], "angle")) {
        float deg = 0.0f;
        if (!ReplayFloat(p->words[2], 360.0f, &deg)) {
            return ReplayFail(p, "'cursor angle' takes degrees from -360 to 360 (0 right, 90 down)");
        }
        ReplayEvent* ev = ReplayPush(p, REPLAY_CURSOR_ANGLE);
        if (ev) {
            ev->fa = deg;
        }
        return ev != nullptr;
    }
    int32_t x = 0;
    int32_t y = 0;
    if (n != 2 || !ReplayInt(p->words[1], -REPLAY_MAX_CURSOR, REPLAY_MAX_CURSOR, &x) ||
        !ReplayInt(p->words[2], -REPLAY_MAX_CURSOR, REPLAY_MAX_CURSOR, &y)) {
        return ReplayFail(p, "'cursor' takes X Y (whole logical pixels), 'world X Y', 'angle DEG' or 'none'");
    }
    ReplayEvent* ev = ReplayPush(p, REPLAY_CURSOR);
    if (ev) {
        ev->fa = (float)x;
        ev->fb = (float)y;
    }
    return ev != nullptr;
}

// One number of a clause; needs says how many numbers the clause takes, for the message.
static int ReplayExpectValue(ReplayParser* p, int32_t* i, const char* clause, const char* needs, int32_t what,
                             float tolerance) {
    float value = 0.0f;
    if (*i >= p->wordCount || !ReplayFloat(p->words[*i], REPLAY_MAX_COORD, &value)) {
        return ReplayFail(p, "'%s' in 'expect' needs %s", clause, needs);
    }
    ReplayEvent* ev = ReplayPush(p, REPLAY_EXPECT);
    if (!ev) {
        return 0;
    }
    ev->a = what;
    ev->fa = value;
    ev->fc = tolerance;
    ++*i;
    return 1;
}

static int ReplayExpectInt(ReplayParser* p, int32_t* i, int32_t what, int32_t hi) {
    int32_t value = 0;
    if (*i >= p->wordCount || !ReplayInt(p->words[*i], 0, hi, &value)) {
        return ReplayFail(p, "'%s' in 'expect' needs a whole number from 0 to %d", p->words[*i - 1], (int)hi);
    }
    ReplayEvent* ev = ReplayPush(p, REPLAY_EXPECT);
    if (!ev) {
        return 0;
    }
    ev->a = what;
    ev->b = value;
    ++*i;
    return 1;
}

// The clauses of one number each: a float within the line's tolerance, or a whole number up to hi.
struct ReplayNamedClause {
    const char* name;
    int32_t what;
    int32_t hi; // 0: a float
};

static const ReplayNamedClause REPLAY_CLAUSES[] = {
    {"x", REPLAY_EXPECT_X, 0},
    {"y", REPLAY_EXPECT_Y, 0},
    {"vx", REPLAY_EXPECT_VX, 0},
    {"vy", REPLAY_EXPECT_VY, 0},
    {"ground", REPLAY_EXPECT_GROUND, 1},
    {"reloading", REPLAY_EXPECT_RELOADING, 1},
    {"shells", REPLAY_EXPECT_SHELLS, REPLAY_MAX_SHELLS},
    {"enemies", REPLAY_EXPECT_ENEMIES, REPLAY_MAX_ENEMY_COUNT},
};

// 1 when word names one of REPLAY_CLAUSES and its value was read, -1 when that value is bad (the
// error is set), 0 when word names none of them.
static int ReplayExpectNamed(ReplayParser* p, int32_t* i, const char* word, float tolerance) {
    for (const ReplayNamedClause& clause : REPLAY_CLAUSES) {
        if (ReplaySame(word, clause.name)) {
            const int ok = clause.hi == 0 ? ReplayExpectValue(p, i, word, "a number", clause.what, tolerance)
                                          : ReplayExpectInt(p, i, clause.what, clause.hi);
            return ok ? 1 : -1;
        }
    }
    return 0;
}

static int ReplayExpect(ReplayParser* p) {
    if (p->wordCount < 2) {
        return ReplayFail(p, "'expect' needs at least one of: mode, pos, x, y, vel, vx, vy, ground, shells, "
                             "reloading, enemies, hash");
    }
    float tolerance = REPLAY_DEFAULT_TOLERANCE;
    int32_t i = 1;
    int named = 0;
    while (i < p->wordCount) {
        const char* word = p->words[i++];
        if (ReplaySame(word, "within")) {
            if (i >= p->wordCount || !ReplayFloat(p->words[i], REPLAY_MAX_TOLERANCE, &tolerance) ||
                tolerance < 0) {
                return ReplayFail(p, "'within' needs a tolerance of 0 or more");
            }
            ++i;
        } else if (ReplaySame(word, "mode")) {
            int32_t mode = i < p->wordCount ? ReplayModeFromName(p->words[i]) : -1;
            if (mode < 0) {
                return ReplayFail(p, "'mode' in 'expect' needs title, playing, clear or gameover");
            }
            ReplayEvent* ev = ReplayPush(p, REPLAY_EXPECT);
            if (!ev) {
                return 0;
            }
            ev->a = REPLAY_EXPECT_MODE;
            ev->b = mode;
            ++i;
        } else if (ReplaySame(word, "pos") || ReplaySame(word, "vel")) {
            const int pos = ReplaySame(word, "pos");
            const char* clause = pos ? "pos" : "vel";
            if (!ReplayExpectValue(p, &i, clause, "two numbers", pos ? REPLAY_EXPECT_X : REPLAY_EXPECT_VX,
                                   tolerance) ||
                !ReplayExpectValue(p, &i, clause, "two numbers", pos ? REPLAY_EXPECT_Y : REPLAY_EXPECT_VY,
                                   tolerance)) {
                return 0;
            }
        } else if ((named = ReplayExpectNamed(p, &i, word, tolerance)) != 0) {
            if (named < 0) {
                return 0;
            }
        } else if (ReplaySame(word, "hash")) {
            uint64_t hash = 0;
            if (i >= p->wordCount || !ReplayHex(p->words[i], &hash)) {
                return ReplayFail(p, "'hash' in 'expect' needs up to 16 hexadecimal digits");
            }
            ReplayEvent* ev = ReplayPush(p, REPLAY_EXPECT);
            if (!ev) {
                return 0;
            }
            ev->a = REPLAY_EXPECT_HASH;
            ev->hash = hash;
            ++i;
        } else {
            return ReplayFail(p, "unknown value '%s' in 'expect'", word);
        }
    }
    return 1;
}

static int ReplayCommand(ReplayParser* p) {
    const char* cmd = p->words[0];
    int32_t n = 0;
    int32_t code = 0;
    if (ReplaySame(cmd, "wait")) {
        if (p->wordCount == 1) {
            return ReplayRunFrames(p, 1);
        }
        if (!ReplayArgs(p, 1, "a number of frames") || !ReplayInt(p->words[1], 0, REPLAY_MAX_FRAMES, &n)) {
            return ReplayFail(p, "'wait' takes a number of frames from 0 to %d", (int)REPLAY_MAX_FRAMES);
        }
        return ReplayRunFrames(p, n);
    }
    if (ReplaySame(cmd, "at")) {
        if (!ReplayArgs(p, 1, "a frame number") || !ReplayInt(p->words[1], 0, REPLAY_MAX_FRAMES, &n)) {
            return ReplayFail(p, "'at' takes a frame number from 0 to %d", (int)REPLAY_MAX_FRAMES);
        }
        if (n < p->frames) {
            return ReplayFail(p, "frame %d is already past: %d frames have run by this line", (int)n,
                              (int)p->frames);
        }
        return ReplayRunFrames(p, n - p->frames);
    }
    if (ReplaySame(cmd, "dt")) {
        if (!ReplayArgs(p, 1, "milliseconds per frame") || !ReplayInt(p->words[1], 0, REPLAY_MAX_DT, &n)) {
            return ReplayFail(p, "'dt' takes whole milliseconds from 0 to %d", (int)REPLAY_MAX_DT);
        }
        ReplayEvent* ev = ReplayPush(p, REPLAY_DT);
        if (ev) {
            ev->a = n;
        }
        return ev != nullptr;
    }
    if (ReplaySame(cmd, "cursor")) {
        return ReplayCursor(p);
    }
    if (ReplaySame(cmd, "press") || ReplaySame(cmd, "click")) {
        const int click = ReplaySame(cmd, "click");
        if (!ReplayArgs(p, 0, "nothing") || !ReplayButtonFree(p)) {
            return 0;
        }
        if (click) {
            p->buttonUpFrame = p->frames + 1;
        } else {
            p->buttonHeld = 1;
        }
        p->buttonLine = p->line;
        return ReplayPush(p, click ? REPLAY_CLICK : REPLAY_PRESS) != nullptr;
    }
    if (ReplaySame(cmd, "release")) {
        if (!ReplayArgs(p, 0, "nothing")) {
            return 0;
        }
        // Released here, the button is up from the next frame: a press needs one of those frames.
        if (p->buttonHeld) {
            p->buttonHeld = 0;
            p->buttonUpFrame = p->frames;
            p->buttonLine = p->line;
        }
        return ReplayPush(p, REPLAY_RELEASE) != nullptr;
    }
    if (ReplaySame(cmd, "shoot")) {
        float deg = 0.0f;
        if (p->wordCount != 2 || !ReplayFloat(p->words[1], 360.0f, &deg)) {
            return ReplayFail(p, "'shoot' takes an angle in degrees from -360 to 360 (0 right, 90 down)");
        }
        if (!ReplayButtonFree(p)) {
            return 0;
        }
        ReplayEvent* ev = ReplayPush(p, REPLAY_CURSOR_ANGLE);
        if (!ev) {
            return 0;
        }
        ev->fa = deg;
        p->buttonUpFrame = p->frames + 1;
        p->buttonLine = p->line;
        return ReplayPush(p, REPLAY_CLICK) != nullptr;
    }
    if (ReplaySame(cmd, "down") || ReplaySame(cmd, "tap")) {
        const int tap = ReplaySame(cmd, "tap");
        if (!ReplayKeyArg(p, &code) || !ReplayKeyFree(p, code)) {
            return 0;
        }
        if (tap) {
            p->keyUpFrame[code] = p->frames + 1;
        } else {
            p->keyHeld[code] = 1;
        }
        p->keyLine[code] = p->line;
        ReplayEvent* ev = ReplayPush(p, tap ? REPLAY_KEY_TAP : REPLAY_KEY_DOWN);
        if (ev) {
            ev->a = code;
        }
        return ev != nullptr;
    }
    if (ReplaySame(cmd, "up") || ReplaySame(cmd, "repeat")) {
        const int up = ReplaySame(cmd, "up");
        if (!ReplayKeyArg(p, &code)) {
            return 0;
        }
        if (up && p->keyHeld[code]) {
            p->keyHeld[code] = 0;
            p->keyUpFrame[code] = p->frames;
            p->keyLine[code] = p->line;
        }
        ReplayEvent* ev = ReplayPush(p, up ? REPLAY_KEY_UP : REPLAY_KEY_REPEAT);
        if (ev) {
            ev->a = code;
        }
        return ev != nullptr;
    }
    if (ReplaySame(cmd, "size")) {
        int32_t w = 0;
        int32_t h = 0;
        if (p->wordCount != 3 || !ReplayInt(p->words[1], 1, REPLAY_MAX_CLIENT, &w) ||
            !ReplayInt(p->words[2], 1, REPLAY_MAX_CLIENT, &h)) {
            return ReplayFail(p, "'size' takes a client width and height from 1 to %d",
                              (int)REPLAY_MAX_CLIENT);
        }
        ReplayEvent* ev = ReplayPush(p, REPLAY_SIZE);
        if (ev) {
            ev->a = w;
            ev->b = h;
        }
        return ev != nullptr;
    }
    if (ReplaySame(cmd, "expect")) {
        return ReplayExpect(p);
    }
    return ReplayFail(p, "unknown command '%s'", cmd);
}

// Splits one line (comment and line end already cut) into words; refuses control and non-ASCII bytes.
static int ReplaySplit(ReplayParser* p, const char* line, int32_t length) {
    p->wordCount = 0;
    int32_t i = 0;
    while (i < length) {
        unsigned char c = (unsigned char)line[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        if (c < 0x20 || c >= 0x7F) {
            return ReplayFail(p, "unexpected byte 0x%02X in column %d", (unsigned)c, (int)(i + 1));
        }
        if (p->wordCount >= REPLAY_MAX_WORDS) {
            return ReplayFail(p, "more than %d words on one line", (int)REPLAY_MAX_WORDS);
        }
        int32_t n = 0;
        char* word = p->words[p->wordCount];
        while (i < length && line[i] != ' ' && line[i] != '\t') {
            c = (unsigned char)line[i];
            if (c < 0x20 || c >= 0x7F) {
                return ReplayFail(p, "unexpected byte 0x%02X in column %d", (unsigned)c, (int)(i + 1));
            }
            if (n >= REPLAY_MAX_WORD) {
                return ReplayFail(p, "a word longer than %d characters", (int)REPLAY_MAX_WORD);
            }
            word[n++] = (char)c;
            ++i;
        }
        word[n] = '\0';
        p->wordCount++;
    }
    return 1;
}

int ReplayScriptParse(const char* text, size_t length, ReplayScript* script, ReplayError* error) {
    if (!script || !error) {
        return 0;
    }
    script->events.clear();
    script->frames = 0;
    error->line = 0;
    error->message[0] = '\0';
    if (!text && length > 0) {
        snprintf(error->message, sizeof(error->message), "no script text");
        return 0;
    }
    if (length > REPLAY_MAX_BYTES) {
        snprintf(error->message, sizeof(error->message), "the script is larger than %u bytes",
                 (unsigned)REPLAY_MAX_BYTES);
        return 0;
    }
    // The parser state is large (word buffers, per-key tables): one heap record, freed on every path.
    ReplayParser* p = (ReplayParser*)calloc(1, sizeof(ReplayParser));
    if (!p) {
        snprintf(error->message, sizeof(error->message), "out of memory");
        return 0;
    }
    p->script = script;
    p->error = error;
    p->buttonUpFrame = -2;
    for (int32_t k = 0; k < 256; ++k) {
        p->keyUpFrame[k] = -2;
    }
    int ok = 1;
    size_t pos = 0;
    while (ok && pos < length) {
        p->line++;
        size_t end = pos;
        while (end < length && text[end] != '\n') {
            ++end;
        }
        const char* line = text + pos;
        size_t lineLength = end - pos;
        pos = end < length ? end + 1 : end;
        // A line from a Windows editor keeps working.
        if (lineLength > 0 && line[lineLength - 1] == '\r') {
            --lineLength;
        }
        if (lineLength > (size_t)REPLAY_MAX_LINE) {
            ok = ReplayFail(p, "line longer than %d bytes", (int)REPLAY_MAX_LINE);
            break;
        }
        const char* hash = (const char*)memchr(line, '#', lineLength);
        if (hash) {
            lineLength = (size_t)(hash - line);
        }
        ok = ReplaySplit(p, line, (int32_t)lineLength);
        if (ok && p->wordCount > 0) {
            ok = ReplayCommand(p);
        }
    }
    script->frames = p->frames;
    free(p);
    if (!ok) {
        script->events.clear();
        script->frames = 0;
    }
    return ok;
}
