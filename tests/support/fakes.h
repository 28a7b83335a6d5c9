#pragma once

// A scripted stand-in for the Win32 subset of platform/win32.h and a recording
// stand-in for the GL functions the game calls. Both journal every call as
// "name(arg, arg)" into one list, in call order, so tests can check sequences
// that cross the two. Numbers print as integers where they are whole, pointers
// as ptr or null.

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace fake {

inline HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(0x4000);
inline HWND const kWindow = reinterpret_cast<HWND>(0x1001);
inline HDC const kDeviceContext = reinterpret_cast<HDC>(0x2002);
inline constexpr unsigned kFirstList = 1000;
// What DefWindowProcA answers, so tests can tell where a message went.
inline constexpr LRESULT kDefaultResult = 0x77;
// AdjustWindowRectEx grows a client rectangle by this much on each side.
inline constexpr int kFrame = 8;

// What the scripted HDROP points to; the test owns it.
struct Drop {
    std::vector<std::string> files;
    POINT point{};
    HDROP handle() { return reinterpret_cast<HDROP>(this); }
};

struct State {
    std::vector<std::string> calls;
    // Calls that report failure, by name ("ReleaseDC") or by full text
    // ("wglMakeCurrent(null, null)").
    std::set<std::string> failing;
    std::deque<MSG> queue;
    // The registered class's procedure; receives sent and dispatched messages.
    WNDPROC procedure = nullptr;
    // Tests with a real GL context build the font lists here; it gets the height
    // CreateFontA was last given.
    std::function<bool(DWORD first, DWORD count, DWORD base, int height)> fontBitmaps;
    int fontHeight = 0;
    // The window as the window-management calls leave it.
    LONG style = 0;
    WINDOWPLACEMENT placement{};
    RECT monitor{0, 0, 1600, 900};
    // What userConfigFolder() answers.
    std::string configFolder;

    void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        queue.push_back({kWindow, message, wParam, lParam, 0, {}});
    }
    // Full texts of the calls that start with prefix.
    std::vector<std::string> texts(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.starts_with(prefix)) out.push_back(c);
        return out;
    }
    int count(const std::string& name) const { return int(texts(name + "(").size()); }
    // Position of the first call with this name, or -1.
    int indexOf(const std::string& name) const {
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].starts_with(name + "(")) return int(i);
        return -1;
    }
};

inline State& state() {
    static State s;
    return s;
}
inline void reset() {
    state() = State();
}

inline std::string arg(double value) {
    char text[40];
    const bool whole = value == std::floor(value) && std::fabs(value) < 1e15;
    std::snprintf(text, sizeof text, whole ? "%.0f" : "%g", value);
    return text;
}
inline std::string arg(const char* text) {
    return text;
}
inline std::string arg(const void* pointer) {
    return pointer != nullptr ? "ptr" : "null";
}
inline std::string arg(std::nullptr_t) {
    return "null";
}

template <typename... Args>
std::string call(const char* name, Args... args) {
    const std::vector<std::string> parts = {arg(args)...};
    std::string text = std::string(name) + "(";
    for (size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? ", " : "") + parts[i];
    return text + ")";
}

// Journals the call; false when the test made it fail.
template <typename... Args>
bool record(const char* name, Args... args) {
    const std::string text = call(name, args...);
    state().calls.push_back(text);
    return state().failing.count(name) == 0 && state().failing.count(text) == 0;
}

}  // namespace fake
