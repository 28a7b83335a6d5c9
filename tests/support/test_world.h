#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"
#include "scene/texture.h"
#include "scene/triangle.h"

// A world root with the game's physics world and no renderer, plus helpers that
// build records the way the piece loader does.
struct TestWorld {
    Game root;
    System* world;

    explicit TestWorld(float gravity = kDefaultWorldDef.gravity) {
        WorldDef def = kDefaultWorldDef;
        def.gravity = gravity;
        root.world = world = new System(&root, def);
    }
    // The game never frees what is left in the world; tests do, for the leak checker.
    ~TestWorld() {
        for (Triangle* t : items(root.triangles)) delete t;
        for (Link* l : items(root.links)) delete l;
        for (Atom* a : items(root.atoms)) delete a;
        delete world;
    }

    static Atom* makeAtom(float x, float y, int32_t iterations = 3, float mass = 1) {
        auto* a = new Atom(x, y, mass, 0, 0, kPieceAtomPushCarry, kPieceAtomRadius);
        a->iterations = iterations;
        a->invIterations = 1.0f / static_cast<float>(iterations);
        return a;
    }

    static Atom* addAtom(Object& piece, float x, float y, int32_t iterations = 3) {
        Atom* a = makeAtom(x, y, iterations);
        piece.adoptAtom(a);
        return a;
    }

    // A link at its current length, attached and adopted as the loader does it.
    static Link* addLink(Object& piece, Atom* a, Atom* b, int32_t iterations = 3) {
        Link* l = new Link;
        l->atomA = a;
        l->atomB = b;
        float dx = a->x - b->x, dy = a->y - b->y;
        l->restLength = std::sqrt(dx * dx + dy * dy);
        l->iterations = iterations;
        l->visible = false;
        a->linkAttached(l);
        b->linkAttached(l);
        piece.adoptLink(l);
        return l;
    }

    static Triangle* addTriangle(Object& piece, Atom* a, Atom* b, Atom* c, Texture* texture) {
        Triangle* t = new Triangle;
        t->setCorners(a, b, c);
        t->texture = texture;
        piece.addTriangle(t);
        return t;
    }

    template <typename T>
    static std::vector<T*> items(const CursorList<T>& list) {
        std::vector<T*> out;
        list.forEach([&](T* v) { out.push_back(v); });
        return out;
    }
};

// Each neighbour pair of a columns × rows lattice, across and down and both
// diagonals, in the order the pinned worlds were built.
template <class At, class LinkPair>
void linkLattice(int columns, int rows, At at, LinkPair link) {
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c + 1 < columns) link(at(c, r), at(c + 1, r));
            if (r + 1 < rows) link(at(c, r), at(c, r + 1));
            if (c + 1 < columns && r + 1 < rows) {
                link(at(c, r), at(c + 1, r + 1));
                link(at(c + 1, r), at(c, r + 1));
            }
        }
    }
}

// A rectangular soft body built straight into a piece: columns × rows atoms at
// `spacing`, linked across every cell, two triangles per cell, in the loader's
// order (atoms, links, triangles).
inline void buildLattice(Junk& piece, Texture* texture, float originX, float originY, int columns,
                         int rows, float spacing, int32_t iterations = 3, float stiffness = 0.2f,
                         float minRatio = 0.8f, float maxRatio = 1.2f) {
    std::vector<Atom*> grid;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            grid.push_back(TestWorld::addAtom(piece, originX + spacing * static_cast<float>(c),
                                              originY + spacing * static_cast<float>(r),
                                              iterations));
    auto at = [&](int c, int r) { return grid[static_cast<size_t>(r * columns + c)]; };
    linkLattice(columns, rows, at, [&](Atom* a, Atom* b) {
        Link* l = TestWorld::addLink(piece, a, b, iterations);
        l->minRatio = minRatio;
        l->maxRatio = maxRatio;
        l->stiffness = stiffness;
    });
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            for (Triangle* t :
                 {TestWorld::addTriangle(piece, at(c, r), at(c + 1, r), at(c + 1, r + 1), texture),
                  TestWorld::addTriangle(piece, at(c, r), at(c + 1, r + 1), at(c, r + 1), texture)})
                t->sA = 0, t->tA = 0, t->sB = 1, t->tB = 0, t->sC = 1, t->tC = 1;
        }
    }
}
