// sdl2_main.cpp -- entry point of the SDL2 build: opens the window, pumps SDL's events into the
// game between frames and runs the portable frame step until the window is closed.
#include <SDL.h>
#include <stdio.h>

#include "app/main.h"
#include "platform/sdl2/sdl2_events.h"
#include "platform/sdl2/sdl2_platform.h"

int main(int argc, char** argv) {
    SDL_SetMainReady();
    // One optional argument: the stage file to play instead of tools/maptool/map.txt.
    if (argc > 2 || (argc == 2 && (argv[1][0] == '\0' || argv[1][0] == '-'))) {
        fprintf(stderr, "usage: shotgun-kalvoro [STAGE_FILE]\n"
                        "  plays STAGE_FILE (read at every stage start) instead of tools/maptool/map.txt;\n"
                        "  a name starting with '-' is written ./-name\n");
        return 2;
    }
    const char* whyNot = "";
    PlatformWindow* window = Sdl2OpenWindow(&whyNot);
    if (!window) {
        fprintf(stderr, "shotgun-kalvoro: cannot open a window (%s); a graphical display is needed.\n", whyNot);
        return 1;
    }
    if (argc == 2) {
        Sdl2EventsUseStage(window, argv[1], 0);
    }
    MainStartup(window);
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
        }
    }
    MainShutdown();
    Sdl2CloseWindow(window);
    SDL_Quit();
    return 0;
}
