#include "physics/atom.h"

Atom::Atom(float x, float y, float mass, float velocityX, float velocityY, float pushCarry,
           float radius)
    : x(x),
      y(y),
      prevX(x - velocityX),
      prevY(y - velocityY),
      pushCarry(pushCarry),
      radius(radius),
      mass(mass),
      invMass(1.0f / mass) {
    for (int g = 0; g < kGroupCount; ++g) collidesWith[g] = (g >= 1 && g <= 9) ? 1 : 0;
}

void Atom::linkAttached(Link*) {
    linkCount += 1;
    unlinked = false;
}

void Atom::linkDetached(Link*) {
    linkCount -= 1;
    if (linkCount == 0) unlinked = true;
}
