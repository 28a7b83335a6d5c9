#include "scene/triangle.h"

#include "physics/atom.h"

void Triangle::setCorners(Atom* a, Atom* b, Atom* c) {
    atomA = a;
    atomB = b;
    atomC = c;
    xOfA = &a->x;
    yOfA = &a->y;
    xOfB = &b->x;
    yOfB = &b->y;
    xOfC = &c->x;
    yOfC = &c->y;
}
