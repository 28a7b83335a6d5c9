#include "render/gl_renderer.h"

#include <cstring>

#include "content/report.h"
#include "platform/gl.h"
#include "platform/swap_pacing.h"
#include "render/gl_state.h"

bool GLRenderer::fullscreen = false;
uint32_t GLRenderer::fontBase = 0;
PIXELFORMATDESCRIPTOR GLRenderer::pixelFormat = {};

namespace {

const char* const kClassName = "OpenGL";
constexpr UINT kErrorBox = MB_OK | MB_ICONEXCLAMATION;
constexpr UINT kShutdownBox = MB_OK | MB_ICONINFORMATION;

bool pixelFormatFilled = false;

void fillPixelFormat(int32_t bits) {
    PIXELFORMATDESCRIPTOR& pfd = GLRenderer::pixelFormat;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(bits);
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
}

void shutdownError(const char* message) {
    report({message, "SHUTDOWN ERROR", kShutdownBox}, Severity::error, nullptr);
}

}  // namespace

GLRenderer::GLRenderer(Game* game, HINSTANCE instance, WNDPROC procedure)
    : game(game), instance(instance), procedure(procedure) {}

bool GLRenderer::fail(const char* message) {
    release();
    report({message, "ERROR", kErrorBox}, Severity::error, nullptr);
    return false;
}

bool GLRenderer::open(const char* title, float width, float height, int32_t bits,
                      bool fullscreenRequested, bool resizable) {
    this->width = static_cast<int32_t>(width);
    this->height = static_cast<int32_t>(height);
    opened = false;
    fullscreen = fullscreenRequested;
    instance = GetModuleHandleA(nullptr);

    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = procedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) {
        report({"Failed To Register The Window Class.", "ERROR", kErrorBox}, Severity::error,
               nullptr);
        return false;
    }

    if (fullscreen) {
        DEVMODEA mode;
        std::memset(&mode, 0, sizeof mode);
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(this->width);
        mode.dmPelsHeight = static_cast<DWORD>(this->height);
        mode.dmBitsPerPel = static_cast<DWORD>(bits);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            const ReportBox question = {
                "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. "
                "Use Windowed Mode Instead?",
                "Vodi GL", MB_YESNO | MB_ICONEXCLAMATION};
            if (report(question, Severity::error, nullptr) == IDYES) {
                fullscreen = false;
            } else {
                report({"Program Will Now Close.", "ERROR", MB_OK | MB_ICONSTOP}, Severity::error,
                       nullptr);
                return false;
            }
        }
    }

    DWORD exStyle;
    DWORD style;
    if (fullscreen) {
        exStyle = WS_EX_APPWINDOW;
        style = WS_POPUP;
        ShowCursor(FALSE);
    } else {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = resizable ? WS_OVERLAPPEDWINDOW : WS_CAPTION | WS_SYSMENU;
    }

    RECT rect = {0, 0, this->width, this->height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);

    window = CreateWindowExA(exStyle, kClassName, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                             0, 0, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                             instance, nullptr);
    if (window == nullptr) return fail("Window Creation Error.");

    if (!pixelFormatFilled) {
        fillPixelFormat(bits);
        pixelFormatFilled = true;
    }

    deviceContext = GetDC(window);
    if (deviceContext == nullptr) return fail("Can't Create A GL Device Context.");
    int index = ChoosePixelFormat(deviceContext, &pixelFormat);
    if (index == 0) return fail("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(deviceContext, index, &pixelFormat))
        return fail("Can't Set The PixelFormat.");
    renderContext = wglCreateContext(deviceContext);
    if (renderContext == nullptr) return fail("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(deviceContext, renderContext))
        return fail("Can't Activate The GL Rendering Context.");
    requestSwapInterval();

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    setProjection(this->width, this->height);
    setFixedGlState();
    buildFont();
    opened = true;
    return true;
}

void GLRenderer::buildFont() {
    fontBase = glGenLists(96);
    buildFontLists(fontBase, -24, FF_DONTCARE | DEFAULT_PITCH, "Courier New");
}

// The game's first font is proportional where Courier New is missing (Wine gives a sans
// serif), which would leave columns ragged and lines longer than the window.
uint32_t GLRenderer::textFont() {
    if (textFontBase == 0 && deviceContext != nullptr) {
        textFontBase = glGenLists(96);
        buildFontLists(textFontBase, -20, FF_MODERN | FIXED_PITCH, "Courier New");
    }
    return textFontBase;
}

void GLRenderer::buildFontLists(uint32_t base, int32_t height, DWORD pitchAndFamily,
                                const char* face) {
    HFONT font =
        CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, pitchAndFamily, face);
    HGDIOBJ previous = SelectObject(deviceContext, reinterpret_cast<HGDIOBJ>(font));
    wglUseFontBitmapsA(deviceContext, 32, 96, base);
    SelectObject(deviceContext, previous);
    DeleteObject(reinterpret_cast<HGDIOBJ>(font));
}

// A handle whose release succeeded keeps its value; one whose release failed is
// dropped, so that nothing tries it again.
void GLRenderer::release() {
    opened = false;
    if (fullscreen) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    if (renderContext != nullptr) {
        if (!wglMakeCurrent(nullptr, nullptr)) shutdownError("Release Of DC And RC Failed.");
        if (!wglDeleteContext(renderContext)) shutdownError("Release Rendering Context Failed.");
        renderContext = nullptr;
    }
    if (deviceContext != nullptr && !ReleaseDC(window, deviceContext)) {
        shutdownError("Release Device Context Failed.");
        deviceContext = nullptr;
    }
    if (window != nullptr && !DestroyWindow(window)) {
        shutdownError("Could Not Release hWnd.");
        window = nullptr;
    }
    if (!UnregisterClassA(kClassName, instance)) {
        shutdownError("Could Not Unregister Class.");
        instance = nullptr;
    }
    glDeleteLists(fontBase, 96);
    if (textFontBase != 0) glDeleteLists(textFontBase, 96);
    textFontBase = 0;
}

void GLRenderer::close() {
    release();
}

void GLRenderer::resize(int32_t newWidth, int32_t newHeight) {
    width = newWidth;
    height = newHeight;
    setProjection(newWidth, newHeight);
}
