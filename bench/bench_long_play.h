// bench_long_play.h -- a long scripted play of the whole game through the headless backend, frame by
// frame, as a person might play it: start, shoot round the player, reload when empty, retry, start again.
#pragma once
#include <stdint.h>

#include "platform/platform.h"

// Sets this frame's input for frame number `frame`, advances the clock 16 ms and runs the frame.
void BenchLongPlayFrame(PlatformWindow* window, int32_t frame);
