#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "korvel_fixture.h"
#include "app/key_card.h"
#include "app/sandbox_controls.h"
#include "app/settings.h"
#include "app/view.h"
#include "app/window_proc.h"
#include "content/piece_file.h"
#include "content/report.h"
#include "physics/system.h"
#include "render/gl_renderer.h"
#include "scene/world_hash.h"
#include "session/journal.h"
#include "session/replay.h"

namespace {

LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return windowProc(fake::kWindow, message, wParam, lParam);
}
// A window position from the top-left, as the messages carry it.
LPARAM at(int x, int y) {
    return MAKELPARAM(x, y);
}
WPARAM notches(int n) {
    return MAKEWPARAM(0, static_cast<WORD>(n * WHEEL_DELTA));
}

struct Box {
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
};

template <typename Atoms>
Box boxOf(const Atoms& atoms) {
    Box box;
    atoms.forEach([&](const Atom* a) {
        box.minX = std::min(box.minX, a->x), box.maxX = std::max(box.maxX, a->x);
        box.minY = std::min(box.minY, a->y), box.maxY = std::max(box.maxY, a->y);
    });
    return box;
}

class SandboxTest : public KorvelFixture {
  protected:
    void ticks(int n) {
        for (int i = 0; i < n; ++i) korvel->tick();
    }
    uint32_t steps() const { return korvel->world->stepCount - 1; }
    // The lines drawn with the font lists since the journal was cleared: what is
    // called from one raster position on.
    std::vector<std::string> shownText() const {
        std::vector<std::string> out;
        for (const std::string& c : fake::state().calls) {
            if (c.starts_with("glRasterPos2f(")) out.emplace_back();
            if (c.starts_with("glCallLists(") && !out.empty())
                out.back() += c.substr(12, c.size() - 13);
        }
        return out;
    }
    bool shows(const std::string& part) const {
        const std::vector<std::string> text = shownText();
        return std::any_of(text.begin(), text.end(),
                           [&](const std::string& s) { return s.find(part) != std::string::npos; });
    }
    // Draws a frame and looks in it.
    bool showsNow(const std::string& part) {
        fake::state().calls.clear();
        korvel->tick();
        return shows(part);
    }
    // The keys go down in order and come up in reverse, as a player's fingers do.
    void chord(const std::vector<int>& keys) {
        for (int k : keys) send(WM_KEYDOWN, WPARAM(k));
        for (auto k = keys.rbegin(); k != keys.rend(); ++k) send(WM_KEYUP, WPARAM(*k));
    }
    std::vector<uint8_t> world() const { return korvel->commands.save(); }
    static std::vector<uint8_t> bytesOf(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void setView(float zoom, float panX, float panY) {
        korvel->view.zoom = zoom;
        korvel->view.panX = panX;
        korvel->view.panY = panY;
    }
    // Where a world point appears, as a window message position.
    LPARAM screenOf(float x, float y) const {
        const View& v = korvel->view;
        return at(int(std::lround(v.zoom * (x + v.panX))),
                  430 - int(std::lround(v.zoom * (y + v.panY))));
    }
    void rightClick(LPARAM where) {
        send(WM_RBUTTONDOWN, 0, where);
        send(WM_RBUTTONUP);
    }
    // Files of the scratch folder dropped on the window at (x, y) from the top-left.
    void dropFiles(const std::vector<std::string>& names, int x, int y) {
        fake::Drop drop{{}, {x, y}};
        for (const std::string& name : names) drop.files.push_back((dir.path / name).string());
        send(WM_DROPFILES, reinterpret_cast<WPARAM>(drop.handle()));
    }
    // A left drag once round a circle of world points.
    void dragRound(float cx, float cy, float r, int points) {
        const auto on = [&](int k) {
            const double a = 2 * 3.14159265358979 * k / points;
            return screenOf(cx + r * float(std::cos(a)), cy + r * float(std::sin(a)));
        };
        send(WM_LBUTTONDOWN, 0, on(0));
        for (int k = 1; k < points; ++k) send(WM_MOUSEMOVE, 0x0001, on(k));
        send(WM_LBUTTONUP);
    }
};

// Where a spawn key, the right button or a dropped piece file drops, worked out
// by hand: window position to world through the fitted frame, zoom and pan, then
// the nearest 38-unit grid point, half-way going down.
struct SpawnSpot {
    const char* name;
    int clientWidth, clientHeight;
    float zoom, panX, panY;
    int key, pointerX, pointerY;  // key 0: the right button, -1: a dropped file, at the pointer
    float x, y;
};

class SpawnSpotTest : public SandboxTest, public testing::WithParamInterface<SpawnSpot> {};

TEST_P(SpawnSpotTest, DropsAtTheGridPointUnderTheKeyOrPointer) {
    const SpawnSpot& s = GetParam();
    send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(s.clientWidth, s.clientHeight));
    setView(s.zoom, s.panX, s.panY);
    if (s.key > 0)
        korvel->keyDown(s.key);
    else if (s.key == 0)
        send(WM_RBUTTONDOWN, 0, at(s.pointerX, s.pointerY));
    else
        dropFiles({"drask1.pob"}, s.pointerX, s.pointerY);
    ASSERT_EQ(korvel->pieces.count, 1);
    EXPECT_EQ(std::pair(firstAtomOfNewestPiece()->x, firstAtomOfNewestPiece()->y),
              std::pair(s.x, s.y));
}

INSTANTIATE_TEST_SUITE_P(
    KeysAndRightButton, SpawnSpotTest,
    testing::Values(
        SpawnSpot{"Key1", 700, 430, 1, 0, 0, '1', 0, 0, 152, 418},
        SpawnSpot{"Key0", 700, 430, 1, 0, 0, '0', 0, 0, 532, 418},
        SpawnSpot{"Key9RoundsUp", 700, 430, 1, 0, 0, '9', 0, 0, 418, 418},
        SpawnSpot{"Key4WideClient", 1400, 430, 1, 0, 0, '4', 0, 0, 608, 418},
        SpawnSpot{"Key2TallClientZoomed", 700, 1000, 2, 10, 20, '2', 0, 0, 152, 190},
        SpawnSpot{"Key7WideClientZoomedOut", 1400, 430, 0.5f, -100, 500, '7', 0, 0, 304, 342},
        SpawnSpot{"Right", 700, 430, 1, 0, 0, 0, 300, 100, 304, 342},
        SpawnSpot{"RightHalfWayGoesDown", 700, 430, 1, 0, 0, 0, 209, 221, 190, 190},
        SpawnSpot{"RightTallClientZoomed", 700, 1000, 2, 10, 20, 0, 300, 500, 152, 76},
        SpawnSpot{"DroppedZoomed", 700, 430, 2, 10, 20, -1, 530, 90, 266, 152},
        SpawnSpot{"DroppedTallClientZoomed", 700, 1000, 2, 10, 20, -1, 300, 500, 152, 76}),
    [](const auto& info) { return std::string(info.param.name); });

// The right button drops from the last key's family. A missing or unreadable
// piece file is said and drops nothing. For piece authors, every spawn key drops
// the one file given, at the key's place; anything but a regular file is refused
// at once, with its reason.
TEST_F(SandboxTest, APieceGivenOnTheCommandLineIsWhatEverySpawnKeyDropsIfItCan) {
    korvel->keyDown('0');
    dir.removeFamily("drask");
    rightClick(at(500, 200));
    EXPECT_EQ(korvel->pieces.count, 2);
    dir.removeFamily("pimo");
    std::vector<uint8_t> truncated = writePieceFile(PieceDir::triangle());
    truncated.resize(30);
    for (int n = 1; n <= 4; ++n) dir.write("drask" + std::to_string(n) + ".pob", truncated);
    testing::internal::CaptureStderr();
    korvel->keyDown('0');
    korvel->keyDown('2');
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    EXPECT_EQ(korvel->pieces.count, 2);

    PieceFile four = PieceDir::triangle();
    four.atoms.push_back(PieceDir::atom(30, 30));
    dir.write("mine.pob", writePieceFile(four));
    korvel->pieceOverride = (dir.path / "mine.pob").string();
    testing::internal::CaptureStderr();
    korvel->keyDown('1');
    korvel->keyDown('0');
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(korvel->atoms.count, 6 + 8);
    EXPECT_EQ(firstAtomOfNewestPiece()->x, 532);
    korvel->pieceOverride = (dir.path / "folder.pob").string();
    std::filesystem::create_directory(korvel->pieceOverride);
    testing::internal::CaptureStderr();
    korvel->keyDown('2');
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(korvel->pieces.count, 4);
}

// The words the game shows are checked here and nowhere else.
TEST_F(SandboxTest, TheOverlayAndTheMessageBarSayWhatIsAndWhatEachKeyDid) {
    testing::internal::CaptureStderr();
    const struct {
        std::vector<int> keys;
        const char* line;
    } said[] = {
        {{VK_F9}, "No world file (world-NNNN.pdw) here to load"},
        {{VK_CONTROL, 'Z'}, "Nothing to undo"},
        {{VK_CONTROL, 'Y'}, "Nothing to redo"},
        {{'E'}, "Nothing drawn to export"},
        {{VK_F5}, "Saved world-0001.pdw"},
        {{VK_F9}, "Loaded world-0001.pdw"},
        {{VK_OEM_4}, "Right button: pimo4.pob"},
        {{VK_OEM_6}, "Right button: the last key's family"},
        {{VK_OEM_6}, "Right button: drask1.pob"},
        {{'M'}, "Music off"},
        {{'B'}, "drawing: sturdy"},
        {{'F'}, "drawing: soft"},
    };
    for (const auto& [keys, line] : said) {
        chord(keys);
        EXPECT_TRUE(showsNow(line)) << line << "\n" << testing::PrintToString(shownText());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "No world file (world-NNNN.pdw) here to load\n");

    korvel->keyDown('1');
    EXPECT_TRUE(showsNow("atoms 3/5000  links 3")) << testing::PrintToString(shownText());
    for (const bool grid : {false, true, false}) {  // G shows the grid lines, and again hides them
        EXPECT_EQ(fake::state().count("glVertex3i") > 0, grid);
        chord({'G'});
        showsNow("");
    }
    EXPECT_TRUE(shows("pieces 1"));
    EXPECT_FALSE(shows("PAUSED"));
    korvel->keyDown('P');
    report(Severity::error, "Unable to open %s", "nothing.pob");
    EXPECT_TRUE(showsNow("PAUSED"));
    EXPECT_TRUE(shows("Unable to open nothing.pob"));
    EXPECT_FALSE(shows("this card"));

    korvel->keyDown('H');
    korvel->keyDown(VK_TAB);
    EXPECT_TRUE(showsNow("this card"));
    EXPECT_FALSE(shows("atoms"));
    korvel->keyDown(VK_F1);
    EXPECT_FALSE(showsNow("this card"));

    // Escape closes the card, held it does no more, and pressed again it quits.
    korvel->keyUp('H');
    chord({'H'});
    send(WM_KEYDOWN, VK_ESCAPE);
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_FALSE(korvel->quitRequested);
    EXPECT_FALSE(showsNow("this card"));
    send(WM_KEYUP, VK_ESCAPE);
    send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_TRUE(korvel->quitRequested);

    dragRound(350, 200, 40, 60);  // drawing since the table's B
    chord({'E'});
    EXPECT_TRUE(showsNow("Exported piece-0001.pob"));

    // README lists the keys the card shows.
    std::ifstream readme(PIMO_ASSETS "/../README.md");
    const std::string text{std::istreambuf_iterator<char>(readme), {}};
    EXPECT_NE(text.find(keyList()), std::string::npos) << "README.md's list of keys:\n"
                                                       << keyList();
}

class SandboxKeysTest : public SandboxTest, public testing::WithParamInterface<bool> {};

TEST_P(SandboxKeysTest, SaveLoadUndoAndRedoGiveBackTheWorldsTheyName) {
    if (GetParam()) korvel->keyDown('P');
    const std::vector<uint8_t> notOurs = {1, 2, 3};
    dir.write("world-0001.pdw", notOurs);
    korvel->keyDown('1');
    ticks(3);
    chord({VK_F5});
    const std::vector<uint8_t> saved = world();
    EXPECT_EQ(bytesOf("world-0002.pdw"), saved);
    EXPECT_EQ(bytesOf("world-0001.pdw"), notOurs);

    // A spawn, then a drag still under way when it is undone.
    const std::vector<uint8_t> before = world();
    korvel->keyDown('8');
    const std::vector<uint8_t> spawned = world();
    Atom* atom = firstAtomOfNewestPiece();
    send(WM_LBUTTONDOWN, 0, screenOf(atom->x, atom->y));
    ASSERT_EQ(korvel->commands.held(), atom);
    send(WM_MOUSEMOVE, 0x0001, screenOf(atom->x + 30, atom->y + 20));
    ticks(2);
    const std::vector<uint8_t> dragged = world();
    chord({VK_CONTROL, 'Z'});
    EXPECT_EQ(world(), spawned);
    chord({VK_CONTROL, 'Z'});
    EXPECT_EQ(world(), before);
    EXPECT_EQ(korvel->commands.held(), nullptr);
    send(WM_MOUSEMOVE, 0x0001, at(20, 20));
    send(WM_LBUTTONUP);
    EXPECT_EQ(world(), before);

    chord({VK_CONTROL, 'Y'});
    EXPECT_EQ(world(), spawned);
    chord({VK_CONTROL, VK_SHIFT, 'Z'});
    EXPECT_EQ(world(), dragged);
    chord({'Z'});  // without Ctrl, no key of the game's
    EXPECT_EQ(world(), dragged);

    chord({'C'});
    chord({VK_F9});
    EXPECT_EQ(world(), saved);

    // Dropped on the window, a world file loads whatever its extension's case; a
    // file of neither kind is refused.
    EXPECT_EQ(fake::state().count("DragAcceptFiles"), 1);
    std::filesystem::copy_file(dir.path / "world-0002.pdw", dir.path / "kept.PDW");
    chord({'C'});
    ASSERT_EQ(korvel->atoms.count, 0);
    testing::internal::CaptureStderr();
    dropFiles({"notes.txt", "kept.PDW"}, 5, 5);
    EXPECT_TRUE(testing::internal::GetCapturedStderr().starts_with(
        (dir.path / "notes.txt").string() + ": "));
    EXPECT_EQ(world(), saved);

    // Before any save of its own, F9 takes the highest number in the folder.
    korvel = std::make_unique<Korvel>(nullptr);
    chord({VK_F9});
    EXPECT_EQ(world(), saved);
}

INSTANTIATE_TEST_SUITE_P(PausedAndRunning, SandboxKeysTest, testing::Bool());

TEST_F(SandboxTest, ALeftDragCarriesTheAtomUnderThePointerAndTheReleaseThrowsIt) {
    korvel->keyDown('2');
    ticks(3);
    Atom* target = nullptr;
    korvel->atoms.forEach(
        [&](Atom* a) { target = target == nullptr || a->x > target->x ? a : target; });
    // A press beside every atom takes nothing.
    send(WM_LBUTTONDOWN, 0, at(600, 400));
    EXPECT_EQ(korvel->commands.held(), nullptr);
    send(WM_LBUTTONUP);

    send(WM_LBUTTONDOWN, 0, screenOf(target->x + 3, target->y));
    ASSERT_EQ(korvel->commands.held(), target);
    const float y0 = target->y;
    for (int i = 1; i <= 10; ++i) {
        send(WM_MOUSEMOVE, 0x0001, screenOf(target->x, y0 + 4 * float(i)));
        ticks(1);
    }
    EXPECT_NEAR(target->y, y0 + 40, 0.5);  // the pointer moves in whole pixels
    send(WM_LBUTTONUP);
    EXPECT_EQ(korvel->commands.held(), nullptr);
    // Thrown upwards at the pointer's speed, 4 units a step.
    EXPECT_NEAR(target->y - target->prevY, 4, 0.25);
}

TEST_F(SandboxTest, PauseKeepsDrawingAndStepsNothingUntilNStepsExactlyOnce) {
    korvel->keyDown('1');
    ticks(2);
    korvel->keyDown('P');
    const uint32_t before = steps();
    const uint64_t world = worldHash(*korvel);
    fake::state().calls.clear();
    ticks(3);
    EXPECT_EQ(steps(), before);
    EXPECT_EQ(worldHash(*korvel), world);
    EXPECT_EQ(fake::state().count("SwapBuffers"), 3);

    korvel->keyDown('N');
    EXPECT_EQ(steps(), before + 1);
    ticks(2);
    EXPECT_EQ(steps(), before + 1);

    // An auto-repeat of P does not toggle back; Space does.
    korvel->keyDown('P');
    EXPECT_TRUE(korvel->paused);
    korvel->keyUp('P');
    korvel->keyDown(VK_SPACE);
    EXPECT_FALSE(korvel->paused);
    korvel->keyDown('N');
    EXPECT_EQ(steps(), before + 1);
    ticks(1);
    EXPECT_EQ(steps(), before + 2);
}

class DrawnBodyTest : public SandboxTest, public testing::WithParamInterface<BodyFamily> {};

// Zoomed, panned and off the middle of the world, so that a wrong axis, scale or
// offset between the pointer and the world moves or stretches the body; then the
// body goes out as a piece file and comes back in through the right button.
TEST_P(DrawnBodyTest, ACircleDrawnWithTheMouseLandsWhereItWasDrawnAndExportsAsAPiece) {
    const BodyFamily family = GetParam();
    for (const char* image : {"crate.tga", "jelly.tga"})
        std::filesystem::copy(std::filesystem::path(PIMO_ASSETS) / image, dir.path / image);
    setView(1.5625f, -300, -20);
    chord({'B'});
    if (family == BodyFamily::Soft) chord({'F'});
    chord({'T'});
    EXPECT_TRUE(showsNow(std::string("drawing: ") + familyName(family) + ", jelly.tga"));

    const float cx = 480, cy = 150, r = 60;
    dragRound(cx, cy, r, 120);
    EXPECT_EQ(korvel->commands.held(), nullptr);
    ASSERT_EQ(korvel->pieces.count, 1);
    const Box box = boxOf(korvel->pieces.first()->value->atoms);
    // The lattice stands inside the outline, a spacing at most from its edge.
    for (auto [inner, edge] : {std::pair{box.minX, cx - r}, std::pair{box.minY, cy - r}})
        EXPECT_TRUE(inner >= edge - 1 && inner <= edge + kBodySpacing) << inner << " " << edge;
    for (auto [inner, edge] : {std::pair{box.maxX, cx + r}, std::pair{box.maxY, cy + r}})
        EXPECT_TRUE(inner <= edge + 1 && inner >= edge - kBodySpacing) << inner << " " << edge;
    EXPECT_EQ(firstAtomOfNewestPiece()->mass, stuffOf(family).mass);
    const int32_t atoms = korvel->pieces.first()->value->atoms.count;

    dir.removeFamily("drask");
    dir.removeFamily("pimo");
    chord({'E'});
    PieceFile exported;
    std::string error;
    const std::vector<uint8_t> bytes = bytesOf("piece-0001.pob");
    ASSERT_TRUE(parsePieceFile(bytes.data(), bytes.size(), exported, error)) << error;
    EXPECT_TRUE(checkPieceFile(exported).empty());
    EXPECT_EQ(pieceName(exported.textures.at(0).name), "jelly.tga");

    chord({VK_OEM_6});
    rightClick(screenOf(200, 300));
    ASSERT_EQ(korvel->pieces.count, 2);
    EXPECT_EQ(korvel->pieces.first()->value->atoms.count, atoms);
    // Centred (to a whole unit) on the pointer, snapped to the grid as every spawn is.
    const Box dropped = boxOf(korvel->pieces.first()->value->atoms);
    EXPECT_NEAR((dropped.minX + dropped.maxX) / 2, 190, 1);
    EXPECT_NEAR((dropped.minY + dropped.maxY) / 2, 304, 1);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, DrawnBodyTest,
                         testing::Values(BodyFamily::Sturdy, BodyFamily::Soft),
                         [](const auto& info) { return std::string(familyName(info.param)); });

// Zoomed out, where the grab's slack is most world units: X takes the atom the
// pointer is a few pixels beside, and holds it while its piece hangs below.
TEST_F(SandboxTest, XPinsTheAtomUnderThePointerAndXAgainLetsItGo) {
    setView(0.5f, 40, 0);
    rightClick(screenOf(300, 300));
    Atom* top = nullptr;
    korvel->atoms.forEach([&](Atom* a) { top = top == nullptr || a->y > top->y ? a : top; });
    const float x = top->x, y = top->y;
    send(WM_MOUSEMOVE, 0, screenOf(x + top->radius + 3 / 0.5f, y));
    chord({'X'});
    ticks(200);
    EXPECT_EQ(top->x, x);
    EXPECT_EQ(top->y, y);
    korvel->atoms.forEach(
        [&](Atom* a) { EXPECT_TRUE(a == top || (a->y < y && a->y > y - 30)) << a->y; });
    chord({'X'});
    ticks(20);
    EXPECT_LT(top->y, y - 1);
}

struct WorldSpot {
    const char* name;
    float x, y;
    bool overWorld;
};

// The game's pieces, the widest dropped by every drop so that a wrong axis or wall
// shows, and a journal of the session, which must replay to the world.
class JournalledTest : public SandboxTest, public testing::WithParamInterface<WorldSpot> {
  protected:
    void SetUp() override {
        SandboxTest::SetUp();
        for (const auto& entry : std::filesystem::directory_iterator(PIMO_ASSETS))
            std::filesystem::copy(entry.path(), dir.path / entry.path().filename(),
                                  std::filesystem::copy_options::overwrite_existing);
        korvel->pieceOverride = "drask3.pob";
        journalFile = std::tmpfile();
        journal = std::make_unique<JournalWriter>(journalFile);
        korvel->commands.setJournal(journal.get());
    }
    void TearDown() override {
        korvel->commands.setJournal(nullptr);
        std::fclose(journalFile);
    }
    // The session so far ends here; it replays to the world on screen.
    JournalParse replayed() {
        journal->end(korvel->commands.stepsDone(), worldHash(*korvel));
        std::rewind(journalFile);
        const JournalParse read = readJournal(journalFile);
        ReplayWorld replay;
        const ReplayOutcome outcome = replayJournal(read, replay, "session");
        EXPECT_EQ(outcome.status, 0) << outcome.message;
        return read;
    }

    std::FILE* journalFile = nullptr;
    std::unique_ptr<JournalWriter> journal;
};

using DropSpotTest = JournalledTest;

// Zoomed out to a quarter and panned, the whole world and what lies beyond it on
// screen: a piece the right button drops and a body drawn about a spot by a wall
// or in a corner land whole inside the walls; about a spot off the world neither
// drops.
TEST_P(DropSpotTest, AMouseDropLandsWholeInsideTheWallsOrIsRefused) {
    const WorldSpot spot = GetParam();
    setView(0.25f, 200, 200);
    testing::internal::CaptureStderr();
    rightClick(screenOf(spot.x, spot.y));
    const float r = 40;
    chord({'B'});
    dragRound(spot.x, spot.y, r, 60);
    const std::string said = testing::internal::GetCapturedStderr();

    if (!spot.overWorld) {
        EXPECT_EQ(said, "outside the world: nothing dropped\noutside the world: nothing dropped\n");
        EXPECT_EQ(korvel->atoms.count, 0);
        EXPECT_FALSE(korvel->commands.history().canUndo());
        EXPECT_EQ(replayed().events.size(), 1u);  // the end line alone
        return;
    }
    EXPECT_EQ(said, "");  // nothing left out
    ASSERT_EQ(korvel->pieces.count, 2);
    const Junk* piece = korvel->pieces.first()->next->value;
    EXPECT_EQ(piece->links.count, 128);
    EXPECT_EQ(piece->triangles.count, 56);
    const Box drawn = boxOf(korvel->pieces.first()->value->atoms);
    EXPECT_GE(drawn.maxX - drawn.minX, 2 * (r - kBodySpacing));
    EXPECT_GE(drawn.maxY - drawn.minY, 2 * (r - kBodySpacing));
    const Box all = boxOf(korvel->atoms);
    EXPECT_TRUE(all.minX >= 0 && all.maxX <= 700 && all.minY >= 0 && all.maxY <= 530);
    ticks(20);
    replayed();
}

INSTANTIATE_TEST_SUITE_P(
    WallsCornersAndBeyond, DropSpotTest,
    testing::Values(WorldSpot{"Left", 4, 264, true}, WorldSpot{"Right", 696, 264, true},
                    WorldSpot{"Floor", 348, 4, true}, WorldSpot{"Ceiling", 348, 528, true},
                    WorldSpot{"BottomLeft", 4, 4, true}, WorldSpot{"BottomRight", 696, 4, true},
                    WorldSpot{"TopLeft", 4, 528, true}, WorldSpot{"TopRight", 696, 528, true},
                    WorldSpot{"PastLeft", -40, 264, false}, WorldSpot{"PastRight", 740, 264, false},
                    WorldSpot{"PastFloor", 348, -40, false},
                    WorldSpot{"PastCeiling", 348, 572, false}),
    [](const auto& info) { return std::string(info.param.name); });

using PausedDragTest = JournalledTest;

// Zoomed out and panned, a piece is dragged while paused across the
// screen and on past a wall: it moves whole, every atom by the same amount, and
// stops against the wall; the steps after keep every link; undo gives back the
// world from before the grab, and the session replays.
TEST_P(PausedDragTest, APausedDragCarriesThePieceWholeUpToTheWall) {
    const WorldSpot past = GetParam();
    setView(0.5f, 100, 60);
    rightClick(screenOf(350, 150));
    ticks(30);
    chord({'P'});
    const std::vector<uint8_t> before = world();
    const int32_t links = korvel->links.count;
    std::vector<std::pair<float, float>> from;
    korvel->atoms.forEach([&](const Atom* a) { from.emplace_back(a->x, a->y); });
    Atom* held = firstAtomOfNewestPiece();
    const float x0 = held->x, y0 = held->y;
    send(WM_LBUTTONDOWN, 0, screenOf(x0, y0));
    ASSERT_EQ(korvel->commands.held(), held);
    for (int i = 1; i <= 8; ++i)
        send(WM_MOUSEMOVE, 0x0001,
             screenOf(x0 + (past.x - x0) * float(i) / 8, y0 + (past.y - y0) * float(i) / 8));

    const float dx = held->x - x0, dy = held->y - y0;
    std::size_t i = 0;
    korvel->atoms.forEach([&](const Atom* a) {
        EXPECT_NEAR(a->x - from[i].first, dx, 1e-3);
        EXPECT_NEAR(a->y - from[i].second, dy, 1e-3);
        ++i;
    });
    const Box box = boxOf(korvel->atoms);
    const float touching = past.x < 0     ? box.minX
                           : past.x > 700 ? 700 - box.maxX
                           : past.y < 0   ? box.minY
                                          : 530 - box.maxY;
    EXPECT_EQ(touching, 0);
    send(WM_LBUTTONUP);
    EXPECT_EQ(held->x, held->prevX);  // placed, not thrown
    chord({'P'});
    ticks(30);
    EXPECT_EQ(korvel->links.count, links);
    chord({VK_CONTROL, 'Z'});
    EXPECT_EQ(world(), before);
    replayed();
}

INSTANTIATE_TEST_SUITE_P(PastEachWall, PausedDragTest,
                         testing::Values(WorldSpot{"Left", -300, 200, false},
                                         WorldSpot{"Right", 1000, 300, false},
                                         WorldSpot{"Floor", 200, -300, false},
                                         WorldSpot{"Ceiling", 500, 900, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(JournalledTest, ASessionOfKeysReplaysToTheWorldOnScreen) {
    korvel->pieceOverride.clear();
    for (const auto& [key, ticksAfter] :
         {std::pair{'1', 40}, {'0', 25}, {'W', 10}, {'3', 60}, {'Q', 5}, {'8', 120}}) {
        korvel->keyDown(key);
        ticks(ticksAfter);
    }
    EXPECT_GT(korvel->atoms.count, 100);
    EXPECT_EQ(replayed().error, "");
}

class SlowMotionTest : public SandboxTest, public testing::WithParamInterface<int> {};

// S pressed once, twice, three and four times: one step every 2, 4 and 8 passes
// of the loop, each pass drawn, and then the steps a frame Q and W had set again.
TEST_P(SlowMotionTest, SSlowsTimeToOneStepEveryFewPassesEachOfThemDrawn) {
    const int presses = GetParam();
    const int every = presses == 4 ? 1 : 1 << presses;
    korvel->keyDown('1');
    for (int key : {'Q', 'W', 'W', 'Q'}) chord({key});  // Q goes no lower than 1
    for (int i = 0; i < presses; ++i) chord({'S'});
    const uint32_t before = steps();
    fake::state().calls.clear();
    ticks(16);
    EXPECT_EQ(steps(), before + uint32_t(16 / every));
    EXPECT_EQ(fake::state().count("SwapBuffers"), every == 1 ? 8 : 16);
    if (every > 1) {
        EXPECT_TRUE(showsNow("steps/frame 1/" + std::to_string(every)));
    }
}

INSTANTIATE_TEST_SUITE_P(OneToFourPresses, SlowMotionTest, testing::Values(1, 2, 3, 4));

// The model-view transform of a frame as the recording GL saw it: a world point
// lands at offset + scale * p.
struct Drawn {
    double scale = 1, x = 0, y = 0;
    double windowX(double wx) const { return x + scale * wx; }
    double windowY(double wy) const { return y + scale * wy; }
};

Drawn drawnTransform(Korvel& korvel) {
    fake::state().calls.clear();
    korvel.applyView();
    Drawn d;
    for (const std::string& c : fake::state().calls) {
        double a = 0, b = 0, z = 0;
        if (std::sscanf(c.c_str(), "glTranslatef(%lf, %lf, %lf)", &a, &b, &z) == 3) {
            d.x += d.scale * a;
            d.y += d.scale * b;
        } else if (std::sscanf(c.c_str(), "glScalef(%lf, %lf, %lf)", &a, &b, &z) == 3) {
            d.scale *= a;
        }
    }
    return d;
}

class ClientSizeTest : public SandboxTest,
                       public testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(ClientSizeTest, TheFrameFitsCentredAndTheViewAndEveryPointerActionFollowThePointer) {
    const auto [w, h] = GetParam();
    send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
    // The 700 × 430 frame touches two opposite edges and is centred on the others.
    const Drawn fitted = drawnTransform(*korvel);
    const double left = fitted.windowX(0), right = w - fitted.windowX(700);
    const double bottom = fitted.windowY(0), top = h - fitted.windowY(430);
    EXPECT_NEAR(left, right, 0.01);
    EXPECT_NEAR(bottom, top, 0.01);
    EXPECT_NEAR(std::min(left, bottom), 0, 0.01);
    EXPECT_GE(std::max(left, bottom), -0.01);

    // The wheel zooms a step about the pointer, which keeps its world point; the
    // middle button drags the picture with the pointer, and stops with the button.
    const double tolerance = 0.05 * std::max(1.0, 1.25 * fitted.scale);
    const int zx = w / 5, zy = h * 3 / 4;
    const double wx = (zx - fitted.x) / fitted.scale, wy = (h - zy - fitted.y) / fitted.scale;
    send(WM_MOUSEMOVE, 0, at(zx, zy));
    send(WM_MOUSEWHEEL, notches(1), 0);
    Drawn d = drawnTransform(*korvel);
    EXPECT_NEAR(d.scale, 1.25 * fitted.scale, 1e-4 * d.scale);
    EXPECT_NEAR(d.windowX(wx), zx, tolerance);
    EXPECT_NEAR(d.windowY(wy), h - zy, tolerance);
    send(WM_MBUTTONDOWN, 0, at(w / 2, h / 2));
    send(WM_MOUSEMOVE, 0, at(w / 2 + 17, h / 2 - 9));
    send(WM_MBUTTONUP);
    d = drawnTransform(*korvel);
    EXPECT_NEAR(d.windowX(wx), zx + 17, tolerance);
    EXPECT_NEAR(d.windowY(wy), h - zy + 9, tolerance);

    // Unsnapped, the right button drops at the pointer, and a paused drag carries
    // the atom with the pointer.
    korvel->snapToGrid = false;
    korvel->keyDown('P');
    const int px = w * 4 / 5, py = h / 3;
    rightClick(at(px, py));
    Atom* dropped = firstAtomOfNewestPiece();
    EXPECT_NEAR(d.windowX(dropped->x), px, tolerance);
    EXPECT_NEAR(d.windowY(dropped->y), h - py, tolerance);
    send(WM_LBUTTONDOWN, 0, at(px, py));
    ASSERT_EQ(korvel->commands.held(), dropped);
    send(WM_MOUSEMOVE, 0, at(px - 30, py + 20));
    EXPECT_NEAR(d.windowX(dropped->x), px - 30, tolerance);
    EXPECT_NEAR(d.windowY(dropped->y), h - py - 20, tolerance);
    send(WM_LBUTTONUP);

    // The zoom stops at its bounds; Home fits the frame again.
    send(WM_MOUSEWHEEL, notches(-20), 0);
    EXPECT_EQ(korvel->view.zoom, View::kMinZoom);
    send(WM_MOUSEWHEEL, notches(40), 0);
    EXPECT_EQ(korvel->view.zoom, View::kMaxZoom);
    korvel->keyDown(VK_HOME);
    d = drawnTransform(*korvel);
    EXPECT_NEAR(d.scale, fitted.scale, 1e-6);
    EXPECT_NEAR(d.windowX(0), left, 0.01);
    EXPECT_NEAR(d.windowY(0), bottom, 0.01);
}

INSTANTIATE_TEST_SUITE_P(WideTallTinyHuge, ClientSizeTest,
                         testing::Values(std::pair{1400, 430}, std::pair{700, 1000},
                                         std::pair{175, 100}, std::pair{3840, 2160}));

TEST_F(SandboxTest, F11AndAltEnterCoverTheMonitorAndComeBackToTheWindow) {
    const LONG windowed = fake::state().style;
    EXPECT_EQ(static_cast<DWORD>(windowed) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    chord({VK_F11});
    EXPECT_EQ(std::pair(korvel->renderer->width, korvel->renderer->height), std::pair(1600, 900));
    EXPECT_EQ(static_cast<DWORD>(fake::state().style) & (WS_POPUP | WS_CAPTION | WS_THICKFRAME),
              WS_POPUP);
    // What the next start opens: the window it came from, full screen.
    const Settings kept = korvel->controls->settings();
    EXPECT_EQ(std::tuple(kept.fullscreen, kept.windowWidth, kept.windowHeight),
              std::tuple(true, 700, 430));

    const LPARAM altHeld = LPARAM{1} << 29, wasDown = LPARAM{1} << 30;
    send(WM_SYSKEYDOWN, VK_RETURN, altHeld);
    EXPECT_EQ(korvel->renderer->height, 430);
    EXPECT_EQ(fake::state().style, windowed);
    EXPECT_FALSE(korvel->controls->settings().fullscreen);
    // Held, Alt+Enter does not repeat; Enter alone is the system's.
    send(WM_SYSKEYDOWN, VK_RETURN, altHeld | wasDown);
    EXPECT_EQ(send(WM_SYSKEYDOWN, VK_RETURN, 0), fake::kDefaultResult);
    EXPECT_EQ(korvel->renderer->width, 700);
}

TEST_F(SandboxTest, MAndTheVolumeKeysWorkTheMusicAndTheOverlaySaysSo) {
    const auto music = [] {
        std::vector<std::string> out;
        for (const std::string& c : fake::state().calls)
            if (c.starts_with("setMusicVolume(") || c.ends_with("Music()")) out.push_back(c);
        fake::state().calls.clear();
        return out;
    };
    fake::state().calls.clear();
    for (int key : {VK_OEM_PLUS, VK_OEM_MINUS, VK_SUBTRACT, int('M')}) chord({key});
    EXPECT_EQ(music(), (std::vector<std::string>{"setMusicVolume(90)", "setMusicVolume(80)",
                                                 "pauseMusic()"}));
    chord({VK_ADD});
    chord({'M'});
    EXPECT_EQ(music(), (std::vector<std::string>{"setMusicVolume(90)", "resumeMusic()"}));
    EXPECT_TRUE(showsNow("music 90%"));
    const Settings kept = korvel->controls->settings();
    EXPECT_TRUE(kept.musicOn);
    EXPECT_EQ(kept.musicVolume, 90);
}

}  // namespace
