// keys.h -- the key codes of the platform seam, named once: Win32 virtual-key numbers (0..255, buttons
// included), which every backend translates its own keys into and which the game reads.
#pragma once
#include <stdint.h>

constexpr int32_t KEY_COUNT = 256;

constexpr int32_t KEY_LBUTTON = 1;
constexpr int32_t KEY_RBUTTON = 2;
constexpr int32_t KEY_MBUTTON = 4;
constexpr int32_t KEY_XBUTTON1 = 5;
constexpr int32_t KEY_XBUTTON2 = 6;

// Mouse buttons are keys that send no key-down message.
inline int KeyIsMouseButton(int32_t vk) {
    return vk == KEY_LBUTTON || vk == KEY_RBUTTON || (vk >= KEY_MBUTTON && vk <= KEY_XBUTTON2);
}

constexpr int32_t KEY_BACKSPACE = 8;
constexpr int32_t KEY_TAB = 9;
constexpr int32_t KEY_ENTER = 13;
constexpr int32_t KEY_SHIFT = 16;
constexpr int32_t KEY_CONTROL = 17;
constexpr int32_t KEY_ALT = 18;
constexpr int32_t KEY_PAUSE = 19;
constexpr int32_t KEY_CAPSLOCK = 20;
constexpr int32_t KEY_ESCAPE = 27;
constexpr int32_t KEY_SPACE = 32;
constexpr int32_t KEY_PAGEUP = 33;
constexpr int32_t KEY_PAGEDOWN = 34;
constexpr int32_t KEY_END = 35;
constexpr int32_t KEY_HOME = 36;
constexpr int32_t KEY_LEFT = 37;
constexpr int32_t KEY_UP = 38;
constexpr int32_t KEY_RIGHT = 39;
constexpr int32_t KEY_DOWN = 40;
constexpr int32_t KEY_PRINTSCREEN = 44;
constexpr int32_t KEY_INSERT = 45;
constexpr int32_t KEY_DELETE = 46;

// The digit row and the letters are their ASCII capitals: KEY_0 + n, KEY_A + n.
constexpr int32_t KEY_0 = '0';
constexpr int32_t KEY_9 = '9';
constexpr int32_t KEY_A = 'A';
constexpr int32_t KEY_D = 'D';
constexpr int32_t KEY_F = 'F';
constexpr int32_t KEY_R = 'R';
constexpr int32_t KEY_S = 'S';
constexpr int32_t KEY_W = 'W';
constexpr int32_t KEY_Z = 'Z';

constexpr int32_t KEY_LWIN = 91;
constexpr int32_t KEY_RWIN = 92;
constexpr int32_t KEY_APPS = 93;
// Keypad digits KEY_NUMPAD0 + n.
constexpr int32_t KEY_NUMPAD0 = 96;
constexpr int32_t KEY_NUMPAD9 = 105;
constexpr int32_t KEY_MULTIPLY = 106;
constexpr int32_t KEY_ADD = 107;
constexpr int32_t KEY_SUBTRACT = 109;
constexpr int32_t KEY_DECIMAL = 110;
constexpr int32_t KEY_DIVIDE = 111;
// Function keys KEY_F1 + n - 1.
constexpr int32_t KEY_F1 = 112;
constexpr int32_t KEY_F11 = 122;
constexpr int32_t KEY_F12 = 123;
constexpr int32_t KEY_NUMLOCK = 144;
constexpr int32_t KEY_SCROLLLOCK = 145;
// The sided modifiers: the Windows build's key state reports them besides KEY_SHIFT, KEY_CONTROL, KEY_ALT.
constexpr int32_t KEY_LSHIFT = 160;
constexpr int32_t KEY_RSHIFT = 161;
constexpr int32_t KEY_LCONTROL = 162;
constexpr int32_t KEY_RCONTROL = 163;
constexpr int32_t KEY_LALT = 164;
constexpr int32_t KEY_RALT = 165;
constexpr int32_t KEY_SEMICOLON = 186;
constexpr int32_t KEY_EQUALS = 187;
constexpr int32_t KEY_COMMA = 188;
constexpr int32_t KEY_MINUS = 189;
constexpr int32_t KEY_PERIOD = 190;
constexpr int32_t KEY_SLASH = 191;
constexpr int32_t KEY_GRAVE = 192;
constexpr int32_t KEY_LEFTBRACKET = 219;
constexpr int32_t KEY_BACKSLASH = 220;
constexpr int32_t KEY_RIGHTBRACKET = 221;
constexpr int32_t KEY_APOSTROPHE = 222;
