// gdi32 and WGL over SDL2's GL attributes and contexts; fonts come from bitmap_font.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "platform/frame_pacing.h"
#include "platform/gl.h"
#include "platform/sdl/bitmap_font.h"
#include "platform/sdl/layer.h"

namespace pimo::sdl {
namespace {

std::vector<PixelAttributes> formats;  // ChoosePixelFormat hands out index + 1

struct Context {
    SDL_GLContext gl = nullptr;
    PixelAttributes attributes;
};
std::vector<std::unique_ptr<Context>> contexts;

struct Font {
    int height = 0;
};
std::vector<std::unique_ptr<Font>> fonts;
Font defaultFont;  // what a device context holds before anything is selected

Uint64 lastSwap = 0;

Context* findContext(HGLRC handle) {
    for (auto& c : contexts)
        if (reinterpret_cast<HGLRC>(c.get()) == handle) return c.get();
    return nullptr;
}

Font* findFont(HGDIOBJ handle) {
    if (handle == reinterpret_cast<HGDIOBJ>(&defaultFont)) return &defaultFont;
    for (auto& f : fonts)
        if (reinterpret_cast<HGDIOBJ>(f.get()) == handle) return f.get();
    return nullptr;
}

// SDL picks the window's visual from the GL attributes when the window is made, so a
// pixel format other than the one the window was made with means making it again.
bool recreate(Window* w, const PixelAttributes& attributes) {
    const SDL_Rect place = placeOf(w->sdl);
    Uint32 old = SDL_GetWindowFlags(w->sdl);
    Uint32 flags = SDL_WINDOW_OPENGL |
                   (old & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE)) |
                   ((old & SDL_WINDOW_SHOWN) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
    applyGlAttributes(attributes);
    SDL_Window* fresh =
        SDL_CreateWindow(SDL_GetWindowTitle(w->sdl), place.x, place.y, place.w, place.h, flags);
    if (!fresh) return false;
    SDL_DestroyWindow(w->sdl);
    w->sdl = fresh;
    w->createdWith = attributes;
    return true;
}

// Where the display ignores the swap interval (Xvfb does), the swap returns at once;
// hold every frame to at least one frame's time so the game never races.
void paceFrame() {
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    const Uint64 wait = frameWait<Uint64>(frequency, SDL_GetPerformanceCounter(), lastSwap);
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::nanoseconds(wait * 1'000'000'000 / frequency));
}

}  // namespace

void applyGlAttributes(const PixelAttributes& a) {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, a.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, a.red);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, a.green);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, a.blue);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, a.alpha);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, a.depth);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, a.stencil);
    // Immediate mode and display lists: the compatibility profile.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

PixelAttributes& nextWindowAttributes() {
    static PixelAttributes next;
    return next;
}

}  // namespace pimo::sdl

using namespace pimo::sdl;

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* format) {
    if (!findDc(dc) || !format) return 0;
    const DWORD needed = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;
    if ((format->dwFlags & needed) != needed || format->iPixelType != PFD_TYPE_RGBA) return 0;
    PixelAttributes a;
    a.doubleBuffer = (format->dwFlags & PFD_DOUBLEBUFFER) != 0;
    bool deep = format->cColorBits > 16;
    a.red = deep ? 8 : 5;
    a.green = deep ? 8 : 6;
    a.blue = deep ? 8 : 5;
    a.alpha = format->cAlphaBits;
    a.depth = format->cDepthBits;
    a.stencil = format->cStencilBits;
    auto it = std::find(formats.begin(), formats.end(), a);
    if (it == formats.end()) it = formats.insert(formats.end(), a);
    return static_cast<int>(it - formats.begin()) + 1;
}

// As on Windows the index decides; the descriptor is not looked at again.
BOOL WINAPI SetPixelFormat(HDC dc, int index, const PIXELFORMATDESCRIPTOR*) {
    DeviceContext* d = findDc(dc);
    if (!d || index < 1 || index > static_cast<int>(formats.size())) return FALSE;
    Window* w = d->window;
    if (w->pixelFormat) return w->pixelFormat == index;  // a window's format is set once
    const PixelAttributes& a = formats[static_cast<size_t>(index - 1)];
    if (!(w->createdWith == a) && !recreate(w, a)) return FALSE;
    w->pixelFormat = index;
    nextWindowAttributes() = a;
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC dc) {
    DeviceContext* d = findDc(dc);
    if (!d || !d->window->pixelFormat) return FALSE;
    SDL_GL_SwapWindow(d->window->sdl);
    paceFrame();
    return TRUE;
}

HFONT WINAPI CreateFontA(int height, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                         DWORD, DWORD, LPCSTR) {
    auto f = std::make_unique<Font>();
    f->height = height;
    fonts.push_back(std::move(f));
    return reinterpret_cast<HFONT>(fonts.back().get());
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext* d = findDc(dc);
    if (!d || !findFont(object)) return nullptr;
    HGDIOBJ previous = d->selected ? d->selected : reinterpret_cast<HGDIOBJ>(&defaultFont);
    d->selected = object;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    Font* f = findFont(object);
    if (!f) return FALSE;
    if (f == &defaultFont) return TRUE;  // a stock object: deleting it does nothing
    if (isSelectedAnywhere(object)) return FALSE;
    std::erase_if(fonts, [&](const auto& p) { return p.get() == f; });
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC dc) {
    DeviceContext* d = findDc(dc);
    if (!d || !d->window->pixelFormat) return nullptr;
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    applyGlAttributes(d->window->createdWith);
    SDL_GLContext gl = SDL_GL_CreateContext(d->window->sdl);
    if (!gl) return nullptr;
    // SDL makes a new context current; wglCreateContext leaves the current one alone.
    SDL_GL_MakeCurrent(previous ? previousWindow : nullptr, previous);
    auto c = std::make_unique<Context>();
    c->gl = gl;
    c->attributes = d->window->createdWith;
    contexts.push_back(std::move(c));
    return reinterpret_cast<HGLRC>(contexts.back().get());
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) {
    if (!context) {
        if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_GL_GetCurrentContext()) return TRUE;
        return SDL_GL_MakeCurrent(nullptr, nullptr) == 0 ? TRUE : FALSE;
    }
    Context* c = findContext(context);
    DeviceContext* d = findDc(dc);
    if (!c || !d || !d->window->pixelFormat || !(d->window->createdWith == c->attributes))
        return FALSE;
    if (SDL_GL_MakeCurrent(d->window->sdl, c->gl) != 0) return FALSE;
    SDL_GL_SetSwapInterval(1);  // where refused, SwapBuffers paces the frames itself
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC context) {
    Context* c = findContext(context);
    if (!c) return FALSE;
    if (SDL_GL_GetCurrentContext() == c->gl) SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(c->gl);
    std::erase_if(contexts, [&](const auto& p) { return p.get() == c; });
    return TRUE;
}

// The selected font's height only picks a whole-number scale of the built-in glyphs;
// its face and weight are not looked at.
BOOL WINAPI wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) {
    DeviceContext* d = findDc(dc);
    if (!d || !SDL_GL_GetCurrentContext()) return FALSE;
    Font* font = findFont(d->selected);
    const int height = font ? std::abs(font->height) : 0;
    return compileBitmapFont(first, count, listBase, height) ? TRUE : FALSE;
}
