#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/korvel.h"
#include "app/main_loop.h"
#include "app/settings.h"
#include "app/window_proc.h"
#include "content/piece_loader.h"
#include "content/report.h"
#include "fakes.h"
#include "physics/system.h"
#include "piece_dir.h"
#include "render/gl_renderer.h"
#include "scene/game.h"
#include "session/replay.h"

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
        Texts calls;
    } cases[] = {
        {WM_SYSCOMMAND, SC_SCREENSAVE, {}},
        {WM_SYSCOMMAND, SC_MONITORPOWER | 2, {}},
        {WM_SYSCOMMAND, SC_CLOSE, close},
        {WM_LBUTTONDOWN, 0, {call("SetCapture", fake::kWindow)}},
        {WM_LBUTTONUP, 0, {call("ReleaseCapture")}},
        {WM_RBUTTONDOWN, 0, {call("SetCapture", fake::kWindow)}},
        {WM_RBUTTONUP, 0, {call("ReleaseCapture")}},
    };
    for (const auto& c : cases) {
        fake::state().calls.clear();
        EXPECT_EQ(send(c.message, c.wParam), 0) << c.message;
        Texts calls = fake::state().calls;
        std::erase_if(calls, [](auto& text) { return text.starts_with("gl"); });
        EXPECT_EQ(calls, c.calls) << c.message;
    }
    EXPECT_EQ(fake::state().queue.size(), 1u);
    EXPECT_EQ(fake::state().queue.front().message, static_cast<UINT>(WM_QUIT));
}

// The sandbox tests press, drag and release at every client shape; off the
// client's top-left the halves of a position go negative.
TEST_F(WindowProcTest, MouseHalvesAreSignedAndKeysStayInTheTable) {
    send(WM_MOUSEMOVE, 0, MAKELPARAM(-3, -10));
    EXPECT_EQ(game.mouseX, -3);
    EXPECT_EQ(game.mouseY, 440);
    for (UINT up : {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP}) send(up, 0, MAKELPARAM(200, 200));
    EXPECT_EQ(game.mouseX, -3);  // a release leaves the pointer where it was
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(game.keys[VK_ESCAPE], 1);
    send(WM_KEYUP, VK_ESCAPE);
    send(WM_KEYDOWN, 256);
    send(WM_KEYDOWN, static_cast<WPARAM>(0x100000041ull));  // would wrap onto 'A'
    for (uint8_t k : game.keys) EXPECT_EQ(k, 0);
}

// The loop drains the queue, ticks once more and ends: on WM_QUIT with its code,
// leaving what came after it; on WM_CLOSE, whose quit lands behind the key the
// drain still sees; on Escape, with the key's release still taken.
TEST(MainLoopTest, EndsAfterTheDrainAndOneLastTick) {
    fake::reset();
    Korvel korvel(nullptr);
    const auto steps = [&] { return korvel.world->stepCount - 1; };
    fake::state().post(WM_QUIT, 3);
    fake::state().post(WM_KEYDOWN, 'W');
    EXPECT_EQ(runMainLoop(korvel), 3);
    EXPECT_EQ(steps(), 1u);
    EXPECT_EQ(fake::state().queue.size(), 1u);

    fake::state().queue.clear();
    fake::state().post(WM_CLOSE);
    fake::state().post(WM_KEYDOWN, 'W');
    EXPECT_EQ(runMainLoop(korvel), 0);
    EXPECT_EQ(korvel.frameSkip, 2u);
    EXPECT_EQ(steps(), 2u);

    fake::state().post(WM_KEYDOWN, VK_ESCAPE);
    fake::state().post(WM_KEYDOWN, 'W');
    fake::state().post(WM_KEYUP, VK_ESCAPE);
    EXPECT_EQ(runMainLoop(korvel), 0);
    EXPECT_EQ(korvel.frameSkip, 3u);
    EXPECT_EQ(korvel.keys[VK_ESCAPE], 0);
    EXPECT_EQ(steps(), 3u);
    EXPECT_TRUE(fake::state().queue.empty());
}

// A session in the scratch folder, with a settings file so that the game has
// nothing to say of it, that ends at the first tick; what it said goes to `said`.
int playUntilEscape(const GameOptions& options, std::string& said) {
    fake::reset();
    fake::state().configFolder = "config";
    std::string error;
    EXPECT_TRUE(writeSettings("config/settings.ini", Settings{}, error)) << error;
    fake::state().post(WM_KEYDOWN, VK_ESCAPE);
    testing::internal::CaptureStderr();
    const int status = playGame(nullptr, options);
    said = testing::internal::GetCapturedStderr();
    return status;
}

// Said in one line that names `file`.
bool oneLineOf(const std::string& said, const std::string& file) {
    return said.starts_with(file + ": ") && said.find('\n') == said.size() - 1;
}

std::string textOf(const char* file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A session opens as settings.ini says and leaves in it what the player changed.
TEST(PlayGameTest, EndsWithOneWhenTheWindowCannotOpenElsePlaysAsTheSettingsSayAndCloses) {
    fake::reset();
    fake::state().failing = {"SetPixelFormat"};
    EXPECT_EQ(playGame(nullptr), 1);
    EXPECT_EQ(fake::state().count("PeekMessageW"), 0);

    fake::reset();
    PieceDir dir;
    dir.writeFamily("drask", PieceDir::triangle("absent.tga"));
    fake::state().configFolder = "config";
    Settings start;
    start.windowWidth = 900, start.windowHeight = 640, start.maximised = true;
    start.grid = true, start.musicVolume = 40, start.rightButton = "drask3.pob";
    std::string error;
    ASSERT_TRUE(writeSettings("config/settings.ini", start, error)) << error;
    for (const int key : {int('1'), int('M'), VK_ESCAPE}) fake::state().post(WM_KEYDOWN, key);
    testing::internal::CaptureStderr();
    EXPECT_EQ(playGame(nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open absent.tga\n");
    const fake::State& s = fake::state();
    // The client size asked for, grown by the frame.
    EXPECT_TRUE(s.texts("CreateWindowExA").at(0).ends_with(", 916, 656)"))
        << s.texts("CreateWindowExA").at(0);
    EXPECT_EQ(s.texts("ShowWindow(3)").size(), 1u);
    EXPECT_EQ(s.texts("setMusicVolume").at(0), "setMusicVolume(40)");
    start.musicOn = false;
    EXPECT_EQ(readSettings("config/settings.ini"), start);
    // The missing image still became a GL texture, through the game's uploader.
    EXPECT_EQ(s.count("glTexImage2D"), 1);
    EXPECT_GT(s.indexOf("DestroyWindow"), s.indexOf("PeekMessageW"));
    EXPECT_EQ(s.count("MessageBoxA"), 0);
    // The session's journal replays to the same world.
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
    {
        Korvel maker(nullptr);
        maker.keyDown('2');
        std::string error;
        ASSERT_TRUE(maker.commands.saveWorld("start.pdw", error)) << error;
    }
    std::ofstream("replay.txt") << "the session before\n";
    const std::string world = (dir.path / "start.pdw").string();
    std::string said;
    EXPECT_EQ(playUntilEscape({"", world, ""}, said), 0);
    EXPECT_EQ(said, "");
    EXPECT_EQ(textOf("replay-previous.txt"), "the session before\n");
    const std::string first = textOf("replay.txt");
    EXPECT_NE(first.find("\nload 0 " + world + " "), std::string::npos) << first;
    ReplayWorld replay;
    EXPECT_EQ(replayJournalFile("replay.txt", replay).status, 0);

    // A file that is no world: one line, and the empty world.
    EXPECT_EQ(playUntilEscape({"", "drask1.pob", ""}, said), 0);
    EXPECT_TRUE(oneLineOf(said, "drask1.pob")) << said;
    EXPECT_EQ(textOf("replay-previous.txt"), first);
    EXPECT_EQ(textOf("replay.txt").find("\nload"), std::string::npos);

    // A --piece that would drop nothing is said once at start, and the game runs.
    for (const std::string piece : {"nosuch.pob", "start.pdw", "drask1.pob"}) {
        EXPECT_EQ(playUntilEscape({piece, "", ""}, said), 0);
        EXPECT_EQ(oneLineOf(said, piece), piece != "drask1.pob") << said;
    }
    setTextureUploader(nullptr);
}

TEST(CommandLineTest, ReadsThePieceAndWorldOptionsAndRefusesAnythingElse) {
    EXPECT_EQ(parseCommandLine("").piece, "");
    EXPECT_EQ(parseCommandLine(nullptr).error, "");
    EXPECT_EQ(parseCommandLine("--piece \"C:\\My Pieces\\a b.pob\"").piece,
              "C:\\My Pieces\\a b.pob");
    EXPECT_EQ(parseCommandLine("  --piece\tx.pob  ").piece, "x.pob");
    EXPECT_EQ(parseCommandLine("--piece").error, "--piece needs a piece file");
    EXPECT_EQ(parseCommandLine("--piece \"\"").error, "--piece needs a piece file");
    EXPECT_EQ(parseCommandLine("--peice x.pob").error, "unknown argument --peice");
    const GameOptions both = parseCommandLine("--world \"my w.pdw\" --piece p.pob");
    EXPECT_EQ(both.world + "|" + both.piece + "|" + both.error, "my w.pdw|p.pob|");
    EXPECT_EQ(parseCommandLine("--piece p.pob --world").error, "--world needs a world file");
}

}  // namespace
