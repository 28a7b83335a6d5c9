#pragma once

// A scripted stand-in for the Win32 subset of platform/win32.h and a recording
// stand-in for the GL functions the game calls. Both write into one journal, in
// call order, so tests can check sequences that cross the two.

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace fake {

struct Call {
    std::string name;  // "SetPixelFormat"
    std::string text;  // "SetPixelFormat(index=1)", arguments as the fake formats them
};

struct Box {
    std::string text;
    std::string caption;
    UINT type;
};

inline HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(0x4000);
inline HWND const kWindow = reinterpret_cast<HWND>(0x1001);
inline HDC const kDeviceContext = reinterpret_cast<HDC>(0x2002);
inline HGLRC const kRenderContext = reinterpret_cast<HGLRC>(0x3003);
inline constexpr int kPixelFormatIndex = 7;
inline constexpr unsigned kFirstList = 1000;
// The frame the fake's AdjustWindowRectEx puts around a captioned window.
inline constexpr int kFrameSide = 3;
inline constexpr int kFrameTop = 26;

struct State {
    std::vector<Call> journal;
    // Names of functions that report failure. "wglMakeCurrent(null)" fails only
    // the release form of wglMakeCurrent.
    std::set<std::string> failing;
    std::deque<MSG> queue;
    std::vector<Box> boxes;
    std::deque<int> boxAnswers;  // answers in turn; IDOK once they run out
    bool classRegistered = false;
    WNDCLASSA windowClass = {};
    // Receives dispatched messages when no class is registered.
    WNDPROC procedure = nullptr;
    DWORD createStyle = 0;
    DWORD createExStyle = 0;
    int createWidth = 0;
    int createHeight = 0;
    std::string createTitle;
    PIXELFORMATDESCRIPTOR chosenFormat = {};
    unsigned nextTexture = 1;

    void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    bool fails(const std::string& name) const { return failing.count(name) != 0; }

    std::vector<std::string> names() const;
    // Journal entries of the GL functions, as text.
    std::vector<std::string> gl() const;
    // Names of the non-GL calls, without the message polling.
    std::vector<std::string> win32() const;
    int count(const std::string& name) const;
    // Position of the first call with this name, or -1.
    int indexOf(const std::string& name) const;
};

State& state();
// Clears the journal, the queue, failures and registrations.
void reset();
void record(const char* name, const std::string& args = "");

}  // namespace fake
