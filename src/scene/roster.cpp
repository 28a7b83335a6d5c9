#include "scene/roster.h"

#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"

Atom* Roster::addAtom(Atom* atom) {
    parent->addAtom(atom);
    atom->owner = this;
    atoms.pushFront(atom);
    return atom;
}

void Roster::addLink(Link* link) {
    parent->addLink(link);
    link->owner = this;
    links.pushFront(link);
}

void Roster::addTriangle(Triangle* triangle) {
    parent->addTriangle(triangle);
    triangle->owner = this;
    triangles.pushFront(triangle);
}

Texture* Roster::addTexture(Texture* texture) {
    textures.pushFront(texture);
    parent->addTexture(texture);
    return texture;
}

void Roster::removeAtom(Atom* atom) {
    parent->removeAtom(atom);
    removedAtoms += 1;
    atoms.removeValue(atom);
}

void Roster::removeLink(Link* link) {
    parent->removeLink(link);
    removedLinks += 1;
    links.removeValue(link);
}

void Roster::removeTriangle(Triangle* triangle) {
    parent->removeTriangle(triangle);
    removedTriangles += 1;
    triangles.removeValue(triangle);
}

void Junk::removeTriangle(Triangle* triangle) {
    Link* const edges[3] = {triangle->edgeAB, triangle->edgeAC, triangle->edgeBC};
    for (int i = 0; i < 3; ++i) {
        Link* edge = edges[i];
        // A triangle with two corners on one atom names the same link twice; it is
        // destroyed once.
        if (edge == nullptr || (i > 0 && edge == edges[0]) || (i > 1 && edge == edges[1])) continue;
        if (!edge->dying && edge->triangleCount == 0) destroyLink(edge);
    }
    Roster::removeTriangle(triangle);
}

void Junk::atomMoved(Atom* atom) {
    parent->atomMoved(atom);
    if (atom->linkCount < 2) atom->dead = true;
}
