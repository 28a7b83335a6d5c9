// The SDL layer against a real X server (Xvfb in CI). Tests that need a display skip
// without one; the key tables, lParam packing, message boxes and sound need none.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/gl.h"
#include "platform/sdl/input.h"
#include "platform/sdl/layer.h"
#include "platform/sound.h"
#include "render/gl_renderer.h"
#include "test_world.h"

#define STBI_ONLY_PNG
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

using namespace pimo::sdl;

std::vector<MSG> seen;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back({window, message, wParam, lParam, 0, {}});
    return DefWindowProcA(window, message, wParam, lParam);
}

// Sets an environment variable for one scope.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value) : name(name) {
        if (const char* was = std::getenv(name)) old = was;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

std::vector<MSG> drain() {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) out.push_back(m);
    return out;
}

class Layer : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = recordingProcedure;
        wc.lpszClassName = "PimoTest";
        if (!RegisterClassA(&wc)) GTEST_SKIP() << "no display: " << SDL_GetError();
        seen.clear();
    }
    void TearDown() override { UnregisterClassA("PimoTest", nullptr); }
};

// The keys the end-to-end scenarios press are proven there; these are the others. On
// AZERTY, letters follow the layout and the top row stays digits.
TEST(Input, VirtualKeysFollowWindows) {
    const std::tuple<SDL_Keycode, SDL_Scancode, int> keys[] = {
        {SDLK_a, SDL_SCANCODE_Q, 'A'},
        {SDLK_AMPERSAND, SDL_SCANCODE_1, '1'},
        {SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP, 0},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, VK_SPACE},
        {SDLK_HOME, SDL_SCANCODE_HOME, VK_HOME},
        {SDLK_F1, SDL_SCANCODE_F1, VK_F1}};
    for (auto [key, scancode, vk] : keys) EXPECT_EQ(virtualKey(key, scancode), vk) << key;
}

TEST(Input, MessageParametersArePackedAsWin32Does) {
    EXPECT_EQ(keyLParam(false, false, false), 0x00000001);
    EXPECT_EQ(keyLParam(false, true, false), LPARAM{0xC0000001});
    EXPECT_EQ(keyLParam(true, false, false), 0x40000001);
    EXPECT_EQ(keyLParam(false, false, true), 0x20000001);  // Alt held
    const LPARAM p = pointLParam(-10, 430);
    EXPECT_EQ(GET_X_LPARAM(p), -10);
    EXPECT_EQ(GET_Y_LPARAM(p), 430);
    EXPECT_EQ(GET_Y_LPARAM(pointLParam(5, -1)), -1);
    // The wheel: 120 a notch in the high word, the MK_ flags in the low one.
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheelWParam(1, 0, KMOD_NONE)), WHEEL_DELTA);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheelWParam(-2, 0, KMOD_NONE)), -2 * WHEEL_DELTA);
    EXPECT_EQ(LOWORD(wheelWParam(1, SDL_BUTTON_MMASK, KMOD_NONE)), 0x0010);
}

TEST(MessageBox, WithoutDisplayGoesToStderrAndNeverSaysYes) {
    ScopedEnv display("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Use Windowed Mode Instead?", "Vodi GL", MB_YESNO), IDNO);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Vodi GL: Use Windowed Mode Instead?\n");
}

TEST(Sound, FailsQuietlyWithoutDeviceOrFileAndPlaysAFile) {
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
        EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
        EXPECT_EQ(FSOUND_Stream_Open("theme.mp3", FSOUND_LOOP_NORMAL, 0, 0), nullptr);
        EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), 0);
    }
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0) << SDL_GetError();
    EXPECT_EQ(FSOUND_Stream_Open("no-such-theme.mp3", FSOUND_LOOP_NORMAL, 0, 0), nullptr);

    FSOUND_STREAM* stream =
        FSOUND_Stream_Open(PIMO_TEST_DATA "/sound/beat.mp3", FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(stream, nullptr) << Mix_GetError();
    EXPECT_NE(FSOUND_Stream_Play(0, stream), 0);
    EXPECT_TRUE(Mix_PlayingMusic());
    shutdownSound();
}

// A window's life: created at the client size asked for, SDL's events reaching it as
// Win32 messages with WM_QUIT last, files dropped only once it accepts them, and
// closed through the default procedure.
TEST_F(Layer, AWindowHearsItsLifeAsWin32Messages) {
    // As the game opens it: client size 700 x 430 from the grown rectangle.
    RECT r{0, 0, 700, 430};
    AdjustWindowRectEx(&r, WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
    const HWND window = CreateWindowExA(
        WS_EX_APPWINDOW, "PimoTest", "Pimo Drask", WS_CAPTION | WS_SYSMENU, 0, 0, r.right - r.left,
        r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, WM_CREATE);
    EXPECT_EQ(seen[1].message, WM_SIZE);
    EXPECT_EQ(seen[1].lParam, MAKELPARAM(700, 430));
    SDL_Window* sdl = findWindow(window)->sdl;
    EXPECT_STREQ(SDL_GetWindowTitle(sdl), "Pimo Drask");
    drain();

    PostQuitMessage(3);
    const Uint32 id = SDL_GetWindowID(sdl);
    SDL_Event key{}, motion{}, close{}, middle{}, wheel{}, refused{}, drop{};
    key.key = {SDL_KEYDOWN, 0, id, SDL_PRESSED, 1, 0, 0, {SDL_SCANCODE_1, SDLK_1, KMOD_NONE, 0}};
    motion.motion = {SDL_MOUSEMOTION, 0, id, 0, 0, -10, 20, 0, 0};
    close.window = {SDL_WINDOWEVENT, 0, id, SDL_WINDOWEVENT_CLOSE, 0, 0, 0, 0, 0};
    middle.button = {SDL_MOUSEBUTTONDOWN, 0, id, 0, SDL_BUTTON_MIDDLE, SDL_PRESSED, 1, 0, 7, 9};
    wheel.wheel = {SDL_MOUSEWHEEL, 0, id, 0, 0, -1, SDL_MOUSEWHEEL_NORMAL, 0, 0, 0, 0};
    refused.drop = {SDL_DROPFILE, 0, SDL_strdup("/tmp/refused.pdw"), id};
    for (SDL_Event* e : {&key, &motion, &close, &middle, &wheel, &refused}) SDL_PushEvent(e);
    std::vector<MSG> got;
    for (const MSG& m : drain())
        if (m.message == WM_KEYDOWN || m.message == WM_MOUSEMOVE || m.message == WM_CLOSE ||
            m.message == WM_MBUTTONDOWN || m.message == WM_MOUSEWHEEL || m.message == WM_QUIT ||
            m.message == WM_DROPFILES)
            got.push_back(m);
    ASSERT_EQ(got.size(), 6u);
    const UINT order[] = {WM_KEYDOWN,     WM_MOUSEMOVE,  WM_CLOSE,
                          WM_MBUTTONDOWN, WM_MOUSEWHEEL, WM_QUIT};
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].message, order[i]) << i;
    EXPECT_EQ(got[0].wParam, WPARAM{'1'});
    EXPECT_EQ(got[0].lParam, 0x40000001);  // an auto-repeat: previous state down
    EXPECT_EQ(got[1].lParam, MAKELPARAM(-10, 20));
    EXPECT_EQ(got[2].hwnd, window);
    EXPECT_EQ(got[3].lParam, MAKELPARAM(7, 9));
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(got[4].wParam), -WHEEL_DELTA);
    EXPECT_EQ(got[5].wParam, WPARAM{3});

    DragAcceptFiles(window, TRUE);
    drop.drop = {SDL_DROPFILE, 0, SDL_strdup("/tmp/a world.pdw"), id};
    SDL_PushEvent(&drop);
    got = drain();
    std::erase_if(got, [](const MSG& m) { return m.message != WM_DROPFILES; });
    ASSERT_EQ(got.size(), 1u);
    const auto files = reinterpret_cast<HDROP>(got[0].wParam);
    EXPECT_EQ(DragQueryFileA(files, 0xFFFFFFFF, nullptr, 0), 1u);
    EXPECT_EQ(DragQueryFileA(files, 0, nullptr, 0), 16u);
    char cut[8];
    EXPECT_EQ(DragQueryFileA(files, 0, cut, sizeof cut), 7u);
    EXPECT_STREQ(cut, "/tmp/a ");
    POINT point{-1, -1};
    EXPECT_TRUE(DragQueryPoint(files, &point));
    DragFinish(files);
    EXPECT_EQ(DragQueryFileA(files, 0xFFFFFFFF, nullptr, 0), 0u);

    seen.clear();
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_TRUE(seen.empty());
    DefWindowProcA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    // Our procedure hands WM_CLOSE on to the default one, which destroys the window.
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, WM_CLOSE);
    EXPECT_EQ(seen[1].message, WM_DESTROY);
}

// The renderer opened as the game opens it, in a real window: a double-buffered
// context with depth, F12's picture read from what the renderer drew into the back
// buffer and saved as a PNG of the window's size, and swaps held to 60 a second.
TEST_F(Layer, TheRenderersWindowShowsWhatItDrewAndSwapsAtSixtyPerSecond) {
    TestWorld w;
    GLRenderer renderer(&w.root, nullptr, DefWindowProcA);
    ASSERT_TRUE(renderer.open("Pimo Drask", 700, 430, 16, false, false)) << SDL_GetError();
    GLint depth = 0;
    GLboolean doubled = GL_FALSE;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubled);
    EXPECT_GE(depth, 16);
    EXPECT_TRUE(doubled);
    Junk piece(&w.root);
    TestWorld::addAtom(piece, 100, 100);
    TestWorld::addAtom(piece, 600, 300);
    renderer.drawFrame();

    const std::filesystem::path home = std::filesystem::current_path();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pimo-shots";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    std::string error;
    const std::string name = renderer.saveScreenshot(error);
    std::filesystem::current_path(home);

    renderer.drawFrame();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(renderer.drawFrame());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    renderer.close();
    ASSERT_EQ(name, "screenshot-0001.png") << error;

    int width = 0, height = 0, channels = 0;
    unsigned char* rgb = stbi_load((dir / name).c_str(), &width, &height, &channels, 3);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(width, 700);
    EXPECT_EQ(height, 430);
    // Rows run top to bottom in the file; the world's y runs upwards.
    const auto at = [&](int x, int y) { return rgb + ((height - 1 - y) * width + x) * 3; };
    for (auto [x, y] : {std::pair{100, 100}, {600, 300}}) {
        EXPECT_LT(at(x, y)[0], 60);
        EXPECT_GT(at(x, y)[1], 200) << x << ", " << y;
        EXPECT_LT(at(x, y)[2], 60);
    }
    EXPECT_EQ(at(100, 300)[1], 0);
    stbi_image_free(rgb);
    std::filesystem::remove_all(dir);
}

}  // namespace
