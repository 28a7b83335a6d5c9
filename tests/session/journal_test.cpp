#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "physics/atom.h"
#include "scene/world_hash.h"
#include "session/journal.h"
#include "session/replay.h"

namespace {

// What a journal writer wrote, as text.
struct WrittenJournal {
    std::FILE* file = std::tmpfile();
    JournalWriter writer{file};
    ~WrittenJournal() { std::fclose(file); }
    std::string text() {
        std::fflush(file);
        std::rewind(file);
        std::string out;
        for (int c; (c = std::fgetc(file)) != EOF;) out += static_cast<char>(c);
        return out;
    }
};

TEST(Journal, EveryFloatComesBackBitForBit) {
    WrittenJournal journal;
    // 10.3255415 is one of the floats eight digits do not bring back.
    const float values[] = {0.1f, 1.0f / 3, 1e-30f, 123456.789f, -0.0f, 3.4e38f, 10.3255415f};
    for (float v : values) journal.writer.move(7, v, -v);
    journal.writer.end(9, 0xfedcba9876543210ull);
    const JournalParse read = readJournalText(journal.text());
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.events.size(), std::size(values) + 1);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(std::signbit(read.events[i].x), std::signbit(values[i]));
        EXPECT_EQ(read.events[i].x, values[i]);
        EXPECT_EQ(read.events[i].y, -values[i]);
        EXPECT_EQ(read.events[i].step, 7u);
        EXPECT_EQ(read.events[i].line, int(i) + 2);
    }
    EXPECT_EQ(read.events.back().hash, 0xfedcba9876543210ull);
}

TEST(Journal, AMalformedOrCutJournalNamesTheLine) {
    const std::string head = std::string(kJournalHeader) + "\n";
    const struct {
        std::string text;
        int line;
        std::string says;
    } cases[] = {
        {"", 1, "empty"},
        {"some other file\n", 1, "not a journal"},
        {head + "spawn 0 drask1.pob 152\nend 5 0000000000000000\n", 2, "spawn STEP FILE X Y"},
        {head + "grab 3 -4\nend 5 0000000000000000\n", 2, "grab STEP ID"},
        {head + "clear 9\nmove 4 1 2\nend 9 0000000000000000\n", 3, "comes after step 9"},
        {head + "jump 4\n", 2, "unknown event \"jump\""},
        {head + "release 4 nan 1\nend 9 0000000000000000\n", 2, "release STEP VX VY"},
        {head + "end 4 12345\n", 2, "end STEP HASH"},
        {head + "spawn 0 drask1.pob 152 418\nmove 3 1", 3, "move STEP X Y"},
        {head + "spawn 0 drask1.pob 152 418\nclear 5\n", 4, "without its end line"},
        {head + "end 5 0000000000000000\nclear 6\n", 3, "after the end line"},
        {head + std::string("spawn 0 a\0b.pob 1 2\n", 20) + "end 5 0000000000000000\n", 2,
         "zero byte"},
        {head + "load 0 a%00b.pdw 0000000000000000\nend 5 0000000000000000\n", 2, "zero byte"},
    };
    for (const auto& c : cases) {
        const JournalParse read = readJournalText(c.text);
        EXPECT_EQ(read.errorLine, c.line) << c.text;
        EXPECT_NE(read.error.find(c.says), std::string::npos) << read.error;
        EXPECT_TRUE(read.events.empty());
        // Replayed, an unreadable journal is an error, not a divergence.
        ReplayWorld replay;
        const ReplayOutcome outcome = replayJournal(read, replay, "j");
        EXPECT_EQ(outcome.status, 2);
        EXPECT_NE(outcome.message.find("j:" + std::to_string(c.line) + ": "), std::string::npos)
            << outcome.message;
    }
    ReplayWorld replay;
    EXPECT_EQ(replayJournalFile("no-such-journal.txt", replay).status, 2);
    // Blank lines, comments and Windows line ends are fine.
    const JournalParse ok =
        readJournalText(head + "\r\n# a note\r\nclear 2\r\nend 2 00000000000000ff\r\n");
    EXPECT_EQ(ok.error, "");
    EXPECT_EQ(ok.events.size(), 2u);
}

class ReplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(PIMO_ASSETS);
    }
    void TearDown() override { std::filesystem::current_path(previous); }

    // A session with every command, journalled as the game does it.
    std::string recordSession() {
        ReplayWorld game;
        WrittenJournal journal;
        game.commands().setJournal(&journal.writer);
        auto run = [&](int n) {
            for (int i = 0; i < n; ++i) {
                game.commands().beforeStep();
                game.root().tick();
            }
        };
        game.commands().spawn("drask2.pob", 304, 418);
        run(30);
        game.commands().spawn("pimo3.pob", 266, 418);
        run(20);
        Atom* atom = game.commands().atomNear(304, 300, 200);
        EXPECT_NE(atom, nullptr);
        game.commands().grab(atom->id);
        for (int i = 0; i < 10; ++i) {
            game.commands().moveGrab(300 + 2.5f * i, 250 + 3.25f * i);
            run(1);
        }
        game.commands().placeGrab(350, 300);
        game.commands().release(1.5f, 4.25f);
        run(40);
        game.commands().clear();
        game.commands().spawn("drask4.pob", 456, 418);
        run(60);
        // Saved under a name with a blank, loaded back later, with undos and a
        // redo around it.
        std::string error;
        EXPECT_TRUE(game.commands().saveWorld(worldFile().string().c_str(), error)) << error;
        run(10);
        EXPECT_TRUE(game.commands().undo());
        EXPECT_TRUE(game.commands().redo());
        run(10);
        EXPECT_TRUE(game.commands().loadWorld(worldFile().string().c_str()));
        run(20);
        EXPECT_TRUE(game.commands().undo());
        run(5);
        journal.writer.end(game.commands().stepsDone(), worldHash(game.root()));
        return journal.text();
    }

    static std::filesystem::path worldFile() {
        // One folder per test: ctest runs them side by side.
        const auto folder = std::filesystem::temp_directory_path() / "pimo journal test" /
                            testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(folder);
        return folder / "world one.pdw";
    }

    std::filesystem::path previous;
};

TEST_F(ReplayTest, AJournalReplaysToTheSameWorld) {
    const std::string text = recordSession();
    EXPECT_NE(text.find("\nclear "), std::string::npos);
    EXPECT_NE(text.find("\ncheck "), std::string::npos);
    ReplayWorld replay;
    const ReplayOutcome outcome = replayJournal(readJournalText(text), replay, "j");
    EXPECT_EQ(outcome.status, 0) << outcome.message;
    EXPECT_NE(outcome.message.find("matches after 205 steps"), std::string::npos)
        << outcome.message;
    EXPECT_NE(text.find("world%20one.pdw"), std::string::npos);

    // Without the world file it loaded, the replay names it and stops.
    std::filesystem::remove(worldFile());
    ReplayWorld without;
    const ReplayOutcome missing = replayJournal(readJournalText(text), without, "j");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.message.find("world one.pdw is missing"), std::string::npos)
        << missing.message;

    // A grab of an atom the replayed world does not have. (A journal edited to
    // diverge is the tools' test, with a journal pinned there.)
    std::string noAtom = text;
    const std::size_t grab = noAtom.find("grab ");
    const std::size_t grabEnd = noAtom.find('\n', grab);
    noAtom.replace(grab, grabEnd - grab,
                   noAtom.substr(grab, noAtom.rfind(' ', grabEnd) - grab) + " 4999");
    ReplayWorld again;
    const ReplayOutcome noSuchAtom = replayJournal(readJournalText(noAtom), again, "j");
    EXPECT_EQ(noSuchAtom.status, 1);
    EXPECT_NE(noSuchAtom.message.find("no atom with id 4999"), std::string::npos)
        << noSuchAtom.message;
}

// The session's pieces named by another machine's paths: a copy beside the journal
// serves, in any working folder; one missing or changed stops the replay, naming it,
// with status 2 (the physics did not diverge). A journal without the pieces'
// hashes (as written before them) whose piece is missing says so too.
TEST_F(ReplayTest, AJournalTravelsWithItsPieces) {
    namespace fs = std::filesystem;
    std::string text = recordSession();
    for (std::size_t at = 0; (at = text.find("\nspawn ", at)) != std::string::npos; ++at) {
        const std::size_t name = text.find(' ', at + 7) + 1;
        text.insert(name, "/far/away/");
    }
    const fs::path folder = worldFile().parent_path() / "travelled";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const char* pieces[] = {"drask2.pob", "pimo3.pob", "drask4.pob"};
    for (const char* piece : pieces) fs::copy_file(piece, folder / piece);
    const fs::path journal = folder / "replay.txt";
    auto replayWith = [&](const std::string& journalText) {
        std::FILE* file = std::fopen(journal.string().c_str(), "wb");
        std::fputs(journalText.c_str(), file);
        std::fclose(file);
        fs::current_path(fs::temp_directory_path());
        ReplayWorld replay;
        const ReplayOutcome outcome = replayJournalFile(journal.string().c_str(), replay);
        fs::current_path(PIMO_ASSETS);
        return outcome;
    };
    const ReplayOutcome whole = replayWith(text);
    EXPECT_EQ(whole.status, 0) << whole.message;

    std::string unhashed = text;
    for (std::size_t at = 0; (at = unhashed.find("\nspawn ", at)) != std::string::npos; ++at)
        unhashed.erase(unhashed.rfind(' ', unhashed.find('\n', at + 1)), 17);
    EXPECT_EQ(replayWith(unhashed).status, 0);

    const struct {
        const char* change;
        bool unhashed;
        const char* says;
    } cases[] = {{"missing", false, "pimo3.pob is missing"},
                 {"changed", false, "pimo3.pob here is not the one the session spawned"},
                 {"missing", true, "pimo3.pob is missing"}};
    for (const auto& c : cases) {
        fs::remove(folder / "pimo3.pob");
        if (std::string(c.change) == "changed") fs::copy_file("pimo2.pob", folder / "pimo3.pob");
        const ReplayOutcome outcome = replayWith(c.unhashed ? unhashed : text);
        EXPECT_EQ(outcome.status, 2) << c.change << ": " << outcome.message;
        EXPECT_NE(outcome.message.find(c.says), std::string::npos) << outcome.message;
    }
}

}  // namespace
