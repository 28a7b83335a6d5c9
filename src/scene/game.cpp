#include "scene/game.h"

#include <vector>

#include "scene/address_order.h"
#include "scene/texture.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/display.h"

Game::Game() : Roster(nullptr) {
    frameSkip = 1;
    for (auto& k : keys) k = 0;
    quitRequested = false;
    parent = nullptr;
    paused = false;
    leftButton = false;
    rightButton = false;
}

namespace {

uint64_t textureKey(const Texture* t) {
    return t != nullptr ? t->serial : 0;
}

// Sorted insertion: the cursor goes where a walk from the head would stop (the
// first record of the first group not to stay ahead), found through the index;
// the walk itself is the fallback if the index does not know the record.
template <typename T, typename Map, typename Ahead>
void insertSorted(CursorList<T>& list, Map& firstWith, typename Map::key_type key, T* value,
                  Ahead staysAhead) {
    auto group = firstWith.lower_bound(key);
    if (!list.placeCursorAt(group != firstWith.end() ? group->second : nullptr)) {
        list.rewind();
        for (T* v = list.advance(); v != nullptr && staysAhead(v);) v = list.advance();
    }
    list.insertAtCursor(value);
    firstWith[key] = value;  // newest first within its group
}

// Before a record leaves: if it opened its group, the next one of the group does.
template <typename T, typename Map, typename Key>
void leaveGroup(CursorList<T>& list, Map& firstWith, typename Map::key_type key, T* value,
                Key keyOf) {
    auto group = firstWith.find(key);
    if (group == firstWith.end() || group->second != value) return;
    T* next = list.nextOf(value);
    if (next != nullptr && keyOf(next) == key)
        group->second = next;
    else
        firstWith.erase(group);
}

}  // namespace

Atom* Game::addAtom(Atom* atom) {
    insertSorted(atoms, firstAtomWith, atom->iterations, atom,
                 [&](const Atom* a) { return a->iterations > atom->iterations; });
    world->registerAtom(atom);
    atom->owner = this;
    return atom;
}

void Game::restoreAtom(Atom* atom, int32_t id) {
    insertSorted(atoms, firstAtomWith, atom->iterations, atom,
                 [&](const Atom* a) { return a->iterations > atom->iterations; });
    world->registerAtomAs(atom, id);
    atom->owner = this;
}

void Game::restoreLink(Link* link) {
    Game::addLink(link);
}

void Game::addLink(Link* link) {
    insertSorted(links, firstLinkWith, link->iterations, link,
                 [&](const Link* l) { return l->iterations > link->iterations; });
    world->registerLink(link);
    link->owner = this;
}

// The first link of the list joining the two atoms, in either order.
Link* Game::findEdge(Atom* a, Atom* b) {
    Link* edge = nullptr;
    for (Link* l : world->linksOf(a)) {
        if ((l->atomA == a && l->atomB == b) || (l->atomA == b && l->atomB == a))
            if (edge == nullptr || listedBefore(l, edge)) edge = l;
    }
    return edge;
}

void Game::addTriangle(Triangle* triangle) {
    wireTriangle(triangle, findEdge(triangle->atomA, triangle->atomB),
                 findEdge(triangle->atomA, triangle->atomC),
                 findEdge(triangle->atomB, triangle->atomC));
}

void Game::restoreTriangle(Triangle* triangle, Link* ab, Link* ac, Link* bc) {
    wireTriangle(triangle, ab, ac, bc);
}

void Game::wireTriangle(Triangle* triangle, Link* ab, Link* ac, Link* bc) {
    const uint64_t texture = textureKey(triangle->texture);
    insertSorted(triangles, firstTriangleWith, texture, triangle,
                 [&](const Triangle* t) { return textureKey(t->texture) < texture; });

    triangle->edgeAB = ab;
    triangle->edgeAC = ac;
    triangle->edgeBC = bc;
    for (Link* edge : {triangle->edgeAB, triangle->edgeAC, triangle->edgeBC})
        if (edge != nullptr) edge->triangleAttached(triangle);
    Link* const edges[3] = {triangle->edgeAB, triangle->edgeAC, triangle->edgeBC};
    for (int i = 0; i < 3; ++i) {
        if (edges[i] == nullptr || (i > 0 && edges[i] == edges[0]) ||
            (i > 1 && edges[i] == edges[1]))
            continue;
        trianglesOn[edges[i]].push(triangle);
    }
    triangle->owner = this;
}

Texture* Game::addTexture(Texture* texture) {
    return texture;
}

void Game::removeAtom(Atom* atom) {
    world->unregisterAtom(atom);
    leaveGroup(atoms, firstAtomWith, atom->iterations, atom,
               [](const Atom* a) { return a->iterations; });
    atoms.removeValue(atom);
    removedAtoms += 1;
}

void Game::removeLink(Link* link) {
    world->unregisterLink(link);
    removeTrianglesOn(link);
    trianglesOn.erase(link);
    leaveGroup(links, firstLinkWith, link->iterations, link,
               [](const Link* l) { return l->iterations; });
    links.removeValue(link);
    removedLinks += 1;
}

// Takes the triangles on the link in the order of the triangle list, the first
// that is not already being removed each time: a removal can cascade into others.
void Game::removeTrianglesOn(Link* link) {
    for (;;) {
        OnLinks* on = trianglesOn.find(link);
        if (on == nullptr) return;
        // The list stands in the triangle list's order: texture first, and the
        // newer of two with the same texture (the later one here) ahead.
        Triangle* t = nullptr;
        uint64_t texture = 0;
        for (uint32_t i = 0; i < on->count; ++i) {
            Triangle* e = on->at(i);
            if (e->dying) continue;
            const uint64_t key = textureKey(e->texture);
            if (t == nullptr || key <= texture) {
                t = e;
                texture = key;
            }
        }
        if (t == nullptr) return;
        t->dying = true;
        for (Link* edge : {t->edgeAB, t->edgeAC, t->edgeBC})
            if (edge != nullptr) edge->triangleDetached(t);
        t->owner->removeTriangle(t);
        delete t;
    }
}

void Game::removeTriangle(Triangle* triangle) {
    leaveGroup(triangles, firstTriangleWith, textureKey(triangle->texture), triangle,
               [](const Triangle* t) { return textureKey(t->texture); });
    triangles.removeValue(triangle);
    // The edges may be gone already (the triangle went with one of them); only
    // their addresses are used, as keys.
    for (const Link* edge : {triangle->edgeAB, triangle->edgeAC, triangle->edgeBC}) {
        OnLinks* on = trianglesOn.find(edge);
        if (on == nullptr) continue;
        for (uint32_t i = 0; i < on->count; ++i) {
            if (on->at(i) == triangle) {
                on->eraseAt(i);
                break;
            }
        }
        if (on->count == 0) trianglesOn.erase(edge);
    }
    removedTriangles += 1;
}

namespace {

template <typename T>
void freeAll(CursorList<T>& list) {
    std::vector<T*> records;
    records.reserve(static_cast<std::size_t>(list.count));
    list.takeAll(records);
    sortByAddress(records);
    for (T* record : records) delete record;
}

}  // namespace

void Game::dropAll() {
    world->unregisterAll();
    removedAtoms += atoms.count;
    removedLinks += links.count;
    removedTriangles += triangles.count;
    freeAll(triangles);
    freeAll(links);
    freeAll(atoms);
    firstAtomWith.clear();
    firstLinkWith.clear();
    firstTriangleWith.clear();
    trianglesOn.clear();
}

bool Game::mayCollide(Atom*, Atom*) {
    return true;
}

void Game::onCollide(Atom*, Atom*, float) {}

void Game::tick() {
    if (paused) return;
    children.rewind();
    while (Object* child = children.advance()) child->tick();
    world->step();
    if (world->stepCount % frameSkip == 0 && renderer != nullptr) renderer->drawFrame();
}

void Game::listAtoms(std::vector<Atom*>& out) {
    atoms.forEach([&](Atom* atom) { out.push_back(atom); });
}

void Game::listLinks(std::vector<Link*>& out) {
    links.forEach([&](Link* link) { out.push_back(link); });
}

void Game::keyDown(int32_t key) {
    if (key >= 0 && key < 256) keys[key] = 1;
}

void Game::keyUp(int32_t key) {
    if (key >= 0 && key < 256) keys[key] = 0;
}

void Game::mouseMove(int32_t x, int32_t y) {
    mouseX = static_cast<float>(x);
    int32_t height = renderer != nullptr ? renderer->height : 0;
    mouseY = static_cast<float>(height - y);
}

void Game::leftButtonDown() {
    leftButton = true;
}
void Game::leftButtonUp() {
    leftButton = false;
}
void Game::rightButtonDown() {
    rightButton = true;
}
void Game::rightButtonUp() {
    rightButton = false;
}
void Game::middleButtonDown() {
    middleButton = true;
}
void Game::middleButtonUp() {
    middleButton = false;
}
void Game::mouseWheel(int32_t) {}
void Game::applyView() {}
