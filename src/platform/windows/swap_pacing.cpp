// The swap interval through WGL_EXT_swap_control, and a frame pacer for when the
// swap does not wait for the display: the driver lacks the extension, the user has
// turned vertical sync off, or the display ignores it (Wine on a virtual X server).

#include "platform/swap_pacing.h"

#include <cstring>

#include "platform/frame_pacing.h"
#include "platform/gl.h"
// After <windows.h>, which it needs and which leaves it out when lean.
#include <mmsystem.h>

namespace {

using ExtensionsProc = const char*(WINAPI*)();
using SwapIntervalProc = BOOL(WINAPI*)(int);

// Through void (*)(), the one function pointer type GCC lets any other become.
template <typename Proc>
Proc procAddress(const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(wglGetProcAddress(name)));
}

bool hasExtension(const char* list, const char* name) {
    if (list == nullptr) return false;
    const std::size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
        const bool starts = p == list || p[-1] == ' ';
        const bool ends = p[length] == '\0' || p[length] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

LONGLONG frequency = 0;
LONGLONG lastSwap = 0;

}  // namespace

void requestSwapInterval() {
    // Drivers name their WGL extensions in either list.
    auto wglExtensions = procAddress<ExtensionsProc>("wglGetExtensionsStringEXT");
    const bool offered =
        (wglExtensions != nullptr && hasExtension(wglExtensions(), "WGL_EXT_swap_control")) ||
        hasExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                     "WGL_EXT_swap_control");
    if (!offered) return;
    auto swapInterval = procAddress<SwapIntervalProc>("wglSwapIntervalEXT");
    if (swapInterval != nullptr) swapInterval(1);
}

// A swap that waited for the display leaves little or nothing to wait out.
void paceFrame() {
    if (frequency == 0) {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        frequency = f.QuadPart;
        timeBeginPeriod(1);  // Sleep to the millisecond rather than to the 15.6 ms tick
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const LONGLONG wait = frameWait<LONGLONG>(frequency, counter.QuadPart, lastSwap);
    const auto milliseconds = static_cast<DWORD>((wait * 1000 + frequency / 2) / frequency);
    if (milliseconds > 0) Sleep(milliseconds);
}
