#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_proc.h"
#include "fakes.h"
#include "render/renderer.h"
#include "scene/game.h"

namespace {

// Journals what the procedure hands on, so the order against the Win32 calls shows.
struct RecordingRenderer : Renderer {
    bool open(const char*, float, float, int32_t, bool, bool) override { return true; }
    void close() override {}
    void resize(int32_t w, int32_t h) override {
        fake::record("resize", std::to_string(w) + ", " + std::to_string(h));
    }
    bool drawFrame() override { return true; }
};

struct RecordingGame : Game {
    void keyDown(int32_t key) override {
        fake::record("keyDown", std::to_string(key));
        Game::keyDown(key);
    }
    void mouseMove(int32_t x, int32_t y) override {
        fake::record("mouseMove", std::to_string(x) + ", " + std::to_string(y));
        Game::mouseMove(x, y);
    }
    void leftButtonDown() override {
        fake::record("leftButtonDown");
        Game::leftButtonDown();
    }
};

class WindowProcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
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
    std::vector<std::string> journal() const {
        std::vector<std::string> out;
        for (const fake::Call& c : fake::state().journal) out.push_back(c.text);
        return out;
    }

    RecordingRenderer renderer;
    RecordingGame game;
};

TEST_F(WindowProcTest, MouseMoveTakesBothHalvesAsSigned) {
    send(WM_MOUSEMOVE, 0, MAKELPARAM(10, -10));
    EXPECT_EQ(game.mouseX, 10);
    EXPECT_EQ(game.mouseY, 440);
    send(WM_MOUSEMOVE, 0, MAKELPARAM(-3, 0));
    EXPECT_EQ(game.mouseX, -3);
    EXPECT_EQ(game.mouseY, 430);
}

TEST_F(WindowProcTest, ButtonsTakeTheCaptureFirstAndReleaseItWithoutMoving) {
    EXPECT_EQ(send(WM_LBUTTONDOWN, 0, MAKELPARAM(100, 30)), 0);
    EXPECT_EQ(journal(), (std::vector<std::string>{"SetCapture(4097)", "mouseMove(100, 30)",
                                                   "leftButtonDown()"}));
    EXPECT_EQ(game.mouseY, 400);
    EXPECT_TRUE(game.leftButton);

    send(WM_RBUTTONDOWN, 0, MAKELPARAM(5, 6));
    EXPECT_TRUE(game.rightButton);
    fake::state().journal.clear();
    send(WM_RBUTTONUP, 0, MAKELPARAM(200, 200));
    send(WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
    EXPECT_EQ(journal(), (std::vector<std::string>{"ReleaseCapture()", "ReleaseCapture()"}));
    EXPECT_FALSE(game.rightButton);
    EXPECT_FALSE(game.leftButton);
    EXPECT_EQ(game.mouseX, 5);
    EXPECT_EQ(game.mouseY, 424);
}

TEST_F(WindowProcTest, KeysReachTheGameAndOtherKeyMessagesTheDefaultProcedure) {
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(game.keys[VK_ESCAPE], 1);
    send(WM_KEYUP, VK_ESCAPE);
    EXPECT_EQ(game.keys[VK_ESCAPE], 0);

    fake::state().journal.clear();
    EXPECT_EQ(send(WM_SYSKEYDOWN, 'A'), 0x77);
    EXPECT_EQ(send(WM_CHAR, 'a'), 0x77);
    EXPECT_EQ(fake::state().names(),
              (std::vector<std::string>{"DefWindowProcA", "DefWindowProcA"}));
    EXPECT_EQ(game.keys['A'], 0);
}

TEST_F(WindowProcTest, KeyCodesBeyondTheTableChangeNothing) {
    send(WM_KEYDOWN, 256);
    send(WM_KEYDOWN, static_cast<WPARAM>(0x100000041ull));  // would wrap onto 'A'
    for (uint8_t k : game.keys) EXPECT_EQ(k, 0);
}

TEST_F(WindowProcTest, SizeResizesAndScreenSaverAndMonitorPowerAreSwallowed) {
    EXPECT_EQ(send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(700, 430)), 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_MONITORPOWER | 2), 0);
    EXPECT_EQ(journal(), std::vector<std::string>{"resize(700, 430)"});
}

TEST_F(WindowProcTest, CloseCommandPostsQuitThroughTheDefaultProcedure) {
    fake::state().procedure = windowProc;
    send(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_EQ(fake::state().names(),
              (std::vector<std::string>{"DefWindowProcA", "PostQuitMessage"}));
    ASSERT_EQ(fake::state().queue.size(), 1u);
    EXPECT_EQ(fake::state().queue.front().message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(fake::state().queue.front().wParam, 0u);
    // The window is left for the renderer to destroy.
    EXPECT_EQ(fake::state().count("DestroyWindow"), 0);
}

}  // namespace
