// web_main.cpp -- entry point of the browser build: hands the page's events to the game and lets the
// browser's animation frames run the portable frame step. Besides the mouse and the keys: full screen,
// gamepads, touches on the picture and the page's own buttons, all turned into what the game reads.
#include <emscripten.h>
#include <emscripten/html5.h>

#include "app/editor.h"
#include "app/main.h"
#include "input/input.h"
#include "input/pad.h"
#include "platform/keys.h"
#include "backends/web/web_keys.h"
#include "backends/web/web_pad.h"
#include "backends/web/web_platform.h"
#include "backends/web/web_run.h"
#include "backends/web/web_stage.h"

static PlatformWindow* gWebMainWindow;
// The mouse's last page position: a move event that does not change it leaves the cursor to the pad.
static int32_t gWebMouseX = -1;
static int32_t gWebMouseY = -1;
static float gWebPadValues[WEB_PAD_MAX * WEB_PAD_VALUES];

// Keys the browser keeps for itself (reload, developer tools), also with a modifier held (copy, close
// tab...): the game still sees them, the page does not swallow them. The editor's Ctrl+S, Ctrl+Z,
// Ctrl+Y and its Ctrl+C, Ctrl+X and Ctrl+V of cells are its own while it edits.
static int WebKeyBelongsToBrowser(const EmscriptenKeyboardEvent* e, int32_t vk) {
    if (e->ctrlKey && !e->altKey && !e->metaKey && EditorIsEditing() &&
        (vk == KEY_S || vk == KEY_Z || vk == 'Y' || vk == 'C' || vk == 'X' || vk == 'V')) {
        return 0;
    }
    return e->ctrlKey || e->altKey || e->metaKey || vk == KEY_F1 + 4 /* F5 */ || vk == KEY_F12;
}

// Full screen for the whole page, so the buttons stay beside the picture; called only from a key press
// or a click, which browsers require.
// clang-format off
EM_JS(void, WebToggleFullscreen, (), {
    var d = document;
    var el = d.documentElement;
    var current = d.fullscreenElement || d.webkitFullscreenElement;
    var done = function(p) {
        if (p && p.catch) {
            p.catch(function() {});
        }
    };
    if (current) {
        done(d.exitFullscreen ? d.exitFullscreen() : d.webkitExitFullscreen());
    } else if (el.requestFullscreen) {
        done(el.requestFullscreen({navigationUI : 'hide'}));
    } else if (el.webkitRequestFullscreen) {
        el.webkitRequestFullscreen();
    }
});
// clang-format on

static void WebDeliver(const int32_t* messages, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        if (messages[i] != 0) {
            MainOnKeyDown(messages[i]);
        }
    }
}

static EM_BOOL WebOnKeyDown(int type, const EmscriptenKeyboardEvent* e, void* user) {
    (void)type;
    (void)user;
    WebAudioOnGesture();
    const WebKeyDown key = WebKeysOnKeyDown(e->code, e->repeat);
    if (key.fullscreen) {
        WebToggleFullscreen();
    }
    // Every key-down, auto-repeats included, like the desktop's key messages.
    WebDeliver(key.messages, 2);
    const int32_t vk = WebKeyCodeToVk(e->code);
    if (vk == 0) {
        return EM_FALSE;
    }
    // The full-screen keys are the page's; otherwise handled here: no scrolling on Space or the arrows,
    // no focus moving on Tab.
    return vk == KEY_F11 || (vk == KEY_ENTER && e->altKey) || !WebKeyBelongsToBrowser(e, vk) ? EM_TRUE
                                                                                             : EM_FALSE;
}

static EM_BOOL WebOnKeyUp(int type, const EmscriptenKeyboardEvent* e, void* user) {
    (void)type;
    (void)user;
    WebAudioOnGesture();
    const int32_t late = WebKeysOnKeyUp(e->code);
    WebDeliver(&late, 1);
    const int32_t vk = WebKeyCodeToVk(e->code);
    return vk != 0 && !WebKeyBelongsToBrowser(e, vk) ? EM_TRUE : EM_FALSE;
}

// clang-format off
EM_JS(int, WebPointerOnControls, (int x, int y), {
    var at = document.elementFromPoint(x, y);
    return at && at.closest('#controls') ? 1 : 0;
});
// clang-format on

static EM_BOOL WebOnMouseMove(int type, const EmscriptenMouseEvent* e, void* user) {
    (void)type;
    (void)user;
    // Browsers also send a move when the page under a still mouse changes; only a real one takes the
    // cursor back from the pad.
    if ((int32_t)e->clientX != gWebMouseX || (int32_t)e->clientY != gWebMouseY) {
        gWebMouseX = (int32_t)e->clientX;
        gWebMouseY = (int32_t)e->clientY;
        PadOnPointer();
    }
    if (!PadOwnsCursor()) {
        WebSetCursor((int32_t)e->clientX, (int32_t)e->clientY);
        int32_t x = 0;
        int32_t y = 0;
        WebGetCursor(&x, &y);
        MainOnMouseMove(x, y);
        // The page's buttons may lie over the picture: over them, the pointer is theirs.
        if (WebPointerOnControls((int32_t)e->clientX, (int32_t)e->clientY)) {
            InputOnMouseOverControls();
        }
    }
    // A release that happened where the page could not hear it shows in the buttons still held.
    WebKeysSyncButtons((int32_t)e->buttons);
    return EM_FALSE;
}

// 1 when the latest press began on one of the page's buttons: that press is the button's, not the game's.
// clang-format off
EM_JS(int, WebPressOnControls, (), { return Module.webPressOnControls ? 1 : 0; });
// clang-format on

static EM_BOOL WebOnMouseButton(int type, const EmscriptenMouseEvent* e, void* user) {
    (void)user;
    WebAudioOnGesture();
    if (type == EMSCRIPTEN_EVENT_MOUSEDOWN) {
        if (WebPressOnControls()) {
            return EM_FALSE;
        }
        PadOnPointer();
        WebSetCursor((int32_t)e->clientX, (int32_t)e->clientY);
        WebKeysOnButtonDown((int32_t)e->button, emscripten_get_now());
    } else {
        WebKeysOnButton((int32_t)e->button, 0);
    }
    // The middle button drags the editor's view: no scrolling mode of the browser's.
    return e->button == 1 ? EM_TRUE : EM_FALSE;
}

// Wheel travel in pixels, kept until it makes whole notches of the usual 100 pixels each.
static double gWebWheelPixels;

static EM_BOOL WebOnWheel(int type, const EmscriptenWheelEvent* e, void* user) {
    (void)type;
    (void)user;
    const double unit = e->deltaMode == DOM_DELTA_LINE ? 33.0 : e->deltaMode == DOM_DELTA_PAGE ? 100.0 : 1.0;
    gWebWheelPixels += e->deltaY * unit;
    const int32_t notches = (int32_t)(gWebWheelPixels / 100.0);
    if (notches != 0) {
        gWebWheelPixels -= notches * 100.0;
        // Down the page is toward the user.
        MainOnMouseWheel(-notches);
    }
    return EditorIsEditing() ? EM_TRUE : EM_FALSE;
}

// The button a finger holds: the left one, or the right one while the page's erase button is on.
static int32_t gWebTouchVk = KEY_LBUTTON;

extern "C" EMSCRIPTEN_KEEPALIVE void WebPageErase(int on) {
    WebKeysHold(WEB_HOLD_TOUCH, gWebTouchVk, 0);
    gWebTouchVk = on ? KEY_RBUTTON : KEY_LBUTTON;
}

// A finger on the picture: aims where it touches and holds the left button until it lifts.
// phase 0 down, 1 move, 2 up; x, y in CSS pixels of the page.
extern "C" EMSCRIPTEN_KEEPALIVE void WebPageTouch(int phase, double x, double y) {
    if (phase == 2) {
        WebKeysHold(WEB_HOLD_TOUCH, gWebTouchVk, 0);
        // Browsers let sound start on the lift of a finger, not on its touch.
        WebAudioOnGesture();
        return;
    }
    if (phase == 0 && !WebKeysPressCounts(emscripten_get_now())) {
        return;
    }
    PadOnPointer();
    WebSetCursor(x, y);
    if (phase == 0) {
        WebKeysHold(WEB_HOLD_TOUCH, gWebTouchVk, 1);
    }
}

// Two fingers on the picture while editing: the middle button held at the point between them, which
// drags the view. phase 0 down, 1 move, 2 up. However late the second finger lands, whatever the
// first one painted is taken back: a gesture of two fingers never paints.
extern "C" EMSCRIPTEN_KEEPALIVE void WebPagePan(int phase, double x, double y) {
    if (phase == 0) {
        EditorCancelStroke();
        WebKeysHold(WEB_HOLD_TOUCH, gWebTouchVk, 0);
    }
    if (phase != 2) {
        PadOnPointer();
        WebSetCursor(x, y);
    }
    WebKeysHold(WEB_HOLD_TOUCH, KEY_MBUTTON, phase != 2);
}

// One of the page's reload or Escape buttons going down or up: the key, with its key-down message.
extern "C" EMSCRIPTEN_KEEPALIVE void WebPageKey(int vk, int down) {
    if (down && !WebKeysPressCounts(emscripten_get_now())) {
        return;
    }
    WebKeysHold(WEB_HOLD_BUTTONS, vk, down);
    if (down) {
        MainOnKeyDown(vk);
    } else {
        WebAudioOnGesture();
    }
}

// Touches through pointer events: the first finger on the canvas is the one that plays; the browser
// sends no mouse events for it. While editing, the first finger waits a moment before it paints: a
// second one in that time makes the two a drag of the view, and one that lands later takes back what
// the first painted (WebPagePan). The buttons act on press and keep their
// own presses from the game.
// clang-format off
EM_JS(void, WebWirePage, (int reloadVk, int escapeVk, int enterVk, int controlVk, int undoVk, int redoVk, int solveVk, int routeVk, int watchVk, int shiftVk), {
    window.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    window.addEventListener('pointerdown', function(e) {
        Module.webPressOnControls = !!(e.target && e.target.closest && e.target.closest('#controls, #studio'));
    }, true);
    var canvas = document.getElementById('screen');
    var finger = null;
    var second = null;
    var waiting = null;
    var at = {};
    var mid = function(phase) {
        var a = at[finger], b = at[second];
        _WebPagePan(phase, (a.x + b.x) / 2, (a.y + b.y) / 2);
    };
    var press = function() {
        waiting = null;
        _WebPageTouch(0, at[finger].x, at[finger].y);
    };
    var touchAt = function(phase, e) {
        if (e.pointerId !== finger && e.pointerId !== second) {
            return;
        }
        e.preventDefault();
        at[e.pointerId] = {x : e.clientX, y : e.clientY};
        if (second !== null) {
            mid(phase);
            if (phase === 2) {
                finger = second = null;
            }
            return;
        }
        if (phase === 2) {
            if (waiting !== null) {
                clearTimeout(waiting);
                press();
            }
            finger = null;
        }
        if (waiting === null) {
            _WebPageTouch(phase, e.clientX, e.clientY);
        }
    };
    canvas.addEventListener('pointerdown', function(e) {
        if (e.pointerType === 'mouse') {
            return;
        }
        if (finger === null) {
            finger = e.pointerId;
        } else if (second === null && (waiting !== null || Module.webEditing)) {
            clearTimeout(waiting);
            waiting = null;
            second = e.pointerId;
        } else {
            return;
        }
        if (canvas.setPointerCapture) {
            canvas.setPointerCapture(e.pointerId);
        }
        if (second === null && Module.webEditing) {
            e.preventDefault();
            at[finger] = {x : e.clientX, y : e.clientY};
            waiting = setTimeout(press, 120);
            return;
        }
        touchAt(0, e);
    });
    canvas.addEventListener('pointermove', function(e) { touchAt(1, e); });
    canvas.addEventListener('pointerup', function(e) { touchAt(2, e); });
    canvas.addEventListener('pointercancel', function(e) { touchAt(2, e); });
    var keyButton = function(id, vk, modifier) {
        var b = document.getElementById(id);
        if (!b) {
            return;
        }
        var held = null;
        b.addEventListener('pointerdown', function(e) {
            e.preventDefault();
            if (held === null) {
                held = e.pointerId;
                if (b.setPointerCapture) {
                    b.setPointerCapture(e.pointerId);
                }
                if (modifier) {
                    _WebPageKey(modifier, 1);
                }
                _WebPageKey(vk, 1);
            }
        });
        var lift = function(e) {
            if (e.pointerId === held) {
                held = null;
                _WebPageKey(vk, 0);
                if (modifier) {
                    _WebPageKey(modifier, 0);
                }
            }
        };
        b.addEventListener('pointerup', lift);
        b.addEventListener('pointercancel', lift);
        // A button hidden under a finger (PLAY and ESC swap the rows) loses that finger's pointerup:
        // the window still sees it, so the key is let go and the button takes its next press.
        window.addEventListener('pointerup', lift, true);
        window.addEventListener('pointercancel', lift, true);
    };
    keyButton('button-reload', reloadVk);
    keyButton('button-watch', watchVk);
    keyButton('button-watch-route', watchVk, shiftVk);
    keyButton('button-escape', escapeVk);
    keyButton('button-play', enterVk);
    keyButton('button-solve', solveVk);
    keyButton('button-route', routeVk);
    keyButton('button-undo', undoVk, controlVk);
    keyButton('button-redo', redoVk, controlVk);
    var erase = document.getElementById('button-erase');
    if (erase) {
        erase.addEventListener('pointerdown', function(e) { e.preventDefault(); });
        erase.addEventListener('click', function() {
            var on = erase.getAttribute('aria-pressed') !== 'true';
            erase.setAttribute('aria-pressed', on ? 'true' : 'false');
            _WebPageErase(on ? 1 : 0);
        });
    }
    var full = document.getElementById('button-fullscreen');
    if (full) {
        full.addEventListener('mousedown', function(e) { e.preventDefault(); });
        full.addEventListener('click', function() { _WebPageFullscreen(); });
    }
});
// clang-format on

extern "C" EMSCRIPTEN_KEEPALIVE void WebPageFullscreen(void) {
    WebToggleFullscreen();
}

static void WebFocus(int focused) {
    WebKeysOnFocus(focused, emscripten_get_now());
    if (!focused) {
        WebPadLatchAll();
    }
}

static EM_BOOL WebOnFocus(int type, const EmscriptenFocusEvent* e, void* user) {
    (void)e;
    (void)user;
    WebFocus(type == EMSCRIPTEN_EVENT_FOCUS);
    return EM_FALSE;
}

static EM_BOOL WebOnVisibility(int type, const EmscriptenVisibilityChangeEvent* e, void* user) {
    (void)type;
    (void)user;
    if (e->hidden) {
        WebFocus(0);
    }
    return EM_FALSE;
}

static EM_BOOL WebOnResize(int type, const EmscriptenUiEvent* e, void* user) {
    (void)type;
    (void)e;
    (void)user;
    MainOnResize(gWebMainWindow);
    return EM_FALSE;
}

// The pads' sticks and buttons into gWebPadValues, standard layout only; returns how many pads.
// clang-format off
EM_JS(int, WebReadPads, (float* out, int maxPads, int axes, int buttons), {
    var pads = [];
    try {
        // Missing, or refused outside a secure page: no pads then.
        pads = navigator.getGamepads ? navigator.getGamepads() || [] : [];
    } catch (e) {
        return 0;
    }
    var n = 0;
    for (var i = 0; i < pads.length && n < maxPads; i++) {
        var p = pads[i];
        if (!p || !p.connected) {
            continue;
        }
        var base = (out >> 2) + n * (axes + buttons);
        for (var a = 0; a < axes; a++) {
            HEAPF32[base + a] = a < p.axes.length ? +p.axes[a] : 0;
        }
        for (var b = 0; b < buttons; b++) {
            var v = b < p.buttons.length ? p.buttons[b] : null;
            HEAPF32[base + axes + b] = !v ? 0 : (typeof v === 'object' ? (v.pressed ? Math.max(v.value, 1) : v.value) : +v);
        }
        n++;
    }
    return n;
});
// clang-format on

// Whether the page has the focus at start: one opened behind another window has not.
// clang-format off
EM_JS(int, WebPageHasFocus, (), { return document.hasFocus() ? 1 : 0; });
// clang-format on

static void WebPollPads(void) {
    // Pads are read only while the page has the focus, like the keys.
    if (!WebKeysHasFocus()) {
        return;
    }
    const int32_t pads = WebReadPads(gWebPadValues, WEB_PAD_MAX, WEB_PAD_AXES, WEB_PAD_BUTTONS);
    // The sticks go to the game, which places the aim around the player.
    const WebPadLook look = WebPadUpdate(gWebPadValues, pads);
    WebDeliver(look.messages, 2);
}

static void WebFrame(void) {
    WebPollPads();
    MainFrame(gWebMainWindow);
    WebKeysEndFrame();
    WebStageWatch();
    WebRunKeep();
    WebRunButtons();
}

int main(void) {
    gWebMainWindow = WebOpenWindow();
    WebRunAttach();
    MainStartup(gWebMainWindow);
    // On the window, in the capture phase: a release outside the canvas (or outside the page, while
    // the button is held) still arrives, and nothing on the page can swallow a key first.
    const char* win = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(win, nullptr, EM_TRUE, WebOnKeyDown);
    emscripten_set_keyup_callback(win, nullptr, EM_TRUE, WebOnKeyUp);
    emscripten_set_mousemove_callback(win, nullptr, EM_TRUE, WebOnMouseMove);
    emscripten_set_mousedown_callback(win, nullptr, EM_TRUE, WebOnMouseButton);
    emscripten_set_mouseup_callback(win, nullptr, EM_TRUE, WebOnMouseButton);
    emscripten_set_wheel_callback(win, nullptr, EM_TRUE, WebOnWheel);
    // The window's own focus and blur only (no capture): a button's focus is not the page's.
    emscripten_set_focus_callback(win, nullptr, EM_FALSE, WebOnFocus);
    emscripten_set_blur_callback(win, nullptr, EM_FALSE, WebOnFocus);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, WebOnVisibility);
    emscripten_set_resize_callback(win, nullptr, EM_TRUE, WebOnResize);
    WebWirePage(KEY_R, KEY_ESCAPE, KEY_ENTER, KEY_CONTROL, KEY_Z, 'Y', 'V', 'P', KEY_W, KEY_SHIFT);
    WebStageAttach(gWebMainWindow);
    WebFocus(WebPageHasFocus());
    // Frame pacing comes from the browser's animation frames; the page never quits the game.
    emscripten_set_main_loop(WebFrame, 0, 0);
    return 0;
}
