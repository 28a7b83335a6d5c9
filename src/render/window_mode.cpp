#include "render/window_mode.h"

#include "render/gl_renderer.h"

namespace {

constexpr DWORD kWindowedExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;

}  // namespace

void WindowMode::setFullscreen(bool on) {
    HWND window = renderer.window;
    if (on == covering || !renderer.opened) return;
    if (on) {
        saved.length = sizeof saved;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!GetWindowPlacement(window, &saved) ||
            !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
            return;
        windowedStyle = GetWindowLongA(window, GWL_STYLE);
        SetWindowLongA(window, GWL_STYLE,
                       static_cast<LONG>((static_cast<DWORD>(windowedStyle) &
                                          ~static_cast<DWORD>(WS_OVERLAPPEDWINDOW)) |
                                         WS_POPUP));
        const RECT& r = monitor.rcMonitor;
        SetWindowPos(window, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    } else {
        SetWindowLongA(window, GWL_STYLE, windowedStyle);
        SetWindowPlacement(window, &saved);
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    }
    covering = on;
}

void WindowMode::maximise() {
    if (renderer.opened && !covering) ShowWindow(renderer.window, SW_MAXIMIZE);
}

WindowMode::Windowed WindowMode::windowed() const {
    Windowed result{renderer.width, renderer.height, false};
    WINDOWPLACEMENT placement = saved;
    if (!covering) {
        placement.length = sizeof placement;
        if (!renderer.opened || !GetWindowPlacement(renderer.window, &placement)) return result;
    }
    // The placement holds the frame too; the game opens by its client size.
    const LONG style = covering ? windowedStyle : GetWindowLongA(renderer.window, GWL_STYLE);
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(style), FALSE, kWindowedExStyle);
    const RECT& r = placement.rcNormalPosition;
    result.width = (r.right - r.left) - (frame.right - frame.left);
    result.height = (r.bottom - r.top) - (frame.bottom - frame.top);
    result.maximised = placement.showCmd == SW_SHOWMAXIMIZED;
    return result;
}
