#pragma once

// How SDL input becomes Win32 message parameters. Pure functions, so they can be
// checked without a display.

#include <SDL.h>

#include "platform/win32.h"

namespace pimo::sdl {

// The virtual-key code Windows would report for the key, 0 for keys it has none for.
// Digits and other non-letter keys go by position (Windows gives VK '1' for the top-row
// key on every layout); letters follow the layout.
int virtualKey(SDL_Keycode key, SDL_Scancode scancode);

// Key-message lParam: repeat count 1, context (Alt held) bit 29, previous state bit
// 30, transition bit 31. The window procedure reads no scan code, so none is sent.
LPARAM keyLParam(bool repeat, bool released, bool altHeld);

// Mouse-message lParam: client x and y, each cut to a signed 16-bit half.
LPARAM pointLParam(int x, int y);

// Mouse-message wParam: the MK_ flags for the buttons and modifiers held.
WPARAM mouseKeyState(Uint32 buttons, SDL_Keymod modifiers);

// WM_MOUSEWHEEL's wParam: WHEEL_DELTA per notch (positive away from the user) in
// the high word, the MK_ flags in the low word.
WPARAM wheelWParam(int notches, Uint32 buttons, SDL_Keymod modifiers);

}  // namespace pimo::sdl
