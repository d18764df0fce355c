// web_platform.cpp -- clock, page size, cursor, key state and picture of the browser build: the
// 320 x 200 picture goes to a canvas that the page's CSS scales and places at the layout rectangle.
// Client pixels are the screen's own (CSS pixels times devicePixelRatio), so that every logical pixel
// becomes a whole block of screen pixels also on high-density and zoomed pages.
#include "backends/web/web_platform.h"

#include <emscripten.h>
#include <math.h>

#include "backends/web/web_keys.h"
#include "render/render.h"

struct PlatformWindow {
    int32_t canvasReady;
};

constexpr int32_t WEB_PICTURE_W = PLATFORM_PICTURE_WIDTH;
constexpr int32_t WEB_PICTURE_H = PLATFORM_PICTURE_HEIGHT;
// CSS pixels a row or column of the page's buttons takes, margins included; the page's style sizes its
// buttons from it.
constexpr int32_t WEB_BUTTON_BAR = 56;

static PlatformWindow gWebWindow;
static int gWebBackBufferHeld;
static int gWebCursorKnown;
static int32_t gWebCursorX;
static int32_t gWebCursorY;
// The picture as the canvas takes it: bytes R, G, B, A per pixel.
static uint8_t gWebRgba[WEB_PICTURE_W * WEB_PICTURE_H * 4];

// Finds the page's canvas (or adds one) and keeps its 2D context; 0 when there is no 2D canvas. The
// page's buttons (if it has them) are kept too: reload and Escape only on a touch screen, full screen
// only where the browser allows it, each bar CSS pixels with its margins.
// clang-format off
EM_JS(int, WebCanvasInit, (int w, int h, int bar), {
    document.documentElement.style.setProperty('--kalvoro-bar', bar + 'px');
    var canvas = document.getElementById('screen');
    if (!canvas) {
        canvas = document.createElement('canvas');
        canvas.id = 'screen';
        canvas.style.position = 'absolute';
        canvas.style.imageRendering = 'pixelated';
        canvas.style.cursor = 'none';
        document.body.appendChild(canvas);
    }
    canvas.width = w;
    canvas.height = h;
    var ctx = canvas.getContext('2d', {alpha : false});
    if (!ctx) {
        return 0;
    }
    var touch = (navigator.maxTouchPoints || 0) > 0 ||
                (window.matchMedia ? window.matchMedia('(any-pointer: coarse)').matches : false);
    var controls = document.getElementById('controls');
    if (controls) {
        var fullscreen = document.getElementById('button-fullscreen');
        if (fullscreen && !(document.fullscreenEnabled || document.webkitFullscreenEnabled)) {
            fullscreen.hidden = true;
        }
        ['button-reload', 'button-escape'].forEach(function(id) {
            var b = document.getElementById(id);
            if (b && touch) {
                b.hidden = false;
            }
        });
    }
    Module.webScreen = {canvas : canvas, ctx : ctx, image : ctx.createImageData(w, h), x : NaN, y : NaN, w : NaN,
                        h : NaN, ratio : NaN, vw : NaN, vh : NaN, touch : touch, controls : null, bar : bar,
                        barLength : 0};
    // Counted again whenever the page shows or hides a button; the next picture lays them out anew.
    Module.webScreen.countButtons = function() {
        var s = Module.webScreen;
        var buttons = controls ? controls.querySelectorAll('button:not([hidden])').length : 0;
        s.controls = buttons > 0 ? controls : null;
        s.barLength = buttons * s.bar;
        s.x = NaN;
        if (controls && !buttons) {
            controls.style.display = 'none';
        }
    };
    Module.webScreen.countButtons();
    return 1;
});
// clang-format on

// The page's size in screen pixels into out[0], out[1]; on a touch screen showing buttons, also the
// bar's thickness and the buttons' length in screen pixels (out[2], out[3]); else those are 0.
// clang-format off
EM_JS(void, WebPageMeasure, (int32_t* out), {
    var s = Module.webScreen;
    var r = window.devicePixelRatio || 1;
    var at = out >> 2;
    HEAP32[at] = Math.floor(window.innerWidth * r);
    HEAP32[at + 1] = Math.floor(window.innerHeight * r);
    var buttons = s && s.controls && s.touch;
    HEAP32[at + 2] = buttons ? Math.ceil(s.bar * r) : 0;
    HEAP32[at + 3] = buttons ? Math.ceil(s.barLength * r) : 0;
});
// clang-format on

// The part of the page the game may use: all of it, unless on a touch screen the buttons find no room
// beside the picture; then a strip of the side that costs the picture the least goes to them. The
// picture's scale and place are the game's own layout rule.
static void WebClientSize(int32_t* w, int32_t* h) {
    int32_t page[4] = {0, 0, 0, 0};
    WebPageMeasure(page);
    const int32_t vw = page[0];
    const int32_t vh = page[1];
    const int32_t bar = page[2];
    const int32_t len = page[3];
    *w = vw;
    *h = vh;
    if (bar <= 0) {
        return;
    }
    RenderLayout full;
    RenderLayoutFor(vw, vh, &full);
    const int32_t below = vh - full.destY - full.destH;
    const int32_t right = vw - full.destX - full.destW;
    if ((below >= bar && vw >= len) || (right >= bar && vh >= len)) {
        return;
    }
    RenderLayout under;
    RenderLayout beside;
    RenderLayoutFor(vw, vh - bar, &under);
    RenderLayoutFor(vw - bar, vh, &beside);
    if (under.scale >= beside.scale) {
        *h = vh - bar;
    } else {
        *w = vw - bar;
    }
}

// clang-format off
EM_JS(double, WebPixelRatio, (), { return window.devicePixelRatio || 1; });
// clang-format on

// Puts the RGBA picture on the canvas and moves the canvas to the destination rectangle (client pixels,
// so CSS pixels are those over devicePixelRatio); the page around it is black. The buttons go into the
// black band below or right of the picture, or over the picture's right edge when neither holds them.
// clang-format off
EM_JS(void, WebCanvasShow, (const uint8_t* rgba, int bytes, int x, int y, int w, int h), {
    var s = Module.webScreen;
    s.image.data.set(HEAPU8.subarray(rgba, rgba + bytes));
    s.ctx.putImageData(s.image, 0, 0);
    // Style changes only when the layout changes: each one costs the page a new layout.
    var ratio = window.devicePixelRatio || 1;
    var vw = window.innerWidth;
    var vh = window.innerHeight;
    if (x === s.x && y === s.y && w === s.w && h === s.h && ratio === s.ratio && vw === s.vw && vh === s.vh) {
        return;
    }
    var st = s.canvas.style;
    st.left = (x / ratio) + 'px';
    st.top = (y / ratio) + 'px';
    st.width = (w / ratio) + 'px';
    st.height = (h / ratio) + 'px';
    s.x = x;
    s.y = y;
    s.w = w;
    s.h = h;
    s.ratio = ratio;
    s.vw = vw;
    s.vh = vh;
    if (!s.controls) {
        return;
    }
    // Measured in screen pixels, as the game's client size is, so both agree on whether they fit.
    var dw = Math.floor(vw * ratio);
    var dh = Math.floor(vh * ratio);
    var bar = Math.ceil(s.bar * ratio);
    var len = Math.ceil(s.barLength * ratio);
    var px = x / ratio, py = y / ratio, pw = w / ratio, ph = h / ratio;
    var cs = s.controls.style;
    if (dh - y - h >= bar && dw >= len) {
        cs.flexDirection = 'row';
        cs.left = Math.max(0, Math.min(vw - s.barLength, px + (pw - s.barLength) / 2)) + 'px';
        cs.top = (py + ph + ((dh - y - h) / ratio - s.bar) / 2) + 'px';
        cs.display = 'flex';
    } else if (dw - x - w >= bar && dh >= len) {
        cs.flexDirection = 'column';
        cs.left = (px + pw + ((dw - x - w) / ratio - s.bar) / 2) + 'px';
        cs.top = Math.max(0, Math.min(vh - s.barLength, py + (ph - s.barLength) / 2)) + 'px';
        cs.display = 'flex';
    } else {
        // No border holds them: they go over the picture, down its right edge (or along its foot when
        // the page is too low for a column). The pointer over them is not on the picture.
        var column = vh >= s.barLength;
        cs.flexDirection = column ? 'column' : 'row';
        cs.left = Math.max(0, column ? px + pw - s.bar : Math.min(vw - s.barLength, px + (pw - s.barLength) / 2)) + 'px';
        cs.top = Math.max(0, column ? Math.min(vh - s.barLength, py + (ph - s.barLength) / 2) : py + ph - s.bar) + 'px';
        cs.display = 'flex';
    }
});
// clang-format on

PlatformWindow* WebOpenWindow(void) {
    gWebWindow.canvasReady = WebCanvasInit(WEB_PICTURE_W, WEB_PICTURE_H, WEB_BUTTON_BAR);
    return &gWebWindow;
}

// Page pixels to whole client pixels, kept in range whatever the event carried.
static int32_t WebToClient(double v) {
    const double limit = 1e9;
    v = floor(v);
    if (!(v >= -limit)) {
        return (int32_t)-limit;
    }
    return v > limit ? (int32_t)limit : (int32_t)v;
}

void WebSetCursor(double pageX, double pageY) {
    const double ratio = WebPixelRatio();
    gWebCursorX = WebToClient(pageX * ratio);
    gWebCursorY = WebToClient(pageY * ratio);
    gWebCursorKnown = 1;
}

void WebGetCursor(int32_t* clientX, int32_t* clientY) {
    *clientX = gWebCursorX;
    *clientY = gWebCursorY;
}

uint32_t PlatformTicks(void) {
    // The page's millisecond clock, cut to 32 bits so it wraps like the desktop's tick counter.
    return (uint32_t)(uint64_t)emscripten_get_now();
}

// The browser owns the loop and paces it with the display; nothing may block its thread.
void PlatformSleep(uint32_t ms) {
    (void)ms;
}

void PlatformGetClientSize(PlatformWindow* window, int32_t* w, int32_t* h) {
    (void)window;
    WebClientSize(w, h);
}

int PlatformGetCursorClient(PlatformWindow* window, int32_t* x, int32_t* y) {
    (void)window;
    // A page learns the cursor only from mouse events; before the first one there is none.
    if (!gWebCursorKnown) {
        return 0;
    }
    *x = gWebCursorX;
    *y = gWebCursorY;
    return 1;
}

int PlatformIsKeyDown(int32_t vk) {
    return WebKeysIsDown(vk);
}

void PlatformReadKeys(uint8_t* down, int32_t count) {
    for (int32_t vk = 0; vk < count; ++vk) {
        down[vk] = WebKeysIsDown(vk) != 0;
    }
}

// The canvas is the back buffer and the page's CSS does the scaling; holding it is a flag.
void PlatformBackBufferCreate(PlatformWindow* window, int32_t w, int32_t h) {
    (void)window;
    (void)w;
    (void)h;
    gWebBackBufferHeld = 1;
}

void PlatformBackBufferRelease(void) {
    gWebBackBufferHeld = 0;
}

void PlatformPresent(PlatformWindow* window, const uint32_t* pixels, int32_t destX, int32_t destY,
                     int32_t destW, int32_t destH) {
    if (!window || !window->canvasReady || !gWebBackBufferHeld || !pixels) {
        return;
    }
    for (int32_t i = 0; i < WEB_PICTURE_W * WEB_PICTURE_H; ++i) {
        const uint32_t p = pixels[i];
        uint8_t* out = &gWebRgba[i * 4];
        out[0] = (uint8_t)(p >> 16);
        out[1] = (uint8_t)(p >> 8);
        out[2] = (uint8_t)p;
        out[3] = 255;
    }
    WebCanvasShow(gWebRgba, (int)sizeof(gWebRgba), destX, destY, destW, destH);
}

void PlatformSetTitle(PlatformWindow* window, const char* title) {
    (void)window;
    if (title) {
        emscripten_set_window_title(title);
    }
}
