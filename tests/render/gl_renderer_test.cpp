#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes.h"
#include "platform/gl.h"
#include "render/gl_renderer.h"
#include "scene/game.h"

namespace {

using Texts = std::vector<std::string>;
using fake::call;

LRESULT CALLBACK testProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

std::string box(const char* caption, const char* text, UINT type) {
    return call("MessageBoxA", caption, text, type);
}

class GLRendererTest : public ::testing::Test {
  protected:
    void SetUp() override { fake::reset(); }
    bool openGame() { return renderer.open("Pimo Drask", 700.9f, 430, 16, false, false); }
    const fake::State& s = fake::state();
    Game game;
    GLRenderer renderer{&game, nullptr, testProc};
};

TEST_F(GLRendererTest, OpenGrowsTheWindowAroundTheClientAndMakesTheContextCurrentFirst) {
    ASSERT_TRUE(openGame());
    EXPECT_TRUE(renderer.opened);
    EXPECT_EQ(renderer.width, 700);
    EXPECT_EQ(s.procedure, testProc);
    // GL needs a device context of its own for the life of the window.
    EXPECT_EQ(s.texts("RegisterClassA"),
              Texts{call("RegisterClassA", "OpenGL", CS_HREDRAW | CS_VREDRAW | CS_OWNDC)});
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(s.texts("CreateWindowExA"),
              Texts{call("CreateWindowExA", "Pimo Drask", style, 700 + 2 * fake::kFrame,
                         430 + 2 * fake::kFrame)});
    const DWORD flags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    EXPECT_EQ(s.texts("ChoosePixelFormat"), Texts{call("ChoosePixelFormat", flags, 16, 16)});
    // Open itself makes no GL call, and shows no window, before the context is current.
    const int current = s.indexOf("wglMakeCurrent");
    EXPECT_LT(current, s.indexOf("ShowWindow"));
    for (int i = 0; i < current; ++i) EXPECT_FALSE(s.calls[i].starts_with("gl")) << s.calls[i];
    EXPECT_EQ(s.texts("glOrtho"), Texts{call("glOrtho", 0, 700, 0, 430, -3, 3)});
    EXPECT_EQ(s.texts("wglUseFontBitmapsA"), Texts{call("wglUseFontBitmapsA", 32, 96, 1000)});
    EXPECT_TRUE(s.texts("MessageBoxA").empty());
}

struct OpenFailure {
    std::string step;
    const char* message;
    Texts releases;  // what the failure releases before its message
};
void PrintTo(const OpenFailure& f, std::ostream* os) {
    *os << f.step;
}

class OpenFailureTest : public GLRendererTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ReleasesWhatExistsThenReports) {
    const OpenFailure& f = GetParam();
    // Releasing the context must still work.
    fake::state().failing = {f.step == "wglMakeCurrent" ? "wglMakeCurrent(ptr, ptr)" : f.step};
    EXPECT_FALSE(openGame());
    EXPECT_FALSE(renderer.opened);

    Texts expected = {f.step};
    expected.insert(expected.end(), f.releases.begin(), f.releases.end());
    expected.push_back("MessageBoxA");
    Texts all;  // names of the Win32 calls
    for (const std::string& c : s.calls)
        if (!c.starts_with("gl")) all.push_back(c.substr(0, c.find('(')));
    EXPECT_EQ(Texts(std::find(all.begin(), all.end(), f.step), all.end()), expected);
    EXPECT_EQ(s.texts("MessageBoxA"), Texts{box("ERROR", f.message, MB_OK | MB_ICONEXCLAMATION)});
}

const Texts kAfterWindow = {"DestroyWindow", "UnregisterClassA"};
const Texts kAfterDc = {"ReleaseDC", "DestroyWindow", "UnregisterClassA"};

INSTANTIATE_TEST_SUITE_P(
    EachStep, OpenFailureTest,
    ::testing::Values(
        OpenFailure{"RegisterClassA", "Failed To Register The Window Class.", {}},
        OpenFailure{"CreateWindowExA", "Window Creation Error.", {"UnregisterClassA"}},
        OpenFailure{"GetDC", "Can't Create A GL Device Context.", kAfterWindow},
        OpenFailure{"ChoosePixelFormat", "Can't Find A Suitable PixelFormat.", kAfterDc},
        OpenFailure{"SetPixelFormat", "Can't Set The PixelFormat.", kAfterDc},
        OpenFailure{"wglCreateContext", "Can't Create A GL Rendering Context.", kAfterDc},
        OpenFailure{"wglMakeCurrent",
                    "Can't Activate The GL Rendering Context.",
                    {"wglMakeCurrent", "wglDeleteContext", "ReleaseDC", "DestroyWindow",
                     "UnregisterClassA"}}),
    [](const auto& info) { return info.param.step; });

TEST_F(GLRendererTest, CloseReportsEachFailedReleaseAndGoesOn) {
    ASSERT_TRUE(openGame());
    renderer.close();
    EXPECT_TRUE(s.texts("MessageBoxA").empty());
    EXPECT_EQ(renderer.renderContext, nullptr);
    EXPECT_EQ(renderer.window, fake::kWindow);  // a released handle keeps its value

    ASSERT_TRUE(openGame());
    fake::state().calls.clear();
    fake::state().failing = {"wglMakeCurrent(null, null)", "wglDeleteContext", "ReleaseDC",
                             "DestroyWindow", "UnregisterClassA"};
    renderer.close();
    Texts expected;
    for (const char* message : {"Release Of DC And RC Failed.", "Release Rendering Context Failed.",
                                "Release Device Context Failed.", "Could Not Release hWnd.",
                                "Could Not Unregister Class."})
        expected.push_back(box("SHUTDOWN ERROR", message, MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(s.texts("MessageBoxA"), expected);
    // A handle whose release failed is dropped, so nothing tries it again.
    EXPECT_EQ(renderer.deviceContext, nullptr);
    EXPECT_EQ(renderer.window, nullptr);
    EXPECT_EQ(renderer.instance, nullptr);
    EXPECT_EQ(s.calls.back(), call("glDeleteLists", 1000, 96));
}

TEST_F(GLRendererTest, ResizeToZeroHeightKeepsTheProjectionDefined) {
    renderer.resize(640, 0);
    EXPECT_EQ(renderer.height, 0);
    EXPECT_EQ(s.texts("glViewport"), Texts{call("glViewport", 0, 0, 640, 1)});
    EXPECT_EQ(s.texts("glOrtho"), Texts{call("glOrtho", 0, 640, 0, 1, -3, 3)});
}

}  // namespace
