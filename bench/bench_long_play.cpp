// bench_long_play.cpp -- the long scripted play shared by the game benchmark, the frame hashes and the
// allocation test: inputs are a pure function of the frame number and the game's mode.
#include "bench/bench_long_play.h"

#include <math.h>

#include "app/game_state.h"
#include "backends/headless/headless.h"
#include "render/render.h"

static const uint32_t LONG_PLAY_FRAME_MS = 16;
static const int32_t LONG_PLAY_VK_LBUTTON = 1;
static const int32_t LONG_PLAY_VK_R = 82;
static const int32_t LONG_PLAY_PERIOD = 24;

// Aims in degrees from the player (0 right, 90 down): mostly down and to the left, which throws the
// player up and on to the right over the pits, now and then back, and one level shot at what is ahead.
static const float LONG_PLAY_AIMS[] = {135.0f, 150.0f, 120.0f, 135.0f, 100.0f, 160.0f, 45.0f, -10.0f};
static const int32_t LONG_PLAY_AIM_COUNT = (int32_t)(sizeof(LONG_PLAY_AIMS) / sizeof(LONG_PLAY_AIMS[0]));

// Puts the cursor 60 logical pixels from the player's centre on screen, in client pixels.
static void LongPlayAim(PlatformWindow* window, float degrees) {
    const Player* player = GameStateGetPlayer();
    const Camera* camera = GameStateGetCamera();
    const float radians = degrees * 0.017453292f;
    const float lx = (player->body.x - camera->x) + 60.0f * cosf(radians);
    const float ly = (player->body.y - camera->y) + 60.0f * sinf(radians);
    int32_t w = 0, h = 0, destX = 0, destY = 0;
    PlatformGetClientSize(window, &w, &h);
    RenderGetLayout(&destX, &destY, nullptr, nullptr);
    const int32_t scale = GetDisplayScale();
    HeadlessSetCursor(destX + (int32_t)lx * scale, destY + (int32_t)ly * scale);
}

void BenchLongPlayFrame(PlatformWindow* window, int32_t frame) {
    HeadlessSetKeyDown(LONG_PLAY_VK_LBUTTON, 0);
    HeadlessSetKeyDown(LONG_PLAY_VK_R, 0);
    const int32_t mode = GameStateGetMode();
    if (frame % LONG_PLAY_PERIOD == 0) {
        if (mode == MODE_GAME_OVER) {
            HeadlessSetKeyDown(LONG_PLAY_VK_R, 1);
        } else if (mode == MODE_PLAYING && GameStateGetPlayer()->shotgun.shells == 0) {
            HeadlessSetKeyDown(LONG_PLAY_VK_R, 1);
        } else {
            LongPlayAim(window, LONG_PLAY_AIMS[(frame / LONG_PLAY_PERIOD) % LONG_PLAY_AIM_COUNT]);
            HeadlessSetKeyDown(LONG_PLAY_VK_LBUTTON, 1);
        }
    }
    HeadlessAdvanceTicks(LONG_PLAY_FRAME_MS);
    HeadlessRunFrame(window);
}
