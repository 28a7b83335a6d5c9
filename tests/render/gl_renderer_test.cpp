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

class GLRendererTest : public ::testing::Test {
  protected:
    void SetUp() override { fake::reset(); }
    bool openGame() { return renderer.open("Pimo Drask", 700.9f, 430, 16, false, false); }
    const fake::State& s = fake::state();
    Game game;
    GLRenderer renderer{&game, &game, nullptr, testProc};
};

TEST_F(GLRendererTest, OpenGrowsTheWindowAroundTheClientAndMakesTheContextCurrentFirst) {
    ASSERT_TRUE(openGame());
    EXPECT_TRUE(renderer.opened);
    EXPECT_EQ(renderer.width, 700);
    EXPECT_EQ(s.procedure, testProc);
    EXPECT_TRUE(s.texts("CreateWindowExA")
                    .at(0)
                    .ends_with(fake::arg(700 + 2 * fake::kFrame) + ", " +
                               fake::arg(430 + 2 * fake::kFrame) + ")"));
    // No GL call, and no window shown, before the context is current.
    const int current = s.indexOf("wglMakeCurrent");
    EXPECT_LT(current, s.indexOf("ShowWindow"));
    for (int i = 0; i < current; ++i) EXPECT_FALSE(s.calls[i].starts_with("gl")) << s.calls[i];
    EXPECT_EQ(s.texts("glOrtho"), Texts{call("glOrtho", 0, 700, 0, 430, -3, 3)});
    EXPECT_EQ(s.count("MessageBoxA"), 0);
}

struct OpenFailure {
    std::string step;
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
}

const Texts kAfterDc = {"ReleaseDC", "DestroyWindow", "UnregisterClassA"};

INSTANTIATE_TEST_SUITE_P(
    EachStep, OpenFailureTest,
    ::testing::Values(OpenFailure{"RegisterClassA", {}},
                      OpenFailure{"CreateWindowExA", {"UnregisterClassA"}},
                      OpenFailure{"GetDC", {"DestroyWindow", "UnregisterClassA"}},
                      OpenFailure{"ChoosePixelFormat", kAfterDc},
                      OpenFailure{"SetPixelFormat", kAfterDc},
                      OpenFailure{"wglCreateContext", kAfterDc},
                      OpenFailure{"wglMakeCurrent",
                                  {"wglMakeCurrent", "wglDeleteContext", "ReleaseDC",
                                   "DestroyWindow", "UnregisterClassA"}}),
    [](const auto& info) { return info.param.step; });

TEST_F(GLRendererTest, CloseReportsEachFailedReleaseAndGoesOn) {
    ASSERT_TRUE(openGame());
    renderer.close();
    EXPECT_EQ(s.count("MessageBoxA"), 0);
    EXPECT_EQ(renderer.renderContext, nullptr);
    EXPECT_EQ(renderer.window, fake::kWindow);  // a released handle keeps its value

    ASSERT_TRUE(openGame());
    fake::state().failing = {"wglMakeCurrent(null, null)", "wglDeleteContext", "ReleaseDC",
                             "DestroyWindow", "UnregisterClassA"};
    renderer.close();
    EXPECT_EQ(s.count("MessageBoxA"), 5);
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
