#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/korvel.h"
#include "app/main_loop.h"
#include "app/settings.h"
#include "content/piece_loader.h"
#include "content/report.h"
#include "fakes.h"
#include "physics/system.h"
#include "scene/world_hash.h"
#include "piece_dir.h"
#include "session/journal.h"
#include "session/replay.h"

namespace {

class MainLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        korvel = std::make_unique<Korvel>(nullptr);
    }
    uint32_t steps() const { return korvel->world->stepCount - 1; }

    std::unique_ptr<Korvel> korvel;
};

TEST_F(MainLoopTest, TheQuitMessageGetsOneLastTickAndLeavesTheRestQueued) {
    fake::state().post(WM_QUIT, 3);
    fake::state().post(WM_KEYDOWN, 'W');
    EXPECT_EQ(runMainLoop(*korvel), 3);
    EXPECT_EQ(steps(), 1u);
    EXPECT_EQ(fake::state().queue.size(), 1u);

    // WM_CLOSE posts the quit message behind the key, which the drain still sees.
    fake::state().queue.clear();
    fake::state().post(WM_CLOSE);
    fake::state().post(WM_KEYDOWN, 'W');
    EXPECT_EQ(runMainLoop(*korvel), 0);
    EXPECT_EQ(korvel->frameSkip, 2u);
    EXPECT_EQ(steps(), 2u);
}

TEST_F(MainLoopTest, EscapeFinishesTheDrainAndTheTickThenEndsWithZero) {
    fake::state().post(WM_KEYDOWN, VK_ESCAPE);
    fake::state().post(WM_KEYDOWN, 'W');
    fake::state().post(WM_KEYUP, VK_ESCAPE);
    EXPECT_EQ(runMainLoop(*korvel), 0);
    EXPECT_EQ(korvel->frameSkip, 2u);
    EXPECT_EQ(korvel->keys[VK_ESCAPE], 0);
    EXPECT_EQ(steps(), 1u);
    EXPECT_TRUE(fake::state().queue.empty());
}

// A settings file in the scratch folder, so that the game has nothing to say of it.
void settled() {
    fake::state().configFolder = "config";
    std::string error;
    ASSERT_TRUE(writeSettings("config/settings.ini", Settings{}, error)) << error;
}

std::string textOf(const char* file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PlayGameTest, EndsWithOneWhenTheWindowCannotOpenElseRunsUntilEscapeAndCloses) {
    fake::reset();
    fake::state().failing = {"SetPixelFormat"};
    EXPECT_EQ(playGame(nullptr), 1);
    EXPECT_EQ(fake::state().count("PeekMessageW"), 0);

    fake::reset();
    PieceDir dir;
    settled();
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
    EXPECT_EQ(s.count("MessageBoxA"), 0);
    // The session's journal: the spawn before the first step, the end after it;
    // and it replays to the same world.
    const std::string text = textOf("replay.txt");
    EXPECT_TRUE(text.starts_with(std::string(kJournalHeader) + "\n")) << text;
    EXPECT_NE(text.find("\nspawn 0 drask"), std::string::npos) << text;
    EXPECT_NE(text.find(".pob 152 418 "), std::string::npos) << text;
    EXPECT_NE(text.find("\nend 1 "), std::string::npos) << text;
    ReplayWorld replay;
    testing::internal::CaptureStderr();
    EXPECT_EQ(replayJournalFile("replay.txt", replay).status, 0);
    testing::internal::GetCapturedStderr();
    // Content message boxes now go to MessageBoxA.
    report({"text", "caption"}, Severity::error, nullptr);
    EXPECT_EQ(s.count("MessageBoxA"), 1);
    setMessageBoxHandler(nullptr);
    setTextureUploader(nullptr);
}

TEST(PlayGameTest, StartsWithTheWorldNamedAndKeepsTheLastSessionsReplay) {
    fake::reset();
    PieceDir dir;
    dir.writeFamily("drask", PieceDir::triangle());
    char hash[17];
    {
        Korvel maker(nullptr);
        maker.keyDown('2');
        std::string error;
        ASSERT_TRUE(maker.commands.saveWorld("start.pdw", error)) << error;
        std::snprintf(hash, sizeof hash, "%016llx",
                      static_cast<unsigned long long>(worldHash(maker)));
    }
    std::ofstream("replay.txt") << "the session before\n";
    const std::string world = (dir.path / "start.pdw").string();
    fake::reset();
    fake::state().post(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(playGame(nullptr, {"", world, ""}), 0);
    EXPECT_EQ(textOf("replay-previous.txt"), "the session before\n");
    const std::string first = textOf("replay.txt");
    EXPECT_NE(first.find("\nload 0 " + world + " " + hash + "\n"), std::string::npos) << first;

    // A file that is no world: one line, and the empty world.
    fake::reset();
    settled();
    fake::state().post(WM_KEYDOWN, VK_ESCAPE);
    testing::internal::CaptureStderr();
    EXPECT_EQ(playGame(nullptr, {"", "drask1.pob", ""}), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(said.starts_with("drask1.pob: ") && said.find('\n') == said.size() - 1) << said;
    EXPECT_EQ(textOf("replay-previous.txt"), first);
    EXPECT_EQ(textOf("replay.txt").find("\nload"), std::string::npos);

    // A --piece that would drop nothing is said once at start, and the game runs.
    for (const std::string piece : {"nosuch.pob", "start.pdw", "drask1.pob"}) {
        fake::reset();
        settled();
        fake::state().post(WM_KEYDOWN, VK_ESCAPE);
        testing::internal::CaptureStderr();
        EXPECT_EQ(playGame(nullptr, {piece, "", ""}), 0);
        const std::string start = testing::internal::GetCapturedStderr();
        EXPECT_EQ(start.starts_with(piece + ": ") && start.find('\n') == start.size() - 1,
                  piece != "drask1.pob")
            << start;
    }
    setTextureUploader(nullptr);
}

}  // namespace
