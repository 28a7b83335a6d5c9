#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes.h"
#include "render/gl_renderer.h"
#include "scene/game.h"

namespace {

using Names = std::vector<std::string>;

LRESULT CALLBACK testProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

class GLRendererTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        GLRenderer::fullscreen = false;
    }
    bool openGame(bool fullscreen = false, bool resizable = false) {
        return renderer.open("Pimo Drask", 700.9f, 430, 16, fullscreen, resizable);
    }
    Names boxTexts() const {
        Names out;
        for (const fake::Box& b : fake::state().boxes) out.push_back(b.text);
        return out;
    }
    const fake::State& s = fake::state();
    Game game;
    GLRenderer renderer{&game, &game, reinterpret_cast<HINSTANCE>(0x9), testProc};
};

TEST_F(GLRendererTest, OpenMakesAFixedFrameWindowAroundTheClientSize) {
    ASSERT_TRUE(openGame());
    EXPECT_TRUE(renderer.opened);
    EXPECT_EQ(renderer.width, 700);
    EXPECT_EQ(renderer.height, 430);
    EXPECT_EQ(renderer.instance, fake::kModule);
    EXPECT_EQ(s.windowClass.style, 0x23u);
    EXPECT_EQ(s.windowClass.lpfnWndProc, testProc);
    EXPECT_EQ(s.windowClass.hInstance, fake::kModule);
    EXPECT_STREQ(s.windowClass.lpszClassName, "OpenGL");

    EXPECT_EQ(s.createWidth, 700 + 2 * fake::kFrameSide);
    EXPECT_EQ(s.createHeight, 430 + fake::kFrameTop + fake::kFrameSide);
    EXPECT_EQ(s.createExStyle, static_cast<DWORD>(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));
    EXPECT_EQ(s.createStyle,
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_EQ(s.chosenFormat.nSize, 40);
    EXPECT_EQ(s.chosenFormat.dwFlags, 0x25u);
    EXPECT_EQ(s.chosenFormat.cColorBits, 16);
    EXPECT_EQ(s.chosenFormat.cDepthBits, 16);

    // The context is current before the window shows and before any GL call.
    EXPECT_LT(s.indexOf("wglMakeCurrent"), s.indexOf("ShowWindow"));
    EXPECT_LT(s.indexOf("wglMakeCurrent"), s.indexOf("glOrtho"));
    EXPECT_EQ(s.journal[s.indexOf("glOrtho")].text, "glOrtho(0, 700, 0, 430, -3, 3)");
    EXPECT_EQ(s.journal[s.indexOf("wglUseFontBitmapsA")].text, "wglUseFontBitmapsA(32, 96, 1000)");
    EXPECT_TRUE(s.boxes.empty());

    renderer.close();
    fake::reset();
    ASSERT_TRUE(openGame(false, true));
    EXPECT_EQ(s.createStyle & WS_OVERLAPPEDWINDOW, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
}

struct OpenFailure {
    const char* failing;
    const char* message;
    Names releases;  // what the failure releases before its message
};

class OpenFailureTest : public GLRendererTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ReleasesWhatExistsThenReports) {
    const OpenFailure& f = GetParam();
    fake::state().failing = {f.failing};
    EXPECT_FALSE(openGame());
    EXPECT_FALSE(renderer.opened);

    Names expected = {f.failing};
    expected.insert(expected.end(), f.releases.begin(), f.releases.end());
    expected.push_back("MessageBoxA");
    const Names all = s.win32();
    EXPECT_EQ(Names(std::find(all.begin(), all.end(), f.failing), all.end()), expected);
    EXPECT_EQ(boxTexts(), Names{f.message});
    EXPECT_EQ(s.boxes[0].caption, "ERROR");
    EXPECT_EQ(s.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
}

const Names kAfterWindow = {"DestroyWindow", "UnregisterClassA"};
const Names kAfterDc = {"ReleaseDC", "DestroyWindow", "UnregisterClassA"};

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
    [](const auto& info) { return std::string(info.param.failing); });

TEST_F(GLRendererTest, ARefusedFullScreenAsksAndGoesOnInAWindowOnlyOnYes) {
    fake::state().failing = {"ChangeDisplaySettingsA"};
    fake::state().boxAnswers = {IDNO};
    EXPECT_FALSE(openGame(true));
    EXPECT_EQ(boxTexts(), (Names{"The Requested Fullscreen Mode Is Not Supported By\nYour Video "
                                 "Card. Use Windowed Mode Instead?",
                                 "Program Will Now Close."}));
    EXPECT_EQ(s.boxes[0].caption, "Vodi GL");
    EXPECT_EQ(s.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(s.boxes[1].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(s.count("CreateWindowExA"), 0);
    EXPECT_EQ(s.count("UnregisterClassA"), 0);

    fake::reset();
    fake::state().failing = {"ChangeDisplaySettingsA"};
    fake::state().boxAnswers = {IDYES};
    ASSERT_TRUE(openGame(true));
    EXPECT_FALSE(GLRenderer::fullscreen);
    EXPECT_EQ(s.count("ShowCursor"), 0);
    EXPECT_EQ(s.createStyle & WS_POPUP, 0u);
}

TEST_F(GLRendererTest, FullScreenHidesTheCursorAndCloseRestoresTheDisplayFirst) {
    ASSERT_TRUE(openGame(true));
    EXPECT_EQ(s.journal[s.indexOf("ChangeDisplaySettingsA")].text,
              "ChangeDisplaySettingsA(700x430x16, 4)");
    EXPECT_EQ(s.createStyle & WS_POPUP, static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(s.count("ShowCursor"), 1);
    fake::state().journal.clear();
    renderer.close();
    EXPECT_EQ(s.win32(),
              (Names{"ChangeDisplaySettingsA", "ShowCursor", "wglMakeCurrent", "wglDeleteContext",
                     "ReleaseDC", "DestroyWindow", "UnregisterClassA"}));
}

TEST_F(GLRendererTest, ACleanCloseShowsNothingAndKeepsTheReleasedHandles) {
    ASSERT_TRUE(openGame());
    fake::state().journal.clear();
    renderer.close();
    EXPECT_TRUE(s.boxes.empty());
    EXPECT_FALSE(renderer.opened);
    EXPECT_EQ(renderer.renderContext, nullptr);
    EXPECT_EQ(renderer.deviceContext, fake::kDeviceContext);
    EXPECT_EQ(renderer.window, fake::kWindow);
    EXPECT_EQ(renderer.instance, fake::kModule);
    EXPECT_EQ(s.journal[0].text, "wglMakeCurrent(null, null)");
    EXPECT_EQ(s.gl(), Names{"glDeleteLists(1000, 96)"});
}

TEST_F(GLRendererTest, CloseReportsEveryFailedReleaseAndGoesOn) {
    ASSERT_TRUE(openGame());
    fake::state().failing = {"wglMakeCurrent(null)", "wglDeleteContext", "ReleaseDC",
                             "DestroyWindow", "UnregisterClassA"};
    renderer.close();
    EXPECT_EQ(boxTexts(),
              (Names{"Release Of DC And RC Failed.", "Release Rendering Context Failed.",
                     "Release Device Context Failed.", "Could Not Release hWnd.",
                     "Could Not Unregister Class."}));
    for (const fake::Box& b : s.boxes) {
        EXPECT_EQ(b.caption, "SHUTDOWN ERROR");
        EXPECT_EQ(b.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    }
    EXPECT_EQ(renderer.deviceContext, nullptr);
    EXPECT_EQ(renderer.window, nullptr);
    EXPECT_EQ(renderer.instance, nullptr);
    EXPECT_EQ(s.gl().back(), "glDeleteLists(1000, 96)");
}

TEST_F(GLRendererTest, ResizeToZeroHeightKeepsTheProjectionDefined) {
    renderer.resize(640, 0);
    EXPECT_EQ(renderer.height, 0);
    EXPECT_EQ(s.gl(), (Names{"glViewport(0, 0, 640, 1)", "glMatrixMode(GL_PROJECTION)",
                             "glLoadIdentity()", "glOrtho(0, 640, 0, 1, -3, 3)",
                             "glMatrixMode(GL_MODELVIEW)", "glLoadIdentity()"}));
}

}  // namespace
