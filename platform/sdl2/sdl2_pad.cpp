// sdl2_pad.cpp -- every attached controller is opened as it arrives and closed as it goes; the down state
// of each mapped control is read live from all of them, so a pad unplugged mid-press lets go.
#include "platform/sdl2/sdl2_pad.h"

#include <math.h>

#include "app/game_state.h"
#include "platform/keys.h"
#include "render/render.h"

constexpr int32_t PAD_MAX = 4;
// A stick nearer its centre than this (of 32767) is at rest: the aim stays as it was.
constexpr float PAD_STICK_DEAD = 9000.0f;
// The right trigger counts as pulled past this (of 32767).
constexpr int32_t PAD_TRIGGER_DOWN = 16000;

static SDL_GameController* gPads[PAD_MAX];
static int gPadReady;
static int gPadOwnsCursor;
static float gAimX = 1.0f;
static float gAimY;

void Sdl2PadInit(void) {
    gPadReady = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

static int Sdl2PadSlot(SDL_JoystickID id) {
    for (int32_t i = 0; i < PAD_MAX; ++i) {
        if (gPads[i] && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(gPads[i])) == id) {
            return i;
        }
    }
    return -1;
}

void Sdl2PadShutdown(void) {
    for (int32_t i = 0; i < PAD_MAX; ++i) {
        if (gPads[i]) {
            SDL_GameControllerClose(gPads[i]);
            gPads[i] = nullptr;
        }
    }
    if (gPadReady) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        gPadReady = 0;
    }
    gPadOwnsCursor = 0;
}

static void Sdl2PadOpen(int32_t deviceIndex) {
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) {
        return;
    }
    if (Sdl2PadSlot(SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad))) >= 0) {
        SDL_GameControllerClose(pad); // already open: SDL counts the reference twice
        return;
    }
    for (int32_t i = 0; i < PAD_MAX; ++i) {
        if (!gPads[i]) {
            gPads[i] = pad;
            return;
        }
    }
    SDL_GameControllerClose(pad);
}

// The stick pushed farthest from its centre, when one is past the dead zone, sets the aim direction.
static void Sdl2PadReadSticks(SDL_GameController* pad) {
    static const SDL_GameControllerAxis STICKS[2][2] = {
        {SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY},
        {SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY},
    };
    float bestX = 0.0f, bestY = 0.0f, best = PAD_STICK_DEAD;
    for (const auto& stick : STICKS) {
        const float x = (float)SDL_GameControllerGetAxis(pad, stick[0]);
        const float y = (float)SDL_GameControllerGetAxis(pad, stick[1]);
        const float length = sqrtf(x * x + y * y);
        if (length > best) {
            best = length;
            bestX = x / length;
            bestY = y / length;
        }
    }
    if (best > PAD_STICK_DEAD) {
        gAimX = bestX;
        gAimY = bestY;
        gPadOwnsCursor = 1;
    }
}

int32_t Sdl2PadHandleEvent(const SDL_Event* ev) {
    switch (ev->type) {
    case SDL_CONTROLLERDEVICEADDED:
        Sdl2PadOpen(ev->cdevice.which);
        return 0;
    case SDL_CONTROLLERDEVICEREMOVED: {
        const int slot = Sdl2PadSlot(ev->cdevice.which);
        if (slot >= 0) {
            SDL_GameControllerClose(gPads[slot]);
            gPads[slot] = nullptr;
        }
        return 0;
    }
    case SDL_CONTROLLERAXISMOTION: {
        const int slot = Sdl2PadSlot(ev->caxis.which);
        if (slot >= 0 && ev->caxis.axis != SDL_CONTROLLER_AXIS_TRIGGERLEFT &&
            ev->caxis.axis != SDL_CONTROLLER_AXIS_TRIGGERRIGHT) {
            Sdl2PadReadSticks(gPads[slot]);
        }
        return 0;
    }
    case SDL_CONTROLLERBUTTONDOWN:
        if (Sdl2PadSlot(ev->cbutton.which) < 0) {
            return 0;
        }
        if (ev->cbutton.button == SDL_CONTROLLER_BUTTON_X) {
            return KEY_R;
        }
        if (ev->cbutton.button == SDL_CONTROLLER_BUTTON_START) {
            return KEY_ESCAPE;
        }
        return 0;
    default:
        return 0;
    }
}

void Sdl2PadOnMouseMoved(void) {
    gPadOwnsCursor = 0;
}

int Sdl2PadOwnsCursor(void) {
    return gPadOwnsCursor;
}

int Sdl2PadIsDown(int32_t vk) {
    for (SDL_GameController* pad : gPads) {
        if (!pad) {
            continue;
        }
        if (vk == KEY_LBUTTON &&
            (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_A) ||
             SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > PAD_TRIGGER_DOWN)) {
            return 1;
        }
        if (vk == KEY_R && SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_X)) {
            return 1;
        }
        if (vk == KEY_ESCAPE && SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_START)) {
            return 1;
        }
    }
    return 0;
}

int Sdl2PadCursorClient(int32_t* x, int32_t* y) {
    const Player* player = GameStateGetPlayer();
    const Camera* camera = GameStateGetCamera();
    int32_t destX = 0, destY = 0, destW = 0, destH = 0;
    RenderGetLayout(&destX, &destY, &destW, &destH);
    if (!player || !camera || destW <= 0 || destH <= 0) {
        return 0;
    }
    const float logicalX = player->body.x - camera->x + PAD_AIM_RADIUS * gAimX;
    const float logicalY = player->body.y - camera->y + PAD_AIM_RADIUS * gAimY;
    const float scaleX = (float)destW / (float)LOGICAL_WIDTH;
    const float scaleY = (float)destH / (float)LOGICAL_HEIGHT;
    // The middle of the logical pixel, so mapping back lands on the same one.
    *x = destX + (int32_t)floorf((logicalX + 0.5f) * scaleX);
    *y = destY + (int32_t)floorf((logicalY + 0.5f) * scaleY);
    return 1;
}
