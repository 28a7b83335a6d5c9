// The world against its first, straightforward implementation: generated worlds
// run through both, in lockstep, and every field of every atom, link and triangle,
// the list orders, the pair matrix, the id pool, the live grid chains and the
// counters of the tree must agree to the bit after every step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "content/texture_cache.h"
#include "content/piece_loader.h"
#include "reference_world.h"
#include "test_world.h"

namespace {

// Owners with a pure collision rule of their own and a record of every contact.
struct Picky : Junk {
    using Junk::Junk;
    uint64_t contacts = 0xcbf29ce484222325ull;
    int32_t refuse = 0;  // refuses partners whose tag is a multiple of this
    bool mayCollide(Atom* own, Atom* other) override {
        if (refuse != 0 && other->tag % refuse == 0) return false;
        return Junk::mayCollide(own, other);
    }
    void onCollide(Atom* own, Atom* other, float ratio) override {
        uint32_t bits;
        std::memcpy(&bits, &ratio, sizeof bits);
        for (uint32_t v : {static_cast<uint32_t>(own->id), static_cast<uint32_t>(other->id), bits})
            contacts = (contacts ^ v) * 0x100000001b3ull;
        Junk::onCollide(own, other, ratio);
    }
};

// A plain object as owner: its atoms never die of losing links.
struct Keeper : Object {
    using Object::Object;
};

struct World {
    std::unique_ptr<Game> root;
    System* world;
    std::vector<Object*> pieces;  // in creation order; null once removed
    std::vector<std::unique_ptr<Texture>> textures;

    explicit World(bool reference) {
        if (reference) {
            root = std::make_unique<ReferenceGame>();
            world = new ReferenceSystem(root.get(), 700, 530, -0.05f, 0.1f, 0.1f);
        } else {
            root = std::make_unique<Game>();
            world = new System(root.get(), 700, 530, -0.05f, 0.1f, 0.1f);
        }
        root->world = world;
        for (int i = 0; i < 3; ++i) textures.push_back(std::make_unique<Texture>());
    }
    ~World() {
        for (Triangle* t : TestWorld::items(root->triangles)) delete t;
        for (Link* l : TestWorld::items(root->links)) delete l;
        for (Atom* a : TestWorld::items(root->atoms)) delete a;
        for (Object* p : pieces) {
            if (auto* roster = dynamic_cast<Roster*>(p))
                for (Texture* t : TestWorld::items(roster->textures)) releaseTexture(t);
            delete p;
        }
        delete world;
    }
    std::string textureName(const Texture* t) const {
        for (std::size_t i = 0; i < textures.size(); ++i)
            if (textures[i].get() == t) return std::to_string(i);
        return t != nullptr ? t->name : "none";
    }
    int32_t pieceIndex(const void* owner) const {
        for (std::size_t i = 0; i < pieces.size(); ++i)
            if (pieces[i] == owner) return static_cast<int32_t>(i);
        return owner == root.get() ? -2 : -3;
    }
};

// Everything a piece is made of, drawn once and built identically in both worlds.
struct PieceRecipe {
    bool keeper = false;
    bool plain = false;  // a Junk as the game spawns it: no contact calls needed
    int32_t refuse = 0;
    int columns = 2, rows = 2;
    float x = 0, y = 0, spacing = 10, vx = 0, vy = 0;
    std::vector<int32_t> atomIterations, linkIterations, groups, tags;
    std::vector<uint8_t> kinematic, restores, duplicate;
    std::vector<float> masses, stiffness, minRatio, maxRatio, restScale;
    std::vector<uint64_t> accepts;
    std::vector<int> textureOf;
    std::string file;  // a piece file of the game instead of a lattice
};

PieceRecipe drawPiece(std::mt19937& rng, bool withFiles, int columns = 0, int rows = 0) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto real = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    PieceRecipe p;
    p.x = real(-30, 690);
    p.y = real(0, 560);
    if (withFiles && pick(0, 3) == 0) {
        const char* files[] = {"drask1.pob", "drask2.pob", "drask3.pob", "drask4.pob",
                               "pimo1.pob",  "pimo2.pob",  "pimo3.pob",  "pimo4.pob"};
        p.file = files[pick(0, 7)];
        p.refuse = pick(0, 1) ? 0 : pick(2, 9);
        p.plain = pick(0, 2) == 0;
        return p;
    }
    p.keeper = pick(0, 4) == 0;
    p.plain = !p.keeper && pick(0, 2) == 0;
    p.refuse = pick(0, 2) ? 0 : pick(2, 9);
    p.columns = columns != 0 ? columns : pick(1, 7);
    p.rows = rows != 0 ? rows : pick(1, 6);
    p.spacing = real(5, 14);
    p.vx = pick(0, 2) ? 0 : real(-3, 3);
    p.vy = pick(0, 2) ? 0 : real(-3, 3);
    const int32_t choices[] = {8, 6, 3, 3, 2, 1, 0, -1, -4};
    const int32_t base = choices[pick(0, 8)];
    const bool mixed = pick(0, 1) == 1;
    const int atoms = p.columns * p.rows;
    for (int i = 0; i < atoms; ++i) {
        p.atomIterations.push_back(mixed ? choices[pick(0, 8)] : base);
        p.groups.push_back(pick(0, 5) == 0 ? pick(0, 49) : pick(1, 9));
        p.tags.push_back(pick(0, 40));
        p.kinematic.push_back(pick(0, 25) == 0);
        p.masses.push_back(pick(0, 3) == 0 ? real(0.3f, 4) : 1.0f);
        p.accepts.push_back(pick(0, 3) == 0 ? rng() : 0x3feull);
    }
    const float stiffness = real(0.05f, 0.9f);
    const float looseness = real(0, 1);
    for (int i = 0; i < 4 * atoms; ++i) {
        p.linkIterations.push_back(mixed ? choices[pick(0, 8)] : base);
        p.stiffness.push_back(stiffness);
        // Some pieces are brittle: links snap, and take triangles and more links along.
        p.minRatio.push_back(looseness < 0.3f ? real(0.93f, 0.99f) : 0.8f);
        p.maxRatio.push_back(looseness < 0.3f ? real(1.01f, 1.08f) : 1.2f);
        p.restScale.push_back(pick(0, 30) == 0 ? real(0.7f, 1.3f) : 1.0f);
        p.restores.push_back(pick(0, 20) != 0);
        p.duplicate.push_back(pick(0, 40) == 0);
    }
    for (int i = 0; i < 2 * atoms; ++i) p.textureOf.push_back(pick(0, 2));
    return p;
}

void build(World& w, const PieceRecipe& p) {
    Object* piece;
    if (p.keeper) {
        piece = new Keeper(w.root.get());
    } else if (p.plain) {
        piece = new Junk(w.root.get());
    } else {
        auto* picky = new Picky(w.root.get());
        picky->refuse = p.refuse;
        piece = picky;
    }
    w.pieces.push_back(piece);
    if (!p.file.empty()) {
        std::FILE* f = std::fopen(p.file.c_str(), "rb");
        ASSERT_NE(f, nullptr) << p.file;
        loadPiece(*static_cast<Junk*>(piece), f, p.x, p.y, p.file.c_str());
        std::fclose(f);
        return;
    }
    const int atoms = p.columns * p.rows;
    if (atoms > w.world->freeIds()) return;
    std::vector<Atom*> grid;
    for (int i = 0; i < atoms; ++i) {
        const float ax = p.x + p.spacing * static_cast<float>(i % p.columns);
        const float ay = p.y + p.spacing * static_cast<float>(i / p.columns);
        Atom* a = new Atom(0, 0, p.masses[i], 0, 0, 0.1f, 5);
        a->x = ax;
        a->y = ay;
        a->prevX = ax - p.vx;
        a->prevY = ay - p.vy;
        a->iterations = p.atomIterations[i];
        a->invIterations = 1.0f / static_cast<float>(a->iterations);
        a->group = p.groups[i];
        a->tag = p.tags[i];
        for (int g = 0; g < 10; ++g) a->collidesWith[g] = (p.accepts[i] >> g) & 1;
        a->kinematic = p.kinematic[i];
        piece->adoptAtom(a);
        grid.push_back(a);
    }
    int next = 0;
    auto link = [&](Atom* a, Atom* b) {
        const int i = next++;
        for (int copy = 0; copy < (p.duplicate[i] ? 2 : 1); ++copy) {
            Link* l = new Link;
            l->atomA = copy ? b : a;
            l->atomB = copy ? a : b;
            const float dx = a->x - b->x, dy = a->y - b->y;
            l->restLength = std::sqrt((dx * dx) + (dy * dy)) * p.restScale[i];
            l->minRatio = p.minRatio[i];
            l->maxRatio = p.maxRatio[i];
            l->stiffness = p.stiffness[i];
            l->iterations = p.linkIterations[i];
            l->restoresCollision = p.restores[i];
            l->visible = false;
            a->linkAttached(l);
            b->linkAttached(l);
            piece->adoptLink(l);
        }
    };
    auto at = [&](int c, int r) { return grid[static_cast<std::size_t>(r * p.columns + c)]; };
    for (int r = 0; r < p.rows; ++r) {
        for (int c = 0; c < p.columns; ++c) {
            if (c + 1 < p.columns) link(at(c, r), at(c + 1, r));
            if (r + 1 < p.rows) link(at(c, r), at(c, r + 1));
            if (c + 1 < p.columns && r + 1 < p.rows) {
                link(at(c, r), at(c + 1, r + 1));
                link(at(c + 1, r), at(c, r + 1));
            }
        }
    }
    int t = 0;
    for (int r = 0; r + 1 < p.rows; ++r) {
        for (int c = 0; c + 1 < p.columns; ++c) {
            Atom* corners[2][3] = {{at(c, r), at(c + 1, r), at(c + 1, r + 1)},
                                   {at(c, r), at(c + 1, r + 1), at(c, r + 1)}};
            for (auto& k : corners) {
                Triangle* tri = new Triangle;
                tri->setCorners(k[0], k[1], k[2]);
                tri->texture = w.textures[static_cast<std::size_t>(p.textureOf[t++])].get();
                piece->addTriangle(tri);
            }
        }
    }
}

// Takes a whole piece out between steps the way the tree removes it.
void removePiece(World& w, std::size_t index) {
    Object* piece = w.pieces[index];
    if (piece == nullptr) return;
    if (auto* roster = dynamic_cast<Roster*>(piece)) {
        for (Atom* a : TestWorld::items(roster->atoms)) {
            roster->removeAtom(a);
            delete a;
        }
        for (Texture* t : TestWorld::items(roster->textures)) releaseTexture(t);
    } else {
        for (Atom* a : TestWorld::items(w.root->atoms)) {
            if (a->owner != piece) continue;
            piece->removeAtom(a);
            delete a;
        }
    }
    piece->teardown();
    delete piece;
    w.pieces[index] = nullptr;
}

template <typename T>
bool same(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Every field, compared as bits; pointers as the ids or list places they stand for.
void expectSame(const World& r, const World& f, int step, bool everything) {
    const std::string at = "after step " + std::to_string(step);
    const Game& rg = *r.root;
    const Game& fg = *f.root;
    ASSERT_EQ(rg.atoms.count, fg.atoms.count) << at;
    ASSERT_EQ(rg.links.count, fg.links.count) << at;
    ASSERT_EQ(rg.triangles.count, fg.triangles.count) << at;
    const std::vector<Atom*> ra = TestWorld::items(rg.atoms), fa = TestWorld::items(fg.atoms);
    for (std::size_t i = 0; i < ra.size(); ++i) {
        const Atom& a = *ra[i];
        const Atom& b = *fa[i];
        const std::string where = at + ", atom " + std::to_string(i);
#define SAME(field) ASSERT_TRUE(same(a.field, b.field)) << where << ": " #field
        SAME(x);
        SAME(y);
        SAME(prevX);
        SAME(prevY);
        SAME(savedX);
        SAME(savedY);
        SAME(pushX);
        SAME(pushY);
        SAME(iterations);
        SAME(invIterations);
        SAME(group);
        SAME(collidesWith);
        SAME(id);
        SAME(pushCarry);
        SAME(radius);
        SAME(cellX);
        SAME(cellY);
        SAME(unlinked);
        SAME(mass);
        SAME(invMass);
        SAME(kinematic);
        SAME(kinematicStepX);
        SAME(kinematicStepY);
        SAME(tag);
        SAME(linkCount);
        SAME(dead);
#undef SAME
        ASSERT_EQ(a.nextInCell ? a.nextInCell->id : -1, b.nextInCell ? b.nextInCell->id : -1)
            << where;
        ASSERT_EQ(r.pieceIndex(a.owner), f.pieceIndex(b.owner)) << where;
        ASSERT_EQ(a.world == r.world, b.world == f.world) << where;
        // The live chains of the grid: the cell of every atom.
        const GridCell& rc = r.world->cell(a.cellX, a.cellY);
        const GridCell& fc = f.world->cell(b.cellX, b.cellY);
        ASSERT_EQ(rc.stamp == r.world->currentStamp, fc.stamp == f.world->currentStamp) << where;
        if (rc.stamp == r.world->currentStamp) {
            ASSERT_EQ(rc.first, fc.first) << where;
            ASSERT_EQ(rc.last, fc.last) << where;
        }
    }
    const std::vector<Link*> rl = TestWorld::items(rg.links), fl = TestWorld::items(fg.links);
    std::unordered_map<const Link*, int64_t> rPlace, fPlace;
    for (std::size_t i = 0; i < rl.size(); ++i) {
        rPlace[rl[i]] = static_cast<int64_t>(i);
        fPlace[fl[i]] = static_cast<int64_t>(i);
    }
    auto place = [](const std::unordered_map<const Link*, int64_t>& places, const Link* l) {
        auto it = places.find(l);
        return it != places.end() ? it->second : l == nullptr ? int64_t{-1} : int64_t{-2};
    };
    for (std::size_t i = 0; i < rl.size(); ++i) {
        const Link& a = *rl[i];
        const Link& b = *fl[i];
        const std::string where = at + ", link " + std::to_string(i);
        ASSERT_EQ(a.atomA->id, b.atomA->id) << where;
        ASSERT_EQ(a.atomB->id, b.atomB->id) << where;
        for (auto field : {&Link::restLength, &Link::minRatio, &Link::maxRatio, &Link::stiffness})
            ASSERT_TRUE(same(a.*field, b.*field)) << where;
        ASSERT_EQ(a.reserved, b.reserved) << where;
        ASSERT_EQ(a.visible, b.visible) << where;
        ASSERT_EQ(a.iterations, b.iterations) << where;
        ASSERT_EQ(a.dying, b.dying) << where;
        ASSERT_EQ(a.triangleCount, b.triangleCount) << where;
        ASSERT_EQ(a.tag, b.tag) << where;
        ASSERT_EQ(a.restoresCollision, b.restoresCollision) << where;
        ASSERT_EQ(r.pieceIndex(a.owner), f.pieceIndex(b.owner)) << where;
    }
    const std::vector<Triangle*> rt = TestWorld::items(rg.triangles),
                                 ft = TestWorld::items(fg.triangles);
    for (std::size_t i = 0; i < rt.size(); ++i) {
        const Triangle& a = *rt[i];
        const Triangle& b = *ft[i];
        const std::string where = at + ", triangle " + std::to_string(i);
        ASSERT_EQ(a.atomA->id, b.atomA->id) << where;
        ASSERT_EQ(a.atomB->id, b.atomB->id) << where;
        ASSERT_EQ(a.atomC->id, b.atomC->id) << where;
        ASSERT_EQ(a.xOfA == &a.atomA->x && a.yOfC == &a.atomC->y,
                  b.xOfA == &b.atomA->x && b.yOfC == &b.atomC->y)
            << where;
        ASSERT_EQ(place(rPlace, a.edgeAB), place(fPlace, b.edgeAB)) << where;
        ASSERT_EQ(place(rPlace, a.edgeAC), place(fPlace, b.edgeAC)) << where;
        ASSERT_EQ(place(rPlace, a.edgeBC), place(fPlace, b.edgeBC)) << where;
        ASSERT_EQ(r.textureName(a.texture), f.textureName(b.texture)) << where;
        ASSERT_TRUE(same(a.sA, b.sA) && same(a.tC, b.tC)) << where;
        ASSERT_EQ(a.visible, b.visible) << where;
        ASSERT_EQ(a.dying, b.dying) << where;
        ASSERT_EQ(r.pieceIndex(a.owner), f.pieceIndex(b.owner)) << where;
    }
    const System& rw = *r.world;
    const System& fw = *f.world;
    ASSERT_EQ(rw.maxIterations, fw.maxIterations) << at;
    ASSERT_EQ(rw.stepCount, fw.stepCount) << at;
    ASSERT_EQ(rw.currentStamp, fw.currentStamp) << at;
    ASSERT_EQ(rw.freeIds(), fw.freeIds()) << at;
    ASSERT_EQ(std::memcmp(rw.ids.words, fw.ids.words, sizeof rw.ids.words), 0) << at;
    if (everything) {
        ASSERT_EQ(std::memcmp(rw.pairs.words, fw.pairs.words, sizeof rw.pairs.words), 0) << at;
    }
    ASSERT_EQ(r.pieces.size(), f.pieces.size());
    for (std::size_t i = 0; i < r.pieces.size(); ++i) {
        const Object* a = r.pieces[i];
        const Object* b = f.pieces[i];
        ASSERT_EQ(a == nullptr, b == nullptr);
        if (a == nullptr) continue;
        const std::string where = at + ", piece " + std::to_string(i);
        ASSERT_EQ(a->removedAtoms, b->removedAtoms) << where;
        ASSERT_EQ(a->removedLinks, b->removedLinks) << where;
        ASSERT_EQ(a->removedTriangles, b->removedTriangles) << where;
        if (auto* pa = dynamic_cast<const Picky*>(a)) {
            ASSERT_EQ(pa->contacts, dynamic_cast<const Picky*>(b)->contacts) << where;
        }
        if (auto* ra2 = dynamic_cast<const Roster*>(a)) {
            auto* rb2 = dynamic_cast<const Roster*>(b);
            ASSERT_EQ(ra2->atoms.count, rb2->atoms.count) << where;
            ASSERT_EQ(ra2->links.count, rb2->links.count) << where;
            ASSERT_EQ(ra2->triangles.count, rb2->triangles.count) << where;
        }
    }
    ASSERT_EQ(rg.removedAtoms, fg.removedAtoms) << at;
    ASSERT_EQ(rg.removedLinks, fg.removedLinks) << at;
    ASSERT_EQ(rg.removedTriangles, fg.removedTriangles) << at;
}

struct Scenario {
    uint32_t seed;
    int steps;
    int startPieces;
    int spawnEvery;  // 0: no spawns during the run
    bool withFiles;
    bool meddle;  // grab, throw and remove between steps, as the sandbox does
    bool plain;   // every piece a plain Junk: the step tells no owner of contacts
};

// Runs one generated world through both implementations; returns the steps run.
int runScenario(const Scenario& s) {
    std::mt19937 rng(s.seed);
    World ref(true), fast(false);
    auto spawn = [&] {
        PieceRecipe p = drawPiece(rng, s.withFiles);
        if (s.plain) {
            p.keeper = false;
            p.plain = true;
        }
        build(ref, p);
        build(fast, p);
    };
    for (int i = 0; i < s.startPieces; ++i) spawn();
    expectSame(ref, fast, 0, true);
    for (int step = 1; step <= s.steps; ++step) {
        if (s.spawnEvery != 0 && step % s.spawnEvery == 0) spawn();
        if (s.meddle && rng() % 7 == 0 && fast.root->atoms.count > 0) {
            // The same atom in both worlds: its place in the list.
            const auto k = rng() % static_cast<uint32_t>(fast.root->atoms.count);
            const uint32_t what = rng() % 4;
            const float dx = static_cast<float>(rng() % 200) / 50.0f - 2.0f;
            for (World* w : {&ref, &fast}) {
                Atom* a = TestWorld::items(w->root->atoms)[k];
                switch (what) {
                    case 0:  // grab: held in place
                        a->kinematic = true;
                        a->kinematicStepX = a->kinematicStepY = 0;
                        a->prevX = a->x;
                        a->prevY = a->y;
                        break;
                    case 1:  // throw
                        a->kinematic = false;
                        a->prevX = a->x - dx;
                        a->prevY = a->y + dx;
                        break;
                    case 2:  // heavy
                        a->invMass = 0.25f;
                        break;
                    default:
                        a->dead = true;
                        break;
                }
            }
        }
        if (s.meddle && rng() % 50 == 0 && !fast.pieces.empty()) {
            const std::size_t index = rng() % fast.pieces.size();
            removePiece(ref, index);
            removePiece(fast, index);
        }
        ref.root->tick();
        fast.root->tick();
        expectSame(ref, fast, step, step % 20 == 0 || step == s.steps);
        if (::testing::Test::HasFatalFailure()) return step;
    }
    return s.steps;
}

class Differential : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(PIMO_ASSETS);  // the piece files and their textures
    }
    void TearDown() override { std::filesystem::current_path(previous); }
    std::filesystem::path previous;
};

TEST_F(Differential, GeneratedWorldsMatchTheReferenceEveryStep) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const Scenario s{seed,
                         150,
                         1 + static_cast<int>(seed % 6),
                         seed % 3 == 0 ? 0 : 9,
                         seed % 2 == 0,
                         seed % 4 != 1,
                         seed % 5 == 0};
        SCOPED_TRACE("seed " + std::to_string(seed));
        runScenario(s);
        if (HasFatalFailure()) return;
    }
}

TEST_F(Differential, TheGamesOwnPiecesPiledUpMatchTheReference) {
    // Spawned every 40 steps at the keys' spots, as a player fills the world.
    std::mt19937 rng(77);
    World ref(true), fast(false);
    const float spots[] = {152, 228, 342, 418, 494, 570, 76, 646};
    const char* files[] = {"drask1.pob", "drask2.pob", "drask3.pob", "drask4.pob",
                           "pimo1.pob",  "pimo2.pob",  "pimo3.pob",  "pimo4.pob"};
    for (int step = 0; step < 400; ++step) {
        if (step % 40 == 0) {
            PieceRecipe p;
            p.file = files[rng() % 8];
            p.x = spots[rng() % 8];
            p.y = 418;
            p.plain = step % 80 != 0;
            build(ref, p);
            build(fast, p);
        }
        ref.root->tick();
        fast.root->tick();
        expectSame(ref, fast, step, step % 50 == 0);
        if (HasFatalFailure()) return;
    }
}

TEST_F(Differential, AWorldAtTheAtomLimitMatchesTheReference) {
    std::mt19937 rng(5000);
    World ref(true), fast(false);
    // Crates of 7 × 7 until the ids run out, then a few that no longer fit.
    for (int i = 0; ref.world->freeIds() > 0 && i < 200; ++i) {
        const int free = ref.world->freeIds();
        PieceRecipe p = drawPiece(rng, false, free < 49 ? 1 : 7, free < 49 ? free : 7);
        p.x = 10 + 50.0f * static_cast<float>(i % 13);
        p.y = 10 + 50.0f * static_cast<float>((i / 13) % 11);
        build(ref, p);
        build(fast, p);
    }
    ASSERT_EQ(fast.world->freeIds(), 0);
    for (int step = 1; step <= 12; ++step) {
        ref.root->tick();
        fast.root->tick();
        expectSame(ref, fast, step, step % 4 == 0);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
