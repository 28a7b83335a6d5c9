#pragma once

#include <cassert>
#include <array>
#include <cstdint>
#include <vector>

#include "physics/fixed_bitset.h"
#include "physics/world_def.h"

class Atom;
class Link;
class WorldHost;

inline constexpr int kMaxAtoms = 5000;
inline constexpr int kGridSide = 1002;

// A grid coordinate from a scaled position: trunc(scaled) + 1. Positions are
// clamped into the world before they are sorted, so the guard only matters for a
// position that was not (a kinematic atom); it keeps the 3 by 3 search, which
// reaches one cell further, inside kGridSide cells a side.
inline int32_t cellIndex(float scaled) {
    constexpr float kLast = static_cast<float>(kGridSide - 3);
    assert(scaled >= 0 && scaled <= kLast && "position outside the grid");
    scaled = scaled > 0.0f ? scaled : 0.0f;  // also maps a NaN to 0
    scaled = scaled < kLast ? scaled : kLast;
    return static_cast<int32_t>(scaled) + 1;
}

using PairMatrix = FixedBitSet<static_cast<std::size_t>(kMaxAtoms) * kMaxAtoms>;
using IdPool = FixedBitSet<kMaxAtoms>;

// The physics world: extent, gravity, collision pair matrix and id pool. About 3 MB
// of fixed arrays; allocate it on the heap.
class System {
  public:
    // `root` is the scene tree's root, which keeps the sorted atom and link lists.
    System(WorldHost* root, float width, float height, float gravity, float scaleX, float scaleY);
    explicit System(WorldHost* root, const WorldDef& def = kDefaultWorldDef)
        : System(root, def.width, def.height, def.gravity, def.scaleX, def.scaleY) {}
    virtual ~System() = default;
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    virtual void step();

    virtual void registerAtom(Atom* atom);
    virtual void registerLink(Link* link);
    virtual void unregisterAtom(Atom* atom);
    virtual void unregisterLink(Link* link);

    // The registered links that use the atom, in no particular order.
    const std::vector<Link*>& linksOf(const Atom* atom) const;

    // The step reads an atom's position, previous position, push, kinematic state
    // and inverse mass afresh every step; its other fields (radius, group,
    // collidesWith, pushCarry, iterations, owner) when atoms or links come or go. Whoever
    // changes those of a registered atom between steps calls this.
    void atomsChanged() { ++layoutVersion; }

    // With no atom registered: every pair collides again and no iteration runs, as
    // when the world was built. Links that did not restore collision leave their
    // pair cleared; ids handed out again must not inherit that.
    void renew();

    // Lets go of every atom at once, with their links and what the world kept of
    // them, and renews the world; the records themselves are the caller's to free.
    // Ends where unregistering every atom and then renew() would, without
    // destroying a link or calling anyone.
    void unregisterAll();

    // Restoring a saved world: an atom takes the id it had (which must be free),
    // links keep the serials they bring, the pair matrix gets back the bits that
    // differed from a new world's (see pairsChanged), and new links go on
    // numbering after `serial`.
    void registerAtomAs(Atom* atom, int32_t id);
    uint32_t lastLinkSerial() const { return linkSerial; }
    void continueLinkSerials(uint32_t serial) { linkSerial = serial; }
    // Bits of the pair matrix (row * kMaxAtoms + column) that differ from a new
    // world's, where each pair collides, ascending.
    std::vector<uint32_t> pairsChanged() const;
    void restorePairs(const std::vector<uint32_t>& changed);

    // Ids not held by a registered atom (the loader checks a piece fits).
    int32_t freeIds() const { return kMaxAtoms - usedIds; }
    Atom* atomWithId(uint32_t id) const { return byId[id]; }

    float width;
    float height;
    float scaleX;
    float scaleY;
    float gravity;
    int32_t maxIterations = 0;
    uint32_t paused = 0;
    uint32_t stepCount = 1;
    WorldHost* game;
    PairMatrix pairs;  // read by anyone, written only by the world, which counts clear bits
    IdPool ids;

  protected:
    Atom* byId[kMaxAtoms] = {};
    int32_t usedIds = 0;

  private:
    void place(Atom* atom, int32_t id);
    void writeNewPairs();
    void gather();
    void gatherFixed();
    void gatherLinks();
    void placeBox();
    int32_t boxKey(float x, float y) const;
    void collide(int32_t examining);
    void touch(int32_t k, int32_t j);
    void listLinkedPartners();
    void forgetPartner(int32_t id, int32_t partner);
    void pushPass();
    void linkPass(int32_t iteration);
    void integrate();
    void sortIntoCells();
    void integrateAtom(Atom* atom);
    void clampIntoWorld(Atom* atom);
    void clearPair(int32_t a, int32_t b);
    void pairsChangedInStep(int32_t id);

    std::vector<Link*> linksById[kMaxAtoms];
    // Per row of the pair matrix, the clear bits left of the diagonal.
    uint16_t clearedInRow[kMaxAtoms] = {};
    uint32_t linkSerial = 0;

    // The step's working copy of the world, in the root's list order (see step.cpp).
    struct Atoms {
        std::vector<Atom*> record;
        std::vector<float> x, y, prevX, prevY, pushX, pushY, invMass, pushCarry, radius;
        std::vector<int32_t> id, iterations;
        std::vector<int32_t> key;  // cell in the sort's box
        std::vector<uint8_t> kinematic;
        std::vector<int32_t> group;     // 63 for a group nobody accepts
        std::vector<uint64_t> accepts;  // bit g: collidesWith[g] is non-zero
        std::vector<WorldHost*> owner;
        std::vector<uint8_t> hears;  // the owner's hearsContacts()
        // Ids the atom does not collide with that the search can turn away at
        // once: up to four linked partners whose pair bit is clear, and its own
        // id unless a link to itself has restored its diagonal bit (`highest` is
        // then its id, else one less).
        std::vector<std::array<int32_t, 4>> linked;
        std::vector<int32_t> highest;
        // Every clear bit left of the diagonal in the atom's row is in `linked`:
        // the search needs no look at the pair matrix.
        std::vector<uint8_t> pairsKnown;
    } atoms;
    struct Links {
        std::vector<Link*> record;
        std::vector<int32_t> a, b, iterations;
        std::vector<float> restLength, minRatio, maxRatio, share;
        // Each link's correction as its two atoms take it: entry 2k for link k's
        // first atom, 2k + 1 (negated) for its second; -0 for a link that does not
        // push, which leaves any sum as it was.
        std::vector<float> pushX, pushY;
        std::vector<uint8_t> within;  // bit i of entry k: link 4k + i keeps
        std::vector<uint8_t> gone;
        // Per atom of the working copy, the entries of its links in list order:
        // ends[endsOf[i]] to ends[endsOf[i + 1]].
        std::vector<int32_t> endsOf, ends;
    } links;
    // Atoms sorted by cell, list order within a cell, with the fields the
    // neighbour search reads copied into that order.
    struct Sorted {
        std::vector<int32_t> start;  // per cell of the box: first sorted index
        std::vector<int32_t> slot;   // list index of each sorted entry
        std::vector<int32_t> at;     // sorted index of each list index
        std::vector<int32_t> fill;
        std::vector<float> x, y, radius;
        std::vector<int32_t> id;
        std::vector<int32_t> found;  // the search's finds for one atom
        int32_t column0 = 0, row0 = 0, rows = 1, columns = 1;
    } sorted;
    std::vector<int32_t> slotOfId = std::vector<int32_t>(kMaxAtoms, -1);
    // Raised by every registration and removal: the working copy's order and its
    // links are rebuilt from the root's lists only when it moved.
    uint64_t layoutVersion = 1;
    uint64_t gatheredVersion = 0;
    bool inStep = false;
    bool cellsMoved = true;
    bool anyHears = true;  // some atom's owner hears of contacts
};
