// The simulation step. Every formula is evaluated in 32-bit float in the order
// written here; the build forbids contraction into fused multiply-adds, so a run
// gives the same bits on every compiler and platform.
#include <cmath>

#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"

void System::step() {
    if (paused) return;
    stepCount += 1;
    currentStamp += 1;

    CursorList<Atom>& atoms = game->atoms;
    CursorList<Link>& links = game->links;

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

void System::collideAtom(Atom* a) {
    // The pair row of the examining atom; every atom in the grid is registered, so
    // its id is in range.
    const std::size_t row = static_cast<std::size_t>(a->id) * kMaxAtoms;
    const uint8_t* accepts = a->collidesWith;
    for (int32_t dc = -1; dc <= 1; ++dc) {
        const GridCell* column = &cells[(a->cellX + dc) * kGridSide + a->cellY];
        for (int32_t dr = -1; dr <= 1; ++dr) {
            const GridCell& c = column[dr];
            if (c.stamp != currentStamp) continue;
            for (Atom* b = byId[c.first]; b != nullptr; b = b->nextInCell) {
                // Bits above the diagonal are never set (links restore only the
                // bit in the row of the larger id), so half the neighbours are
                // turned away without a look at the matrix.
                if (b->id >= a->id) continue;
                if (!pairs.testUnchecked(row + static_cast<std::size_t>(b->id))) continue;
                if (accepts[b->group] == 0) continue;
                // The distance test comes before the owners are asked. Their
                // answer is a pure query, so asking only for pairs in contact
                // resolves exactly the same pairs, and the many near misses of a
                // dense pile cost no calls up the tree.
                Contact contact;
                if (!touching(a, b, contact)) continue;
                if (!a->owner->mayCollide(a, b)) continue;
                if (!b->owner->mayCollide(b, a)) continue;
                resolveContact(a, b, contact);
            }
        }
    }
    if (a->kinematic) {
        a->x += a->kinematicStepX;
        a->y += a->kinematicStepY;
    }
}

bool System::touching(const Atom* a, const Atom* b, Contact& contact) {
    contact.r = b->radius + a->radius;
    contact.dx = a->x - b->x;
    contact.dy = a->y - b->y;
    contact.d2 = (contact.dx * contact.dx) + (contact.dy * contact.dy);
    if (contact.d2 < 0.05f) {
        contact.dx = 0;
        contact.dy = 1;
        contact.d2 = 1;
    }
    return !(contact.r * contact.r < contact.d2);
}

void System::resolveContact(Atom* a, Atom* b, const Contact& contact) {
    const float ratio = contact.r / std::sqrt(contact.d2);
    a->owner->onCollide(a, b, ratio);
    b->owner->onCollide(b, a, ratio);
    const float w = 1.0f / (b->invMass + a->invMass);
    const float px = w * (ratio * contact.dx - contact.dx);
    const float py = w * (ratio * contact.dy - contact.dy);
    a->pushX += px;
    a->pushY += py;
    b->pushX -= px;
    b->pushY -= py;
}

void System::applyPush(Atom* atom) {
    const float ax = atom->invMass * atom->pushX;
    const float ay = atom->invMass * atom->pushY;
    atom->x += ax;
    atom->y += ay;
    atom->prevX += atom->pushCarry * ax;
    atom->prevY += atom->pushCarry * ay;
    atom->pushX = 0;
    atom->pushY = 0;
    clampIntoWorld(atom);
    insertIntoGrid(atom);
}

void System::solveLink(Link* link) {
    Atom* a = link->atomA;
    Atom* b = link->atomB;
    const float dx = a->x - b->x;
    const float dy = a->y - b->y;
    const float length = std::sqrt((dx * dx) + (dy * dy));
    float ratio = link->restLength / length;
    // Written as "not within the limits" so that a ratio that is not a number
    // snaps the link instead of spreading into the positions.
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

void System::integrateAtom(Atom* atom) {
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
        clampIntoWorld(atom);
    }
    atom->owner->atomMoved(atom);
    insertIntoGrid(atom);
}
