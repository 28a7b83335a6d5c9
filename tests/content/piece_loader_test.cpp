#include "content/piece_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "content/piece_file.h"
#include "piece_dir.h"
#include "test_world.h"

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();
std::vector<Texture*> uploaded;

template <typename T>
std::vector<T*> inFileOrder(const CursorList<T>& list) {
    const std::vector<T*> newestFirst = TestWorld::items(list);
    return {newestFirst.rbegin(), newestFirst.rend()};
}

class PieceLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        uploaded.clear();
        setTextureUploader([](Texture& t) { uploaded.push_back(&t); });
    }
    void TearDown() override { setTextureUploader(nullptr); }
    // Released for the leak checker, before the pieces and then the world go.
    ~PieceLoaderTest() override {
        for (auto& piece : pieces)
            for (Texture* t : TestWorld::items(piece->textures)) releaseTexture(t);
    }

    Junk& newPiece() { return *pieces.emplace_back(std::make_unique<Junk>(&root)); }

    // Through a real FILE, as the game reads pieces. `err` keeps the loader's lines
    // of stderr, not the image loader's.
    bool load(Junk& piece, const std::vector<uint8_t>& bytes, float x = 0, float y = 0) {
        std::FILE* f = std::tmpfile();
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
        ::testing::internal::CaptureStderr();
        const bool ok = loadPiece(piece, f, x, y, "piece.pob");
        std::istringstream lines(::testing::internal::GetCapturedStderr());
        std::fclose(f);
        err.clear();
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("piece.pob: ", 0) == 0) err += line + "\n";
        return ok;
    }
    bool load(Junk& piece, const PieceFile& p, float x = 0, float y = 0) {
        return load(piece, writePieceFile(p), x, y);
    }

    TestWorld testWorld;
    Game& root = testWorld.root;
    std::vector<std::unique_ptr<Junk>> pieces;
    std::string err;
};

// Negative counts read no records (the next four bytes are the next count), and
// negative iterations load last and are never solved.
TEST_F(PieceLoaderTest, NegativeCountsAndIterationsAreHarmless) {
    EXPECT_TRUE(load(newPiece(), std::vector<uint8_t>(16, 0)));
    PieceFile p = PieceDir::triangle();
    p.atoms[2].iterations = -1;
    for (LinkRecord& l : p.links) l.iterations = -2;
    p.links[0].maxRatio = 0.5f;  // out of its limits at once: solving it would snap it
    PieceFile counts;
    counts.atoms = {PieceDir::atom(5, 5)};
    counts.linkCount = -7, counts.textureCount = -1, counts.triangleCount = INT32_MIN;
    counts.trailer = {0xde, 0xad};  // never read
    ASSERT_TRUE(load(newPiece(), counts));
    ASSERT_TRUE(load(newPiece(), p, 100, 100));
    EXPECT_EQ(err, "");
    EXPECT_EQ(TestWorld::items(root.atoms).back()->iterations, -1);
    testWorld.world->step();
    EXPECT_EQ(std::tuple(root.atoms.count, root.links.count), std::tuple(4, 3));
}

// Links and triangles find their atoms by position and textures by name; those
// that find none are left out, and said so.
TEST_F(PieceLoaderTest, LinksAndTrianglesFindTheirAtomsByPositionAndTexturesByName) {
    PieceFile p = PieceDir::triangle("missing.tga");
    p.atoms.push_back(PieceDir::atom(0, 0));    // on atom 1's spot: later, never matched
    p.textures.push_back(p.textures[0]);        // the same name again: the same image
    p.atoms.push_back(PieceDir::atom(40, 40));  // a link with both ends on one position
    p.links.push_back(p.links[0]);
    p.links[3].xA = p.links[3].xB = p.links[3].yA = p.links[3].yB = 40;
    p.triangles.push_back(p.triangles[0]);  // names are case-sensitive: left out
    setPieceName(p.triangles[1].texture, "MISSING.tga");
    Junk& piece = newPiece();
    ASSERT_TRUE(load(piece, p, 50, 60));
    EXPECT_EQ(err, "piece.pob: left out 1 triangle\n");

    const std::vector<Atom*> atoms = inFileOrder(piece.atoms);
    const std::vector<Link*> links = inFileOrder(piece.links);
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(std::pair(links[0]->atomA, links[0]->atomB), std::pair(atoms[0], atoms[1]));
    EXPECT_EQ(std::pair(links[3]->atomA, links[3]->atomB), std::pair(atoms[4], atoms[4]));
    EXPECT_EQ(std::tuple(atoms[0]->linkCount, atoms[3]->linkCount, atoms[4]->linkCount),
              std::tuple(2, 0, 2));
    for (const Link* l : links) EXPECT_FALSE(l->visible);

    ASSERT_EQ(piece.triangles.count, 1);
    const Triangle& t = *piece.triangles.first()->value;
    EXPECT_EQ(t.xOfB, &atoms[1]->x);
    EXPECT_EQ((std::vector<float>{t.sA, t.tA, t.sB, t.tB, t.sC, t.tC}),
              (std::vector<float>{0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(inFileOrder(piece.textures), (std::vector<Texture*>{t.texture, t.texture}));
    // Each image goes up once with pixels, a missing one as the fallback checker.
    EXPECT_EQ(uploaded, std::vector<Texture*>{t.texture});
    EXPECT_EQ(t.texture->width, 2u);

    // Spawned with its first atom outside the world: registration moves that atom
    // to the border, so nothing at its file position matches any more.
    Junk& clamped = newPiece();
    ASSERT_TRUE(load(clamped, PieceDir::triangle("missing.tga"), -5, 100));
    EXPECT_EQ(err, "piece.pob: left out 2 links and 1 triangle\n");
    EXPECT_EQ(std::tuple(clamped.atoms.count, clamped.links.count, clamped.triangles.count),
              std::tuple(3, 1, 0));

    // A link end on no atom, and the triangle on that missing edge.
    PieceFile astray = PieceDir::triangle("missing.tga");
    astray.links[1].xB = 11;
    Junk& loose = newPiece();
    ASSERT_TRUE(load(loose, astray, 200, 200));
    EXPECT_EQ(err, "piece.pob: left out 1 link and 1 triangle\n");
    EXPECT_EQ(std::tuple(loose.links.count, loose.triangles.count), std::tuple(2, 0));
}

TEST_F(PieceLoaderTest, PiecesShareEachImageUntilTheLastOfThemLeaves) {
    static std::vector<std::string> released;
    released.clear();
    setTextureReleaser([](Texture& t) { released.push_back(t.name); });
    PieceFile p = PieceDir::triangle("a.tga");
    p.textures.emplace_back();
    setPieceName(p.textures[1].name, "b.tga");
    p.triangles.push_back(p.triangles[0]);
    setPieceName(p.triangles[1].texture, "b.tga");
    auto* first = new Junk(&root);
    auto* second = new Junk(&root);
    ASSERT_TRUE(load(*first, p, 0, 0));
    ASSERT_TRUE(load(*second, p, 100, 0));
    EXPECT_EQ(uploaded.size(), 2u);
    EXPECT_EQ(sharedTextureCount(), 2u);
    // Grouped by image in the order the images came; the newest piece first within one.
    std::vector<Object*> owners;
    for (const Triangle* t : TestWorld::items(root.triangles)) owners.push_back(t->owner);
    EXPECT_EQ(owners, (std::vector<Object*>{second, first, second, first}));

    unloadPiece(*first);
    delete first;
    EXPECT_TRUE(released.empty());
    EXPECT_EQ(root.triangles.count, 2);
    unloadPiece(*second);
    delete second;
    EXPECT_EQ(released, (std::vector<std::string>{"b.tga", "a.tga"}));
    EXPECT_EQ(sharedTextureCount(), 0u);
    EXPECT_EQ(root.atoms.count + root.links.count + root.triangles.count, 0);
    EXPECT_EQ(testWorld.world->freeIds(), kMaxAtoms);
    setTextureReleaser(nullptr);
}

// Files refused whole: one line on stderr and nothing of them in the world.
TEST_F(PieceLoaderTest, MalformedFilesAreRefusedWhole) {
    const std::vector<uint8_t> good = writePieceFile(PieceDir::triangle("missing.tga"));
    std::vector<std::pair<std::vector<uint8_t>, std::string>> cases;
    for (auto [size, message] : {std::pair<std::size_t, const char*>{3, "before the atom count"},
                                 {4 + 41, "inside atom 1 of 3"},
                                 {8 + 3 * 42 + 44 + 10, "inside link 2 of 3"},
                                 {good.size() - 1, "inside triangle 1 of 1"}})
        cases.emplace_back(std::vector<uint8_t>(good.begin(), good.begin() + long(size)),
                           std::string("file ends ") + message);
    // A count far beyond the bytes must not be trusted for an allocation.
    cases.emplace_back(good,
                       "not a piece file: its atom count is 2147483647, more than any "
                       "piece holds");
    std::memcpy(cases.back().first.data(), "\xff\xff\xff\x7f", 4);
    // A count no piece would have, but whose records could still be in a file.
    cases.emplace_back(good, "file ends inside atom 21 of 5000");
    std::memcpy(cases.back().first.data(), "\x88\x13\x00\x00", 4);

    auto bad = [&](auto change, const char* message) {
        PieceFile p = PieceDir::triangle("missing.tga");
        change(p);
        cases.emplace_back(writePieceFile(p), message);
    };
    bad([](PieceFile& p) { p.atoms[1].x = kNan; }, "atom 2 of 3: x is not a finite number");
    bad([](PieceFile& p) { p.atoms[0].mass = 0; }, "atom 1 of 3: mass 0 is not above 0");
    // 1/mass would be infinite.
    bad([](PieceFile& p) { p.atoms[0].mass = 1e-40f; },
        "atom 1 of 3: mass 9.9999461e-41 is too small");
    bad([](PieceFile& p) { p.atoms[0].group = 50; }, "atom 1 of 3: group 50 is outside 0 to 49");
    bad([](PieceFile& p) { p.atoms[0].iterations = 1001; },
        "atom 1 of 3: iterations 1001 is above 1000");
    bad([](PieceFile& p) { p.links[2].restLength = kNan; },
        "link 3 of 3: restLength is not a finite number");
    bad([](PieceFile& p) { std::memset(p.textures[0].name, 'a', kPieceNameSize); },
        "texture 1 of 1: name has no zero byte");
    bad([](PieceFile& p) { p.atoms[0].mass = 0, p.atoms[1].group = 99; },
        "atom 1 of 3: mass 0 is not above 0 (and 1 more problem)");

    for (const auto& [bytes, message] : cases) {
        Junk& piece = newPiece();
        EXPECT_FALSE(load(piece, bytes)) << message;
        EXPECT_EQ(err, "piece.pob: " + message + "\n");
        EXPECT_EQ(root.atoms.count + piece.textures.count, 0) << message;
    }
    EXPECT_FALSE(load(newPiece(), PieceDir::triangle(), kNan, 0));
    EXPECT_EQ(err, "piece.pob: spawn position is not finite\n");
    PieceFile far = PieceDir::triangle();
    far.atoms[1].x = 3e38f;
    EXPECT_FALSE(load(newPiece(), far, 3e38f, 0));
    EXPECT_EQ(err, "piece.pob: atom 2 of 3: position overflows at the spawn position\n");
    EXPECT_EQ(root.atoms.count + root.links.count + root.triangles.count, 0);
    EXPECT_EQ(testWorld.world->freeIds(), kMaxAtoms);

    // Nor is a piece whose atoms do not fit in the world.
    PieceFile filler, eleven;
    for (int i = 0; i < kMaxAtoms - 10; ++i)
        filler.atoms.push_back(PieceDir::atom(float(i % 70) * 10, float(i / 70) * 7));
    for (int i = 0; i < 11; ++i) eleven.atoms.push_back(PieceDir::atom(float(i), 0));
    ASSERT_TRUE(load(newPiece(), filler));
    EXPECT_FALSE(load(newPiece(), eleven));
    EXPECT_EQ(err, "piece.pob: world full: 4990 of 5000 atoms in use, the piece has 11\n");
    EXPECT_EQ(root.atoms.count, kMaxAtoms - 10);
    eleven.atoms.pop_back();
    EXPECT_TRUE(load(newPiece(), eleven));
    EXPECT_EQ(testWorld.world->freeIds(), 0);
}

}  // namespace
