#pragma once

#include <cstdint>

#include "physics/fixed_bitset.h"
#include "physics/world_def.h"

class Atom;
class Link;
class Game;

inline constexpr int kMaxAtoms = 5000;
inline constexpr int kGridSide = 1002;

// One cell of the spatial grid. The chain runs from first through each atom's
// nextInCell to last, and is empty unless stamp equals the world's currentStamp.
// first/last hold atom ids (kNoAtom for none) rather than pointers, which keeps a
// cell at 12 bytes and the whole grid at 12 MB.
struct GridCell {
    uint32_t first;
    uint32_t last;
    int32_t stamp;
};
inline constexpr uint32_t kNoAtom = 0xffffffffu;

using PairMatrix = FixedBitSet<static_cast<std::size_t>(kMaxAtoms) * kMaxAtoms>;
using IdPool = FixedBitSet<kMaxAtoms>;

// The physics world: extent, gravity, spatial grid, collision pair matrix and id
// pool. About 15 MB of fixed arrays; allocate it on the heap.
class System {
  public:
    System(Game* game, float width, float height, float gravity, float scaleX, float scaleY);
    explicit System(Game* game, const WorldDef& def = kDefaultWorldDef)
        : System(game, def.width, def.height, def.gravity, def.scaleX, def.scaleY) {}
    virtual ~System() = default;
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    virtual void step();

    void insertIntoGrid(Atom* atom);
    void registerAtom(Atom* atom);
    void registerLink(Link* link);
    void unregisterAtom(Atom* atom);
    void unregisterLink(Link* link);
    // With no atom registered: every pair collides again and no iteration runs, as
    // when the world was built. Links that did not restore collision leave their
    // pair cleared; ids handed out again must not inherit that.
    void renew();

    // Ids not held by a registered atom (the loader checks a piece fits).
    int32_t freeIds() const { return kMaxAtoms - usedIds; }
    GridCell& cell(int32_t column, int32_t row);
    Atom* atomWithId(uint32_t id) const { return byId[id]; }

    float width;
    float height;
    float scaleX;
    float scaleY;
    float gravity;
    int32_t maxIterations = 0;
    uint32_t paused = 0;
    uint32_t stepCount = 1;
    int32_t currentStamp = 1;
    Game* game;
    GridCell cells[kGridSide * kGridSide];
    PairMatrix pairs;
    IdPool ids;

  private:
    struct Contact {
        float r, dx, dy, d2;
    };
    void collideAtom(Atom* a);
    static bool touching(const Atom* a, const Atom* b, Contact& contact);
    static void resolveContact(Atom* a, Atom* b, const Contact& contact);
    void applyPush(Atom* atom);
    void solveLink(Link* link);
    void integrateAtom(Atom* atom);
    void clampIntoWorld(Atom* atom);
    void unlinkFromGrid(Atom* atom);

    Atom* byId[kMaxAtoms] = {};
    int32_t usedIds = 0;
};
