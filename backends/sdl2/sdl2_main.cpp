// sdl2_main.cpp -- entry point of the SDL2 build: opens the window, pumps SDL's events into the
// game between frames and runs the portable frame step until the window is closed.
#include <SDL.h>
#include <stdio.h>

#include "app/main.h"
#include "app/stage_open.h"
#include "backends/sdl2/sdl2_events.h"
#include "backends/sdl2/sdl2_platform.h"

int main(int argc, char** argv) {
    SDL_SetMainReady();
    MainArgs args;
    if (!MainReadArgs(argc, argv, &args)) {
        fprintf(stderr, "usage:\n" MAIN_USAGE_LINES);
        return 2;
    }
    const char* whyNot = "";
    PlatformWindow* window = Sdl2OpenWindow(&whyNot);
    if (!window) {
        fprintf(stderr, "shotgun-kalvoro: cannot open a window (%s); a graphical display is needed.\n",
                whyNot);
        return 1;
    }
    char why[STAGE_OPEN_MESSAGE_SIZE];
    const int32_t status = MainStartWith(window, &args, why, sizeof(why));
    if (status != 0) {
        // Said in a window as well: started from a menu, there is no terminal to read.
        fprintf(stderr, "shotgun-kalvoro: %s\n", why);
        // Said in the window too, until a key, a click or the close button: started from a menu,
        // there is no terminal to read.
        for (int waiting = 1; waiting;) {
            MainShowProblem(window, why);
            SDL_Event ev;
            while (waiting && SDL_WaitEventTimeout(&ev, 100)) {
                waiting = ev.type != SDL_QUIT && ev.type != SDL_KEYDOWN && ev.type != SDL_MOUSEBUTTONDOWN;
            }
        }
        Sdl2CloseWindow(window);
        SDL_Quit();
        return status;
    }
    int running = 1;
    while (running) {
        SDL_Event ev;
        // Every waiting event is handled before the next frame runs.
        while (running && SDL_PollEvent(&ev)) {
            running = Sdl2EventsHandle(window, &ev);
        }
        if (running) {
            MainFrame(window);
            Sdl2EventsEndFrame(window);
            running = !MainWantsQuit();
        }
    }
    MainShutdown();
    Sdl2CloseWindow(window);
    SDL_Quit();
    return 0;
}
