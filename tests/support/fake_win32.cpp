// The Win32 subset of platform/win32.h, scripted: every call is journalled, any
// call can be made to fail, messages come from a queue the test fills.
#include <algorithm>

#include "fakes.h"

using fake::record;
using fake::state;

namespace {

LRESULT deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = state().procedure;
    return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

int frameOf(LONG style) {
    return (static_cast<DWORD>(style) & WS_CAPTION) == WS_CAPTION ? 2 * fake::kFrame : 0;
}

}  // namespace

// clang-format off
HMODULE WINAPI GetModuleHandleA(LPCSTR) { record(__func__); return fake::kModule; }
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { record(__func__); return nullptr; }
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) { record(__func__); return nullptr; }
BOOL WINAPI UnregisterClassA(LPCSTR, HINSTANCE) { return record(__func__); }
LONG WINAPI ChangeDisplaySettingsA(DEVMODEA*, DWORD) {
    return record(__func__) ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_FAILED;
}
int WINAPI ShowCursor(BOOL) { record(__func__); return 0; }
BOOL WINAPI DestroyWindow(HWND) { return record(__func__); }
HDC WINAPI GetDC(HWND) { return record(__func__) ? fake::kDeviceContext : nullptr; }
int WINAPI ReleaseDC(HWND, HDC) { return record(__func__); }
BOOL WINAPI SetForegroundWindow(HWND) { return record(__func__); }
HWND WINAPI SetFocus(HWND) { record(__func__); return nullptr; }
BOOL WINAPI TranslateMessage(const MSG*) { record(__func__); return FALSE; }
HWND WINAPI SetCapture(HWND window) { record(__func__, window); return nullptr; }
BOOL WINAPI ReleaseCapture() { return record(__func__); }
BOOL WINAPI SetPixelFormat(HDC, int i, const PIXELFORMATDESCRIPTOR*) { return record(__func__, i); }
BOOL WINAPI SwapBuffers(HDC dc) { return record(__func__, dc); }
HGDIOBJ WINAPI SelectObject(HDC, HGDIOBJ object) { record(__func__); return object; }
BOOL WINAPI DeleteObject(HGDIOBJ) { return record(__func__); }
BOOL WINAPI wglDeleteContext(HGLRC) { return record(__func__); }
BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) { return record(__func__, dc, context); }
BOOL WINAPI wglUseFontBitmapsA(HDC, DWORD first, DWORD count, DWORD base) {
    if (!record(__func__, first, count, base)) return FALSE;
    const auto& build = state().fontBitmaps;
    return build ? build(first, count, base, state().fontHeight) : TRUE;
}
HGLRC WINAPI wglCreateContext(HDC) {
    return record(__func__) ? reinterpret_cast<HGLRC>(0x3003) : nullptr;
}
int WINAPI ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) { return record(__func__) ? 7 : 0; }
int WINAPI MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) { record(__func__); return IDOK; }
// clang-format on

HFONT WINAPI CreateFontA(int height, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                         DWORD, DWORD, LPCSTR) {
    record(__func__);
    state().fontHeight = height;
    return reinterpret_cast<HFONT>(0x7007);
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (!record(__func__)) return 0;
    state().procedure = windowClass->lpfnWndProc;
    return 1;
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) {
    record(__func__);
    rect->left -= fake::kFrame, rect->top -= fake::kFrame;
    rect->right += fake::kFrame, rect->bottom += fake::kFrame;
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR, LPCSTR title, DWORD style, int, int, int width,
                            int height, HWND, HMENU, HINSTANCE, LPVOID) {
    if (!record(__func__, title, style, width, height)) return nullptr;
    state().style = static_cast<LONG>(style);
    state().placement.showCmd = SW_SHOWNORMAL;
    state().placement.rcNormalPosition = {0, 0, width, height};
    // Windows sizes the new window from inside this call.
    const int frame = 2 * fake::kFrame;
    deliver(fake::kWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width - frame, height - frame));
    return fake::kWindow;
}

// The game only ever removes what it peeks.
BOOL WINAPI PeekMessageW(MSG* msg, HWND, UINT, UINT, UINT) {
    record(__func__);
    if (state().queue.empty()) return FALSE;
    *msg = state().queue.front();
    state().queue.pop_front();
    return TRUE;
}

LRESULT WINAPI DispatchMessageW(const MSG* msg) {
    record(__func__, msg->message);
    return deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    record(__func__, exitCode);
    state().post(WM_QUIT, static_cast<WPARAM>(exitCode));
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    record(__func__, message, wParam);
    // The one default behaviour the game relies on: the close command closes.
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
        return deliver(window, WM_CLOSE, 0, 0);
    return fake::kDefaultResult;
}

void WINAPI DragAcceptFiles(HWND window, BOOL accept) {
    record(__func__, window, accept);
}

UINT WINAPI DragQueryFileA(HDROP handle, UINT index, LPSTR file, UINT size) {
    const auto& files = reinterpret_cast<fake::Drop*>(handle)->files;
    if (index == 0xFFFFFFFF) return static_cast<UINT>(files.size());
    if (index >= files.size()) return 0;
    const std::string& name = files[index];
    if (file == nullptr) return static_cast<UINT>(name.size());
    if (size == 0) return 0;
    const auto copied = std::min(static_cast<UINT>(name.size()), size - 1);
    name.copy(file, copied);
    file[copied] = '\0';
    return copied;
}

BOOL WINAPI DragQueryPoint(HDROP handle, POINT* point) {
    *point = reinterpret_cast<fake::Drop*>(handle)->point;
    return TRUE;
}

void WINAPI DragFinish(HDROP) {
    record(__func__);
}

BOOL WINAPI ShowWindow(HWND, int command) {
    record(__func__, command);
    if (command == SW_MAXIMIZE) state().placement.showCmd = SW_SHOWMAXIMIZED;
    return FALSE;
}

LONG WINAPI GetWindowLongA(HWND, int index) {
    record(__func__, index);
    return state().style;
}

LONG WINAPI SetWindowLongA(HWND, int index, LONG value) {
    record(__func__, index, static_cast<DWORD>(value));
    const LONG previous = state().style;
    state().style = value;
    return previous;
}

BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
    if (!record(__func__, x, y, width, height)) return FALSE;
    const int frame = frameOf(state().style);
    if ((flags & SWP_NOSIZE) == 0)
        deliver(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width - frame, height - frame));
    return TRUE;
}

BOOL WINAPI GetWindowPlacement(HWND, WINDOWPLACEMENT* placement) {
    if (!record(__func__)) return FALSE;
    *placement = state().placement;
    return TRUE;
}

BOOL WINAPI SetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement) {
    const RECT& r = placement->rcNormalPosition;
    if (!record(__func__, r.right - r.left, r.bottom - r.top, placement->showCmd)) return FALSE;
    state().placement = *placement;
    const int frame = frameOf(state().style);
    deliver(window, WM_SIZE, SIZE_RESTORED,
            MAKELPARAM(r.right - r.left - frame, r.bottom - r.top - frame));
    return TRUE;
}

HMONITOR WINAPI MonitorFromWindow(HWND, DWORD) {
    record(__func__);
    return reinterpret_cast<HMONITOR>(0x5005);
}

BOOL WINAPI GetMonitorInfoA(HMONITOR, MONITORINFO* info) {
    if (!record(__func__)) return FALSE;
    info->rcMonitor = state().monitor;
    info->rcWork = state().monitor;
    return TRUE;
}
