// replay_run.h -- plays a parsed replay script through the real game on the headless backend: turns
// each frame's script inputs into cursor, button and key states, runs the frame, checks checkpoints.
#pragma once
#include <stdint.h>

#include "backends/headless/headless.h"
#include "tools/runner/replay_script.h"

// The game's values a replay checks and traces, read after a frame.
struct ReplayState {
    int32_t frame; // frames run so far
    int32_t mode;
    float x; // player centre and velocity
    float y;
    float vx;
    float vy;
    int32_t onGround;
    int32_t shells;
    int32_t reloading;
    int32_t enemiesAlive;
    int32_t enemyCount;
    float cameraX;
    float cameraY;
    int32_t debugFly;
    uint64_t hash; // of the whole game state
};

// Key-down messages kept per frame, first presses and auto-repeats in the order the game received
// them: as many as one frame can deliver, so a recording holds every one, in order.
constexpr int32_t REPLAY_MAX_MESSAGES = HEADLESS_EVENT_QUEUE_SIZE;

// What one frame was run with, after the script's world-point and angle cursors were resolved.
struct ReplayFrameInput {
    int32_t dt;
    int32_t cursorAvailable;
    int32_t cursorX; // logical pixels
    int32_t cursorY;
    int32_t clientW;
    int32_t clientH;
    uint8_t keys[256]; // held in this frame; code 1 is the left button
    int32_t messageCount;
    uint8_t messages[REPLAY_MAX_MESSAGES]; // key codes of the key-down messages, in order
};

// Called after every frame; returning 0 stops the run as failed (message already in the result).
struct ReplayRunResult;
typedef int (*ReplayFrameHook)(void* user, const ReplayFrameInput* input, const ReplayState* state,
                               ReplayRunResult* result);

struct ReplayRunOptions {
    const char* stagePath; // null: the game's own stage path; "" (or any unusable path): the built-in stage
    const char* setPath;   // a folder played as a stage set (its first stage), as the game given it
    int keepProgress;      // keep progress in the data folder, as the game's own window does
    int32_t clientW;       // client size at start; 0 x 0 means 320 x 200 (scale 1, the quickest)
    int32_t clientH;
    int recordAudio; // keep every sample the game plays (HeadlessAudioRecorded)
    ReplayFrameHook onFrame;
    void* user;
};

struct ReplayRunResult {
    ReplayState last;  // the state after the last frame run
    int32_t checks;    // checkpoint clauses that held
    int failed;        // a checkpoint diverged or the hook stopped the run
    int32_t failFrame; // frame after which it failed
    int32_t failLine;  // script line of the failed checkpoint, 0 for the hook
    char message[256];
};

// Plays the script from a fresh start of the game (title screen). 1 when every checkpoint held and
// the hook never stopped the run; 0 at the first divergence, with the frame and value in result.
int ReplayRun(const ReplayScript* script, const ReplayRunOptions* options, ReplayRunResult* result);

// The checked values and state hash of the game as it stands now.
void ReplayReadState(ReplayState* state, int32_t frame);
