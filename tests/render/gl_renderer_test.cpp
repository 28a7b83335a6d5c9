#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "content/report.h"
#include "fakes.h"
#include "platform/gl.h"
#include "render/gl_renderer.h"
#include "render/texture_upload.h"
#include "scene/game.h"
#include "scene/texture.h"
#include "scene/triangle.h"
#include "test_world.h"

// What the pictures (tests/pictures) cannot see: how the window and context open
// and close, how many binds and batches a frame costs, and what it reports. How
// each rule looks is proved there.
namespace {

using Texts = std::vector<std::string>;
using fake::call;

LRESULT CALLBACK testProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

class GLRendererTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        // As the game shows them.
        setMessageBoxHandler([](const char* text, const char* caption, unsigned type) {
            return MessageBoxA(nullptr, text, caption, type);
        });
    }
    void TearDown() override { setMessageBoxHandler(nullptr); }
    bool openGame() { return renderer.open("Pimo Drask", 700.9f, 430, 16, false, false); }
    const fake::State& s = fake::state();
    Game game;
    GLRenderer renderer{&game, nullptr, testProc};
};

TEST_F(GLRendererTest, OpenMakesTheContextCurrentBeforeAnyGlCallOrShowing) {
    ASSERT_TRUE(openGame());
    EXPECT_TRUE(renderer.opened);
    EXPECT_EQ(renderer.width, 700);
    EXPECT_EQ(s.procedure, testProc);
    // No GL call, and no window shown, before the context is current.
    const int current = s.indexOf("wglMakeCurrent");
    EXPECT_LT(current, s.indexOf("ShowWindow"));
    for (int i = 0; i < current; ++i) EXPECT_FALSE(s.calls[i].starts_with("gl")) << s.calls[i];
    EXPECT_EQ(s.texts("glOrtho"), Texts{call("glOrtho", 0, 700, 0, 430, -3, 3)});
    EXPECT_EQ(s.count("MessageBoxA"), 0);

    // A zero height keeps the projection defined.
    fake::state().calls.clear();
    renderer.resize(640, 0);
    EXPECT_EQ(renderer.height, 0);
    EXPECT_EQ(s.texts("glViewport"), Texts{call("glViewport", 0, 0, 640, 1)});
    EXPECT_EQ(s.texts("glOrtho"), Texts{call("glOrtho", 0, 640, 0, 1, -3, 3)});
}

// Each step of the opening that can fail, and how many of the releases (last
// first) it needs before its message.
const char* const kSteps[] = {"RegisterClassA",    "CreateWindowExA", "GetDC",
                              "ChoosePixelFormat", "SetPixelFormat",  "wglCreateContext",
                              "wglMakeCurrent"};
const int kReleases[] = {0, 1, 2, 3, 3, 3, 5};

class OpenFailureTest : public GLRendererTest, public ::testing::WithParamInterface<int> {};

TEST_P(OpenFailureTest, ReleasesWhatExistsThenReports) {
    const std::string step = kSteps[GetParam()];
    // Releasing the context must still work.
    fake::state().failing = {step == "wglMakeCurrent" ? "wglMakeCurrent(ptr, ptr)" : step};
    EXPECT_FALSE(openGame());
    EXPECT_FALSE(renderer.opened);
    const Texts all = {"wglMakeCurrent", "wglDeleteContext", "ReleaseDC",
                       "DestroyWindow",  "UnregisterClassA", "MessageBoxA"};
    Texts expected = {step};
    expected.insert(expected.end(), all.end() - 1 - kReleases[GetParam()], all.end());
    Texts made;  // names of the Win32 calls
    for (const std::string& c : s.calls)
        if (!c.starts_with("gl")) made.push_back(c.substr(0, c.find('(')));
    EXPECT_EQ(Texts(std::find(made.begin(), made.end(), step), made.end()), expected);
}

INSTANTIATE_TEST_SUITE_P(EachStep, OpenFailureTest, ::testing::Range(0, 7),
                         [](const auto& info) { return std::string(kSteps[info.param]); });

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

// Elements drawn at depth z, the layer of one kind of record.
Texts elementsAt(float z) {
    Texts out;
    const std::string depth = ", " + fake::arg(z);
    for (const std::string& e : fake::state().texts("element("))
        if (e.find(depth + ",") != std::string::npos || e.ends_with(depth + ")")) out.push_back(e);
    return out;
}

// A world root drawn by a renderer over the fake GL, with one piece to hold records.
class FrameTest : public ::testing::Test {
  protected:
    FrameTest() {
        renderer.deviceContext = fake::kDeviceContext;
        fake::reset();
    }
    Triangle* triangle(Texture& texture, float x) {
        Atom* a = TestWorld::addAtom(piece, x, 0);
        Atom* b = TestWorld::addAtom(piece, x + 1, 0);
        Atom* c = TestWorld::addAtom(piece, x, 1);
        Triangle* t = TestWorld::addTriangle(piece, a, b, c, &texture);
        t->sB = 1, t->tC = 1;
        return t;
    }

    TestWorld w;
    GLRenderer renderer{&w.root, nullptr, nullptr};
    Junk piece{&w.root};
};

TEST_F(FrameTest, AFrameClearsSwapsAndDrawsEachRunOfEqualTexturesInOneBatch) {
    EXPECT_TRUE(renderer.drawFrame());
    EXPECT_EQ(fake::state().count("glDrawArrays"), 0);
    EXPECT_EQ(fake::state().calls.back(), call("SwapBuffers", fake::kDeviceContext));
    fake::state().failing = {"SwapBuffers"};
    EXPECT_FALSE(renderer.drawFrame());
    fake::reset();

    Texture t1, t2;
    t1.glName = 11, t2.glName = 22;
    triangle(t1, 10);
    triangle(t2, 20);
    triangle(t1, 30)->visible = false;
    triangle(t1, 40);
    renderer.drawFrame();
    const fake::State& s = fake::state();
    EXPECT_EQ(s.calls.front(), call("glClear", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    EXPECT_EQ(s.texts("glBindTexture"), (Texts{call("glBindTexture", GL_TEXTURE_2D, 11),
                                               call("glBindTexture", GL_TEXTURE_2D, 22)}));
    EXPECT_EQ(s.texts("glDrawArrays(" + fake::arg(GL_TRIANGLES) + ","),
              (Texts{call("glDrawArrays", GL_TRIANGLES, 0, 6),
                     call("glDrawArrays", GL_TRIANGLES, 6, 3)}));
    // Newest first within a texture: 40, (30), 10, then 20; each corner's texture
    // coordinates are its offset from the first.
    Texts corners;
    for (float x : {40, 10, 20})
        for (auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}})
            corners.push_back(call("element", x + dx, dy, 0.1f, dx, dy));
    EXPECT_EQ(elementsAt(0.1f), corners);
}

TEST(TextureUploadTest, HandsGlThePixelsOnlyWhenTheBufferHoldsTheImage) {
    fake::reset();
    Texture t;
    t.width = 2, t.height = 2, t.imageSize = 12;
    t.glFormat = kGlRgb;
    t.pixels = std::make_unique<uint8_t[]>(12);
    uploadTexture(t);
    EXPECT_EQ(t.glName, 1u);
    t.glFormat = kGlRgba;  // 16 bytes needed, 12 held
    uploadTexture(t);
    EXPECT_EQ(fake::state().texts("glTexImage2D"),
              (Texts{call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB,
                          GL_UNSIGNED_BYTE, "ptr"),
                     call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 0, GL_RGBA,
                          GL_UNSIGNED_BYTE, nullptr)}));
}

}  // namespace
