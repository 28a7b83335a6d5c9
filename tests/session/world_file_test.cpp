#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "content/report.h"
#include "content/texture_cache.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/world_hash.h"
#include "session/replay.h"
#include "session/undo_history.h"
#include "session/world_commands.h"
#include "session/world_file.h"
#include "in_assets.h"

namespace {

std::vector<std::string> reported;

class WorldFileTest : public InAssets {
  protected:
    void SetUp() override {
        InAssets::SetUp();
        reported.clear();
        setMessageBar([](Severity, const char* line) { reported.emplace_back(line); });
    }
    void TearDown() override {
        setMessageBar(nullptr);
        InAssets::TearDown();
    }

    // Every kind of piece, some at the walls (left out and crumbling), one atom
    // held and dragged, one link gone without restoring its pair.
    static void busyWorld(ReplayWorld& w, int steps) {
        const char* files[] = {"drask1.pob", "pimo1.pob", "drask2.pob", "pimo2.pob",
                               "drask3.pob", "pimo3.pob", "drask4.pob", "pimo4.pob"};
        const float spots[][2] = {{150, 418}, {610, 380}, {40, 200},  {350, 60},
                                  {690, 500}, {260, 300}, {480, 420}, {5, 5}};
        for (int i = 0; i < 8; ++i) {
            w.commands().spawn(files[i], spots[i][0], spots[i][1]);
            run(w, 7);
        }
        Link* gone = nullptr;
        w.root().links.forEach([&](Link* l) { gone = gone ? gone : l; });
        gone->restoresCollision = false;
        destroyLink(gone);
        Atom* atom = w.commands().atomNear(260, 300, 60);
        ASSERT_NE(atom, nullptr);
        ASSERT_TRUE(w.commands().grab(atom->id));
        w.commands().moveGrab(500, 100);
        run(w, steps);
    }
};

// Steps after the last spawn before the save, and steps both worlds then run.
class SavedWorldGoesOn : public WorldFileTest,
                         public ::testing::WithParamInterface<std::pair<int, int>> {};

// The loaded world is the original to the last bit: saved again it gives the same
// bytes, and stepped on it stays so, held atom, crumbling and cleared pairs included.
TEST_P(SavedWorldGoesOn, BitForBitAsTheOriginal) {
    const auto [before, after] = GetParam();
    ReplayWorld original;
    busyWorld(original, before);
    const std::vector<uint8_t> saved = original.commands().save();

    ReplayWorld loaded;
    loaded.commands().spawn("pimo3.pob", 300, 300);  // replaced whole by the load
    reported.clear();
    ASSERT_TRUE(loaded.commands().loadWorld(saved, "busy.pdw"));
    EXPECT_TRUE(reported.empty()) << reported.front();
    EXPECT_EQ(loaded.commands().save(), saved);

    run(original, after);
    run(loaded, after);
    EXPECT_EQ(worldHash(loaded.root()), worldHash(original.root()));
    EXPECT_EQ(loaded.commands().save(), original.commands().save());
    // Released after the drag, both throw the same.
    original.commands().release(2, -3);
    loaded.commands().release(2, -3);
    run(original, 40);
    run(loaded, 40);
    EXPECT_EQ(loaded.commands().save(), original.commands().save());
}

INSTANTIATE_TEST_SUITE_P(Moments, SavedWorldGoesOn,
                         ::testing::Values(std::pair{0, 1}, std::pair{3, 150},
                                           std::pair{120, 300}));

// A file's checksum made right again after a deliberate change, so that the
// checks behind it are reached.
void resign(std::vector<uint8_t>& bytes) {
    const uLong crc = crc32(0L, bytes.data(), static_cast<uInt>(bytes.size() - 4));
    for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

// Where a record's field sits: the sections before it, headers included.
std::size_t fieldOffset(const std::vector<uint8_t>& bytes, const char* tag, std::size_t record,
                        std::size_t field) {
    std::size_t at = 12;
    for (;;) {
        uint32_t size = 0, count = 0;
        std::memcpy(&size, &bytes[at + 4], 4);
        std::memcpy(&count, &bytes[at + 8], 4);
        if (std::memcmp(&bytes[at], tag, 4) == 0) return at + 12 + record * size + field;
        at += 12 + std::size_t{size} * count;
    }
}

void put32(std::vector<uint8_t>& bytes, std::size_t at, uint32_t value) {
    std::memcpy(&bytes[at], &value, 4);
}

TEST_F(WorldFileTest, ARefusedFileLeavesTheWorldExactlyAsItWas) {
    ReplayWorld source;
    source.commands().spawn("drask1.pob", 200, 300);
    source.commands().spawn("pimo2.pob", 450, 300);
    run(source, 30);
    const std::vector<uint8_t> good = source.commands().save();

    ReplayWorld target;
    target.commands().spawn("pimo1.pob", 300, 200);
    run(target, 10);
    const std::vector<uint8_t> before = target.commands().save();
    const std::size_t textures = sharedTextureCount();

    auto refused = [&](std::vector<uint8_t> bytes, const std::string& expected) {
        reported.clear();
        EXPECT_FALSE(target.commands().loadWorld(bytes, "bad.pdw"));
        EXPECT_EQ(target.commands().save(), before);
        EXPECT_EQ(sharedTextureCount(), textures);
        EXPECT_FALSE(target.commands().history().canRedo());
        if (reported.size() != 1) return std::string("no line");
        EXPECT_EQ(reported[0].rfind("bad.pdw: ", 0), 0u) << reported[0];
        EXPECT_NE(reported[0].find(expected), std::string::npos) << reported[0];
        return reported[0];
    };

    // Cut short at every length, and each byte flipped in turn.
    for (std::size_t n = 0; n < good.size(); n += (n < 100 ? 1 : 211))
        refused(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)), "");
    for (std::size_t i = 0; i < good.size(); i += 101) {
        std::vector<uint8_t> flipped = good;
        flipped[i] ^= 0x20;
        refused(flipped, "");
    }
    std::vector<uint8_t> bytes = good;
    put32(bytes, 8, 2);
    refused(bytes, "header: version 2");

    struct Broken {
        const char* tag;
        std::size_t record, field;
        uint32_t value;
        const char* says;
    } const broken[] = {
        {"LINK", 3, 0, 5012, "link 4: end 5012 is not an atom of this world"},
        {"ATOM", 2, 0, 0xffffffffu, "atom 3: id -1 is outside"},
        {"ATOM", 0, 4, 0x7fc00000u, "atom 1: its position is not a finite number"},
        {"ATOM", 1, 4, 0x44fa0000u, "atom 2: position (2000"},
        {"ATOM", 1, 44, 50, "atom 2: group 50"},
        {"TRIS", 0, 4, 4999, "triangle 1: corner B (4999) is not an atom"},
        {"TRIS", 5, 64, 0x7fffffffu, "triangle 6: edge AB is not a link"},
        {"TRIS", 2, 60, 9, "triangle 3: texture 9 is not a texture"},
        {"PTEX", 0, 4, 9, "piece texture 1: texture 9"},
        {"PAIR", 0, 0, 25000000, "pair 1: 25000000 is outside the pair matrix"},
    };
    for (const Broken& b : broken) {
        bytes = good;
        put32(bytes, fieldOffset(bytes, b.tag, b.record, b.field), b.value);
        resign(bytes);
        refused(bytes, b.says);
    }
    // A count the file cannot hold: refused before anything is allocated for it.
    bytes = good;
    put32(bytes, fieldOffset(bytes, "LINK", 0, 0) - 4, 0x7fffffffu);
    resign(bytes);
    refused(bytes, "link section: 2147483647 records do not fit");

    // Older worlds kept a held atom's previous position in two reserved floats:
    // they load, and saved again they hold zeros there.
    bytes = good;
    put32(bytes, fieldOffset(bytes, "ATOM", 1, 20), 0x43960000u);
    put32(bytes, fieldOffset(bytes, "ATOM", 1, 24), 0xc2c80000u);
    resign(bytes);
    EXPECT_TRUE(target.commands().loadWorld(bytes, "old.pdw"));
    EXPECT_EQ(target.commands().save(), good);
}

// Undo goes back to the moment before each command, redo forward again, and
// both give the very worlds that were left, in the same bits.
TEST_F(WorldFileTest, UndoAndRedoWalkTheCommandsBothWays) {
    ReplayWorld w;
    std::vector<std::vector<uint8_t>> states;
    auto mark = [&] { states.push_back(w.commands().save()); };
    mark();
    w.commands().spawn("drask2.pob", 300, 400);
    run(w, 20);
    mark();
    w.commands().spawn("pimo4.pob", 500, 400);
    run(w, 20);
    mark();
    w.commands().clear();
    run(w, 5);
    mark();
    ASSERT_TRUE(w.commands().loadWorld(states[2], "two.pdw"));
    run(w, 5);
    const std::vector<uint8_t> last = w.commands().save();

    // Each undo lands on the state the command started from (the steps run
    // after it are undone too).
    for (std::size_t i = states.size(); i-- > 0;) {
        ASSERT_TRUE(w.commands().undo());
        EXPECT_EQ(w.commands().save(), states[i]) << "undo to state " << i;
    }
    EXPECT_FALSE(w.commands().undo());
    EXPECT_EQ(w.root().atoms.count, 0);
    EXPECT_EQ(sharedTextureCount(), 0u);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(w.commands().redo());
    EXPECT_FALSE(w.commands().redo());
    EXPECT_EQ(w.commands().save(), last);

    // A new command forgets what was undone.
    ASSERT_TRUE(w.commands().undo());
    w.commands().spawn("drask1.pob", 150, 400);
    EXPECT_FALSE(w.commands().history().canRedo());
    EXPECT_TRUE(reported.empty());
}

class HistoryPacking : public ::testing::TestWithParam<std::size_t> {};

// Whether states are packed whole, a little at a time or not yet, undo and
// redo hand back the very bytes pushed, the last kDepth of them.
TEST_P(HistoryPacking, GivesBackEveryKeptStateAsPushed) {
    UndoHistory history;
    std::vector<std::vector<uint8_t>> states;
    for (int i = 0; i < 60; ++i) {
        std::vector<uint8_t> s(3000 + 97 * static_cast<std::size_t>(i));
        for (std::size_t k = 0; k < s.size(); ++k) s[k] = static_cast<uint8_t>((k * k + i) >> 3);
        states.push_back(s);
        history.push(s);
        history.settle(GetParam());
    }
    std::vector<uint8_t> now = {42};
    for (int i = 59; i >= 60 - static_cast<int>(UndoHistory::kDepth); --i) {
        ASSERT_TRUE(history.canUndo());
        std::vector<uint8_t> back = history.undo(now);
        EXPECT_EQ(back, states[static_cast<std::size_t>(i)]) << i;
        now = back;
        history.settle(GetParam());
    }
    EXPECT_FALSE(history.canUndo());
    while (history.canRedo()) now = history.redo(now);
    EXPECT_EQ(now, std::vector<uint8_t>{42});
}

INSTANTIATE_TEST_SUITE_P(Budgets, HistoryPacking, ::testing::Values(0u, 1000u, 1u << 30));

}  // namespace
