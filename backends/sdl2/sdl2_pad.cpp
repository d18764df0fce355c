// sdl2_pad.cpp -- every attached controller is opened as it arrives and closed as it goes; the down state
// of each mapped control is read live from all of them, so a pad unplugged mid-press lets go.
#include "backends/sdl2/sdl2_pad.h"

#include <math.h>

#include "app/game_state.h"
#include "platform/keys.h"
#include "render/render.h"

constexpr int32_t PAD_MAX = 4;
// An axis's full travel, to the -1..1 the pad rule reads.
constexpr float PAD_AXIS_FULL = 32767.0f;
// SDL's button for each of the game's pad controls (the right trigger is an axis).
static const SDL_GameControllerButton PAD_BUTTONS[PAD_CONTROLS] = {
    SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_INVALID};

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

// The stick pushed farthest past its dead zone, when one is, sets the aim direction.
static void Sdl2PadReadSticks(SDL_GameController* pad) {
    const float sticks[4] = {
        (float)SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX) / PAD_AXIS_FULL,
        (float)SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY) / PAD_AXIS_FULL,
        (float)SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX) / PAD_AXIS_FULL,
        (float)SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY) / PAD_AXIS_FULL,
    };
    if (PadStickAim(sticks, 2, &gAimX, &gAimY)) {
        gPadOwnsCursor = 1;
    }
}

// 1 while control is down on pad.
static int Sdl2PadControlDown(SDL_GameController* pad, int32_t control) {
    if (control == PAD_RIGHT_TRIGGER) {
        return (float)SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) / PAD_AXIS_FULL >=
               PAD_PRESSED;
    }
    return SDL_GameControllerGetButton(pad, PAD_BUTTONS[control]);
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
        // Keys come with a key-down message, as from the keyboard; the left button has none.
        for (int32_t control = 0; control < PAD_CONTROLS; ++control) {
            const int32_t code = PadControlCode(control);
            if (PAD_BUTTONS[control] == ev->cbutton.button && code != KEY_LBUTTON) {
                return code;
            }
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
        for (int32_t control = 0; pad && control < PAD_CONTROLS; ++control) {
            if (PadControlCode(control) == vk && Sdl2PadControlDown(pad, control)) {
                return 1;
            }
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
    PadAimClient(player->body.x - camera->x, player->body.y - camera->y, gAimX, gAimY, destX, destY,
                 GetDisplayScale(), x, y);
    return 1;
}
