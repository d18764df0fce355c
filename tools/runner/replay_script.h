// replay_script.h -- the replay script: a plain-text list of per-frame inputs and checkpoints, parsed
// from a buffer in memory into a list of events, with every size and number bounded.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

// Limits: anything beyond them is a script error, never a larger allocation.
constexpr size_t REPLAY_MAX_BYTES = 4u << 20;
constexpr int32_t REPLAY_MAX_LINE = 256;      // bytes per line, line end excluded
constexpr int32_t REPLAY_MAX_EVENTS = 200000; // commands and checkpoint clauses together
constexpr int32_t REPLAY_MAX_FRAMES = 1000000;
constexpr int32_t REPLAY_MAX_DT = 1000;
constexpr int32_t REPLAY_MAX_CLIENT = 2560; // client width and height, pixels
constexpr float REPLAY_MAX_COORD = 1000000.0f;
constexpr float REPLAY_DEFAULT_TOLERANCE = 0.01f;
constexpr int32_t REPLAY_DEFAULT_DT = 16;

enum ReplayEventType {
    REPLAY_DT,           // a: milliseconds per frame from now on
    REPLAY_WAIT,         // a: frames to run
    REPLAY_CURSOR,       // fa, fb: logical pixels
    REPLAY_CURSOR_WORLD, // fa, fb: world point, re-aimed through the camera every frame
    REPLAY_CURSOR_ANGLE, // fa: degrees from the player's centre, 0 right, 90 down; re-aimed every frame
    REPLAY_CURSOR_NONE,  // the cursor cannot be read
    REPLAY_PRESS,        // left button down
    REPLAY_RELEASE,      // left button up
    REPLAY_CLICK,        // left button down for the next frame only
    REPLAY_KEY_DOWN,     // a: key code
    REPLAY_KEY_UP,       // a: key code
    REPLAY_KEY_TAP,      // a: key code, down for the next frame only
    REPLAY_KEY_REPEAT,   // a: key code, one more key-down message while held
    REPLAY_SIZE,         // a, b: client size
    REPLAY_EXPECT,       // a: what (ReplayExpectWhat), b: integer value, fa: value, fc: tolerance, hash
};

enum ReplayExpectWhat {
    REPLAY_EXPECT_MODE,      // b: game mode
    REPLAY_EXPECT_X,         // fa within fc: player centre
    REPLAY_EXPECT_Y,         // fa within fc
    REPLAY_EXPECT_VX,        // fa within fc: player velocity
    REPLAY_EXPECT_VY,        // fa within fc
    REPLAY_EXPECT_GROUND,    // b: 0 or 1
    REPLAY_EXPECT_SHELLS,    // b
    REPLAY_EXPECT_RELOADING, // b: 0 or 1
    REPLAY_EXPECT_ENEMIES,   // b: enemies alive
    REPLAY_EXPECT_HASH,      // hash of the whole game state
};

struct ReplayEvent {
    int32_t type;
    int32_t line;  // 1-based line of the script
    int32_t frame; // frames run before this event takes effect
    int32_t a;
    int32_t b;
    float fa;
    float fb;
    float fc;
    uint64_t hash;
};

struct ReplayScript {
    std::vector<ReplayEvent> events;
    int32_t frames; // frames the whole script runs
};

struct ReplayError {
    int32_t line; // 0: not tied to a line
    char message[160];
};

// Parses text[0..length) into script (emptied first). 1 on success; 0 with error filled at the first
// bad line. Any bytes are accepted as input; nothing is allocated beyond the limits above.
int ReplayScriptParse(const char* text, size_t length, ReplayScript* script, ReplayError* error);

// Key code for a name: a letter or digit, ESC, SPACE, ENTER, TAB, BACKSPACE, SHIFT, CTRL, LEFT,
// UP, RIGHT, DOWN, or VK0..VK255; case does not matter. -1 when unknown.
int32_t ReplayKeyCode(const char* name);
constexpr int32_t REPLAY_KEY_NAME_SIZE = 16;
// The name ReplayKeyCode reads back as code (a letter, digit, ESC... or VKnn) into out.
void ReplayKeyName(int32_t code, char out[REPLAY_KEY_NAME_SIZE]);
// Mode name (title, playing, clear, gameover) for a game mode, "?" for others; -1 for unknown names.
const char* ReplayModeName(int32_t mode);
int32_t ReplayModeFromName(const char* name);
