#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "scene/texture.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"

// A world root with the game's physics world and no renderer, plus helpers that
// build records the way the piece loader does.
struct TestWorld {
    Game root;
    System* world;

    explicit TestWorld(float gravity = kDefaultWorldDef.gravity)
        : world(new System(&root, worldWithGravity(gravity))) {
        root.world = world;
    }
    static WorldDef worldWithGravity(float gravity) {
        WorldDef def = kDefaultWorldDef;
        def.gravity = gravity;
        return def;
    }
    // The game never frees what is left in the world; tests do, for the leak checker.
    ~TestWorld() {
        for (Triangle* t : items(root.triangles)) delete t;
        for (Link* l : items(root.links)) delete l;
        for (Atom* a : items(root.atoms)) delete a;
        delete world;
    }

    static Atom* makeAtom(float x, float y, int32_t iterations = 3, float mass = 1) {
        Atom* a = new Atom(0, 0, 1, 0, 0, 0.1f, 5);
        a->x = a->prevX = x;
        a->y = a->prevY = y;
        a->mass = mass;
        a->invMass = 1 / mass;
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
