// web_main.cpp -- entry point of the browser build: hands the page's events to the game and lets the
// browser's animation frames run the portable frame step.
#include <emscripten.h>
#include <emscripten/html5.h>

#include "app/main.h"
#include "platform/web/web_keys.h"
#include "platform/web/web_platform.h"

static PlatformWindow* gWebMainWindow;

// Keys the browser keeps for itself (reload, full screen, developer tools), also with a modifier
// held (copy, close tab...): the game still sees them, the page does not swallow them.
static int WebKeyBelongsToBrowser(const EmscriptenKeyboardEvent* e, int32_t vk) {
    return e->ctrlKey || e->altKey || e->metaKey || vk == 116 || vk == 122 || vk == 123;
}

static EM_BOOL WebOnKeyDown(int type, const EmscriptenKeyboardEvent* e, void* user) {
    (void)type;
    (void)user;
    WebAudioOnGesture();
    const int32_t vk = WebKeysOnKey(e->code, 1);
    if (vk == 0) {
        return EM_FALSE;
    }
    // Every key-down, auto-repeats included, like the desktop's key messages.
    MainOnKeyDown(vk);
    // Handled here: no scrolling on Space or the arrows, no focus moving on Tab.
    return WebKeyBelongsToBrowser(e, vk) ? EM_FALSE : EM_TRUE;
}

static EM_BOOL WebOnKeyUp(int type, const EmscriptenKeyboardEvent* e, void* user) {
    (void)type;
    (void)user;
    WebAudioOnGesture();
    const int32_t vk = WebKeysOnKey(e->code, 0);
    return vk != 0 && !WebKeyBelongsToBrowser(e, vk) ? EM_TRUE : EM_FALSE;
}

static EM_BOOL WebOnMouseMove(int type, const EmscriptenMouseEvent* e, void* user) {
    (void)type;
    (void)user;
    WebSetCursor((int32_t)e->clientX, (int32_t)e->clientY);
    int32_t x = 0;
    int32_t y = 0;
    WebGetCursor(&x, &y);
    // A release that happened where the page could not hear it shows in the buttons still held.
    WebKeysSyncButtons((int32_t)e->buttons);
    MainOnMouseMove(x, y);
    return EM_FALSE;
}

static EM_BOOL WebOnMouseButton(int type, const EmscriptenMouseEvent* e, void* user) {
    (void)user;
    WebSetCursor((int32_t)e->clientX, (int32_t)e->clientY);
    WebKeysOnButton((int32_t)e->button, type == EMSCRIPTEN_EVENT_MOUSEDOWN);
    WebAudioOnGesture();
    return EM_FALSE;
}

static EM_BOOL WebOnBlur(int type, const EmscriptenFocusEvent* e, void* user) {
    (void)type;
    (void)e;
    (void)user;
    WebKeysReleaseAll();
    return EM_FALSE;
}

static EM_BOOL WebOnResize(int type, const EmscriptenUiEvent* e, void* user) {
    (void)type;
    (void)e;
    (void)user;
    MainOnResize(gWebMainWindow);
    return EM_FALSE;
}

// No menu on a right click: the right button is the game's, not the page's.
// clang-format off
EM_JS(void, WebBlockContextMenu, (), {
    window.addEventListener(
        'contextmenu', function(e) { e.preventDefault(); });
});
// clang-format on

static void WebFrame(void) {
    MainFrame(gWebMainWindow);
}

int main(void) {
    gWebMainWindow = WebOpenWindow();
    MainStartup(gWebMainWindow);
    // On the window, in the capture phase: a release outside the canvas (or outside the page, while
    // the button is held) still arrives, and nothing on the page can swallow a key first.
    const char* win = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(win, nullptr, EM_TRUE, WebOnKeyDown);
    emscripten_set_keyup_callback(win, nullptr, EM_TRUE, WebOnKeyUp);
    emscripten_set_mousemove_callback(win, nullptr, EM_TRUE, WebOnMouseMove);
    emscripten_set_mousedown_callback(win, nullptr, EM_TRUE, WebOnMouseButton);
    emscripten_set_mouseup_callback(win, nullptr, EM_TRUE, WebOnMouseButton);
    emscripten_set_blur_callback(win, nullptr, EM_TRUE, WebOnBlur);
    emscripten_set_resize_callback(win, nullptr, EM_TRUE, WebOnResize);
    WebBlockContextMenu();
    // Frame pacing comes from the browser's animation frames; the page never quits the game.
    emscripten_set_main_loop(WebFrame, 0, 0);
    return 0;
}
