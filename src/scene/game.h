#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <typeinfo>
#include <vector>

#include "scene/pointer_map.h"
#include "scene/roster.h"

class System;
class Display;

// The world root: keeps the sorted global lists, registers atoms and links with the
// physics world, wires triangles to their edge links and holds the input state.
class Game : public Roster {
  public:
    Game();

    Atom* addAtom(Atom* atom) override;
    void addLink(Link* link) override;
    void addTriangle(Triangle* triangle) override;
    Texture* addTexture(Texture* texture) override;
    void removeAtom(Atom* atom) override;
    void removeLink(Link* link) override;
    void removeTriangle(Triangle* triangle) override;
    bool mayCollide(Atom* a, Atom* b) override;
    // No for the Game itself; roots derived from it say for themselves.
    bool hearsContacts() const override { return typeid(*this) != typeid(Game); }
    void onCollide(Atom* a, Atom* b, float ratio) override;
    void tick() override;
    void atomMoved(Atom*) override {}
    void listAtoms(std::vector<Atom*>& out) override;
    void listLinks(std::vector<Link*>& out) override;

    virtual void keyDown(int32_t key);
    virtual void keyUp(int32_t key);
    virtual void mouseMove(int32_t x, int32_t y);
    virtual void leftButtonDown();
    virtual void leftButtonUp();
    virtual void rightButtonDown();
    virtual void rightButtonUp();
    // The middle button and the wheel (WHEEL_DELTA, 120, a notch; positive away
    // from the user).
    virtual void middleButtonDown();
    virtual void middleButtonUp();
    virtual void mouseWheel(int32_t delta);
    virtual void applyView();

    // Restoring a saved world: the records go into the lists as add* puts them,
    // registered with the id they had (the link keeps its serial) and the
    // triangle on the edges it had. Given in reverse list order, each lands at
    // the head of its group, so the lists come back in their saved order.
    void restoreAtom(Atom* atom, int32_t id);
    void restoreLink(Link* link);
    void restoreTriangle(Triangle* triangle, Link* ab, Link* ac, Link* bc);

    // Frees every atom, link and triangle of the world at once and leaves the
    // lists, their indexes and the physics world as new. Nothing is told: no
    // owner, no removeAtom/removeLink/removeTriangle override and no textures, so
    // the caller takes this path only when everything listed belongs to objects
    // it discards, and does itself what those would have done.
    void dropAll();

    uint8_t keys[256];
    float mouseX = 0;
    float mouseY = 0;
    bool leftButton;
    bool rightButton;
    bool middleButton = false;
    bool quitRequested;
    uint32_t frameSkip;
    bool paused;
    System* world = nullptr;
    Display* renderer = nullptr;

  private:
    void removeTrianglesOn(Link* link);
    void wireTriangle(Triangle* triangle, Link* ab, Link* ac, Link* bc);
    Link* findEdge(Atom* a, Atom* b);

    // Indexes over the global lists, so that adding or removing one record never
    // walks a whole list: the first atom and link of each iteration count and the
    // first triangle of each texture (where a sorted insertion lands), and the
    // triangles built on each link, with what orders them in the triangle list.
    // The triangles on one link, oldest first. Most links carry one or two:
    // those stay inline.
    struct OnLinks {
        Triangle* inlined[2] = {nullptr, nullptr};
        uint32_t count = 0;
        std::vector<Triangle*> more;
        Triangle*& at(uint32_t i) { return i < 2 ? inlined[i] : more[i - 2]; }
        void push(Triangle* t) {
            if (count < 2)
                inlined[count] = t;
            else
                more.push_back(t);
            ++count;
        }
        void eraseAt(uint32_t i) {
            for (; i + 1 < count; ++i) at(i) = at(i + 1);
            if (count > 2) more.pop_back();
            --count;
        }
    };
    std::map<int32_t, Atom*, std::greater<>> firstAtomWith;
    std::map<int32_t, Link*, std::greater<>> firstLinkWith;
    std::map<uint64_t, Triangle*> firstTriangleWith;
    PointerMap<Link, OnLinks> trianglesOn;
};
