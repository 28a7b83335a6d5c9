#pragma once

// State shared by the SDL implementation of the Win32 subset. Nothing outside
// src/platform/sdl (and its tests) includes this.

#include <SDL.h>

#include <string>

#include "platform/win32.h"

namespace pimo::sdl {

// What a pixel format asks of the GL framebuffer; SDL needs it before the window
// exists, so a window remembers what it was created with.
struct PixelAttributes {
    bool doubleBuffer = true;
    int red = 5;
    int green = 6;
    int blue = 5;
    int alpha = 0;
    int depth = 16;
    int stencil = 0;
    bool operator==(const PixelAttributes&) const = default;
};

struct Window;

// Windows of our classes own their device context (CS_OWNDC), so there is one per window.
struct DeviceContext {
    Window* window = nullptr;
    HGDIOBJ selected = nullptr;
};

struct Window {
    SDL_Window* sdl = nullptr;
    WNDPROC procedure = nullptr;
    ATOM classAtom = 0;
    DeviceContext dc;
    PixelAttributes createdWith;
    int pixelFormat = 0;  // 1-based index once SetPixelFormat succeeded
    int reportedWidth = -1;
    int reportedHeight = -1;
    bool destroying = false;
    bool acceptsFiles = false;  // DragAcceptFiles
    DWORD style = 0;            // without WS_VISIBLE, which SDL keeps
    // The window rectangle (frame included) when neither maximised nor full screen.
    RECT normal{};
};

// Hints every SDL subsystem we start must see first.
void setHints();
bool initVideo();
Window* findWindow(HWND handle);
Window* findWindow(SDL_Window* sdl);
DeviceContext* findDc(HDC handle);
bool isSelectedAnywhere(HGDIOBJ object);
inline HWND handleOf(Window* window) {
    return reinterpret_cast<HWND>(window);
}
inline HDC handleOf(DeviceContext* dc) {
    return reinterpret_cast<HDC>(dc);
}

// Sets SDL's GL attributes for the next window or context.
void applyGlAttributes(const PixelAttributes& attributes);
// What a new window is created with: the last format set, else the game's usual request.
PixelAttributes& nextWindowAttributes();

// Sends WM_SIZE when the client size differs from the one last reported.
void reportSize(Window* window);
// Where the window stands on the screen and how large it is, as SDL has it.
SDL_Rect placeOf(SDL_Window* sdl);

// Closes what the process left open (windows, audio) and quits SDL; called by main().
void shutdown();
void shutdownSound();

}  // namespace pimo::sdl
