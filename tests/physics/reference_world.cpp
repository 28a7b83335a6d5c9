#include "reference_world.h"

#include <cassert>
#include <cmath>

#include "scene/texture.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"

namespace {

std::size_t pairIndex(int32_t row, int32_t column) {
    return static_cast<std::size_t>(static_cast<int64_t>(row) * kMaxAtoms + column);
}

int32_t referenceCell(float scaled) {
    constexpr float kLast = static_cast<float>(kGridSide - 3);
    scaled = scaled > 0.0f ? scaled : 0.0f;
    scaled = scaled < kLast ? scaled : kLast;
    return static_cast<int32_t>(scaled) + 1;
}

bool textureBefore(const Texture* a, const Texture* b) {
    uint64_t sa = a != nullptr ? a->serial : 0;
    uint64_t sb = b != nullptr ? b->serial : 0;
    return sa < sb;
}

}  // namespace

void ReferenceSystem::step() {
    if (paused) return;
    stepCount += 1;
    currentStamp += 1;
    CursorList<Atom>& atoms = root->atoms;
    CursorList<Link>& links = root->links;

    atoms.rewind();
    while (Atom* atom = atoms.advance()) insertIntoGrid(atom);
    for (int32_t i = 0; i < maxIterations; ++i) {
        atoms.rewind();
        while (Atom* atom = atoms.advance()) {
            if (atom->iterations <= i) break;
            collideAtom(atom);
        }
        currentStamp += 1;
        atoms.rewind();
        while (Atom* atom = atoms.advance()) applyPush(atom);
        links.rewind();
        while (Link* link = links.advance()) {
            if (link->iterations <= i) break;
            solveLink(link);
        }
        currentStamp += 1;
        atoms.rewind();
        while (Atom* atom = atoms.advance()) applyPush(atom);
    }
    currentStamp += 1;
    atoms.rewind();
    while (Atom* atom = atoms.advance()) integrateAtom(atom);
}

void ReferenceSystem::collideAtom(Atom* a) {
    for (int32_t dc = -1; dc <= 1; ++dc) {
        for (int32_t dr = -1; dr <= 1; ++dr) {
            const GridCell& c = cells[(a->cellX + dc) * kGridSide + a->cellY + dr];
            if (c.stamp != currentStamp) continue;
            for (Atom* b = byId[c.first]; b != nullptr; b = b->nextInCell) {
                if (!pairs.test(pairIndex(a->id, b->id))) continue;
                if (a->collidesWith[b->group] == 0) continue;
                if (!a->owner->mayCollide(a, b)) continue;
                if (!b->owner->mayCollide(b, a)) continue;
                resolveContact(a, b);
            }
        }
    }
    if (a->kinematic) {
        a->x += a->kinematicStepX;
        a->y += a->kinematicStepY;
    }
}

void ReferenceSystem::resolveContact(Atom* a, Atom* b) {
    const float r = b->radius + a->radius;
    float dx = a->x - b->x;
    float dy = a->y - b->y;
    float d2 = (dx * dx) + (dy * dy);
    if (d2 < 0.05f) {
        dx = 0;
        dy = 1;
        d2 = 1;
    }
    if (r * r < d2) return;
    const float ratio = r / std::sqrt(d2);
    a->owner->onCollide(a, b, ratio);
    b->owner->onCollide(b, a, ratio);
    const float w = 1.0f / (b->invMass + a->invMass);
    const float px = w * (ratio * dx - dx);
    const float py = w * (ratio * dy - dy);
    a->pushX += px;
    a->pushY += py;
    b->pushX -= px;
    b->pushY -= py;
}

void ReferenceSystem::clamp(Atom* atom) {
    if (!(atom->x >= 0)) atom->x = 0;
    if (atom->x > width) atom->x = width;
    if (!(atom->y >= 0)) atom->y = 0;
    if (atom->y > height) atom->y = height;
}

void ReferenceSystem::applyPush(Atom* atom) {
    const float ax = atom->invMass * atom->pushX;
    const float ay = atom->invMass * atom->pushY;
    atom->x += ax;
    atom->y += ay;
    atom->prevX += atom->pushCarry * ax;
    atom->prevY += atom->pushCarry * ay;
    atom->pushX = 0;
    atom->pushY = 0;
    clamp(atom);
    insertIntoGrid(atom);
}

void ReferenceSystem::solveLink(Link* link) {
    Atom* a = link->atomA;
    Atom* b = link->atomB;
    const float dx = a->x - b->x;
    const float dy = a->y - b->y;
    const float length = std::sqrt((dx * dx) + (dy * dy));
    float ratio = link->restLength / length;
    if (!(ratio >= link->minRatio && ratio <= link->maxRatio)) {
        destroyLink(link);
        return;
    }
    if (ratio > 100) ratio = 100;
    const float k = link->stiffness * (1.0f / (b->invMass + a->invMass));
    const float px = k * (ratio * dx - dx);
    const float py = k * (ratio * dy - dy);
    a->pushX += px;
    a->pushY += py;
    b->pushX -= px;
    b->pushY -= py;
}

void ReferenceSystem::integrateAtom(Atom* atom) {
    if (atom->dead) {
        atom->owner->removeAtom(atom);
        delete atom;
        return;
    }
    if (atom->kinematic) {
        atom->savedX = atom->prevX;
        atom->savedY = atom->prevY;
        atom->kinematicStepX = (atom->x - atom->prevX) * atom->invIterations;
        atom->kinematicStepY = (atom->y - atom->prevY) * atom->invIterations;
        atom->prevX = atom->x;
        atom->prevY = atom->y;
    } else {
        const float newX = (2 * atom->x) - atom->prevX;
        atom->prevX = atom->x;
        atom->x = newX;
        const float newY = ((2 * atom->y) - atom->prevY) + gravity;
        atom->prevY = atom->y;
        atom->y = newY;
        clamp(atom);
    }
    atom->owner->atomMoved(atom);
    insertIntoGrid(atom);
}

void ReferenceSystem::insertIntoGrid(Atom* atom) {
    atom->cellX = referenceCell(scaleX * atom->x);
    atom->cellY = referenceCell(scaleY * atom->y);
    GridCell& c = cells[atom->cellX * kGridSide + atom->cellY];
    const uint32_t id = static_cast<uint32_t>(atom->id);
    if (c.stamp == currentStamp) {
        byId[c.last]->nextInCell = atom;
        c.last = id;
    } else {
        c.first = id;
        c.stamp = currentStamp;
        c.last = id;
    }
    atom->nextInCell = nullptr;
}

void ReferenceSystem::registerAtom(Atom* atom) {
    int32_t id = 0;
    while (id < kMaxAtoms && ids.test(static_cast<std::size_t>(id))) ++id;
    if (id >= kMaxAtoms) IdPool::outOfRange();
    atom->id = id;
    atom->world = this;
    clamp(atom);
    atom->owner = nullptr;
    ids.set(static_cast<std::size_t>(id));
    byId[id] = atom;
    ++usedIds;
    insertIntoGrid(atom);
    pairs.reset(pairIndex(id, id));
    if (atom->iterations > maxIterations) maxIterations = atom->iterations;
}

void ReferenceSystem::registerLink(Link* link) {
    pairs.reset(pairIndex(link->atomA->id, link->atomB->id));
    pairs.reset(pairIndex(link->atomB->id, link->atomA->id));
}

void ReferenceSystem::unregisterAtom(Atom* atom) {
    CursorList<Link>& links = root->links;
    links.rewind();
    while (Link* link = links.advance()) {
        if (link->atomA == atom || link->atomB == atom) destroyLink(link);
    }
    unlink(atom);
    ids.reset(static_cast<std::size_t>(atom->id));
    byId[atom->id] = nullptr;
    --usedIds;
}

void ReferenceSystem::unlink(Atom* atom) {
    GridCell& c = cells[atom->cellX * kGridSide + atom->cellY];
    if (c.stamp != currentStamp) return;
    Atom* previous = nullptr;
    for (Atom* a = byId[c.first]; a != nullptr; previous = a, a = a->nextInCell) {
        if (a != atom) continue;
        if (previous != nullptr)
            previous->nextInCell = atom->nextInCell;
        else if (atom->nextInCell != nullptr)
            c.first = static_cast<uint32_t>(atom->nextInCell->id);
        else
            c.stamp = currentStamp - 1;
        if (c.last == static_cast<uint32_t>(atom->id) && previous != nullptr)
            c.last = static_cast<uint32_t>(previous->id);
        return;
    }
}

void ReferenceSystem::unregisterLink(Link* link) {
    if (!link->restoresCollision) return;
    const int32_t a = link->atomA->id;
    const int32_t b = link->atomB->id;
    if (b < a)
        pairs.set(pairIndex(a, b));
    else
        pairs.set(pairIndex(b, a));
}

Atom* ReferenceGame::addAtom(Atom* atom) {
    atoms.rewind();
    for (Atom* a = atoms.advance(); a != nullptr && a->iterations > atom->iterations;)
        a = atoms.advance();
    atoms.insertAtCursor(atom);
    world->registerAtom(atom);
    atom->owner = this;
    return atom;
}

void ReferenceGame::addLink(Link* link) {
    links.rewind();
    for (Link* l = links.advance(); l != nullptr && l->iterations > link->iterations;)
        l = links.advance();
    links.insertAtCursor(link);
    world->registerLink(link);
    link->owner = this;
}

Link* ReferenceGame::findEdgeByWalk(Atom* a, Atom* b) {
    links.rewind();
    while (Link* l = links.advance()) {
        if ((l->atomA == a && l->atomB == b) || (l->atomA == b && l->atomB == a)) return l;
    }
    return nullptr;
}

void ReferenceGame::addTriangle(Triangle* triangle) {
    triangles.rewind();
    for (Triangle* t = triangles.advance();
         t != nullptr && textureBefore(t->texture, triangle->texture);)
        t = triangles.advance();
    triangles.insertAtCursor(triangle);
    triangle->edgeAB = findEdgeByWalk(triangle->atomA, triangle->atomB);
    triangle->edgeAC = findEdgeByWalk(triangle->atomA, triangle->atomC);
    triangle->edgeBC = findEdgeByWalk(triangle->atomB, triangle->atomC);
    for (Link* edge : {triangle->edgeAB, triangle->edgeAC, triangle->edgeBC})
        if (edge != nullptr) edge->triangleAttached(triangle);
    triangle->owner = this;
}

void ReferenceGame::removeAtom(Atom* atom) {
    world->unregisterAtom(atom);
    atoms.removeValue(atom);
    removedAtoms += 1;
}

void ReferenceGame::removeLink(Link* link) {
    world->unregisterLink(link);
    removeTrianglesByScan(link);
    links.removeValue(link);
    removedLinks += 1;
}

void ReferenceGame::removeTrianglesByScan(Link* link) {
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

void ReferenceGame::removeTriangle(Triangle* triangle) {
    triangles.removeValue(triangle);
    removedTriangles += 1;
}
