// sdl2_platform.cpp -- the SDL2 backend's window, renderer, clock and input: a streaming texture of
// the 320 x 200 picture copied at the layout rectangle with nearest scaling over a black clear, or,
// without a GPU, the client image composed on the processor straight into the window's surface.
// Keys, buttons and the pointer are read as SDL tracked them for this window, never the whole desktop.
#include "backends/sdl2/sdl2_platform.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#endif

#include "app/icon.h"
#include "backends/key_gate.h"
#include "platform/keys.h"
#include "backends/sdl2/sdl2_pad.h"
#include "render/render.h"

struct PlatformWindow {
    SDL_Window* window;
    SDL_Renderer* renderer; // null when the picture goes straight into the window's own surface
    SDL_Texture* texture;
    int usesSurface;
    int cursorShown;
    // Fullscreen done by moving the window itself, and where the window was before.
    int coversDisplay;
    SDL_Rect windowed;
};

static PlatformWindow gWindow;
static int gBackBufferHeld;

// The window's icon, as large as window managers commonly scale down from.
static const int32_t SDL2_ICON_SIZE = 64;
static uint32_t gIconPixels[SDL2_ICON_SIZE * SDL2_ICON_SIZE];

static void Sdl2SetIcon(SDL_Window* window) {
    if (!IconDraw(SDL2_ICON_SIZE, gIconPixels)) {
        return;
    }
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(gIconPixels, SDL2_ICON_SIZE, SDL2_ICON_SIZE, 32,
                                                           SDL2_ICON_SIZE * 4, SDL_PIXELFORMAT_ARGB8888);
    // Without it the window keeps the window system's default icon.
    if (icon) {
        SDL_SetWindowIcon(window, icon);
        SDL_FreeSurface(icon);
    }
}
// Win32 virtual-key code -> SDL scancodes (two, for keys such as Shift that exist on both sides).
static SDL_Scancode gVkScancodes[KEY_COUNT][2];

struct KeyPair {
    SDL_Scancode scancode;
    int32_t vk;
};

static const KeyPair KEY_PAIRS[] = {
    {SDL_SCANCODE_BACKSPACE, KEY_BACKSPACE},
    {SDL_SCANCODE_TAB, KEY_TAB},
    {SDL_SCANCODE_RETURN, KEY_ENTER},
    {SDL_SCANCODE_KP_ENTER, KEY_ENTER},
    {SDL_SCANCODE_LSHIFT, KEY_SHIFT},
    {SDL_SCANCODE_RSHIFT, KEY_SHIFT},
    {SDL_SCANCODE_LCTRL, KEY_CONTROL},
    {SDL_SCANCODE_RCTRL, KEY_CONTROL},
    {SDL_SCANCODE_LALT, KEY_ALT},
    {SDL_SCANCODE_RALT, KEY_ALT},
    {SDL_SCANCODE_PAUSE, KEY_PAUSE},
    {SDL_SCANCODE_CAPSLOCK, KEY_CAPSLOCK},
    {SDL_SCANCODE_ESCAPE, KEY_ESCAPE},
    {SDL_SCANCODE_SPACE, KEY_SPACE},
    {SDL_SCANCODE_PAGEUP, KEY_PAGEUP},
    {SDL_SCANCODE_PAGEDOWN, KEY_PAGEDOWN},
    {SDL_SCANCODE_END, KEY_END},
    {SDL_SCANCODE_HOME, KEY_HOME},
    {SDL_SCANCODE_LEFT, KEY_LEFT},
    {SDL_SCANCODE_UP, KEY_UP},
    {SDL_SCANCODE_RIGHT, KEY_RIGHT},
    {SDL_SCANCODE_DOWN, KEY_DOWN},
    {SDL_SCANCODE_PRINTSCREEN, KEY_PRINTSCREEN},
    {SDL_SCANCODE_INSERT, KEY_INSERT},
    {SDL_SCANCODE_DELETE, KEY_DELETE},
    {SDL_SCANCODE_LGUI, KEY_LWIN},
    {SDL_SCANCODE_RGUI, KEY_RWIN},
    {SDL_SCANCODE_APPLICATION, KEY_APPS},
    {SDL_SCANCODE_KP_MULTIPLY, KEY_MULTIPLY},
    {SDL_SCANCODE_KP_PLUS, KEY_ADD},
    {SDL_SCANCODE_KP_MINUS, KEY_SUBTRACT},
    {SDL_SCANCODE_KP_PERIOD, KEY_DECIMAL},
    {SDL_SCANCODE_KP_DIVIDE, KEY_DIVIDE},
    {SDL_SCANCODE_NUMLOCKCLEAR, KEY_NUMLOCK},
    {SDL_SCANCODE_SCROLLLOCK, KEY_SCROLLLOCK},
    {SDL_SCANCODE_SEMICOLON, KEY_SEMICOLON},
    {SDL_SCANCODE_EQUALS, KEY_EQUALS},
    {SDL_SCANCODE_COMMA, KEY_COMMA},
    {SDL_SCANCODE_MINUS, KEY_MINUS},
    {SDL_SCANCODE_PERIOD, KEY_PERIOD},
    {SDL_SCANCODE_SLASH, KEY_SLASH},
    {SDL_SCANCODE_GRAVE, KEY_GRAVE},
    {SDL_SCANCODE_LEFTBRACKET, KEY_LEFTBRACKET},
    {SDL_SCANCODE_BACKSLASH, KEY_BACKSLASH},
    {SDL_SCANCODE_RIGHTBRACKET, KEY_RIGHTBRACKET},
    {SDL_SCANCODE_APOSTROPHE, KEY_APOSTROPHE},
};

static void Sdl2BuildKeyTable(void) {
    for (int32_t i = 0; i < 26; i++) {
        gVkScancodes[KEY_A + i][0] = (SDL_Scancode)(SDL_SCANCODE_A + i);
    }
    // SDL orders the digit row 1..9, 0.
    for (int32_t i = 0; i < 9; i++) {
        gVkScancodes[KEY_0 + 1 + i][0] = (SDL_Scancode)(SDL_SCANCODE_1 + i);
        gVkScancodes[KEY_NUMPAD0 + 1 + i][0] = (SDL_Scancode)(SDL_SCANCODE_KP_1 + i);
    }
    gVkScancodes[KEY_0][0] = SDL_SCANCODE_0;
    gVkScancodes[KEY_NUMPAD0][0] = SDL_SCANCODE_KP_0;
    for (int32_t i = 0; i < 12; i++) {
        gVkScancodes[KEY_F1 + i][0] = (SDL_Scancode)(SDL_SCANCODE_F1 + i);
    }
    for (const KeyPair& pair : KEY_PAIRS) {
        SDL_Scancode* slots = gVkScancodes[pair.vk];
        slots[slots[0] == SDL_SCANCODE_UNKNOWN ? 0 : 1] = pair.scancode;
    }
}

int32_t Sdl2ScancodeToVk(int32_t scancode) {
    if (scancode == SDL_SCANCODE_UNKNOWN) {
        return 0;
    }
    for (int32_t vk = 0; vk < KEY_COUNT; vk++) {
        if (gVkScancodes[vk][0] == scancode || gVkScancodes[vk][1] == scancode) {
            return vk;
        }
    }
    return 0;
}

// 1 when the renderer draws through an OpenGL implemented on the processor (Mesa's llvmpipe, softpipe
// or swrast, and the like), read from the GL_RENDERER string of its current context.
static int Sdl2IsEmulatedGl(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || SDL_strncmp(info.name, "opengl", 6) != 0) {
        return 0;
    }
    typedef const unsigned char*(SDLCALL * GetStringFn)(unsigned int);
    GetStringFn getString = (GetStringFn)SDL_GL_GetProcAddress("glGetString");
    const unsigned int GL_RENDERER_NAME = 0x1F01;
    const char* name = getString ? (const char*)getString(GL_RENDERER_NAME) : nullptr;
    if (!name) {
        return 0;
    }
    static const char* const EMULATED[] = {"llvmpipe", "softpipe", "Software Rasterizer", "swrast", "GDI Generic",
                                           "Software Renderer"};
    for (const char* word : EMULATED) {
        if (SDL_strstr(name, word)) {
            return 1;
        }
    }
    return 0;
}

PlatformWindow* Sdl2OpenWindow(const char** whyNot) {
    Sdl2BuildKeyTable();
    // Unfocused until the window system says otherwise.
    KeyGateReset();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *whyNot = SDL_GetError();
        return nullptr;
    }
    // Without a display SDL falls back to its invisible off-screen driver; a game nobody can see
    // is a failure unless that driver was asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        !(wanted && SDL_strcasecmp(wanted, driver) == 0)) {
        *whyNot = "no display found: DISPLAY or WAYLAND_DISPLAY is not set or not reachable";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // Whole-number scaling with nearest sampling: every logical pixel becomes a square block.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    gWindow.window = SDL_CreateWindow("Shotgun-Kalvoro", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, PLATFORM_WINDOW_WIDTH, PLATFORM_WINDOW_HEIGHT,
                                      SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!gWindow.window) {
        *whyNot = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    Sdl2SetIcon(gWindow.window);
    gWindow.renderer = SDL_CreateRenderer(gWindow.window, -1, SDL_RENDERER_ACCELERATED);
    if (gWindow.renderer && Sdl2IsEmulatedGl(gWindow.renderer)) {
        // An OpenGL that the processor emulates (no GPU driver, or a virtual display) spends about
        // four times the processor time of SDL's own renderer on the window system's shared picture.
        SDL_DestroyRenderer(gWindow.renderer);
        gWindow.renderer = nullptr;
    }
    gWindow.usesSurface = 0;
    gWindow.cursorShown = 1;
    gWindow.coversDisplay = 0;
    Sdl2PadInit();
    if (!gWindow.renderer) {
        // Without a GPU the picture is scaled on the processor straight into the window system's own
        // (shared-memory) picture, which must not go through an emulated OpenGL either. Its pixels must
        // be laid out as ours are; otherwise SDL's software renderer converts them.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_Surface* surface = SDL_GetWindowSurface(gWindow.window);
        if (surface && surface->format->format == SDL_PIXELFORMAT_RGB888) {
            gWindow.usesSurface = 1;
            return &gWindow;
        }
        gWindow.renderer = SDL_CreateRenderer(gWindow.window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (gWindow.renderer) {
        gWindow.texture = SDL_CreateTexture(gWindow.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                            PLATFORM_PICTURE_WIDTH, PLATFORM_PICTURE_HEIGHT);
    }
    if (!gWindow.renderer || !gWindow.texture) {
        *whyNot = SDL_GetError();
        Sdl2CloseWindow(&gWindow);
        return nullptr;
    }
    return &gWindow;
}

void Sdl2CloseWindow(PlatformWindow* window) {
    Sdl2PadShutdown();
    if (window->texture) {
        SDL_DestroyTexture(window->texture);
    }
    if (window->renderer) {
        SDL_DestroyRenderer(window->renderer);
    }
    if (window->window) {
        SDL_DestroyWindow(window->window);
    }
    window->texture = nullptr;
    window->renderer = nullptr;
    window->window = nullptr;
    window->usesSurface = 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// Pixels of what the picture is drawn into: the renderer's output or the window's surface.
static void Sdl2DrawableSize(PlatformWindow* window, int* w, int* h) {
    *w = 0;
    *h = 0;
    if (window->renderer) {
        SDL_GetRendererOutputSize(window->renderer, w, h);
    } else if (window->usesSurface) {
        SDL_Surface* surface = SDL_GetWindowSurface(window->window);
        if (surface) {
            *w = surface->w;
            *h = surface->h;
        }
    }
}

void Sdl2WindowToClient(PlatformWindow* window, int32_t wx, int32_t wy, int32_t* cx, int32_t* cy) {
    // On high-DPI screens the drawable has more pixels than the window has coordinates.
    int ww = 0, wh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(window->window, &ww, &wh);
    Sdl2DrawableSize(window, &dw, &dh);
    *cx = ww > 0 && dw > 0 ? (int32_t)((int64_t)wx * dw / ww) : wx;
    *cy = wh > 0 && dh > 0 ? (int32_t)((int64_t)wy * dh / wh) : wy;
}

uint32_t PlatformTicks(void) { return SDL_GetTicks(); }

void PlatformSleep(uint32_t ms) { SDL_Delay(ms); }

void PlatformGetClientSize(PlatformWindow* window, int32_t* w, int32_t* h) {
    int dw = 0, dh = 0;
    if (window && window->window) {
        Sdl2DrawableSize(window, &dw, &dh);
    }
    *w = dw;
    *h = dh;
}

int PlatformGetCursorClient(PlatformWindow* window, int32_t* x, int32_t* y) {
    if (!window || !window->window) {
        return 0;
    }
    // SDL's own record in window coordinates: right after the window moved, too. A pointer outside the
    // window gives no position: the game keeps the last one, and knows it is not on the picture.
    if (SDL_GetMouseFocus() != window->window) {
        return 0;
    }
    int wx = 0, wy = 0;
    SDL_GetMouseState(&wx, &wy);
    Sdl2WindowToClient(window, wx, wy, x, y);
    return 1;
}

int Sdl2RawKeyDown(int32_t vk) {
    if ((uint32_t)vk >= (uint32_t)KEY_COUNT) {
        return 0;
    }
    if (Sdl2PadIsDown(vk)) {
        return 1;
    }
    if (vk == KEY_LBUTTON || vk == KEY_RBUTTON || vk == KEY_MBUTTON) {
        // Buttons pressed on this window only: a click on the desktop beside it is not ours.
        const uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
        const uint32_t mask = vk == KEY_LBUTTON   ? SDL_BUTTON_LMASK
                              : vk == KEY_RBUTTON ? SDL_BUTTON_RMASK
                                                  : SDL_BUTTON_MMASK;
        return (buttons & mask) != 0;
    }
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const SDL_Scancode a = gVkScancodes[vk][0];
    const SDL_Scancode b = gVkScancodes[vk][1];
    return (a != SDL_SCANCODE_UNKNOWN && keys[a]) || (b != SDL_SCANCODE_UNKNOWN && keys[b]);
}

int PlatformIsKeyDown(int32_t vk) {
    return KeyGateIsDown(vk, Sdl2RawKeyDown(vk));
}

void PlatformReadKeys(uint8_t* down, int32_t count) {
    for (int32_t vk = 0; vk < count; ++vk) {
        down[vk] = PlatformIsKeyDown(vk) != 0;
    }
}

#if defined(SDL_VIDEO_DRIVER_X11)
// 1 unless the X server is known to have no window manager that does fullscreen (no
// _NET_WM_STATE_FULLSCREEN in the root's _NET_SUPPORTED): SDL only asks one to do it. Xlib is looked up in
// the library SDL itself loaded, so the game needs no link to it.
static int Sdl2WindowManagerDoesFullscreen(SDL_Window* sdlWindow) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdlWindow, &info) || info.subsystem != SDL_SYSWM_X11) {
        return 1;
    }
    typedef Atom (*InternAtomFn)(Display*, const char*, Bool);
    typedef int (*GetPropertyFn)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                                 unsigned long*, unsigned char**);
    typedef int (*FreeFn)(void*);
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (!xlib) {
        return 1;
    }
    InternAtomFn internAtom = (InternAtomFn)SDL_LoadFunction(xlib, "XInternAtom");
    GetPropertyFn getProperty = (GetPropertyFn)SDL_LoadFunction(xlib, "XGetWindowProperty");
    FreeFn xfree = (FreeFn)SDL_LoadFunction(xlib, "XFree");
    int does = 1;
    if (internAtom && getProperty && xfree) {
        Display* display = info.info.x11.display;
        const Atom supported = internAtom(display, "_NET_SUPPORTED", False);
        const Atom fullscreen = internAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        does = 0;
        if (getProperty(display, DefaultRootWindow(display), supported, 0, 4096, False, XA_ATOM, &type,
                        &format, &count, &after, &data) == Success &&
            data && format == 32) {
            const long* atoms = (const long*)data; // format 32 properties come as longs
            for (unsigned long i = 0; i < count; ++i) {
                does = does || (Atom)atoms[i] == fullscreen;
            }
        }
        if (data) {
            xfree(data);
        }
    }
    SDL_UnloadObject(xlib);
    return does;
}
#else
static int Sdl2WindowManagerDoesFullscreen(SDL_Window*) {
    return 1;
}
#endif

void Sdl2ToggleFullscreen(PlatformWindow* window) {
    SDL_Window* w = window->window;
    if (window->coversDisplay) {
        window->coversDisplay = 0;
        SDL_SetWindowBordered(w, SDL_TRUE);
        SDL_SetWindowSize(w, window->windowed.w, window->windowed.h);
        SDL_SetWindowPosition(w, window->windowed.x, window->windowed.y);
        return;
    }
    if (SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(w, 0);
        return;
    }
    // The desktop's own mode: no mode change, the picture is scaled up in whole steps as at any size.
    SDL_Rect bounds;
    if (Sdl2WindowManagerDoesFullscreen(w) ||
        SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(w), &bounds) != 0) {
        SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    // No window manager to ask: a borderless window over the whole display, put back where it was.
    SDL_GetWindowPosition(w, &window->windowed.x, &window->windowed.y);
    SDL_GetWindowSize(w, &window->windowed.w, &window->windowed.h);
    window->coversDisplay = 1;
    SDL_SetWindowBordered(w, SDL_FALSE);
    SDL_SetWindowPosition(w, bounds.x, bounds.y);
    SDL_SetWindowSize(w, bounds.w, bounds.h);
}

void Sdl2SetTitle(PlatformWindow* window, const char* title) {
    SDL_SetWindowTitle(window->window, title);
}

void PlatformSetTitle(PlatformWindow* window, const char* title) {
    if (window && window->window && title) {
        SDL_SetWindowTitle(window->window, title);
    }
}

void Sdl2UpdateCursor(PlatformWindow* window) {
    // The game draws its own crosshair and the title needs no pointer: the arrow shows over the
    // black borders only (outside the window it is the desktop's business).
    int over = 0;
    if (SDL_GetMouseFocus() == window->window) {
        int wx = 0, wy = 0;
        int32_t cx = 0, cy = 0;
        SDL_GetMouseState(&wx, &wy);
        Sdl2WindowToClient(window, wx, wy, &cx, &cy);
        int32_t destX = 0, destY = 0, destW = 0, destH = 0;
        RenderGetLayout(&destX, &destY, &destW, &destH);
        over = cx >= destX && cy >= destY && cx < destX + destW && cy < destY + destH;
    }
    if (over == window->cursorShown) {
        window->cursorShown = !over;
        SDL_ShowCursor(over ? SDL_DISABLE : SDL_ENABLE);
    }
}

// The renderer keeps its own back buffer at the drawable's size; holding it is a flag here.
void PlatformBackBufferCreate(PlatformWindow* window, int32_t w, int32_t h) {
    (void)window;
    (void)w;
    (void)h;
    gBackBufferHeld = 1;
}

void PlatformBackBufferRelease(void) { gBackBufferHeld = 0; }

void PlatformPresent(PlatformWindow* window, const uint32_t* pixels, int32_t destX, int32_t destY,
                     int32_t destW, int32_t destH) {
    if (!window || !gBackBufferHeld) {
        return;
    }
    if (window->usesSurface) {
        // The surface is made anew after a resize, so it is asked for at every present.
        SDL_Surface* surface = SDL_GetWindowSurface(window->window);
        if (!surface || SDL_LockSurface(surface) != 0) {
            return;
        }
        RenderComposeClient((uint32_t*)surface->pixels, surface->pitch / (int)sizeof(uint32_t), surface->w,
                            surface->h, pixels, destX, destY, destW, destH);
        SDL_UnlockSurface(surface);
        SDL_UpdateWindowSurface(window->window);
        return;
    }
    if (!window->renderer) {
        return;
    }
    SDL_UpdateTexture(window->texture, nullptr, pixels, PLATFORM_PICTURE_WIDTH * (int)sizeof(uint32_t));
    // The black borders: when the picture covers the whole drawable there are none to clear.
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(window->renderer, &outW, &outH);
    if (destX > 0 || destY > 0 || destX + destW < outW || destY + destH < outH) {
        SDL_SetRenderDrawColor(window->renderer, 0, 0, 0, 255);
        SDL_RenderClear(window->renderer);
    }
    const SDL_Rect dest = {destX, destY, destW, destH};
    SDL_RenderCopy(window->renderer, window->texture, nullptr, &dest);
    SDL_RenderPresent(window->renderer);
}
