#include "content/piece_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "content/piece_file.h"
#include "content/report.h"
#include "content/texture.h"
#include "content/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"
#include "test_world.h"

namespace {

AtomRecord atomAt(float x, float y) {
    AtomRecord a;
    a.x = a.prevX = x;
    a.y = a.prevY = y;
    return a;
}

LinkRecord linkBetween(const AtomRecord& a, const AtomRecord& b) {
    LinkRecord l;
    l.xA = a.x, l.yA = a.y, l.xB = b.x, l.yB = b.y;
    l.restLength = 20;
    return l;
}

TriangleRecord triangleOver(const AtomRecord& a, const AtomRecord& b, const AtomRecord& c,
                            const char* texture) {
    TriangleRecord t;
    t.xA = a.x, t.yA = a.y, t.xB = b.x, t.yB = b.y, t.xC = c.x, t.yC = c.y;
    setPieceName(t.texture, texture);
    return t;
}

TextureRecord textureNamed(const char* name) {
    TextureRecord t;
    setPieceName(t.name, name);
    return t;
}

// Three linked atoms and one textured triangle over them.
PieceFile trianglePiece() {
    PieceFile p;
    p.atoms = {atomAt(0, 0), atomAt(20, 0), atomAt(10, 15)};
    p.links = {linkBetween(p.atoms[0], p.atoms[1]), linkBetween(p.atoms[0], p.atoms[2]),
               linkBetween(p.atoms[1], p.atoms[2])};
    p.textures = {textureNamed("missing.tga")};
    p.triangles = {triangleOver(p.atoms[0], p.atoms[1], p.atoms[2], "missing.tga")};
    return p;
}

int silentBox(const char*, const char*, unsigned) {
    return 1;
}

class PieceLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override { setMessageBoxHandler(silentBox); }
    void TearDown() override {
        setMessageBoxHandler(nullptr);
        setTextureUploader(nullptr);
    }
    // Textures stay with their piece for good in the game; here they are freed for
    // the leak checker, before the pieces and then the world go.
    ~PieceLoaderTest() override {
        for (auto& piece : pieces) {
            std::vector<Texture*> textures;
            piece->textures.forEach([&](Texture* t) { textures.push_back(t); });
            for (Texture* t : textures) delete t;
        }
    }

    template <typename T = Junk>
    T& newPiece() {
        pieces.push_back(std::make_unique<T>(&root));
        return static_cast<T&>(*pieces.back());
    }

    // Loads bytes through a real FILE, as the game does; stderr is kept in `err`.
    bool load(Junk& piece, const std::vector<uint8_t>& bytes, float x = 0, float y = 0,
              const char* name = "piece.pob") {
        std::FILE* f = std::tmpfile();
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
        ::testing::internal::CaptureStderr();
        const bool ok = loadPiece(piece, f, x, y, name);
        err = ::testing::internal::GetCapturedStderr();
        std::fclose(f);
        return ok;
    }
    bool load(Junk& piece, const PieceFile& p, float x = 0, float y = 0,
              const char* name = "piece.pob") {
        return load(piece, writePieceFile(p), x, y, name);
    }
    // Lines of stderr that come from the loader rather than the image loader.
    std::string loaderLines() const {
        std::string out;
        std::size_t pos = 0;
        while (pos < err.size()) {
            std::size_t end = err.find('\n', pos);
            const std::string line = err.substr(pos, end - pos + 1);
            if (line.rfind("piece.pob: ", 0) == 0 || line.rfind("full.pob: ", 0) == 0) out += line;
            pos = end + 1;
        }
        return out;
    }
    bool worldEmpty() const {
        return root.atoms.count == 0 && root.links.count == 0 && root.triangles.count == 0 &&
               world->freeIds() == kMaxAtoms;
    }

    TestWorld testWorld;
    Game& root = testWorld.root;
    System* world = testWorld.world;
    std::vector<std::unique_ptr<Junk>> pieces;
    std::string err;
};

TEST_F(PieceLoaderTest, EmptyAndNegativeCountsLoadNothing) {
    Junk& empty = newPiece();
    EXPECT_TRUE(load(empty, std::vector<uint8_t>(16, 0)));
    EXPECT_EQ(empty.atoms.count + empty.links.count + empty.textures.count, 0);

    // A negative count reads no records: the next four bytes are the next count.
    PieceFile p;
    p.atoms = {atomAt(5, 5)};
    p.linkCount = -7;
    p.textureCount = -1;
    p.triangleCount = INT32_MIN;
    p.trailer = {0xde, 0xad};  // never read
    Junk& piece = newPiece();
    ASSERT_TRUE(load(piece, p));
    EXPECT_EQ(piece.atoms.count, 1);
    EXPECT_EQ(root.links.count, 0);
    EXPECT_EQ(err, "");
}

TEST_F(PieceLoaderTest, AtomFieldsComeFromTheFileShiftedByTheSpawnPosition) {
    PieceFile p;
    AtomRecord a = atomAt(10, 20);
    a.prevX = 9;
    a.mass = 2;
    a.iterations = 4;
    a.tag = 77;
    a.group = 3;
    for (int g = 0; g < kFileCollisionGroups; ++g) a.collidesWith[g] = static_cast<uint8_t>(g * 3);
    p.atoms = {a};
    Junk& piece = newPiece();
    ASSERT_TRUE(load(piece, p, 100, 50));

    Atom* atom = piece.atoms.first()->value;
    EXPECT_EQ(atom->x, 110);
    EXPECT_EQ(atom->y, 70);
    EXPECT_EQ(atom->prevX, 109);
    EXPECT_EQ(atom->prevY, 70);
    EXPECT_EQ(atom->invMass, 0.5f);
    EXPECT_EQ(atom->invIterations, 0.25f);
    EXPECT_EQ(atom->iterations, 4);
    EXPECT_EQ(atom->tag, 77);
    EXPECT_EQ(atom->group, 3);
    for (int g = 0; g < kGroupCount; ++g)
        EXPECT_EQ(atom->collidesWith[g], g < 10 ? g * 3 : 0) << "group " << g;
    EXPECT_EQ(atom->pushCarry, 0.1f);
    EXPECT_EQ(atom->radius, 5);
    EXPECT_EQ(atom->owner, &piece);
    EXPECT_EQ(atom->world, world);

    // Iterations 3 in float: 1/3 rounded once.
    PieceFile q;
    q.atoms = {atomAt(300, 300)};
    q.atoms[0].iterations = 3;
    Junk& other = newPiece();
    ASSERT_TRUE(load(other, q));
    EXPECT_EQ(other.atoms.first()->value->invIterations, 1.0f / 3.0f);
}

TEST_F(PieceLoaderTest, LinksAndTrianglesFindTheirRecordsByPositionAndName) {
    PieceFile p = trianglePiece();
    p.links[0].restLength = 12.5f;
    p.links[0].minRatio = 0.25f;
    p.links[0].maxRatio = 4;
    p.links[0].stiffness = 0.75f;
    p.links[0].reserved[0] = 0x78, p.links[0].reserved[3] = 0x12;
    p.links[0].iterations = 9;
    p.links[0].tag = -4;
    // A fourth atom on the first one's spot: later in the file, so never matched.
    p.atoms.push_back(atomAt(0, 0));
    // The same texture name twice: the later record is used.
    p.textures.push_back(textureNamed("missing.tga"));
    p.triangles[0].sB = 1, p.triangles[0].tC = 0.5f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(p.triangles[0].reserved, &nan, 4);  // kept raw, never judged
    Junk& piece = newPiece();
    ASSERT_TRUE(load(piece, p, 50, 60));

    std::vector<Atom*> atoms;  // file order
    piece.atoms.forEach([&](Atom* a) { atoms.insert(atoms.begin(), a); });
    ASSERT_EQ(atoms.size(), 4u);
    Link* first = nullptr;
    piece.links.forEach([&](Link* l) { first = l; });  // oldest is last
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->atomA, atoms[0]);
    EXPECT_EQ(first->atomB, atoms[1]);
    EXPECT_EQ(first->restLength, 12.5f);
    EXPECT_EQ(first->minRatio, 0.25f);
    EXPECT_EQ(first->maxRatio, 4);
    EXPECT_EQ(first->stiffness, 0.75f);
    EXPECT_EQ(first->reserved, 0x12000078u);
    EXPECT_EQ(first->iterations, 9);
    EXPECT_EQ(first->tag, -4);
    EXPECT_EQ(atoms[0]->linkCount, 2);
    EXPECT_EQ(atoms[3]->linkCount, 0);

    piece.links.forEach([](Link* l) { EXPECT_FALSE(l->visible); });
    ASSERT_EQ(piece.triangles.count, 1);
    Triangle* t = piece.triangles.first()->value;
    EXPECT_EQ(t->atomA, atoms[0]);
    EXPECT_EQ(t->atomC, atoms[2]);
    EXPECT_EQ(t->xOfB, &atoms[1]->x);
    EXPECT_EQ(t->yOfC, &atoms[2]->y);
    EXPECT_TRUE(std::isnan(t->reserved[0]));
    EXPECT_EQ(t->sB, 1);
    EXPECT_EQ(t->tC, 0.5f);
    EXPECT_TRUE(t->visible);
    EXPECT_EQ(t->edgeAB, first);
    ASSERT_EQ(piece.textures.count, 2);
    EXPECT_EQ(t->texture, piece.textures.first()->value);  // the later record
    EXPECT_STREQ(t->texture->name, "missing.tga");
    EXPECT_EQ(loaderLines(), "");
}

TEST_F(PieceLoaderTest, LinkWithBothEndsOnOnePositionCountsTwice) {
    PieceFile p;
    p.atoms = {atomAt(1, 1)};
    p.links = {linkBetween(p.atoms[0], p.atoms[0])};
    Junk& piece = newPiece();
    ASSERT_TRUE(load(piece, p));
    Atom* a = piece.atoms.first()->value;
    EXPECT_EQ(piece.links.first()->value->atomA, a);
    EXPECT_EQ(piece.links.first()->value->atomB, a);
    EXPECT_EQ(a->linkCount, 2);
}

// Records the calls that reach the piece, and what the links looked like then.
class RecordingJunk : public Junk {
  public:
    explicit RecordingJunk(Object* parent) : Junk(parent) {}
    void adoptAtom(Atom* a) override {
        calls += 'a';
        Junk::adoptAtom(a);
    }
    void adoptLink(Link* l) override {
        calls += 'l';
        attachedFirst =
            attachedFirst && l->atomA->linkCount > 0 && l->atomB->linkCount > 0 && !l->visible;
        Junk::adoptLink(l);
    }
    void adoptTriangle(Triangle* t) override {
        calls += 'T';
        Junk::adoptTriangle(t);
    }
    Texture* addTexture(Texture* t) override {
        calls += 'x';
        return Junk::addTexture(t);
    }
    void addTriangle(Triangle* t) override {
        calls += 't';
        Junk::addTriangle(t);
    }
    std::string calls;
    bool attachedFirst = true;
};

TEST_F(PieceLoaderTest, RecordsReachThePieceKindByKind) {
    PieceFile p = trianglePiece();
    p.textures.push_back(textureNamed("other.tga"));
    RecordingJunk& piece = newPiece<RecordingJunk>();
    ASSERT_TRUE(load(piece, p));
    EXPECT_EQ(piece.calls, "aaalllxxt");
    EXPECT_TRUE(piece.attachedFirst);
}

std::vector<Texture*> uploaded;
void recordUpload(Texture& t) {
    uploaded.push_back(&t);
}

TEST_F(PieceLoaderTest, EveryTextureIsUploadedWithPixelsEvenWhenItsImageIsMissing) {
    uploaded.clear();
    setTextureUploader(recordUpload);
    PieceFile p = trianglePiece();
    Junk& piece = newPiece();
    ASSERT_TRUE(load(piece, p));
    ASSERT_EQ(uploaded.size(), 1u);
    EXPECT_EQ(uploaded[0], piece.textures.first()->value);
    EXPECT_TRUE(uploaded[0]->pixels != nullptr);
    EXPECT_EQ(uploaded[0]->width, 2u);
}

// Files the loader refuses whole: nothing of them may enter the world.
TEST_F(PieceLoaderTest, MalformedFilesAreRefusedWhole) {
    const std::vector<uint8_t> good = writePieceFile(trianglePiece());
    struct Case {
        std::vector<uint8_t> bytes;
        std::string message;
    };
    std::vector<Case> cases;
    auto cut = [&](std::size_t n, const char* message) {
        cases.push_back({std::vector<uint8_t>(good.begin(), good.begin() + n), message});
    };
    cut(0, "file ends before the atom count");
    cut(3, "file ends before the atom count");
    cut(4 + 41, "file ends inside atom 1 of 3");
    cut(4 + 3 * 42, "file ends before the link count");
    cut(8 + 3 * 42 + 44 + 10, "file ends inside link 2 of 3");
    cut(12 + 3 * 42 + 3 * 44 + 255, "file ends inside texture 1 of 1");
    cut(good.size() - 1, "file ends inside triangle 1 of 1");
    // A count far beyond the bytes must not be trusted for an allocation.
    std::vector<uint8_t> huge = good;
    huge[0] = 0xff, huge[1] = 0xff, huge[2] = 0xff, huge[3] = 0x7f;
    cases.push_back({huge, "file ends inside atom 21 of 2147483647"});

    auto bad = [&](auto change, const char* message) {
        PieceFile p = trianglePiece();
        change(p);
        cases.push_back({writePieceFile(p), message});
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    bad([&](PieceFile& p) { p.atoms[1].x = nan; }, "atom 2 of 3: x is not a finite number");
    bad([&](PieceFile& p) { p.atoms[2].prevY = -inf; },
        "atom 3 of 3: prevY is not a finite number");
    bad([&](PieceFile& p) { p.atoms[0].mass = 0; }, "atom 1 of 3: mass 0 is not above 0");
    bad([&](PieceFile& p) { p.atoms[0].mass = -2; }, "atom 1 of 3: mass -2 is not above 0");
    bad([&](PieceFile& p) { p.atoms[0].mass = 1e-40f; },
        "atom 1 of 3: mass 9.9999461e-41 is too small");
    bad([&](PieceFile& p) { p.atoms[0].group = 50; }, "atom 1 of 3: group 50 is outside 0 to 49");
    bad([&](PieceFile& p) { p.atoms[0].group = -1; }, "atom 1 of 3: group -1 is outside 0 to 49");
    bad([&](PieceFile& p) { p.atoms[0].iterations = 1001; },
        "atom 1 of 3: iterations 1001 is outside 0 to 1000");
    bad([&](PieceFile& p) { p.links[2].iterations = -1; },
        "link 3 of 3: iterations -1 is outside 0 to 1000");
    bad([&](PieceFile& p) { p.links[0].restLength = inf; },
        "link 1 of 3: restLength is not a finite number");
    bad([&](PieceFile& p) { p.links[1].yB = nan; }, "link 2 of 3: yB is not a finite number");
    bad([&](PieceFile& p) { p.triangles[0].tC = nan; },
        "triangle 1 of 1: tC is not a finite number");
    bad([&](PieceFile& p) { std::memset(p.textures[0].name, 'a', kPieceNameSize); },
        "texture 1 of 1: name has no zero byte");
    bad([&](PieceFile& p) { std::memset(p.triangles[0].texture, 'a', kPieceNameSize); },
        "triangle 1 of 1: texture name has no zero byte");
    bad(
        [&](PieceFile& p) {
            p.atoms[0].mass = 0;
            p.atoms[1].group = 99;
        },
        "atom 1 of 3: mass 0 is not above 0 (and 1 more problem)");

    for (const Case& c : cases) {
        Junk& piece = newPiece();
        EXPECT_FALSE(load(piece, c.bytes)) << c.message;
        EXPECT_EQ(err, "piece.pob: " + c.message + "\n");
        EXPECT_TRUE(worldEmpty()) << c.message;
        EXPECT_EQ(piece.textures.count, 0) << c.message;
    }

    Junk& piece = newPiece();
    EXPECT_FALSE(load(piece, trianglePiece(), std::numeric_limits<float>::quiet_NaN(), 0));
    EXPECT_EQ(err, "piece.pob: spawn position is not finite\n");
    PieceFile far = trianglePiece();
    far.atoms[1].x = 3e38f;
    EXPECT_FALSE(load(piece, far, 3e38f, 0));
    EXPECT_EQ(err, "piece.pob: atom 2 of 3: position overflows at the spawn position\n");
    EXPECT_TRUE(worldEmpty());
}

TEST_F(PieceLoaderTest, APieceThatDoesNotFitInTheWorldIsRefusedWhole) {
    PieceFile filler;
    for (int i = 0; i < kMaxAtoms - 10; ++i)
        filler.atoms.push_back(
            atomAt(static_cast<float>(i % 70) * 10, static_cast<float>(i / 70) * 7));
    Junk& bulk = newPiece();
    ASSERT_TRUE(load(bulk, filler));
    ASSERT_EQ(world->freeIds(), 10);

    PieceFile eleven;
    for (int i = 0; i < 11; ++i) eleven.atoms.push_back(atomAt(static_cast<float>(i), 0));
    Junk& refused = newPiece();
    EXPECT_FALSE(load(refused, eleven, 0, 0, "full.pob"));
    EXPECT_EQ(err, "full.pob: world full: 4990 of 5000 atoms in use, the piece has 11\n");
    EXPECT_EQ(root.atoms.count, kMaxAtoms - 10);
    EXPECT_EQ(refused.atoms.count, 0);

    eleven.atoms.pop_back();
    Junk& fits = newPiece();
    EXPECT_TRUE(load(fits, eleven));
    EXPECT_EQ(world->freeIds(), 0);
}

TEST_F(PieceLoaderTest, LinksAndTrianglesThatCannotBeBuiltAreLeftOut) {
    // Spawned with its first atom outside the world: registration moves that atom
    // to the border, so nothing at its file position matches any more.
    Junk& clamped = newPiece();
    ASSERT_TRUE(load(clamped, trianglePiece(), -5, 100));
    EXPECT_EQ(loaderLines(), "piece.pob: left out 2 links and 1 triangle\n");
    EXPECT_EQ(clamped.atoms.count, 3);
    ASSERT_EQ(clamped.links.count, 1);
    EXPECT_EQ(clamped.triangles.count, 0);
    EXPECT_EQ(clamped.links.first()->value->atomA->x, 15);

    // An end on no atom, a triangle on a missing edge, an unknown (differently
    // cased) texture name.
    PieceFile p = trianglePiece();
    p.links[1].xB = 11;
    p.triangles.push_back(p.triangles[0]);
    setPieceName(p.triangles[1].texture, "MISSING.tga");
    const std::vector<uint8_t> bytes = writePieceFile(p);
    Junk& piece = newPiece();
    ASSERT_TRUE(load(piece, bytes, 200, 200));
    EXPECT_EQ(loaderLines(), "piece.pob: left out 1 link and 2 triangles\n");
    EXPECT_EQ(piece.links.count, 2);
    EXPECT_EQ(piece.triangles.count, 0);

    // The same judgement from the file alone.
    PieceFile parsed;
    std::string error;
    ASSERT_TRUE(parsePieceFile(bytes.data(), bytes.size(), parsed, error));
    std::vector<float> xs, ys;
    for (const AtomRecord& a : parsed.atoms) xs.push_back(a.x), ys.push_back(a.y);
    const std::vector<std::string> leftOut =
        describeLeftOuts(parsed, matchPiece(parsed, xs, ys, 0, 0));
    const std::vector<std::string> expected = {
        "link 2 of 3: end B (11, 15) matches no atom",
        "triangle 1 of 2: corners A and C are joined by no link",
        "triangle 2 of 2: texture \"MISSING.tga\" names no texture of the file",
        "triangle 2 of 2: corners A and C are joined by no link",
    };
    EXPECT_EQ(leftOut, expected);
}

// The game's own pieces load whole. (The first fuzz crash was drask2.pob itself: an
// empty trailer made the parser copy zero bytes to a null pointer.)
TEST_F(PieceLoaderTest, EveryPieceOfTheGameLoadsWhole) {
    for (const char* name :
         {"drask1", "drask2", "drask3", "drask4", "pimo1", "pimo2", "pimo3", "pimo4"}) {
        const std::string path = std::string(PIMO_ASSETS) + "/" + name + ".pob";
        std::FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr) << path;
        std::vector<uint8_t> bytes;
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
        PieceFile file;
        std::string error;
        ASSERT_TRUE(parsePieceFile(bytes.data(), bytes.size(), file, error)) << error;

        Junk& piece = newPiece();
        ASSERT_TRUE(load(piece, bytes, 152, 418)) << name;
        EXPECT_EQ(loaderLines(), "") << name;
        EXPECT_EQ(piece.atoms.count, static_cast<int32_t>(file.atoms.size())) << name;
        EXPECT_EQ(piece.links.count, static_cast<int32_t>(file.links.size())) << name;
        EXPECT_EQ(piece.triangles.count, static_cast<int32_t>(file.triangles.size())) << name;
        piece.atoms.forEach([&](const Atom* a) {
            EXPECT_GE(a->x, 152 - 100) << name;
            EXPECT_LE(a->x, 152 + 90) << name;
            EXPECT_GE(a->y, 418 - 100) << name;
            EXPECT_LE(a->y, 418 + 110) << name;
        });
    }
}

TEST(PieceFileTest, WritingWhatWasParsedGivesTheSameBytes) {
    PieceFile p = trianglePiece();
    p.textureCount = -3;
    p.textures.clear();
    p.triangles.clear();
    p.triangleCount = -1;
    p.links[0].reserved[2] = 0xee;
    p.trailer = {1, 2, 3};
    const std::vector<uint8_t> bytes = writePieceFile(p);
    EXPECT_EQ(bytes.size(), 16 + 3 * 42 + 3 * 44 + 3u);
    PieceFile again;
    std::string error;
    ASSERT_TRUE(parsePieceFile(bytes.data(), bytes.size(), again, error)) << error;
    EXPECT_EQ(again.textureCount, -3);
    EXPECT_EQ(writePieceFile(again), bytes);
}

}  // namespace
