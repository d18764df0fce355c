// audio_scene.h -- a two-second piece of game sound (effects over the stage drone) played through
// whichever sound output is linked, so two outputs can be compared sample for sample.
#pragma once

// Opens the audio, fills eight blocks with effects and track changes between them, then waits until
// the output has taken every block. wait() lets some time pass. Returns 0 when the output never
// opened or stopped taking blocks. The caller shuts the audio down.
int AudioSceneRun(void (*wait)(void));
