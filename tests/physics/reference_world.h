#pragma once

#include "physics/system.h"
#include "scene/game.h"

// The world as it was first written: linked records walked through the root's
// cursor lists, a chained grid rebuilt under a new stamp at every pass, one bit
// of the pair matrix per candidate pair, and global lists searched from the head.
// Kept as the yardstick the fast world must match bit for bit.
class ReferenceSystem : public System {
  public:
    ReferenceSystem(Game* root, float width, float height, float gravity, float scaleX,
                    float scaleY)
        : System(root, width, height, gravity, scaleX, scaleY), root(root) {}

    void step() override;
    void insertIntoGrid(Atom* atom) override;
    void registerAtom(Atom* atom) override;
    void registerLink(Link* link) override;
    void unregisterAtom(Atom* atom) override;
    void unregisterLink(Link* link) override;

  private:
    void collideAtom(Atom* a);
    void resolveContact(Atom* a, Atom* b);
    void applyPush(Atom* atom);
    void solveLink(Link* link);
    void integrateAtom(Atom* atom);
    void clamp(Atom* atom);
    void unlink(Atom* atom);

    Game* root;
};

// The world root with its first list operations: sorted insertion and edge
// wiring by walking the global lists, and the triangle removal that rescans the
// whole triangle list after every removal.
class ReferenceGame : public Game {
  public:
    Atom* addAtom(Atom* atom) override;
    void addLink(Link* link) override;
    void addTriangle(Triangle* triangle) override;
    void removeAtom(Atom* atom) override;
    void removeLink(Link* link) override;
    void removeTriangle(Triangle* triangle) override;

  private:
    Link* findEdgeByWalk(Atom* a, Atom* b);
    void removeTrianglesByScan(Link* link);
};
