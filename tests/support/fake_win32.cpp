// The Win32 subset of platform/win32.h, scripted: every call is journalled, any
// call can be made to fail, messages come from a queue the test fills.
#include <string>

#include "fakes.h"

using fake::record;
using fake::state;

namespace {

std::string handle(const void* h) {
    return h == nullptr ? "null" : std::to_string(reinterpret_cast<uintptr_t>(h));
}

bool ok(const char* name) {
    return !state().fails(name);
}

LRESULT deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = state().classRegistered ? state().windowClass.lpfnWndProc : state().procedure;
    return proc != nullptr ? proc(window, message, wParam, lParam) : 0;
}

}  // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR) {
    record("GetModuleHandleA");
    return fake::kModule;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    record("LoadIconA");
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) {
    record("LoadCursorA");
    return nullptr;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    record("RegisterClassA");
    if (!ok("RegisterClassA")) return 0;
    state().windowClass = *windowClass;
    state().classRegistered = true;
    return 1;
}

BOOL WINAPI UnregisterClassA(LPCSTR, HINSTANCE) {
    record("UnregisterClassA");
    if (!ok("UnregisterClassA")) return FALSE;
    state().classRegistered = false;
    return TRUE;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags) {
    record("ChangeDisplaySettingsA",
           mode == nullptr
               ? "null"
               : std::to_string(mode->dmPelsWidth) + "x" + std::to_string(mode->dmPelsHeight) +
                     "x" + std::to_string(mode->dmBitsPerPel) + ", " + std::to_string(flags));
    return mode != nullptr && !ok("ChangeDisplaySettingsA") ? DISP_CHANGE_FAILED
                                                            : DISP_CHANGE_SUCCESSFUL;
}

int WINAPI ShowCursor(BOOL show) {
    record("ShowCursor", show ? "TRUE" : "FALSE");
    return 0;
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD) {
    record("AdjustWindowRectEx");
    if ((style & WS_CAPTION) == WS_CAPTION) {
        rect->left -= fake::kFrameSide;
        rect->right += fake::kFrameSide;
        rect->top -= fake::kFrameTop;
        rect->bottom += fake::kFrameSide;
    }
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR, LPCSTR windowName, DWORD style, int, int,
                            int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    record("CreateWindowExA");
    if (!ok("CreateWindowExA")) return nullptr;
    state().createStyle = style;
    state().createExStyle = exStyle;
    state().createWidth = width;
    state().createHeight = height;
    state().createTitle = windowName;
    // Windows sizes the new window from inside this call.
    if ((style & WS_CAPTION) == WS_CAPTION) {
        width -= 2 * fake::kFrameSide;
        height -= fake::kFrameTop + fake::kFrameSide;
    }
    deliver(fake::kWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return fake::kWindow;
}

BOOL WINAPI DestroyWindow(HWND) {
    record("DestroyWindow");
    return ok("DestroyWindow");
}

HDC WINAPI GetDC(HWND) {
    record("GetDC");
    return ok("GetDC") ? fake::kDeviceContext : nullptr;
}

int WINAPI ReleaseDC(HWND, HDC) {
    record("ReleaseDC");
    return ok("ReleaseDC");
}

BOOL WINAPI ShowWindow(HWND, int command) {
    record("ShowWindow", std::to_string(command));
    return FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND) {
    record("SetForegroundWindow");
    return TRUE;
}

HWND WINAPI SetFocus(HWND) {
    record("SetFocus");
    return nullptr;
}

BOOL WINAPI GetClientRect(HWND, RECT* rect) {
    record("GetClientRect");
    *rect = {0, 0, 0, 0};
    return TRUE;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    record("MessageBoxA", handle(owner));
    state().boxes.push_back({text, caption, type});
    if (state().boxAnswers.empty()) return IDOK;
    const int answer = state().boxAnswers.front();
    state().boxAnswers.pop_front();
    return answer;
}

BOOL WINAPI PeekMessageW(MSG* msg, HWND window, UINT, UINT, UINT remove) {
    record("PeekMessageW", handle(window) + ", " + std::to_string(remove));
    if (state().queue.empty()) return FALSE;
    *msg = state().queue.front();
    if (remove & PM_REMOVE) state().queue.pop_front();
    return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
    record("TranslateMessage");
    return FALSE;
}

LRESULT WINAPI DispatchMessageW(const MSG* msg) {
    record("DispatchMessageW");
    return deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    record("PostQuitMessage", std::to_string(exitCode));
    state().post(WM_QUIT, static_cast<WPARAM>(exitCode));
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    record("DefWindowProcA");
    // The one default behaviour the game relies on: the close command closes.
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
        return deliver(window, WM_CLOSE, 0, 0);
    return 0x77;
}

HWND WINAPI SetCapture(HWND window) {
    record("SetCapture", handle(window));
    return nullptr;
}

BOOL WINAPI ReleaseCapture() {
    record("ReleaseCapture");
    return TRUE;
}

int WINAPI ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR* format) {
    record("ChoosePixelFormat");
    state().chosenFormat = *format;
    return ok("ChoosePixelFormat") ? fake::kPixelFormatIndex : 0;
}

BOOL WINAPI SetPixelFormat(HDC, int index, const PIXELFORMATDESCRIPTOR*) {
    record("SetPixelFormat", std::to_string(index));
    return ok("SetPixelFormat");
}

BOOL WINAPI SwapBuffers(HDC dc) {
    record("SwapBuffers", handle(dc));
    return ok("SwapBuffers");
}

HFONT WINAPI CreateFontA(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                         DWORD, LPCSTR) {
    record("CreateFontA");
    return reinterpret_cast<HFONT>(0x7007);
}

HGDIOBJ WINAPI SelectObject(HDC, HGDIOBJ) {
    record("SelectObject");
    return reinterpret_cast<HGDIOBJ>(0x8008);
}

BOOL WINAPI DeleteObject(HGDIOBJ) {
    record("DeleteObject");
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC) {
    record("wglCreateContext");
    return ok("wglCreateContext") ? fake::kRenderContext : nullptr;
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) {
    record("wglMakeCurrent", handle(dc) + ", " + handle(context));
    return ok(context == nullptr ? "wglMakeCurrent(null)" : "wglMakeCurrent");
}

BOOL WINAPI wglDeleteContext(HGLRC) {
    record("wglDeleteContext");
    return ok("wglDeleteContext");
}

BOOL WINAPI wglUseFontBitmapsA(HDC, DWORD first, DWORD count, DWORD listBase) {
    record("wglUseFontBitmapsA",
           std::to_string(first) + ", " + std::to_string(count) + ", " + std::to_string(listBase));
    return TRUE;
}
