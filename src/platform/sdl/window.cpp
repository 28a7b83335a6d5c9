// user32, kernel32 and shell32 over SDL2: window classes, windows, the message queue,
// capture, cursor, display mode, message boxes and dropped files.

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/input.h"
#include "platform/sdl/layer.h"

namespace pimo::sdl {
namespace {

struct WindowClass {
    ATOM atom = 0;
    std::string name;
    WNDCLASSA info{};
};

std::vector<std::unique_ptr<WindowClass>> classes;
std::vector<std::unique_ptr<Window>> windows;
std::deque<MSG> queue;
bool quitPosted = false;
int quitCode = 0;
ATOM nextAtom = 0xC000;  // where Windows numbers its class atoms
HWND captureWindow = nullptr;
int cursorCount = 0;
bool fullscreenRequested = false;
SDL_DisplayMode fullscreenMode{};

// What an HDROP points to: one file (SDL reports a drop file by file) and the
// pointer's client position, as SDL gives none with the drop.
struct Drop {
    std::string file;
    POINT point{};
};
// Owned here until DragFinish, or until the window goes with them still queued.
std::vector<std::unique_ptr<Drop>> drops;

Drop* findDrop(HDROP handle) {
    for (auto& d : drops)
        if (reinterpret_cast<HDROP>(d.get()) == handle) return d.get();
    return nullptr;
}

// Distinct addresses handed out as the module, icon and cursor handles.
char moduleTag, iconTag, cursorTag;

// The frame our AdjustWindowRectEx adds and CreateWindowExA takes off again, so a
// window is always created with the client size the caller asked for.
struct Frame {
    int side = 0;
    int top = 0;
};

Frame frameFor(DWORD style) {
    Frame f;
    if (style & WS_CAPTION) f.side = 3;
    if (style & WS_THICKFRAME) f.side += 1;
    f.top = f.side;
    if ((style & WS_CAPTION) == WS_CAPTION) f.top += 23;
    return f;
}

bool isAtom(LPCSTR name) {
    return reinterpret_cast<uintptr_t>(name) < 0x10000;
}

WindowClass* findClass(LPCSTR name) {
    if (!name) return nullptr;
    for (auto& c : classes) {
        if (isAtom(name) ? c->atom == reinterpret_cast<uintptr_t>(name)
                         : SDL_strcasecmp(c->name.c_str(), name) == 0)
            return c.get();
    }
    return nullptr;
}

bool maximised(const Window* w) {
    return (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MAXIMIZED) != 0;
}

bool coversDesktop(const Window* w) {
    return (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
           SDL_WINDOW_FULLSCREEN_DESKTOP;
}

}  // namespace

SDL_Rect placeOf(SDL_Window* sdl) {
    SDL_Rect place{0, 0, 0, 0};
    SDL_GetWindowPosition(sdl, &place.x, &place.y);
    SDL_GetWindowSize(sdl, &place.w, &place.h);
    return place;
}

namespace {

WPARAM sizeKind(const Window* w) {
    return maximised(w) ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

void rememberNormal(Window* w) {
    if (maximised(w) || (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN)) return;
    const SDL_Rect p = placeOf(w->sdl);
    const Frame f = frameFor(w->style);
    w->normal = {p.x - f.side, p.y - f.top, p.x + p.w + f.side, p.y + p.h + f.side};
}

// Client size and position from a window rectangle, frame taken off.
void placeClient(Window* w, const RECT& r, bool move, bool size) {
    const Frame f = frameFor(w->style);
    if (size)
        SDL_SetWindowSize(w->sdl, std::max<int>(r.right - r.left - 2 * f.side, 1),
                          std::max<int>(r.bottom - r.top - f.top - f.side, 1));
    if (move) SDL_SetWindowPosition(w->sdl, r.left + f.side, r.top + f.top);
}

LRESULT send(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
    return w->procedure(handleOf(w), message, wParam, lParam);
}

void post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m{hwnd, message, wParam, lParam, SDL_GetTicks(), {0, 0}};
    int x = 0;
    int y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    m.pt = {x, y};
    queue.push_back(m);
}

Window* eventWindow(Uint32 windowId) {
    return findWindow(SDL_GetWindowFromID(windowId));
}

void translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            Window* w = eventWindow(e.key.windowID);
            int vk = virtualKey(e.key.keysym.sym, e.key.keysym.scancode);
            if (!w || vk == 0) return;
            bool up = e.type == SDL_KEYUP;
            bool alt = (e.key.keysym.mod & KMOD_ALT) != 0 || vk == 0x12;
            // As on Windows: Alt combinations (not AltGr, which is Ctrl+Alt) and F10 are system
            // keys.
            bool system = (alt && !(e.key.keysym.mod & KMOD_CTRL)) || vk == 0x79;
            UINT message =
                system ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
            post(handleOf(w), message, static_cast<WPARAM>(vk),
                 keyLParam(e.key.repeat != 0, up, alt));
            return;
        }
        case SDL_MOUSEMOTION: {
            if (Window* w = eventWindow(e.motion.windowID))
                post(handleOf(w), WM_MOUSEMOVE, mouseKeyState(e.motion.state, SDL_GetModState()),
                     pointLParam(e.motion.x, e.motion.y));
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            Window* w = eventWindow(e.button.windowID);
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            UINT message;
            if (e.button.button == SDL_BUTTON_LEFT)
                message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            else if (e.button.button == SDL_BUTTON_RIGHT)
                message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            else if (e.button.button == SDL_BUTTON_MIDDLE)
                message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            else
                return;
            if (!w) return;
            Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
            Uint32 mask = SDL_BUTTON(e.button.button);
            buttons = down ? (buttons | mask) : (buttons & ~mask);
            post(handleOf(w), message, mouseKeyState(buttons, SDL_GetModState()),
                 pointLParam(e.button.x, e.button.y));
            return;
        }
        case SDL_MOUSEWHEEL: {
            Window* w = eventWindow(e.wheel.windowID);
            if (!w || e.wheel.y == 0) return;
            int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            // As Windows sends it: the delta in the high word of wParam, the pointer
            // in screen coordinates in lParam.
            int x = 0;
            int y = 0;
            SDL_GetGlobalMouseState(&x, &y);
            post(handleOf(w), WM_MOUSEWHEEL,
                 wheelWParam(notches, SDL_GetMouseState(nullptr, nullptr), SDL_GetModState()),
                 pointLParam(x, y));
            return;
        }
        case SDL_WINDOWEVENT: {
            Window* w = eventWindow(e.window.windowID);
            if (!w) return;
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                e.window.event == SDL_WINDOWEVENT_MOVED) {
                rememberNormal(w);
                if (e.window.event == SDL_WINDOWEVENT_MOVED) return;
                int width = e.window.data1;
                int height = e.window.data2;
                if (width == w->reportedWidth && height == w->reportedHeight) return;
                w->reportedWidth = width;
                w->reportedHeight = height;
                post(handleOf(w), WM_SIZE, sizeKind(w), MAKELPARAM(width, height));
            } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                post(handleOf(w), WM_CLOSE, 0, 0);
            }
            return;
        }
        case SDL_DROPFILE: {
            Window* w = eventWindow(e.drop.windowID);
            if (w && w->acceptsFiles && e.drop.file) {
                auto drop = std::make_unique<Drop>();
                drop->file = e.drop.file;
                int x = 0;
                int y = 0;
                SDL_GetMouseState(&x, &y);
                drop->point = {x, y};
                post(handleOf(w), WM_DROPFILES, reinterpret_cast<WPARAM>(drop.get()), 0);
                drops.push_back(std::move(drop));
            }
            SDL_free(e.drop.file);
            return;
        }
        case SDL_QUIT:  // the session ending: ask every window to close
            for (auto& w : windows) post(handleOf(w.get()), WM_CLOSE, 0, 0);
            return;
        default:
            return;
    }
}

void pumpEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) translate(e);
}

}  // namespace

void setHints() {
    // Closing the window must reach the window procedure as WM_CLOSE, not end anything.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Ctrl+C and SIGTERM end the process as they end any other, even when there is no
    // window whose WM_CLOSE could end the game.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The screen saver is held off only while one of our windows exists.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
}

bool initVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    setHints();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    // Without a display SDL falls back to drivers that show nothing, and the game
    // would run unseen; those count only when SDL_VIDEODRIVER asks for them.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver != nullptr &&
        (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        (asked == nullptr || SDL_strcasecmp(asked, driver) != 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_SetError("only SDL's %s video driver could start", driver);
        return false;
    }
    SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

Window* findWindow(HWND handle) {
    if (!handle) return nullptr;
    for (auto& w : windows)
        if (handleOf(w.get()) == handle) return w.get();
    return nullptr;
}

Window* findWindow(SDL_Window* sdl) {
    if (!sdl) return nullptr;
    for (auto& w : windows)
        if (w->sdl == sdl) return w.get();
    return nullptr;
}

DeviceContext* findDc(HDC handle) {
    if (!handle) return nullptr;
    for (auto& w : windows)
        if (handleOf(&w->dc) == handle) return &w->dc;
    return nullptr;
}

bool isSelectedAnywhere(HGDIOBJ object) {
    return std::any_of(windows.begin(), windows.end(),
                       [&](const auto& w) { return w->dc.selected == object; });
}

void reportSize(Window* w) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(w->sdl, &width, &height);
    if (width == w->reportedWidth && height == w->reportedHeight) return;
    w->reportedWidth = width;
    w->reportedHeight = height;
    rememberNormal(w);
    send(w, WM_SIZE, sizeKind(w), MAKELPARAM(width, height));
}

void shutdown() {
    shutdownSound();
    windows.clear();  // SDL_Quit destroys the SDL windows themselves
    drops.clear();
    SDL_Quit();
}

}  // namespace pimo::sdl

using namespace pimo::sdl;

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    return moduleName ? nullptr : reinterpret_cast<HMODULE>(&moduleTag);
}

// Only the system icon and cursor exist; there are no resources in a module.
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    return instance || !name ? nullptr : reinterpret_cast<HICON>(&iconTag);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return instance || !name ? nullptr : reinterpret_cast<HCURSOR>(&cursorTag);
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        isAtom(windowClass->lpszClassName) || !*windowClass->lpszClassName)
        return 0;
    if (findClass(windowClass->lpszClassName) || nextAtom == 0) return 0;
    if (!initVideo()) return 0;
    auto c = std::make_unique<WindowClass>();
    c->atom = nextAtom++;
    c->name = windowClass->lpszClassName;
    c->info = *windowClass;
    c->info.lpszClassName = c->name.c_str();
    c->info.lpszMenuName = nullptr;
    ATOM atom = c->atom;
    classes.push_back(std::move(c));
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
    WindowClass* c = findClass(className);
    if (!c) return FALSE;
    for (auto& w : windows)
        if (w->classAtom == c->atom) return FALSE;  // Windows refuses while windows of it exist
    std::erase_if(classes, [&](const auto& p) { return p.get() == c; });
    return TRUE;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* mode, DWORD) {
    if (!mode) {
        fullscreenRequested = false;
        for (auto& w : windows)
            if (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN)
                SDL_SetWindowFullscreen(w->sdl, 0);
        return DISP_CHANGE_SUCCESSFUL;
    }
    // There is no changing the desktop mode here: a mode becomes a full-screen window.
    if (!initVideo()) return DISP_CHANGE_FAILED;
    SDL_DisplayMode want{};
    if (SDL_GetDesktopDisplayMode(0, &want) != 0) return DISP_CHANGE_FAILED;
    want.format = 0;
    want.refresh_rate = 0;
    if (mode->dmFields & DM_PELSWIDTH) want.w = static_cast<int>(mode->dmPelsWidth);
    if (mode->dmFields & DM_PELSHEIGHT) want.h = static_cast<int>(mode->dmPelsHeight);
    SDL_DisplayMode got{};
    if (want.w <= 0 || want.h <= 0 || !SDL_GetClosestDisplayMode(0, &want, &got))
        return DISP_CHANGE_FAILED;
    for (auto& w : windows) {
        if (SDL_SetWindowDisplayMode(w->sdl, &got) != 0 ||
            SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN) != 0)
            return DISP_CHANGE_FAILED;
    }
    fullscreenRequested = true;
    fullscreenMode = got;
    return DISP_CHANGE_SUCCESSFUL;
}

int WINAPI ShowCursor(BOOL show) {
    cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorCount;
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD) {
    if (!rect) return FALSE;
    Frame f = frameFor(style);
    rect->left -= f.side;
    rect->right += f.side;
    rect->top -= f.top;
    rect->bottom += f.side;
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
    if (parent) return nullptr;  // child windows are not supported
    WindowClass* c = findClass(className);
    if (!c || !initVideo()) return nullptr;

    Frame f = frameFor(style);
    int clientWidth = std::max(width - 2 * f.side, 1);
    int clientHeight = std::max(height - f.top - f.side, 1);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    if ((style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    if (fullscreenRequested) flags |= SDL_WINDOW_FULLSCREEN;

    PixelAttributes attributes = nextWindowAttributes();
    applyGlAttributes(attributes);
    SDL_Window* sdl = SDL_CreateWindow(windowName ? windowName : "", x + f.side, y + f.top,
                                       clientWidth, clientHeight, flags);
    if (!sdl) return nullptr;
    if (fullscreenRequested) SDL_SetWindowDisplayMode(sdl, &fullscreenMode);

    auto owned = std::make_unique<Window>();
    Window* w = owned.get();
    w->sdl = sdl;
    w->procedure = c->info.lpfnWndProc;
    w->classAtom = c->atom;
    w->dc.window = w;
    w->createdWith = attributes;
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->normal = {x, y, x + width, y + height};
    windows.push_back(std::move(owned));
    SDL_DisableScreenSaver();

    HWND handle = handleOf(w);
    if (send(w, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!findWindow(handle)) return nullptr;  // destroyed by its own procedure
    reportSize(w);
    return findWindow(handle) ? handle : nullptr;
}

BOOL WINAPI DestroyWindow(HWND window) {
    Window* w = findWindow(window);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    send(w, WM_DESTROY, 0, 0);
    if (captureWindow == window) ReleaseCapture();
    SDL_DestroyWindow(w->sdl);
    for (const MSG& m : queue)
        if (m.hwnd == window && m.message == WM_DROPFILES)
            DragFinish(reinterpret_cast<HDROP>(m.wParam));
    std::erase_if(queue, [&](const MSG& m) { return m.hwnd == window; });
    std::erase_if(windows, [&](const auto& p) { return p.get() == w; });
    if (windows.empty()) SDL_EnableScreenSaver();
    return TRUE;
}

HDC WINAPI GetDC(HWND window) {
    Window* w = findWindow(window);
    return w ? handleOf(&w->dc) : nullptr;
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    Window* w = findWindow(window);
    return w && handleOf(&w->dc) == dc ? 1 : 0;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    Window* w = findWindow(window);
    if (!w) return FALSE;
    BOOL wasVisible = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
    if (command == SW_HIDE) {
        SDL_HideWindow(w->sdl);
    } else {
        SDL_ShowWindow(w->sdl);
        if (command == SW_MAXIMIZE) SDL_MaximizeWindow(w->sdl);
    }
    reportSize(w);  // a full-screen window takes the mode's size when shown
    return wasVisible;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
    Window* w = findWindow(window);
    if (!w) return FALSE;
    SDL_RaiseWindow(w->sdl);
    return TRUE;
}

HWND WINAPI SetFocus(HWND window) {
    Window* w = findWindow(window);
    if (window && !w) return nullptr;
    Window* previous = findWindow(SDL_GetKeyboardFocus());
    if (w) SDL_SetWindowInputFocus(w->sdl);
    return previous ? handleOf(previous) : nullptr;
}

BOOL WINAPI GetClientRect(HWND window, RECT* rect) {
    Window* w = findWindow(window);
    if (!w || !rect) return FALSE;
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(w->sdl, &width, &height);
    *rect = {0, 0, width, height};
    return TRUE;
}

BOOL WINAPI IsZoomed(HWND window) {
    Window* w = findWindow(window);
    return w && maximised(w) ? TRUE : FALSE;
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
    Window* w = findWindow(window);
    if (!w || index != GWL_STYLE) return 0;
    const bool shown = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN) != 0;
    return static_cast<LONG>(w->style | (shown ? WS_VISIBLE : 0));
}

// Only the frame follows the style: a caption gives a border, a sizing frame resizing.
LONG WINAPI SetWindowLongA(HWND window, int index, LONG value) {
    Window* w = findWindow(window);
    if (!w || index != GWL_STYLE) return 0;
    const LONG previous = GetWindowLongA(window, index);
    w->style = static_cast<DWORD>(value) & ~static_cast<DWORD>(WS_VISIBLE);
    SDL_SetWindowBordered(w->sdl, (w->style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(w->sdl, (w->style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
    return previous;
}

// A frameless window laid exactly over its display is SDL's desktop full screen.
BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
    Window* w = findWindow(window);
    if (!w) return FALSE;
    const bool size = (flags & SWP_NOSIZE) == 0;
    const bool move = (flags & SWP_NOMOVE) == 0;
    SDL_Rect bounds{};
    const int display = SDL_GetWindowDisplayIndex(w->sdl);
    if (size && move && (w->style & WS_CAPTION) != WS_CAPTION && display >= 0 &&
        SDL_GetDisplayBounds(display, &bounds) == 0 && x == bounds.x && y == bounds.y &&
        width == bounds.w && height == bounds.h) {
        // Laid there first as asked: without a window manager nothing else would.
        placeClient(w, {x, y, x + width, y + height}, true, true);
        if (SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return FALSE;
        reportSize(w);
        return TRUE;
    }
    if (coversDesktop(w) && (size || move)) SDL_SetWindowFullscreen(w->sdl, 0);
    placeClient(w, {x, y, x + width, y + height}, move, size);
    reportSize(w);
    return TRUE;
}

BOOL WINAPI GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
    Window* w = findWindow(window);
    if (!w || !placement) return FALSE;
    placement->flags = 0;
    placement->showCmd = maximised(w) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement->ptMinPosition = {-1, -1};
    placement->ptMaxPosition = {-1, -1};
    placement->rcNormalPosition = w->normal;
    return TRUE;
}

BOOL WINAPI SetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement) {
    Window* w = findWindow(window);
    if (!w || !placement) return FALSE;
    if (coversDesktop(w)) SDL_SetWindowFullscreen(w->sdl, 0);
    if (maximised(w)) SDL_RestoreWindow(w->sdl);
    placeClient(w, placement->rcNormalPosition, true, true);
    w->normal = placement->rcNormalPosition;
    if (placement->showCmd == SW_SHOWMAXIMIZED) SDL_MaximizeWindow(w->sdl);
    reportSize(w);
    return TRUE;
}

// A monitor is its SDL display, numbered from 1 so that none is null.
HMONITOR WINAPI MonitorFromWindow(HWND window, DWORD) {
    Window* w = findWindow(window);
    const int display = w ? SDL_GetWindowDisplayIndex(w->sdl) : 0;
    return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(display < 0 ? 1 : display + 1));
}

BOOL WINAPI GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info) {
    const auto display = static_cast<int>(reinterpret_cast<uintptr_t>(monitor)) - 1;
    SDL_Rect bounds{};
    SDL_Rect usable{};
    if (!info || display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0) return FALSE;
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0) usable = bounds;
    info->rcMonitor = {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    info->rcWork = {usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
    info->dwFlags = display == 0 ? 1 : 0;
    return TRUE;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const char* title = caption ? caption : "Error";
    const char* body = text ? text : "";
    bool yesNo = (type & 0x0F) == MB_YESNO;

    Uint32 flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    switch (type & 0xF0) {
        case MB_ICONSTOP:
            flags |= SDL_MESSAGEBOX_ERROR;
            break;
        case MB_ICONEXCLAMATION:
            flags |= SDL_MESSAGEBOX_WARNING;
            break;
        default:
            flags |= SDL_MESSAGEBOX_INFORMATION;
            break;
    }
    const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
         "OK"}};
    const SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"}};
    Window* w = findWindow(owner);
    SDL_MessageBoxData data{flags,  w ? w->sdl : nullptr, title,
                            body,   yesNo ? 2 : 1,        yesNo ? yesNoButtons : okButton,
                            nullptr};
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        // No display to ask on: say it where it can be read, and never answer yes.
        std::fprintf(stderr, "%s: %s\n", title, body);
        return yesNo ? IDNO : IDOK;
    }
    if (pressed < 0) return yesNo ? IDNO : IDOK;  // closed without choosing
    return pressed;
}

BOOL WINAPI PeekMessageW(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
    if (!msg) return FALSE;
    auto wanted = [&](const MSG& m) {
        if (window && m.hwnd != window) return false;
        return (filterMin == 0 && filterMax == 0) ||
               (m.message >= filterMin && m.message <= filterMax);
    };
    auto take = [&]() {
        auto it = std::find_if(queue.begin(), queue.end(), wanted);
        if (it == queue.end()) return false;
        *msg = *it;
        if (remove & PM_REMOVE) queue.erase(it);
        return true;
    };
    if (take()) return TRUE;
    pumpEvents();
    if (take()) return TRUE;
    // Like Windows, the quit request comes out only once nothing else is waiting.
    if (quitPosted && !window) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0, SDL_GetTicks(), {0, 0}};
        if (remove & PM_REMOVE) quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

// No WM_CHAR is ever produced; like Windows, key messages report that they were seen.
BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    UINT m = msg->message;
    return m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP;
}

LRESULT WINAPI DispatchMessageW(const MSG* msg) {
    if (!msg) return 0;
    Window* w = findWindow(msg->hwnd);
    return w ? send(w, msg->message, msg->wParam, msg->lParam) : 0;
}

void WINAPI PostQuitMessage(int exitCode) {
    quitPosted = true;
    quitCode = exitCode;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    Window* w = findWindow(window);
    if (!w) return 0;
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) send(w, WM_CLOSE, 0, 0);
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

HWND WINAPI SetCapture(HWND window) {
    if (!findWindow(window)) return nullptr;
    HWND previous = captureWindow;
    captureWindow = window;
    SDL_CaptureMouse(SDL_TRUE);  // SDL refuses without keyboard focus; the capture is kept anyway
    return previous;
}

BOOL WINAPI ReleaseCapture() {
    captureWindow = nullptr;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_CaptureMouse(SDL_FALSE);
    return TRUE;
}

void WINAPI DragAcceptFiles(HWND window, BOOL accept) {
    if (Window* w = findWindow(window)) w->acceptsFiles = accept != FALSE;
}

UINT WINAPI DragQueryFileA(HDROP handle, UINT index, LPSTR file, UINT size) {
    const Drop* d = findDrop(handle);
    if (!d) return 0;
    if (index == 0xFFFFFFFF) return 1;
    if (index != 0) return 0;
    const auto length = static_cast<UINT>(d->file.size());
    if (!file) return length;
    if (size == 0) return 0;
    const UINT copied = std::min(length, size - 1);
    d->file.copy(file, copied);
    file[copied] = '\0';
    return copied;
}

BOOL WINAPI DragQueryPoint(HDROP handle, POINT* point) {
    const Drop* d = findDrop(handle);
    if (!d || !point) return FALSE;
    *point = d->point;
    return TRUE;
}

void WINAPI DragFinish(HDROP handle) {
    std::erase_if(drops, [&](const auto& d) { return reinterpret_cast<HDROP>(d.get()) == handle; });
}
