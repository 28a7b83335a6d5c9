#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "physics/atom.h"
#include "scene/world_hash.h"
#include "session/journal.h"
#include "session/replay.h"
#include "session/world_commands.h"
#include "in_assets.h"

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

class ReplayTest : public InAssets {};

// A session with every command, journalled as the game does it, replays to the same
// world. Its pieces named by another machine's paths, a copy beside the journal
// serves, in any working folder, also in a journal without the pieces' hashes (as
// written before them); a piece or world file missing or changed stops the replay,
// naming it, with status 2 (the physics did not diverge); a grab of an atom the
// world does not have diverges. (A journal edited to diverge at a check is the
// tools' test, with a journal pinned there.)
TEST_F(ReplayTest, AJournalReplaysToTheSameWorldWhereverItsPiecesTravel) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "pimo journal test";
    fs::remove_all(folder / "travelled");
    fs::create_directories(folder / "travelled");
    const fs::path worldFile = folder / "world one.pdw";  // a name with a blank
    ReplayWorld game;
    WrittenJournal journal;
    WorldCommands& c = game.commands();
    c.setJournal(&journal.writer);
    c.spawn("drask2.pob", 304, 418);
    run(game, 30);
    c.spawn("pimo3.pob", 266, 418);
    run(game, 20);
    Atom* atom = c.atomNear(304, 300, 200);
    ASSERT_NE(atom, nullptr);
    c.grab(atom->id);
    for (int i = 0; i < 10; ++i) {
        c.moveGrab(300 + 2.5f * i, 250 + 3.25f * i);
        run(game, 1);
    }
    c.placeGrab(350, 300);
    c.release(1.5f, 4.25f);
    run(game, 40);
    c.clear();
    c.spawn("drask4.pob", 456, 418);
    run(game, 60);
    // Saved, loaded back later, with undos and a redo around it.
    std::string error;
    EXPECT_TRUE(c.saveWorld(worldFile.string().c_str(), error)) << error;
    run(game, 10);
    EXPECT_TRUE(c.undo());
    EXPECT_TRUE(c.redo());
    run(game, 10);
    EXPECT_TRUE(c.loadWorld(worldFile.string().c_str()));
    run(game, 20);
    EXPECT_TRUE(c.undo());
    run(game, 5);
    journal.writer.end(c.stepsDone(), worldHash(game.root()));
    std::string text = journal.text();
    for (const char* word : {"\nclear ", "\ncheck ", "world%20one.pdw"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    auto replay = [](const std::string& journalText) {
        ReplayWorld world;
        return replayJournal(readJournalText(journalText), world, "j");
    };
    const ReplayOutcome outcome = replay(text);
    EXPECT_EQ(outcome.status, 0) << outcome.message;
    EXPECT_NE(outcome.message.find("matches after 205 steps"), std::string::npos)
        << outcome.message;

    std::string noAtom = text;
    const std::size_t grab = noAtom.find("grab ");
    const std::size_t grabEnd = noAtom.find('\n', grab);
    noAtom.replace(grab, grabEnd - grab,
                   noAtom.substr(grab, noAtom.rfind(' ', grabEnd) - grab) + " 4999");
    const ReplayOutcome noSuchAtom = replay(noAtom);
    EXPECT_EQ(noSuchAtom.status, 1);
    EXPECT_NE(noSuchAtom.message.find("no atom with id 4999"), std::string::npos)
        << noSuchAtom.message;

    for (std::size_t at = 0; (at = text.find("\nspawn ", at)) != std::string::npos; ++at)
        text.insert(text.find(' ', at + 7) + 1, "/far/away/");
    std::string unhashed = text;
    for (std::size_t at = 0; (at = unhashed.find("\nspawn ", at)) != std::string::npos; ++at)
        unhashed.erase(unhashed.rfind(' ', unhashed.find('\n', at + 1)), 17);
    for (const char* piece : {"drask2.pob", "pimo3.pob", "drask4.pob"})
        fs::copy_file(piece, folder / "travelled" / piece);
    const fs::path journalFile = folder / "travelled" / "replay.txt";
    auto replayFile = [&](const std::string& journalText) {
        std::ofstream(journalFile, std::ios::binary) << journalText;
        fs::current_path(fs::temp_directory_path());
        ReplayWorld world;
        const ReplayOutcome outcome = replayJournalFile(journalFile.string().c_str(), world);
        fs::current_path(PIMO_ASSETS);
        return outcome;
    };
    EXPECT_EQ(replayFile(text).status, 0) << replayFile(text).message;
    EXPECT_EQ(replayFile(unhashed).status, 0);

    const struct {
        const char* change;
        bool unhashed;
        const char* says;
    } cases[] = {{"missing", false, "pimo3.pob is missing"},
                 {"changed", false, "pimo3.pob here is not the one the session spawned"},
                 {"missing", true, "pimo3.pob is missing"},
                 {"world", false, "world one.pdw is missing"}};
    for (const auto& k : cases) {
        fs::remove(folder / "travelled" / "pimo3.pob");
        if (std::string(k.change) == "changed")
            fs::copy_file("pimo2.pob", folder / "travelled" / "pimo3.pob");
        if (std::string(k.change) == "world") {
            fs::copy_file("pimo3.pob", folder / "travelled" / "pimo3.pob");
            fs::remove(worldFile);
        }
        const ReplayOutcome broken = replayFile(k.unhashed ? unhashed : text);
        EXPECT_EQ(broken.status, 2) << k.change << ": " << broken.message;
        EXPECT_NE(broken.message.find(k.says), std::string::npos) << broken.message;
    }
}

}  // namespace
