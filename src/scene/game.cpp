#include "scene/game.h"

#include "scene/texture.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/display.h"

namespace {

bool textureBefore(const Texture* a, const Texture* b) {
    uint64_t sa = a != nullptr ? a->serial : 0;
    uint64_t sb = b != nullptr ? b->serial : 0;
    return sa < sb;
}

}  // namespace

Game::Game() : Roster(nullptr) {
    frameSkip = 1;
    for (auto& k : keys) k = 0;
    quitRequested = false;
    parent = nullptr;
    paused = false;
    leftButton = false;
    rightButton = false;
}

Atom* Game::addAtom(Atom* atom) {
    atoms.rewind();
    for (Atom* a = atoms.advance(); a != nullptr && a->iterations > atom->iterations;)
        a = atoms.advance();
    atoms.insertAtCursor(atom);
    world->registerAtom(atom);
    atom->owner = this;
    return atom;
}

void Game::addLink(Link* link) {
    links.rewind();
    for (Link* l = links.advance(); l != nullptr && l->iterations > link->iterations;)
        l = links.advance();
    links.insertAtCursor(link);
    world->registerLink(link);
    link->owner = this;
}

Link* Game::findEdge(Atom* a, Atom* b) {
    links.rewind();
    while (Link* l = links.advance()) {
        if ((l->atomA == a && l->atomB == b) || (l->atomA == b && l->atomB == a)) return l;
    }
    return nullptr;
}

void Game::addTriangle(Triangle* triangle) {
    triangles.rewind();
    for (Triangle* t = triangles.advance();
         t != nullptr && textureBefore(t->texture, triangle->texture);)
        t = triangles.advance();
    triangles.insertAtCursor(triangle);

    triangle->edgeAB = findEdge(triangle->atomA, triangle->atomB);
    triangle->edgeAC = findEdge(triangle->atomA, triangle->atomC);
    triangle->edgeBC = findEdge(triangle->atomB, triangle->atomC);
    for (Link* edge : {triangle->edgeAB, triangle->edgeAC, triangle->edgeBC})
        if (edge != nullptr) edge->triangleAttached(triangle);
    triangle->owner = this;
}

Texture* Game::addTexture(Texture* texture) {
    return texture;
}

Object* Game::addListener(Object* listener) {
    listener->listenerMark = -99;
    listeners.pushFront(listener);
    return listener;
}

void Game::removeAtom(Atom* atom) {
    world->unregisterAtom(atom);
    atoms.removeValue(atom);
    removedAtoms += 1;
}

void Game::removeLink(Link* link) {
    world->unregisterLink(link);
    removeTrianglesOn(link);
    links.removeValue(link);
    removedLinks += 1;
}

void Game::removeTrianglesOn(Link* link) {
    triangles.rewind();
    while (Triangle* t = triangles.advance()) {
        if ((t->edgeAB == link || t->edgeAC == link || t->edgeBC == link) && !t->dying) {
            t->dying = true;
            for (Link* edge : {t->edgeAB, t->edgeAC, t->edgeBC})
                if (edge != nullptr) edge->triangleDetached(t);
            t->owner->removeTriangle(t);
            delete t;
            triangles.rewind();
        }
    }
}

void Game::removeTriangle(Triangle* triangle) {
    triangles.removeValue(triangle);
    removedTriangles += 1;
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

void Game::atomMoved(Atom* atom) {
    listeners.rewind();
    while (Object* listener = listeners.advance()) listener->atomMoved(atom);
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
