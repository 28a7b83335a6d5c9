// The step's bits, pinned: generated worlds (lattices with every kind of atom,
// link, owner and meddling between steps) and the game's own pieces piled up run
// from a fixed seed, and a hash of everything the step touches is compared at
// checkpoints with the values in data/step_hashes.txt. Those were taken once
// from the world's first, straightforward implementation (linked records, a
// chained grid rebuilt at every pass), which the fast step matched bit for bit
// after every step. Early checkpoints make a broken step fail in its first steps.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "content/piece_loader.h"
#include "content/texture_cache.h"
#include "in_assets.h"
#include "session/spawn_keys.h"
#include "test_world.h"

namespace {

// Owners with a pure collision rule of their own and a record of every contact.
struct Picky : Junk {
    Picky(Object* parent, int32_t refuse) : Junk(parent), refuse(refuse) {}
    uint64_t contacts = 0xcbf29ce484222325ull;
    int32_t refuse;  // refuses partners whose tag is a multiple of this
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

struct World : TestWorld {
    std::vector<Object*> pieces;  // in creation order; null once removed
    std::vector<std::unique_ptr<Texture>> textures;

    World() {
        for (int i = 0; i < 3; ++i) textures.push_back(std::make_unique<Texture>());
    }
    ~World() {
        for (Object* p : pieces) {
            if (auto* roster = dynamic_cast<Roster*>(p))
                for (Texture* t : items(roster->textures)) releaseTexture(t);
            delete p;
        }
    }
    std::string textureName(const Texture* t) const {
        for (std::size_t i = 0; i < textures.size(); ++i)
            if (textures[i].get() == t) return std::to_string(i);
        return t != nullptr ? t->name : "none";
    }
    int32_t pieceIndex(const void* owner) const {
        for (std::size_t i = 0; i < pieces.size(); ++i)
            if (pieces[i] == owner) return static_cast<int32_t>(i);
        return owner == &root ? -2 : -3;
    }
};

struct Draw {
    std::mt19937& rng;
    int operator()(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    float real(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
};

// 0: a keeper, 1: a plain piece, 2: a picky one.
Object* newOwner(World& w, int kind, int32_t refuse) {
    Object* piece = kind == 0   ? static_cast<Object*>(new Keeper(&w.root))
                    : kind == 1 ? new Junk(&w.root)
                                : new Picky(&w.root, refuse);
    w.pieces.push_back(piece);
    return piece;
}

void loadFile(Object* piece, const char* file, float x, float y) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readSpawnedFile(file, bytes)) << file;
    loadPieceBytes(*static_cast<Junk*>(piece), bytes, x, y, file);
}

// A lattice with links across every cell and two triangles on it, every atom and
// link with properties of its own: iterations (mixed or not, some never
// examined), groups and tables, kinematic atoms, masses, brittle links, links
// that do not restore collision, links twice over.
void lattice(World& w, Object* piece, Draw& draw, int columns, int rows, float x, float y) {
    const float spacing = draw.real(5, 14);
    const float vx = draw(0, 2) ? 0 : draw.real(-3, 3);
    const float vy = draw(0, 2) ? 0 : draw.real(-3, 3);
    const int32_t choices[] = {8, 6, 3, 3, 2, 1, 0, -1, -4};
    const int32_t base = choices[draw(0, 8)];
    const bool mixed = draw(0, 1) == 1;
    auto iterations = [&] { return mixed ? choices[draw(0, 8)] : base; };
    const int atoms = columns * rows;
    if (atoms > w.world->freeIds()) return;
    std::vector<Atom*> grid;
    for (int i = 0; i < atoms; ++i) {
        Atom* a = new Atom(0, 0, 1, 0, 0, 0.1f, 5);
        a->x = x + spacing * static_cast<float>(i % columns);
        a->y = y + spacing * static_cast<float>(i / columns);
        a->prevX = a->x - vx;
        a->prevY = a->y - vy;
        a->iterations = iterations();
        a->invIterations = 1.0f / static_cast<float>(a->iterations);
        a->group = draw(0, 5) == 0 ? draw(0, 49) : draw(1, 9);
        a->tag = draw(0, 40);
        a->kinematic = draw(0, 25) == 0;
        if (draw(0, 3) == 0) a->invMass = 1 / (a->mass = draw.real(0.3f, 4));
        const uint64_t accepts = draw(0, 3) == 0 ? draw.rng() : 0x3feull;
        for (int g = 0; g < 10; ++g) a->collidesWith[g] = (accepts >> g) & 1;
        piece->adoptAtom(a);
        grid.push_back(a);
    }
    const float stiffness = draw.real(0.05f, 0.9f);
    const bool brittle = draw.real(0, 1) < 0.3f;
    auto link = [&](Atom* a, Atom* b) {
        const int32_t its = iterations();
        const float minRatio = brittle ? draw.real(0.93f, 0.99f) : 0.8f;
        const float maxRatio = brittle ? draw.real(1.01f, 1.08f) : 1.2f;
        const float restScale = draw(0, 30) == 0 ? draw.real(0.7f, 1.3f) : 1.0f;
        const bool restores = draw(0, 20) != 0;
        const bool twice = draw(0, 40) == 0;
        for (int copy = 0; copy < (twice ? 2 : 1); ++copy) {
            Link* l = TestWorld::addLink(*piece, copy ? b : a, copy ? a : b, its);
            l->restLength *= restScale;
            l->minRatio = minRatio;
            l->maxRatio = maxRatio;
            l->stiffness = stiffness;
            l->restoresCollision = restores;
        }
    };
    auto at = [&](int c, int r) { return grid[static_cast<std::size_t>(r * columns + c)]; };
    linkLattice(columns, rows, at, link);
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            Texture* t = w.textures[static_cast<std::size_t>(draw(0, 2))].get();
            TestWorld::addTriangle(*piece, at(c, r), at(c + 1, r), at(c + 1, r + 1), t);
            t = w.textures[static_cast<std::size_t>(draw(0, 2))].get();
            TestWorld::addTriangle(*piece, at(c, r), at(c + 1, r + 1), at(c, r + 1), t);
        }
    }
}

const std::vector<std::string> kFiles = gamePieceFiles();

// A piece of the game (a quarter of the time, when files are allowed) or a lattice,
// somewhere in or just outside the world.
void spawn(World& w, Draw& draw, bool withFiles, bool plain) {
    const float x = draw.real(-30, 690);
    const float y = draw.real(0, 560);
    if (withFiles && draw(0, 3) == 0) {
        const char* file = kFiles[static_cast<std::size_t>(draw(0, 7))].c_str();
        const int32_t refuse = draw(0, 1) ? 0 : draw(2, 9);
        const bool junk = plain || draw(0, 2) == 0;
        loadFile(newOwner(w, junk ? 1 : 2, refuse), file, x, y);
        return;
    }
    const bool keeper = !plain && draw(0, 4) == 0;
    const bool junk = plain || (!keeper && draw(0, 2) == 0);
    const int32_t refuse = draw(0, 2) ? 0 : draw(2, 9);
    Object* piece = newOwner(w, keeper ? 0 : junk ? 1 : 2, refuse);
    const int columns = draw(1, 7);
    lattice(w, piece, draw, columns, draw(1, 6), x, y);
}

// Takes a whole piece out between steps the way the tree removes it.
void removePiece(World& w, std::size_t index) {
    Object* piece = w.pieces[index];
    if (piece == nullptr) return;
    if (auto* junk = dynamic_cast<Junk*>(piece)) {
        unloadPiece(*junk);
    } else {
        for (Atom* a : TestWorld::items(w.root.atoms)) {
            if (a->owner != piece) continue;
            piece->removeAtom(a);
            delete a;
        }
        piece->teardown();
    }
    delete piece;
    w.pieces[index] = nullptr;
}

struct Hash {
    uint64_t value = 0xcbf29ce484222325ull;
    template <typename T>
    void operator()(const T& v) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &v, sizeof(T));
        for (unsigned char b : bytes) value = (value ^ b) * 0x100000001b3ull;
    }
    void words(const uint32_t* w, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) value = (value ^ w[i]) * 0x100000001b3ull;
    }
};

// Every field the step or the tree may touch, as bits; pointers as the ids or list
// places they stand for.
uint64_t stateHash(const World& w) {
    Hash h;
    const Game& g = w.root;
    h(g.atoms.count);
    h(g.links.count);
    h(g.triangles.count);
    for (const Atom* a : TestWorld::items(g.atoms)) {
        for (float f :
             {a->x, a->y, a->prevX, a->prevY, a->pushX, a->pushY, a->invIterations, a->pushCarry,
              a->radius, a->mass, a->invMass, a->kinematicStepX, a->kinematicStepY})
            h(f);
        for (int32_t i :
             {a->iterations, a->group, a->id, a->tag, a->linkCount, w.pieceIndex(a->owner)})
            h(i);
        h(a->collidesWith);
        for (bool b : {a->unlinked, a->kinematic, a->dead, a->world == w.world}) h(b);
    }
    const std::vector<Link*> links = TestWorld::items(g.links);
    std::map<const Link*, int32_t> place{{nullptr, -1}};
    for (std::size_t i = 0; i < links.size(); ++i) place[links[i]] = static_cast<int32_t>(i);
    for (const Link* l : links) {
        for (float f : {l->restLength, l->minRatio, l->maxRatio, l->stiffness}) h(f);
        for (int32_t i : {l->atomA->id, l->atomB->id, l->iterations, l->triangleCount, l->tag,
                          w.pieceIndex(l->owner)})
            h(i);
        h(l->reserved);
        for (bool b : {l->visible, l->dying, l->restoresCollision}) h(b);
    }
    for (const Triangle* t : TestWorld::items(g.triangles)) {
        for (int32_t i : {t->atomA->id, t->atomB->id, t->atomC->id, w.pieceIndex(t->owner)}) h(i);
        for (const Link* e : {t->edgeAB, t->edgeAC, t->edgeBC})
            h(place.count(e) != 0 ? place[e] : -2);
        for (char c : w.textureName(t->texture) + '\0') h(c);
        for (float f : {t->sA, t->tA, t->sB, t->tB, t->sC, t->tC}) h(f);
        for (bool b : {t->visible, t->dying, t->xOfA == &t->atomA->x, t->yOfC == &t->atomC->y})
            h(b);
    }
    const System& s = *w.world;
    for (int32_t i :
         {s.maxIterations, s.freeIds(), g.removedAtoms, g.removedLinks, g.removedTriangles})
        h(i);
    h(s.stepCount);
    h.words(s.ids.words, IdPool::kWords);
    h.words(s.pairs.words, PairMatrix::kWords);
    for (const Object* p : w.pieces) {
        h(p != nullptr);
        if (p == nullptr) continue;
        for (int32_t i : {p->removedAtoms, p->removedLinks, p->removedTriangles}) h(i);
        if (auto* picky = dynamic_cast<const Picky*>(p)) h(picky->contacts);
        if (auto* roster = dynamic_cast<const Roster*>(p))
            for (int32_t i : {roster->atoms.count, roster->links.count, roster->triangles.count})
                h(i);
    }
    return h.value;
}

// The pinned values, "name step hash" a line.
class StepHashes : public InAssets {
  protected:
    void SetUp() override {
        std::ifstream in(std::string(PIMO_TEST_DATA) + "/step_hashes.txt");
        std::string name;
        int step;
        uint64_t value;
        while (in >> name >> step >> std::hex >> value >> std::dec) pinned[{name, step}] = value;
        InAssets::SetUp();  // the piece files and their textures
    }

    // Stops the run at the first checkpoint that differs.
    void check(const std::string& name, int step, const World& w) {
        const uint64_t value = stateHash(w);
        auto it = pinned.find({name, step});
        ASSERT_NE(it, pinned.end()) << name << " step " << step << " is not pinned";
        ASSERT_EQ(it->second, value) << name << ": the world differs after step " << step;
    }

    std::map<std::pair<std::string, int>, uint64_t> pinned;
};

bool checkpoint(int step) {
    return step <= 3 || step == 10 || step % 50 == 0;
}

TEST_F(StepHashes, GeneratedWorlds) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const std::string name = "seed" + std::to_string(seed);
        const bool withFiles = seed % 2 == 0;
        const bool meddle = seed % 4 != 1;  // grab, throw and remove between steps
        const bool plain = seed % 5 == 0;   // every piece a plain Junk: no contact calls
        const int spawnEvery = seed % 3 == 0 ? 0 : 9;
        std::mt19937 rng(seed);
        Draw draw{rng};
        World w;
        for (int i = 0; i < 1 + static_cast<int>(seed % 6); ++i) spawn(w, draw, withFiles, plain);
        check(name, 0, w);
        for (int step = 1; step <= 150 && !HasFatalFailure(); ++step) {
            if (spawnEvery != 0 && step % spawnEvery == 0) spawn(w, draw, withFiles, plain);
            if (meddle && rng() % 7 == 0 && w.root.atoms.count > 0) {
                const auto k = rng() % static_cast<uint32_t>(w.root.atoms.count);
                const uint32_t what = rng() % 4;
                const float dx = static_cast<float>(rng() % 200) / 50.0f - 2.0f;
                Atom* a = TestWorld::items(w.root.atoms)[k];
                switch (what) {
                    case 0:  // grabbed: held in place
                        a->kinematic = true;
                        a->kinematicStepX = a->kinematicStepY = 0;
                        a->prevX = a->x;
                        a->prevY = a->y;
                        break;
                    case 1:  // thrown
                        a->kinematic = false;
                        a->prevX = a->x - dx;
                        a->prevY = a->y + dx;
                        break;
                    case 2:
                        a->invMass = 0.25f;
                        break;
                    default:
                        a->dead = true;
                        break;
                }
            }
            if (meddle && rng() % 50 == 0 && !w.pieces.empty())
                removePiece(w, rng() % w.pieces.size());
            w.root.tick();
            if (checkpoint(step)) check(name, step, w);
        }
        if (HasFatalFailure()) return;
    }
}

TEST_F(StepHashes, TheGamesOwnPiecesPiledUp) {
    // Spawned every 40 steps at the keys' spots, as a player fills the world.
    std::mt19937 rng(77);
    World w;
    const float spots[] = {152, 228, 342, 418, 494, 570, 76, 646};
    for (int step = 0; step < 400 && !HasFatalFailure(); ++step) {
        if (step % 40 == 0) {
            const char* file = kFiles[rng() % 8].c_str();
            loadFile(newOwner(w, step % 80 != 0 ? 1 : 2, 0), file, spots[rng() % 8], 418);
        }
        w.root.tick();
        if (checkpoint(step) || step % 40 == 1) check("piled", step, w);
    }
}

TEST_F(StepHashes, AWorldAtTheAtomLimit) {
    std::mt19937 rng(5000);
    Draw draw{rng};
    World w;
    // Crates of 7 × 7 until the ids run out.
    for (int i = 0; w.world->freeIds() > 0 && i < 200; ++i) {
        const int free = w.world->freeIds();
        lattice(w, newOwner(w, draw(0, 2), draw(2, 9)), draw, free < 49 ? 1 : 7,
                free < 49 ? free : 7, 10 + 50.0f * static_cast<float>(i % 13),
                10 + 50.0f * static_cast<float>((i / 13) % 11));
    }
    ASSERT_EQ(w.world->freeIds(), 0);
    for (int step = 1; step <= 12 && !HasFatalFailure(); ++step) {
        w.root.tick();
        check("full", step, w);
    }
}

}  // namespace
