#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "picture_check.h"
#include "render/gl_renderer.h"
#include "stage.h"

namespace {

namespace fs = std::filesystem;

// A directory of its own as the working directory, as the game has its assets.
class ScreenshotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // One per test: ctest may run them at the same time.
        dir = fs::path(PIMO_PICTURES_OUT) /
              ("screenshots-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
    }
    void TearDown() override { fs::current_path(home); }

    const fs::path home = fs::current_path();
    fs::path dir;
};

TEST_F(ScreenshotTest, SavesWhatTheWindowShowsUnderTheNextFreeNumber) {
    Stage stage;
    stage.load("drask1.pob", 150, 200);
    stage.load("pimo3.pob", 500, 260);
    const Picture shown = stage.draw();
    std::ofstream(dir / "screenshot-0001.png") << "someone's file";
    fs::create_directory(dir / "screenshot-0003.png");

    // F12, as the player takes one, then the renderer's call itself.
    stage.korvel->keyDown(VK_F12);
    stage.korvel->keyUp(VK_F12);
    EXPECT_TRUE(fs::is_regular_file(dir / "screenshot-0002.png"));
    std::string error;
    EXPECT_EQ(stage.korvel->glRenderer()->saveScreenshot(error), "screenshot-0004.png") << error;
    std::ifstream kept(dir / "screenshot-0001.png");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "someone's file");

    const Picture saved = loadPng((dir / "screenshot-0002.png").string());
    EXPECT_EQ(saved.width, 700);
    EXPECT_EQ(saved.height, 430);
    EXPECT_TRUE(saved.rgb == shown.rgb) << "the screenshot is not the picture the frame drew";
    // By then the message bar says the first was saved.
    EXPECT_FALSE(loadPng((dir / "screenshot-0004.png").string()).rgb == shown.rgb);
}

TEST_F(ScreenshotTest, AFileThatCannotBeCreatedIsReportedAndNothingIsNamed) {
    Stage stage;
    stage.draw(1);
    fs::remove(dir);  // the working directory is gone
    std::string error;
    EXPECT_EQ(stage.korvel->glRenderer()->saveScreenshot(error), "");
    EXPECT_EQ(error.rfind("Could not create screenshot-0001.png: ", 0), 0u) << error;
    // F12 says so where the player looks, and in debug.txt.
    testing::internal::CaptureStderr();
    stage.korvel->keyDown(VK_F12);
    EXPECT_EQ(
        testing::internal::GetCapturedStderr().rfind("Could not create screenshot-0001.png: ", 0),
        0u);
}

}  // namespace
