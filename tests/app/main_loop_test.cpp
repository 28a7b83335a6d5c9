#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/korvel.h"
#include "app/main_loop.h"
#include "content/piece_loader.h"
#include "content/report.h"
#include "fakes.h"
#include "physics/system.h"
#include "piece_dir.h"
#include "render/gl_renderer.h"

namespace {

// Ends the loop from inside the tick after a number of ticks.
struct StopAfter : Object {
    StopAfter(Game* game, int ticks) : Object(game), game(game), left(ticks) {}
    void tick() override {
        ++ticked;
        if (--left == 0) game->quitRequested = true;
    }
    Game* game;
    int left;
    int ticked = 0;
};

class MainLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        GLRenderer::fullscreen = false;
        korvel = std::make_unique<Korvel>(nullptr);
        fake::state().journal.clear();
    }
    void TearDown() override {
        if (stopper != nullptr) stopper->teardown();
        delete stopper;
        korvel.reset();
    }
    void stopAfter(int ticks) { stopper = new StopAfter(korvel.get(), ticks); }
    uint32_t steps() const { return korvel->world->stepCount - 1; }
    int frames() const { return fake::state().count("SwapBuffers"); }

    std::unique_ptr<Korvel> korvel;
    StopAfter* stopper = nullptr;
};

TEST_F(MainLoopTest, TheQuitMessageGetsOneLastTickAndLeavesTheRestQueued) {
    fake::state().post(WM_CLOSE);
    fake::state().post(WM_KEYDOWN, 'W');
    EXPECT_EQ(runMainLoop(*korvel), 0);
    // WM_CLOSE posted the quit message behind the key, which the drain still saw.
    EXPECT_EQ(korvel->frameSkip, 2u);
    EXPECT_EQ(steps(), 1u);
    EXPECT_EQ(frames(), 1);  // stepCount 2, frameSkip 2

    fake::state().post(WM_QUIT, 3);
    fake::state().post(WM_KEYDOWN, 'W');
    EXPECT_EQ(runMainLoop(*korvel), 3);
    EXPECT_EQ(steps(), 2u);
    EXPECT_EQ(korvel->frameSkip, 2u);
    EXPECT_EQ(fake::state().queue.size(), 1u);
    EXPECT_EQ(fake::state().count("TranslateMessage"), fake::state().count("DispatchMessageW"));
}

TEST_F(MainLoopTest, EscapeFinishesTheDrainAndTheTickThenEndsWithZero) {
    fake::state().post(WM_KEYDOWN, VK_ESCAPE, 0x10001);
    fake::state().post(WM_KEYDOWN, 'W', 0x110001);
    fake::state().post(WM_KEYUP, VK_ESCAPE, 0x7fff);
    EXPECT_EQ(runMainLoop(*korvel), 0);
    EXPECT_EQ(korvel->frameSkip, 2u);
    EXPECT_EQ(korvel->keys[VK_ESCAPE], 0);
    EXPECT_EQ(steps(), 1u);
    EXPECT_TRUE(fake::state().queue.empty());
}

TEST_F(MainLoopTest, FramesAreDrawnOnlyWhenTheStepCountIsAMultipleOfTheFrameSkip) {
    korvel->frameSkip = 3;
    stopAfter(9);
    EXPECT_EQ(runMainLoop(*korvel), 0);
    EXPECT_EQ(steps(), 9u);
    EXPECT_EQ(frames(), 3);  // stepCount 3, 6 and 9

    korvel->quitRequested = false;
    korvel->frameSkip = 1;
    stopper->left = 4;
    fake::state().journal.clear();
    runMainLoop(*korvel);
    EXPECT_EQ(frames(), 4);
}

TEST_F(MainLoopTest, APausedWorldNeitherStepsNorDraws) {
    korvel->paused = true;
    stopAfter(1);
    fake::state().post(WM_QUIT);
    runMainLoop(*korvel);
    EXPECT_EQ(steps(), 0u);
    EXPECT_EQ(frames(), 0);
    EXPECT_EQ(stopper->ticked, 0);
}

class PlayGameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        GLRenderer::fullscreen = false;
    }
    void TearDown() override {
        setMessageBoxHandler(nullptr);
        setTextureUploader(nullptr);
    }
};

TEST_F(PlayGameTest, AWindowThatCannotBeOpenedEndsTheProgramWithOne) {
    fake::state().failing = {"SetPixelFormat"};
    EXPECT_EQ(playGame(nullptr), 1);
    EXPECT_EQ(fake::state().count("PeekMessageW"), 0);
    ASSERT_EQ(fake::state().boxes.size(), 1u);
    EXPECT_EQ(fake::state().boxes[0].text, "Can't Set The PixelFormat.");
}

TEST_F(PlayGameTest, RunsUntilEscapeThenClosesAndRoutesContentToTheGame) {
    PieceDir dir;
    dir.writeFamily("drask", PieceDir::triangle("absent.tga"));
    fake::state().post(WM_KEYDOWN, '1');
    fake::state().post(WM_KEYDOWN, VK_ESCAPE);
    testing::internal::CaptureStderr();
    EXPECT_EQ(playGame(nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open absent.tga\n");

    const fake::State& s = fake::state();
    // The missing image still became a GL texture, through the game's uploader.
    EXPECT_EQ(s.count("glTexImage2D"), 1);
    EXPECT_GT(s.indexOf("DestroyWindow"), s.indexOf("PeekMessageW"));
    EXPECT_GT(s.indexOf("UnregisterClassA"), s.indexOf("DestroyWindow"));
    EXPECT_TRUE(s.boxes.empty());

    // Content message boxes now go to MessageBoxA.
    showMessageBox("text", "caption", kMbOk);
    ASSERT_EQ(s.boxes.size(), 1u);
    EXPECT_EQ(s.boxes[0].caption, "caption");
}

}  // namespace
