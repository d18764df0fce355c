// run.h -- a run: the input of every frame of one go at a stage, from the frame that started it to the
// one that cleared it, recorded as it is played, kept as a short text (in progress, beside a stage as
// its solver's route, in a shared link) and played back by the game itself.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "input/input.h"
#include "world/link_code.h"

struct SolveOptions;
struct SolveStep;

// The longest run kept: ten minutes at sixty frames a second. A longer clear still counts; its input
// is not kept.
constexpr int32_t RUN_MAX_FRAMES = 36000;
// The version character every run text starts with.
constexpr char RUN_TEXT_VERSION = 'r';
// The most bytes a run codes to (its stage, its length, then at most 7 bytes a frame), and the longest
// text, NUL included.
constexpr int32_t RUN_MAX_BYTES = 8 + 5 + RUN_MAX_FRAMES * 7;
constexpr size_t RUN_MAX_TEXT = LinkCodeChars(RUN_MAX_BYTES);
// Room for a message saying why a text holds no run.
constexpr size_t RUN_MESSAGE_SIZE = 96;

// One frame: its time step in whole ms (the frame step's 0 to 50), the cursor in logical pixels, the
// left button, and R.
struct RunFrame {
    uint8_t dt;
    uint8_t leftButton;
    uint8_t reload;
    uint8_t unused;
    int16_t cursorX;
    int16_t cursorY;
};

struct Run {
    uint64_t stageKey; // the stage it was played on (ProgressStageKey)
    int32_t frames;
    int32_t overflow; // the run went past RUN_MAX_FRAMES, or a frame could not be kept: not a whole run
    RunFrame frame[RUN_MAX_FRAMES];
};

// Starts recording into run on the stage with key; the frame of the start is the first one added.
void RunBegin(Run* run, uint64_t stageKey);
// Adds the frame just stepped: dt and the input snapshot the step took (input/input).
void RunAddFrame(Run* run, float dt);
// The game time the run takes: every frame's dt, the first and the clearing one included.
int32_t RunMs(const Run* run);
// Frame i of the run as the game's input.
void RunInput(const Run* run, int32_t i, InputFrame* out);
// The solver's route on the stage the options name, as a run of its 16 ms frames from the click that
// starts the stage, played through the game (which is left as it was); 0 when it does not fit.
int RunFromRoute(const SolveOptions* stage, const SolveStep* route, int32_t steps, Run* run);
// The same as run text, into out (RUN_MAX_TEXT bytes): its length, 0 when the route does not fit a run.
size_t RunTextFromRoute(const SolveOptions* stage, const SolveStep* route, int32_t steps,
                        char out[RUN_MAX_TEXT]);

// The run as text (base64url digits after RUN_TEXT_VERSION): its length, 0 for a run that is not whole.
size_t RunEncode(const Run* run, char* out, size_t outSize);
// The run a text holds; 0 and a message a person can act on for anything else (another game's text, a
// cut or damaged one, one longer than RUN_MAX_FRAMES). Bytes after the text's length are not read.
int RunDecode(const char* text, size_t length, Run* run, char message[RUN_MESSAGE_SIZE]);
