#include "platform/sdl/input.h"

namespace pimo::sdl {
namespace {

struct KeyCode {
    SDL_Scancode scancode;
    BYTE vk;
};

constexpr KeyCode kKeys[] = {
    {SDL_SCANCODE_RETURN, 0x0D},       {SDL_SCANCODE_ESCAPE, 0x1B},
    {SDL_SCANCODE_BACKSPACE, 0x08},    {SDL_SCANCODE_TAB, 0x09},
    {SDL_SCANCODE_SPACE, 0x20},        {SDL_SCANCODE_MINUS, 0xBD},
    {SDL_SCANCODE_EQUALS, 0xBB},       {SDL_SCANCODE_LEFTBRACKET, 0xDB},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD}, {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_SEMICOLON, 0xBA},    {SDL_SCANCODE_APOSTROPHE, 0xDE},
    {SDL_SCANCODE_GRAVE, 0xC0},        {SDL_SCANCODE_COMMA, 0xBC},
    {SDL_SCANCODE_PERIOD, 0xBE},       {SDL_SCANCODE_SLASH, 0xBF},
    {SDL_SCANCODE_CAPSLOCK, 0x14},     {SDL_SCANCODE_PAUSE, 0x13},
    {SDL_SCANCODE_INSERT, 0x2D},       {SDL_SCANCODE_HOME, 0x24},
    {SDL_SCANCODE_PAGEUP, 0x21},       {SDL_SCANCODE_DELETE, 0x2E},
    {SDL_SCANCODE_END, 0x23},          {SDL_SCANCODE_PAGEDOWN, 0x22},
    {SDL_SCANCODE_RIGHT, 0x27},        {SDL_SCANCODE_LEFT, 0x25},
    {SDL_SCANCODE_DOWN, 0x28},         {SDL_SCANCODE_UP, 0x26},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x90}, {SDL_SCANCODE_SCROLLLOCK, 0x91},
    {SDL_SCANCODE_KP_DIVIDE, 0x6F},    {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
    {SDL_SCANCODE_KP_MINUS, 0x6D},     {SDL_SCANCODE_KP_PLUS, 0x6B},
    {SDL_SCANCODE_KP_ENTER, 0x0D},     {SDL_SCANCODE_KP_PERIOD, 0x6E},
    {SDL_SCANCODE_KP_1, 0x61},         {SDL_SCANCODE_KP_2, 0x62},
    {SDL_SCANCODE_KP_3, 0x63},         {SDL_SCANCODE_KP_4, 0x64},
    {SDL_SCANCODE_KP_5, 0x65},         {SDL_SCANCODE_KP_6, 0x66},
    {SDL_SCANCODE_KP_7, 0x67},         {SDL_SCANCODE_KP_8, 0x68},
    {SDL_SCANCODE_KP_9, 0x69},         {SDL_SCANCODE_KP_0, 0x60},
    {SDL_SCANCODE_LCTRL, 0x11},        {SDL_SCANCODE_RCTRL, 0x11},
    {SDL_SCANCODE_LSHIFT, 0x10},       {SDL_SCANCODE_RSHIFT, 0x10},
    {SDL_SCANCODE_LALT, 0x12},         {SDL_SCANCODE_RALT, 0x12},
    {SDL_SCANCODE_LGUI, 0x5B},         {SDL_SCANCODE_RGUI, 0x5C},
    {SDL_SCANCODE_APPLICATION, 0x5D},  {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
};

BYTE lookup(SDL_Scancode s) {
    if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z)
        return static_cast<BYTE>('A' + (s - SDL_SCANCODE_A));
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_0) {
        const int i = s - SDL_SCANCODE_1;  // 1..9 then 0
        return static_cast<BYTE>(i == 9 ? '0' : '1' + i);
    }
    if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F12)
        return static_cast<BYTE>(0x70 + (s - SDL_SCANCODE_F1));
    for (const KeyCode& k : kKeys)
        if (k.scancode == s) return k.vk;
    return 0;
}

}  // namespace

int virtualKey(SDL_Keycode key, SDL_Scancode scancode) {
    bool digitRow = scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0;
    if (!digitRow && key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    return lookup(scancode);
}

LPARAM keyLParam(bool repeat, bool released, bool altHeld) {
    DWORD value = 1u;
    if (altHeld) value |= 1u << 29;
    if (repeat || released) value |= 1u << 30;
    if (released) value |= 1u << 31;
    return static_cast<LPARAM>(value);
}

LPARAM pointLParam(int x, int y) {
    return MAKELPARAM(x, y);
}

WPARAM mouseKeyState(Uint32 buttons, SDL_Keymod modifiers) {
    WPARAM state = 0;
    if (buttons & SDL_BUTTON_LMASK) state |= 0x0001;  // MK_LBUTTON
    if (buttons & SDL_BUTTON_RMASK) state |= 0x0002;  // MK_RBUTTON
    if (modifiers & KMOD_SHIFT) state |= 0x0004;      // MK_SHIFT
    if (modifiers & KMOD_CTRL) state |= 0x0008;       // MK_CONTROL
    if (buttons & SDL_BUTTON_MMASK) state |= 0x0010;  // MK_MBUTTON
    return state;
}

WPARAM wheelWParam(int notches, Uint32 buttons, SDL_Keymod modifiers) {
    const int delta = notches * WHEEL_DELTA;
    const auto clamped =
        static_cast<short>(delta > 32767 ? 32767 : (delta < -32768 ? -32768 : delta));
    return MAKEWPARAM(mouseKeyState(buttons, modifiers), clamped);
}

}  // namespace pimo::sdl
