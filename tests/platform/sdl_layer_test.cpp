// The SDL layer against a real X server (Xvfb in CI). Tests that need a display skip
// without one; the key tables, lParam packing, message boxes and sound need none.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/gl.h"
#include "platform/sdl/input.h"
#include "platform/sdl/layer.h"
#include "platform/sound.h"

namespace {

using pimo::sdl::keyLParam;
using pimo::sdl::pointLParam;
using pimo::sdl::virtualKey;

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> seen;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back({message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

// Sets an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class Layer : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        wc.lpfnWndProc = recordingProcedure;
        wc.lpszClassName = "PimoTest";
        if (!RegisterClassA(&wc)) GTEST_SKIP() << "no display: " << SDL_GetError();
        seen.clear();
    }
    void TearDown() override {
        if (context) {
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(context);
        }
        if (window) DestroyWindow(window);
        UnregisterClassA("PimoTest", nullptr);
    }

    // A window as the game opens it: client size 700 x 430 from the grown rectangle.
    HWND open(DWORD style = WS_CAPTION | WS_SYSMENU) {
        RECT r{0, 0, 700, 430};
        AdjustWindowRectEx(&r, style, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
        window =
            CreateWindowExA(WS_EX_APPWINDOW, "PimoTest", "Pimo Drask",
                            style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, r.right - r.left,
                            r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        return window;
    }

    static PIXELFORMATDESCRIPTOR gamePixelFormat() {
        PIXELFORMATDESCRIPTOR pfd{};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = 16;
        pfd.cDepthBits = 16;
        return pfd;
    }

    // Window, pixel format and a current context, the way the renderer sets them up.
    HDC openGl() {
        if (!open()) return nullptr;
        HDC dc = GetDC(window);
        PIXELFORMATDESCRIPTOR pfd = gamePixelFormat();
        int format = ChoosePixelFormat(dc, &pfd);
        if (!format || !SetPixelFormat(dc, format, &pfd)) return nullptr;
        context = wglCreateContext(dc);
        if (!context || !wglMakeCurrent(dc, context)) return nullptr;
        ShowWindow(window, SW_SHOW);
        return dc;
    }

    SDL_Window* sdlWindow() const { return pimo::sdl::findWindow(window)->sdl; }

    HWND window = nullptr;
    HGLRC context = nullptr;
};

std::vector<MSG> drain() {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) out.push_back(m);
    return out;
}

TEST(Input, VirtualKeysFollowWindows) {
    EXPECT_EQ(virtualKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), VK_ESCAPE);
    EXPECT_EQ(virtualKey(SDLK_1, SDL_SCANCODE_1), '1');
    EXPECT_EQ(virtualKey(SDLK_0, SDL_SCANCODE_0), '0');
    EXPECT_EQ(virtualKey(SDLK_q, SDL_SCANCODE_Q), 'Q');
    EXPECT_EQ(virtualKey(SDLK_w, SDL_SCANCODE_W), 'W');
    // AZERTY: letters follow the layout, the top row stays digits.
    EXPECT_EQ(virtualKey(SDLK_a, SDL_SCANCODE_Q), 'A');
    EXPECT_EQ(virtualKey(SDLK_AMPERSAND, SDL_SCANCODE_1), '1');
    EXPECT_EQ(virtualKey(SDLK_SPACE, SDL_SCANCODE_SPACE), 0x20);
    EXPECT_EQ(virtualKey(SDLK_RETURN, SDL_SCANCODE_RETURN), 0x0D);
    EXPECT_EQ(virtualKey(SDLK_LEFT, SDL_SCANCODE_LEFT), 0x25);
    EXPECT_EQ(virtualKey(SDLK_DOWN, SDL_SCANCODE_DOWN), 0x28);
    EXPECT_EQ(virtualKey(SDLK_F1, SDL_SCANCODE_F1), 0x70);
    EXPECT_EQ(virtualKey(SDLK_F12, SDL_SCANCODE_F12), 0x7B);
    EXPECT_EQ(virtualKey(SDLK_KP_7, SDL_SCANCODE_KP_7), 0x67);
    EXPECT_EQ(virtualKey(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT), 0x10);
    EXPECT_EQ(virtualKey(SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP), 0);
}

TEST(Input, MessageParametersArePackedAsWin32Does) {
    EXPECT_EQ(keyLParam(SDL_SCANCODE_ESCAPE, false, false, false), 0x00010001);
    EXPECT_EQ(keyLParam(SDL_SCANCODE_ESCAPE, false, true, false), LPARAM{0xC0010001});
    EXPECT_EQ(keyLParam(SDL_SCANCODE_1, true, false, false), 0x40020001);
    EXPECT_EQ(keyLParam(SDL_SCANCODE_UP, false, false, false), 0x01480001);  // extended key
    EXPECT_EQ(keyLParam(SDL_SCANCODE_A, false, false, true), 0x201E0001);    // Alt held

    LPARAM p = pointLParam(-10, 430);
    EXPECT_EQ(GET_X_LPARAM(p), -10);
    EXPECT_EQ(GET_Y_LPARAM(p), 430);
    EXPECT_EQ(GET_Y_LPARAM(pointLParam(5, -1)), -1);
    EXPECT_EQ(LOWORD(pointLParam(700, 430)), 700);
}

TEST(MessageBox, WithoutDisplayGoesToStderrAndNeverSaysYes) {
    ScopedEnv display("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION),
              IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Use Windowed Mode Instead?", "Vodi GL",
                          MB_YESNO | MB_ICONEXCLAMATION),
              IDNO);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ERROR: Window Creation Error.\n"), std::string::npos) << err;
    EXPECT_NE(err.find("Vodi GL: Use Windowed Mode Instead?\n"), std::string::npos) << err;
}

TEST(Sound, FailsQuietlyWithoutDeviceOrFile) {
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
        EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
        EXPECT_EQ(FSOUND_Stream_Open("theme.mp3", FSOUND_LOOP_NORMAL, 0, 0), nullptr);
        EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), 0);
    }
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0) << SDL_GetError();
    EXPECT_EQ(FSOUND_Stream_Open("no-such-theme.mp3", FSOUND_LOOP_NORMAL, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), 0);

    // A tenth of a second of 8-bit silence plays, looping.
    auto path = std::filesystem::temp_directory_path() / "pimo_platform_test.wav";
    {
        const uint32_t samples = 800;
        std::ofstream f(path, std::ios::binary);
        auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
        f << "RIFF";
        u32(36 + samples);
        f << "WAVEfmt ";
        u32(16), u16(1), u16(1), u32(8000), u32(8000), u16(1), u16(8);
        f << "data";
        u32(samples);
        f << std::string(samples, '\x80');
    }
    FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(stream, nullptr) << Mix_GetError();
    EXPECT_NE(FSOUND_Stream_Play(0, stream), 0);
    EXPECT_TRUE(Mix_PlayingMusic());
    pimo::sdl::shutdownSound();
    std::filesystem::remove(path);
}

TEST_F(Layer, ClassesAreUniqueAndOutliveTheirWindows) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = recordingProcedure;
    wc.lpszClassName = "pimotest";  // class names ignore case
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);

    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(UnregisterClassA("PimoTest", nullptr));
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    window = nullptr;
    EXPECT_TRUE(UnregisterClassA("PimoTest", nullptr));
    EXPECT_FALSE(UnregisterClassA("PimoTest", nullptr));
}

TEST_F(Layer, WindowHasTheRequestedClientAreaAndHearsItsLife) {
    RECT popup{0, 0, 700, 430};
    AdjustWindowRectEx(&popup, WS_POPUP, FALSE, WS_EX_APPWINDOW);
    EXPECT_EQ(popup.right - popup.left, 700);
    EXPECT_EQ(popup.bottom - popup.top, 430);

    ASSERT_NE(open(), nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, WM_CREATE);
    EXPECT_EQ(seen[1].message, WM_SIZE);
    EXPECT_EQ(seen[1].wParam, WPARAM{SIZE_RESTORED});
    EXPECT_EQ(seen[1].lParam, MAKELPARAM(700, 430));
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 700);
    EXPECT_EQ(client.bottom, 430);
    Uint32 flags = SDL_GetWindowFlags(sdlWindow());
    EXPECT_TRUE(flags & SDL_WINDOW_HIDDEN);
    EXPECT_FALSE(flags & SDL_WINDOW_RESIZABLE);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow()), "Pimo Drask");
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow()) & SDL_WINDOW_SHOWN);

    HDC dc = GetDC(window);
    EXPECT_NE(dc, nullptr);
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(ReleaseDC(window, nullptr), 0);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(seen.back().message, WM_DESTROY);
    EXPECT_EQ(GetDC(window), nullptr);
    window = nullptr;

    ASSERT_NE(open(WS_OVERLAPPEDWINDOW), nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow()) & SDL_WINDOW_RESIZABLE);
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 700);
    EXPECT_EQ(client.bottom, 430);
}

TEST_F(Layer, QueueTranslatesInputAndEndsWithQuit) {
    ASSERT_NE(open(), nullptr);
    drain();
    PostQuitMessage(3);
    Uint32 id = SDL_GetWindowID(sdlWindow());
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = id;
    e.key.repeat = 1;
    e.key.keysym = {SDL_SCANCODE_1, SDLK_1, KMOD_NONE, 0};
    SDL_PushEvent(&e);
    e.type = SDL_KEYUP;
    e.key.repeat = 0;
    e.key.keysym = {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NONE, 0};
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id;
    e.motion.x = -10;
    e.motion.y = 20;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = id;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);

    std::vector<MSG> got;
    for (const MSG& m : drain()) {
        if (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_MOUSEMOVE ||
            m.message == WM_CLOSE || m.message == WM_QUIT)
            got.push_back(m);
    }
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].message, WM_KEYDOWN);
    EXPECT_EQ(got[0].wParam, WPARAM{'1'});
    EXPECT_EQ(got[0].lParam, 0x40020001);  // an auto-repeat: previous state down
    EXPECT_EQ(got[1].message, WM_KEYUP);
    EXPECT_EQ(got[1].wParam, WPARAM{VK_ESCAPE});
    EXPECT_EQ(got[2].message, WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(got[2].lParam), -10);
    EXPECT_EQ(GET_Y_LPARAM(got[2].lParam), 20);
    EXPECT_EQ(got[3].message, WM_CLOSE);
    EXPECT_EQ(got[3].hwnd, window);
    EXPECT_EQ(got[4].message, WM_QUIT);
    EXPECT_EQ(got[4].wParam, WPARAM{3});
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));

    seen.clear();
    DispatchMessageW(&got[0]);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, WM_KEYDOWN);
    EXPECT_EQ(seen[0].wParam, WPARAM{'1'});
}

TEST_F(Layer, DefaultProcedureTurnsScCloseIntoWmClose) {
    ASSERT_NE(open(), nullptr);
    seen.clear();
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_TRUE(seen.empty());
    DefWindowProcA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    // Our test procedure hands WM_CLOSE on to the default one, which destroys the window.
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, WM_CLOSE);
    EXPECT_EQ(seen[1].message, WM_DESTROY);
    EXPECT_EQ(GetDC(window), nullptr);
    window = nullptr;
}

TEST_F(Layer, PixelFormatContextAndFont) {
    ASSERT_NE(open(), nullptr);
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = gamePixelFormat();
    pfd.dwFlags &= ~PFD_SUPPORT_OPENGL;
    EXPECT_EQ(ChoosePixelFormat(dc, &pfd), 0);
    pfd = gamePixelFormat();
    int format = ChoosePixelFormat(dc, &pfd);
    ASSERT_NE(format, 0);
    EXPECT_EQ(wglCreateContext(dc), nullptr);  // no pixel format yet
    ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
    pfd.cColorBits = 32;
    pfd.cStencilBits = 8;
    EXPECT_FALSE(SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd));  // set only once

    context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    GLint depth = 0;
    GLboolean doubled = GL_FALSE;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubled);
    EXPECT_GE(depth, 16);
    EXPECT_TRUE(doubled);

    HFONT font = CreateFontA(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH,
                             "Courier New");
    auto fontObject = reinterpret_cast<HGDIOBJ>(font);
    HGDIOBJ old = SelectObject(dc, fontObject);
    ASSERT_NE(old, nullptr);
    GLuint base = glGenLists(96);
    EXPECT_TRUE(wglUseFontBitmapsA(dc, 32, 96, base));
    EXPECT_FALSE(DeleteObject(fontObject));  // still selected
    EXPECT_EQ(SelectObject(dc, old), fontObject);
    EXPECT_TRUE(DeleteObject(fontObject));

    glViewport(0, 0, 700, 430);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 700, 0, 430, -3, 3);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glRasterPos2i(10, 10);
    glCallList(base + 'A' - 32);
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_EQ(raster[0], 22.0f);  // the -24 font draws the glyphs twice their size
    std::vector<GLubyte> pixels(40 * 40);
    glReadPixels(0, 0, 40, 40, GL_RED, GL_UNSIGNED_BYTE, pixels.data());
    int lit = 0;
    for (GLubyte p : pixels) lit += p > 128;
    EXPECT_GT(lit, 40);
    EXPECT_TRUE(SwapBuffers(dc));
    glDeleteLists(base, 96);

    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_FALSE(wglDeleteContext(context));
    context = nullptr;
}

TEST_F(Layer, SwapsAreHeldToSixtyPerSecond) {
    HDC dc = openGl();
    ASSERT_NE(dc, nullptr) << SDL_GetError();
    SwapBuffers(dc);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(SwapBuffers(dc));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(150));
}

TEST_F(Layer, FullScreenFollowsWhatTheDisplayCanDo) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = 16;
    mode.dmPelsWidth = 20000;
    mode.dmPelsHeight = 20000;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
    mode.dmPelsWidth = 700;
    mode.dmPelsHeight = 430;
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    ASSERT_NE(open(WS_POPUP), nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow()) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(SDL_GetWindowFlags(sdlWindow()) & SDL_WINDOW_FULLSCREEN);
}

}  // namespace
