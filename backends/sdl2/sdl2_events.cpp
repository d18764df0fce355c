// sdl2_events.cpp -- routing of SDL's events into the game, as every frame's pump delivers them.
#include "backends/sdl2/sdl2_events.h"

#include "app/main.h"
#include "backends/key_gate.h"
#include "platform/keys.h"
#include "backends/sdl2/sdl2_pad.h"
#include "backends/sdl2/sdl2_platform.h"

// A click this soon after the focus came is the click that gave it: not a press for the game.
constexpr Uint32 SDL2_FOCUS_CLICK_MS = 100;
static Uint32 gFocusTicks;

// Delivers a key-down through the gate; a late Alt goes first.
static void Sdl2EventsKeyDown(PlatformWindow* window, int32_t vk, int repeat, int altHeld) {
    const KeyGateAction action = KeyGateOnKeyDown(vk, repeat, altHeld);
    const int32_t late = KeyGateTakeLatePress();
    if (late != 0) {
        MainOnKeyDown(late);
    }
    if (action == KEY_GATE_PASS) {
        MainOnKeyDown(vk);
    } else if (action == KEY_GATE_TOGGLE) {
        Sdl2ToggleFullscreen(window);
    }
}

// The key code of a mouse button, its press and its release alike; 0 for the others.
static int32_t Sdl2ButtonVk(Uint8 button) {
    return button == SDL_BUTTON_LEFT     ? KEY_LBUTTON
           : button == SDL_BUTTON_RIGHT  ? KEY_RBUTTON
           : button == SDL_BUTTON_MIDDLE ? KEY_MBUTTON
                                         : 0;
}

int Sdl2EventsHandle(PlatformWindow* window, const SDL_Event* ev) {
    switch (ev->type) {
    case SDL_QUIT:
        // Unsaved changes hold the close while the game asks; MainWantsQuit ends it once answered.
        if (!MainOnCloseRequest()) {
            return 1;
        }
        MainOnDestroy();
        return 0;
    case SDL_KEYDOWN: {
        const int32_t vk = Sdl2ScancodeToVk(ev->key.keysym.scancode);
        if (vk != 0) {
            Sdl2EventsKeyDown(window, vk, ev->key.repeat != 0, (ev->key.keysym.mod & KMOD_ALT) != 0);
        }
        return 1;
    }
    case SDL_KEYUP: {
        KeyGateOnKeyUp(Sdl2ScancodeToVk(ev->key.keysym.scancode));
        const int32_t late = KeyGateTakeLatePress();
        if (late != 0) {
            MainOnKeyDown(late);
        }
        return 1;
    }
    case SDL_MOUSEBUTTONDOWN:
        // Latched: a tap released before the next frame's reading still counts once.
        if (ev->button.timestamp - gFocusTicks >= SDL2_FOCUS_CLICK_MS) {
            KeyGateOnPress(Sdl2ButtonVk(ev->button.button));
        }
        return 1;
    case SDL_MOUSEBUTTONUP:
        KeyGateOnKeyUp(Sdl2ButtonVk(ev->button.button));
        return 1;
    case SDL_MOUSEMOTION: {
        // A real move takes the cursor back from a stick; SDL's own resends carry no movement.
        if (ev->motion.xrel != 0 || ev->motion.yrel != 0) {
            PadOnPointer();
        }
        int32_t cx = 0, cy = 0;
        Sdl2WindowToClient(window, ev->motion.x, ev->motion.y, &cx, &cy);
        MainOnMouseMove(cx, cy);
        return 1;
    }
    case SDL_WINDOWEVENT:
        if (ev->window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            MainOnResize(window);
        } else if (ev->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            gFocusTicks = ev->window.timestamp;
            KeyGateSetFocus(1, Sdl2RawKeyDown);
        } else if (ev->window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            KeyGateSetFocus(0, nullptr);
        }
        return 1;
    case SDL_MOUSEWHEEL: {
        const int32_t notches = ev->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev->wheel.y : ev->wheel.y;
        MainOnMouseWheel(notches);
        return 1;
    }
    case SDL_DROPFILE:
        if (ev->drop.file) {
            MainOnDropFile(window, ev->drop.file);
            SDL_free(ev->drop.file);
        }
        return 1;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERAXISMOTION:
    case SDL_CONTROLLERBUTTONDOWN: {
        const int32_t vk = Sdl2PadHandleEvent(ev);
        if (vk != 0) {
            Sdl2EventsKeyDown(window, vk, 0, 0);
        }
        return 1;
    }
    default:
        return 1;
    }
}

void Sdl2EventsEndFrame(PlatformWindow* window) {
    KeyGateEndFrame();
    Sdl2UpdateCursor(window);
}
