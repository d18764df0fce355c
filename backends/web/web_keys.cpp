// web_keys.cpp -- KeyboardEvent.code names to Win32 virtual-key codes (the same codes the SDL2 backend
// gives), and the down state of every physical key and mouse button behind those codes.
#include "backends/web/web_keys.h"

#include <string.h>

#include "backends/key_gate.h"
#include "platform/keys.h"

struct WebKeyName {
    const char* code;
    int32_t vk;
};

// Keys outside the regular runs of letters, digits, keypad digits and F1..F12.
static const WebKeyName WEB_KEY_NAMES[] = {
    {"Backspace", KEY_BACKSPACE},
    {"Tab", KEY_TAB},
    {"Enter", KEY_ENTER},
    {"NumpadEnter", KEY_ENTER},
    {"ShiftLeft", KEY_SHIFT},
    {"ShiftRight", KEY_SHIFT},
    {"ControlLeft", KEY_CONTROL},
    {"ControlRight", KEY_CONTROL},
    {"AltLeft", KEY_ALT},
    {"AltRight", KEY_ALT},
    {"Pause", KEY_PAUSE},
    {"CapsLock", KEY_CAPSLOCK},
    {"Escape", KEY_ESCAPE},
    {"Space", KEY_SPACE},
    {"PageUp", KEY_PAGEUP},
    {"PageDown", KEY_PAGEDOWN},
    {"End", KEY_END},
    {"Home", KEY_HOME},
    {"ArrowLeft", KEY_LEFT},
    {"ArrowUp", KEY_UP},
    {"ArrowRight", KEY_RIGHT},
    {"ArrowDown", KEY_DOWN},
    {"PrintScreen", KEY_PRINTSCREEN},
    {"Insert", KEY_INSERT},
    {"Delete", KEY_DELETE},
    {"MetaLeft", KEY_LWIN},
    {"MetaRight", KEY_RWIN},
    {"OSLeft", KEY_LWIN},
    {"OSRight", KEY_RWIN},
    {"ContextMenu", KEY_APPS},
    {"NumpadMultiply", KEY_MULTIPLY},
    {"NumpadAdd", KEY_ADD},
    {"NumpadSubtract", KEY_SUBTRACT},
    {"NumpadDecimal", KEY_DECIMAL},
    {"NumpadDivide", KEY_DIVIDE},
    {"NumLock", KEY_NUMLOCK},
    {"ScrollLock", KEY_SCROLLLOCK},
    {"Semicolon", KEY_SEMICOLON},
    {"Equal", KEY_EQUALS},
    {"Comma", KEY_COMMA},
    {"Minus", KEY_MINUS},
    {"Period", KEY_PERIOD},
    {"Slash", KEY_SLASH},
    {"Backquote", KEY_GRAVE},
    {"BracketLeft", KEY_LEFTBRACKET},
    {"Backslash", KEY_BACKSLASH},
    {"BracketRight", KEY_RIGHTBRACKET},
    {"Quote", KEY_APOSTROPHE},
};

constexpr int32_t WEB_NAMED_KEYS = (int32_t)(sizeof(WEB_KEY_NAMES) / sizeof(WEB_KEY_NAMES[0]));
// Physical keys: 26 letters, 10 digits, 10 keypad digits, 12 function keys, then the named ones.
constexpr int32_t WEB_SLOT_LETTERS = 0;
constexpr int32_t WEB_SLOT_DIGITS = 26;
constexpr int32_t WEB_SLOT_KEYPAD = 36;
constexpr int32_t WEB_SLOT_FKEYS = 46;
constexpr int32_t WEB_SLOT_NAMED = 58;
constexpr int32_t WEB_SLOTS = WEB_SLOT_NAMED + WEB_NAMED_KEYS;
// Longest name a KeyboardEvent.code can carry through the page's event record.
constexpr size_t WEB_CODE_MAX = 32;

static uint8_t gSlotDown[WEB_SLOTS];
// Down state by virtual-key code: a key code is down while any of its physical keys is.
static uint8_t gVkDown[KEY_COUNT];

// Which physical key a name stands for; -1 when the game has no code for it.
static int32_t WebKeySlot(const char* code) {
    if (!code) {
        return -1;
    }
    size_t len = 0;
    while (len < WEB_CODE_MAX && code[len] != '\0') {
        ++len;
    }
    if (len == WEB_CODE_MAX) {
        return -1;
    }
    if (len == 4 && strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z') {
        return WEB_SLOT_LETTERS + (code[3] - 'A');
    }
    if (len == 6 && strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9') {
        return WEB_SLOT_DIGITS + (code[5] - '0');
    }
    if (len == 7 && strncmp(code, "Numpad", 6) == 0 && code[6] >= '0' && code[6] <= '9') {
        return WEB_SLOT_KEYPAD + (code[6] - '0');
    }
    if ((len == 2 || len == 3) && code[0] == 'F' && code[1] >= '1' && code[1] <= '9') {
        int32_t n = code[1] - '0';
        if (len == 3) {
            if (code[2] < '0' || code[2] > '9') {
                return -1;
            }
            n = n * 10 + (code[2] - '0');
        }
        return n <= 12 ? WEB_SLOT_FKEYS + n - 1 : -1;
    }
    for (int32_t i = 0; i < WEB_NAMED_KEYS; ++i) {
        if (strcmp(code, WEB_KEY_NAMES[i].code) == 0) {
            return WEB_SLOT_NAMED + i;
        }
    }
    return -1;
}

static int32_t WebSlotVk(int32_t slot) {
    if (slot < WEB_SLOT_DIGITS) {
        return KEY_A + slot - WEB_SLOT_LETTERS;
    }
    if (slot < WEB_SLOT_KEYPAD) {
        return KEY_0 + slot - WEB_SLOT_DIGITS;
    }
    if (slot < WEB_SLOT_FKEYS) {
        return KEY_NUMPAD0 + slot - WEB_SLOT_KEYPAD;
    }
    if (slot < WEB_SLOT_NAMED) {
        return KEY_F1 + slot - WEB_SLOT_FKEYS;
    }
    return WEB_KEY_NAMES[slot - WEB_SLOT_NAMED].vk;
}

int32_t WebKeyCodeToVk(const char* code) {
    const int32_t slot = WebKeySlot(code);
    return slot < 0 ? 0 : WebSlotVk(slot);
}

int32_t WebKeysOnKey(const char* code, int down) {
    const int32_t slot = WebKeySlot(code);
    if (slot < 0) {
        return 0;
    }
    gSlotDown[slot] = down ? 1 : 0;
    const int32_t vk = WebSlotVk(slot);
    uint8_t any = 0;
    for (int32_t s = 0; s < WEB_SLOTS; ++s) {
        if (gSlotDown[s] && WebSlotVk(s) == vk) {
            any = 1;
        }
    }
    gVkDown[vk] = any;
    return vk;
}

// MouseEvent.button order is left, middle, right, back, forward.
static const int32_t WEB_BUTTON_VK[5] = {KEY_LBUTTON, KEY_MBUTTON, KEY_RBUTTON, KEY_XBUTTON1, KEY_XBUTTON2};
// MouseEvent.buttons bits are left, right, middle, back, forward.
static const int32_t WEB_BUTTON_BIT_VK[5] = {KEY_LBUTTON, KEY_RBUTTON, KEY_MBUTTON, KEY_XBUTTON1,
                                             KEY_XBUTTON2};

// A click this soon after the page got the focus is the click that gave it.
constexpr double WEB_FOCUS_CLICK_MS = 100.0;

// Holds by the other holders, and those let go before a frame could see them.
static uint8_t gHeld[WEB_HOLDS][KEY_COUNT];
static uint8_t gHeldFresh[WEB_HOLDS][KEY_COUNT];
static uint8_t gHeldLetGo[WEB_HOLDS][KEY_COUNT];
static double gFocusGainedMs = -1e300;

void WebKeysOnButton(int32_t domButton, int down) {
    if ((uint32_t)domButton < 5u) {
        gVkDown[WEB_BUTTON_VK[domButton]] = down ? 1 : 0;
        if (!down) {
            KeyGateOnKeyUp(WEB_BUTTON_VK[domButton]);
        }
    }
}

void WebKeysSyncButtons(int32_t domButtons) {
    // Only releases: a button already held when the pointer came in was pressed outside the page.
    for (int32_t bit = 0; bit < 5; ++bit) {
        if (!((domButtons >> bit) & 1) && gVkDown[WEB_BUTTON_BIT_VK[bit]]) {
            gVkDown[WEB_BUTTON_BIT_VK[bit]] = 0;
            KeyGateOnKeyUp(WEB_BUTTON_BIT_VK[bit]);
        }
    }
}

// The keyboard and the mouse as the page heard them, before the gate.
static int WebKeysRaw(int32_t vk) {
    return (uint32_t)vk < (uint32_t)KEY_COUNT ? gVkDown[vk] : 0;
}

int WebKeysIsDown(int32_t vk) {
    if ((uint32_t)vk >= (uint32_t)KEY_COUNT) {
        return 0;
    }
    int down = KeyGateIsDown(vk, gVkDown[vk]);
    for (int32_t h = 0; h < WEB_HOLDS; ++h) {
        down |= gHeld[h][vk];
    }
    return down;
}

void WebKeysReleaseAll(void) {
    memset(gSlotDown, 0, sizeof(gSlotDown));
    memset(gVkDown, 0, sizeof(gVkDown));
    memset(gHeld, 0, sizeof(gHeld));
    memset(gHeldFresh, 0, sizeof(gHeldFresh));
    memset(gHeldLetGo, 0, sizeof(gHeldLetGo));
    // Nothing is down now, so nothing is held back either.
    KeyGateSetFocus(KeyGateHasFocus(), nullptr);
}

void WebKeysHold(int32_t holder, int32_t vk, int down) {
    if ((uint32_t)holder >= (uint32_t)WEB_HOLDS || (uint32_t)vk >= (uint32_t)KEY_COUNT) {
        return;
    }
    if (down) {
        gHeldFresh[holder][vk] = gHeld[holder][vk] ? gHeldFresh[holder][vk] : 1;
        gHeld[holder][vk] = 1;
        gHeldLetGo[holder][vk] = 0;
    } else if (gHeldFresh[holder][vk]) {
        gHeldLetGo[holder][vk] = 1;
    } else {
        gHeld[holder][vk] = 0;
    }
}

void WebKeysEndFrame(void) {
    for (int32_t h = 0; h < WEB_HOLDS; ++h) {
        for (int32_t vk = 0; vk < KEY_COUNT; ++vk) {
            if (gHeldLetGo[h][vk]) {
                gHeld[h][vk] = 0;
                gHeldLetGo[h][vk] = 0;
            }
            gHeldFresh[h][vk] = 0;
        }
    }
    KeyGateEndFrame();
}

WebKeyDown WebKeysOnKeyDown(const char* code, int repeat) {
    WebKeyDown out = {{0, 0}, 0};
    const int32_t slot = WebKeySlot(code);
    // A repeat of a key the page never saw go down: it was pressed before the page had the focus.
    if (slot < 0 || (repeat && !gSlotDown[slot])) {
        return out;
    }
    const int32_t vk = WebKeysOnKey(code, 1);
    const KeyGateAction action = KeyGateOnKeyDown(vk, repeat, gVkDown[KEY_ALT]);
    out.fullscreen = action == KEY_GATE_TOGGLE ? 1 : 0;
    // An Alt that turned out to be no chord comes first.
    out.messages[0] = KeyGateTakeLatePress();
    if (action == KEY_GATE_PASS) {
        out.messages[out.messages[0] ? 1 : 0] = vk;
    }
    return out;
}

int32_t WebKeysOnKeyUp(const char* code) {
    const int32_t vk = WebKeysOnKey(code, 0);
    // The gate hears of a code's release once none of its keys is down (both Alts, both Enters).
    if (vk != 0 && !gVkDown[vk]) {
        KeyGateOnKeyUp(vk);
    }
    return KeyGateTakeLatePress();
}

void WebKeysOnButtonDown(int32_t domButton, double nowMs) {
    if (WebKeysPressCounts(nowMs)) {
        WebKeysOnButton(domButton, 1);
        // Latched: a click released before the next animation frame still counts once.
        if ((uint32_t)domButton < 5u) {
            KeyGateOnPress(WEB_BUTTON_VK[domButton]);
        }
    }
}

void WebKeysOnFocus(int focused, double nowMs) {
    if (focused && !KeyGateHasFocus()) {
        gFocusGainedMs = nowMs;
    }
    if (!focused) {
        WebKeysReleaseAll();
    }
    KeyGateSetFocus(focused, WebKeysRaw);
}

int WebKeysPressCounts(double nowMs) {
    return KeyGateHasFocus() && !(nowMs - gFocusGainedMs < WEB_FOCUS_CLICK_MS);
}

int WebKeysHasFocus(void) {
    return KeyGateHasFocus();
}
