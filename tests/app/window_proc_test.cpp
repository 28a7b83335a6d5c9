#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_proc.h"
#include "fakes.h"
#include "render/gl_renderer.h"
#include "scene/game.h"

namespace {

using Texts = std::vector<std::string>;
using fake::call;

class WindowProcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        fake::state().procedure = windowProc;
        renderer.height = 430;
        game.renderer = &renderer;
        currentGame = &game;
        currentRenderer = &renderer;
    }
    void TearDown() override {
        currentGame = nullptr;
        currentRenderer = nullptr;
    }
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        return windowProc(fake::kWindow, message, wParam, lParam);
    }

    Game game;
    GLRenderer renderer{&game, nullptr, nullptr};
};

TEST_F(WindowProcTest, EachMessageGoesWhereItBelongs) {
    // The window stays for the renderer to destroy; the loop ends on WM_QUIT.
    const Texts close = {call("DefWindowProcA", WM_SYSCOMMAND, SC_CLOSE),
                         call("PostQuitMessage", 0)};
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
        Texts calls;
    } cases[] = {
        {WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480), 0, {}},
        {WM_SYSCOMMAND, SC_SCREENSAVE, 0, 0, {}},
        {WM_SYSCOMMAND, SC_MONITORPOWER | 2, 0, 0, {}},
        {WM_SYSCOMMAND, SC_CLOSE, 0, 0, close},
        {WM_LBUTTONDOWN, 0, MAKELPARAM(100, 30), 0, {call("SetCapture", fake::kWindow)}},
        {WM_LBUTTONUP, 0, 0, 0, {call("ReleaseCapture")}},
        {WM_RBUTTONDOWN, 0, 0, 0, {call("SetCapture", fake::kWindow)}},
        {WM_RBUTTONUP, 0, 0, 0, {call("ReleaseCapture")}},
        {WM_KEYDOWN, 'A', 0, 0, {}},
        {WM_SYSKEYDOWN, 'A', 0, fake::kDefaultResult, {call("DefWindowProcA", WM_SYSKEYDOWN, 'A')}},
    };
    // GL calls are left out: WM_SIZE shows in the renderer's size.
    for (const auto& c : cases) {
        fake::state().calls.clear();
        EXPECT_EQ(send(c.message, c.wParam, c.lParam), c.result) << c.message;
        Texts calls = fake::state().calls;
        std::erase_if(calls, [](auto& text) { return text.starts_with("gl"); });
        EXPECT_EQ(calls, c.calls) << c.message;
    }
    EXPECT_EQ(renderer.width, 640);
    EXPECT_EQ(renderer.height, 480);
    EXPECT_EQ(fake::state().queue.size(), 1u);
    EXPECT_EQ(fake::state().queue.front().message, static_cast<UINT>(WM_QUIT));
}

TEST_F(WindowProcTest, MouseHalvesAreSignedButtonsMoveOnlyWhenPressedAndKeysStayInTheTable) {
    send(WM_MOUSEMOVE, 0, MAKELPARAM(-3, -10));
    EXPECT_EQ(game.mouseX, -3);
    EXPECT_EQ(game.mouseY, 440);
    send(WM_LBUTTONDOWN, 0, MAKELPARAM(100, 30));
    EXPECT_TRUE(game.leftButton);
    EXPECT_EQ(game.mouseY, 400);
    send(WM_RBUTTONDOWN, 0, MAKELPARAM(5, 6));
    EXPECT_TRUE(game.rightButton);
    send(WM_RBUTTONUP, 0, MAKELPARAM(200, 200));
    send(WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
    EXPECT_FALSE(game.rightButton || game.leftButton);
    EXPECT_EQ(game.mouseX, 5);

    // Keys reach the game; codes beyond the table change nothing.
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(game.keys[VK_ESCAPE], 1);
    send(WM_KEYUP, VK_ESCAPE);
    send(WM_KEYDOWN, 256);
    send(WM_KEYDOWN, static_cast<WPARAM>(0x100000041ull));  // would wrap onto 'A'
    for (uint8_t k : game.keys) EXPECT_EQ(k, 0);
}

}  // namespace
