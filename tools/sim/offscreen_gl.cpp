#include "offscreen_gl.h"

#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <GL/osmesa.h>
#endif

#ifdef _WIN32

namespace {
const char* const kClassName = "PimoOffscreen";
}

struct OffscreenGl::Handles {
    HINSTANCE instance = nullptr;
    bool registered = false;
    HWND window = nullptr;
    HDC deviceContext = nullptr;
    HGLRC renderContext = nullptr;
};

bool OffscreenGl::open(int32_t width, int32_t height, std::string& error) {
    Handles& h = *handles;
    h.instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = h.instance;
    windowClass.lpszClassName = kClassName;
    h.registered = RegisterClassA(&windowClass) != 0;
    if (!h.registered) {
        error = "Could not register the offscreen window class";
        return false;
    }
    // Never shown: a popup has no frame, so its client area is the whole window.
    h.window =
        CreateWindowExA(0, kClassName, "pimo-sim", WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                        0, width, height, nullptr, nullptr, h.instance, nullptr);
    if (h.window == nullptr) {
        error = "Could not create the offscreen window";
        return false;
    }
    h.deviceContext = GetDC(h.window);
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = 16;
    format.iLayerType = PFD_MAIN_PLANE;
    const int index = h.deviceContext != nullptr ? ChoosePixelFormat(h.deviceContext, &format) : 0;
    if (index == 0 || !SetPixelFormat(h.deviceContext, index, &format)) {
        error = "Could not set a GL pixel format on the offscreen window";
        return false;
    }
    h.renderContext = wglCreateContext(h.deviceContext);
    if (h.renderContext == nullptr || !wglMakeCurrent(h.deviceContext, h.renderContext)) {
        error = "Could not create a GL context for the offscreen window";
        return false;
    }
    return true;
}

OffscreenGl::~OffscreenGl() {
    Handles& h = *handles;
    if (h.renderContext != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(h.renderContext);
    }
    if (h.deviceContext != nullptr) ReleaseDC(h.window, h.deviceContext);
    if (h.window != nullptr) DestroyWindow(h.window);
    if (h.registered) UnregisterClassA(kClassName, h.instance);
}

#else

struct OffscreenGl::Handles {
    OSMesaContext context = nullptr;
    std::vector<unsigned char> pixels;
};

bool OffscreenGl::open(int32_t width, int32_t height, std::string& error) {
    Handles& h = *handles;
    // The depth buffer the game's window asks for.
    h.context = OSMesaCreateContextExt(OSMESA_RGBA, 16, 0, 0, nullptr);
    if (h.context == nullptr) {
        error = "Could not create an OSMesa context";
        return false;
    }
    h.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    if (!OSMesaMakeCurrent(h.context, h.pixels.data(), GL_UNSIGNED_BYTE, width, height)) {
        error = "Could not make the OSMesa context current";
        return false;
    }
    return true;
}

OffscreenGl::~OffscreenGl() {
    if (handles->context == nullptr) return;
    OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    OSMesaDestroyContext(handles->context);
}

#endif

OffscreenGl::OffscreenGl() : handles(std::make_unique<Handles>()) {}
