// sdl2_main.cpp -- entry point of the SDL2 build: opens the window, pumps SDL's events into the
// game between frames and runs the portable frame step until the window is closed.
#include <SDL.h>
#include <stdio.h>

#include "app/main.h"
#include "platform/sdl2/sdl2_platform.h"

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    SDL_SetMainReady();
    const char* whyNot = "";
    PlatformWindow* window = Sdl2OpenWindow(&whyNot);
    if (!window) {
        fprintf(stderr, "shotgun-kalvoro: cannot open a window (%s); a graphical display is needed.\n", whyNot);
        return 1;
    }
    MainStartup(window);
    int running = 1;
    while (running) {
        SDL_Event ev;
        // Every waiting event is handled before the next frame runs.
        while (SDL_PollEvent(&ev)) {
            if (ev.type == SDL_QUIT) {
                MainOnDestroy();
                running = 0;
            } else if (ev.type == SDL_KEYDOWN) {
                const int32_t vk = Sdl2ScancodeToVk(ev.key.keysym.scancode);
                if (vk != 0) {
                    MainOnKeyDown(vk);
                }
            } else if (ev.type == SDL_MOUSEMOTION) {
                int32_t cx = 0, cy = 0;
                Sdl2WindowToClient(window, ev.motion.x, ev.motion.y, &cx, &cy);
                MainOnMouseMove(cx, cy);
            } else if (ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                MainOnResize(window);
            }
        }
        if (running) {
            MainFrame(window);
        }
    }
    MainShutdown();
    Sdl2CloseWindow(window);
    SDL_Quit();
    return 0;
}
