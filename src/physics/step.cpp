// The simulation step. Every formula is evaluated in 32-bit float in the order
// written here; the build forbids contraction into fused multiply-adds, so a run
// gives the same bits on every compiler and platform.
//
// The atom and link records stay the world's storage: the loader, the drawing and
// anything that moves atoms between steps read and write them. A step copies what
// it needs into arrays in the root's list order, works on those, and writes the
// results back as it integrates. Within a step the set of atoms is fixed until
// the integration pass, so every grid pass would chain each cell's atoms in list
// order: the step sorts the atoms by cell instead (list order kept within a cell)
// and the neighbour search reads each column of three cells as one run. Pairs are
// taken in exactly the order of the chained grid, and every push is summed in the
// same order, so the results are the same to the bit.
#include <cmath>

#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"

namespace {

template <typename V>
void fit(V& v, std::size_t n) {
    if (v.size() != n) v.resize(n);
}

}  // namespace

void System::step() {
    if (paused) return;
    stepCount += 1;
    currentStamp += 1;
    inStep = true;
    gather();
    sortIntoCells();

    for (int32_t i = 0; i < maxIterations; ++i) {
        int32_t examining = 0;
        const int32_t n = static_cast<int32_t>(atoms.record.size());
        while (examining < n && atoms.iterations[examining] > i) ++examining;
        collide(examining);
        currentStamp += 1;
        pushPass();
        linkPass(i);
        currentStamp += 1;
        pushPass();
    }

    currentStamp += 1;
    integrate();
    inStep = false;
}

void System::gather() {
    Atoms& a = atoms;
    a.record.clear();
    game->atoms.forEach([&](Atom* atom) { a.record.push_back(atom); });
    const std::size_t n = a.record.size();
    for (auto* v : {&a.x, &a.y, &a.prevX, &a.prevY, &a.pushX, &a.pushY, &a.invMass, &a.pushCarry})
        fit(*v, n);
    fit(a.iterations, n);
    fit(a.cell, n);
    for (std::size_t k = 0; k < n; ++k) {
        const Atom* atom = a.record[k];
        a.x[k] = atom->x;
        a.y[k] = atom->y;
        a.prevX[k] = atom->prevX;
        a.prevY[k] = atom->prevY;
        a.pushX[k] = atom->pushX;
        a.pushY[k] = atom->pushY;
        a.invMass[k] = atom->invMass;
        a.pushCarry[k] = atom->pushCarry;
        a.iterations[k] = atom->iterations;
        a.cell[k] = cellIndex(scaleX * atom->x) * kGridSide + cellIndex(scaleY * atom->y);
        slotOfId[static_cast<std::size_t>(atom->id)] = static_cast<int32_t>(k);
    }
    cellsMoved = true;

    Links& l = links;
    l.record.clear();
    game->links.forEach([&](Link* link) { l.record.push_back(link); });
    const std::size_t m = l.record.size();
    for (auto* v : {&l.a, &l.b, &l.iterations}) fit(*v, m);
    for (auto* v : {&l.restLength, &l.minRatio, &l.maxRatio, &l.stiffness}) fit(*v, m);
    fit(l.gone, m);
    for (std::size_t k = 0; k < m; ++k) {
        Link* link = l.record[k];
        link->slot = static_cast<int32_t>(k);
        l.a[k] = slotOfId[static_cast<std::size_t>(link->atomA->id)];
        l.b[k] = slotOfId[static_cast<std::size_t>(link->atomB->id)];
        l.iterations[k] = link->iterations;
        l.restLength[k] = link->restLength;
        l.minRatio[k] = link->minRatio;
        l.maxRatio[k] = link->maxRatio;
        l.stiffness[k] = link->stiffness;
        l.gone[k] = 0;
    }
}

// A counting sort over the box of cells the atoms occupy, with one cell of margin
// all round for the 3 by 3 search.
void System::sortIntoCells() {
    Sorted& s = sorted;
    const std::size_t n = atoms.record.size();
    if (!cellsMoved) {
        for (std::size_t j = 0; j < n; ++j) {
            const int32_t k = s.slot[j];
            s.x[j] = atoms.x[k];
            s.y[j] = atoms.y[k];
        }
        return;
    }
    cellsMoved = false;
    int32_t minColumn = kGridSide, maxColumn = 0, minRow = kGridSide, maxRow = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const int32_t column = atoms.cell[k] / kGridSide;
        const int32_t row = atoms.cell[k] % kGridSide;
        minColumn = column < minColumn ? column : minColumn;
        maxColumn = column > maxColumn ? column : maxColumn;
        minRow = row < minRow ? row : minRow;
        maxRow = row > maxRow ? row : maxRow;
    }
    if (n == 0) minColumn = maxColumn = minRow = maxRow = 1;
    s.column0 = minColumn - 1;
    s.row0 = minRow - 1;
    s.rows = maxRow - minRow + 3;
    const int32_t columns = maxColumn - minColumn + 3;
    const std::size_t boxCells =
        static_cast<std::size_t>(columns) * static_cast<std::size_t>(s.rows);
    s.start.assign(boxCells + 1, 0);
    fit(s.key, n);
    for (std::size_t k = 0; k < n; ++k) {
        const int32_t column = atoms.cell[k] / kGridSide - s.column0;
        const int32_t row = atoms.cell[k] % kGridSide - s.row0;
        s.key[k] = column * s.rows + row;
        s.start[static_cast<std::size_t>(s.key[k]) + 1] += 1;
    }
    for (std::size_t c = 0; c < boxCells; ++c) s.start[c + 1] += s.start[c];
    fit(s.slot, n);
    fit(s.at, n);
    fit(s.x, n);
    fit(s.y, n);
    fit(s.radius, n);
    fit(s.id, n);
    // Filling from each cell's start in list order keeps list order within a cell.
    std::vector<int32_t>& fill = s.fill;
    fill.assign(s.start.begin(), s.start.end() - 1);
    for (std::size_t k = 0; k < n; ++k) {
        const int32_t j = fill[static_cast<std::size_t>(s.key[k])]++;
        s.slot[j] = static_cast<int32_t>(k);
        s.at[k] = j;
        const Atom* atom = atoms.record[k];
        s.x[j] = atoms.x[k];
        s.y[j] = atoms.y[k];
        s.radius[j] = atom->radius;
        s.id[j] = atom->id;
    }
}

void System::collide(int32_t examining) {
    Sorted& s = sorted;
    Atoms& at = atoms;
    for (int32_t k = 0; k < examining; ++k) {
        Atom* a = at.record[k];
        const float ax = at.x[k];
        const float ay = at.y[k];
        const float ar = a->radius;
        const int32_t aid = a->id;
        const std::size_t row = static_cast<std::size_t>(aid) * kMaxAtoms;
        // Columns -1, 0, +1; in each, rows -1, 0, +1 are adjacent in the sort.
        for (int32_t dc = -1; dc <= 1; ++dc) {
            const int32_t centre = s.key[k] + dc * s.rows;
            const int32_t end = s.start[centre + 2];
            for (int32_t j = s.start[centre - 1]; j < end; ++j) {
                // Bits above the diagonal are never set (links restore only the bit
                // in the row of the larger id), so half the neighbours are turned
                // away without a look at the matrix.
                if (s.id[j] > aid) continue;
                float dx = ax - s.x[j];
                float dy = ay - s.y[j];
                float d2 = (dx * dx) + (dy * dy);
                const float r = s.radius[j] + ar;
                if (d2 < 0.05f) {
                    dx = 0;
                    dy = 1;
                    d2 = 1;
                }
                if (r * r < d2) continue;
                // The owners are asked only about pairs in contact: their answer is
                // a pure query, so the same pairs are resolved, and the near misses
                // of a dense pile cost no calls up the tree.
                if (!pairs.testUnchecked(row + static_cast<std::size_t>(s.id[j]))) continue;
                const int32_t kb = s.slot[j];
                Atom* b = at.record[kb];
                if (a->collidesWith[b->group] == 0) continue;
                if (!a->owner->mayCollide(a, b)) continue;
                if (!b->owner->mayCollide(b, a)) continue;
                const float ratio = r / std::sqrt(d2);
                a->owner->onCollide(a, b, ratio);
                b->owner->onCollide(b, a, ratio);
                const float w = 1.0f / (at.invMass[kb] + at.invMass[k]);
                const float px = w * (ratio * dx - dx);
                const float py = w * (ratio * dy - dy);
                at.pushX[k] += px;
                at.pushY[k] += py;
                at.pushX[kb] -= px;
                at.pushY[kb] -= py;
            }
        }
        if (a->kinematic) {
            at.x[k] += a->kinematicStepX;
            at.y[k] += a->kinematicStepY;
            a->x = at.x[k];
            a->y = at.y[k];
            s.x[s.at[k]] = at.x[k];
            s.y[s.at[k]] = at.y[k];
        }
    }
}

void System::pushPass() {
    Atoms& a = atoms;
    const std::size_t n = a.record.size();
    bool moved = false;
    for (std::size_t k = 0; k < n; ++k) {
        const float ax = a.invMass[k] * a.pushX[k];
        const float ay = a.invMass[k] * a.pushY[k];
        float x = a.x[k] + ax;
        float y = a.y[k] + ay;
        a.prevX[k] += a.pushCarry[k] * ax;
        a.prevY[k] += a.pushCarry[k] * ay;
        a.pushX[k] = 0;
        a.pushY[k] = 0;
        // A coordinate that is not a number fails every comparison; it goes to 0
        // so that no cell index is ever computed from it.
        if (!(x >= 0)) x = 0;
        if (x > width) x = width;
        if (!(y >= 0)) y = 0;
        if (y > height) y = height;
        a.x[k] = x;
        a.y[k] = y;
        const int32_t cell = cellIndex(scaleX * x) * kGridSide + cellIndex(scaleY * y);
        moved |= cell != a.cell[k];
        a.cell[k] = cell;
    }
    cellsMoved |= moved;
    sortIntoCells();
}

void System::linkPass(int32_t iteration) {
    Links& l = links;
    Atoms& at = atoms;
    const std::size_t m = l.record.size();
    bool positionsShown = false;
    for (std::size_t k = 0; k < m; ++k) {
        if (l.gone[k]) continue;
        if (l.iterations[k] <= iteration) break;
        const int32_t a = l.a[k];
        const int32_t b = l.b[k];
        const float dx = at.x[a] - at.x[b];
        const float dy = at.y[a] - at.y[b];
        const float length = std::sqrt((dx * dx) + (dy * dy));
        float ratio = l.restLength[k] / length;
        // Written as "not within the limits" so that a ratio that is not a number
        // snaps the link instead of spreading into the positions.
        if (!(ratio >= l.minRatio[k] && ratio <= l.maxRatio[k])) {
            // The removal runs through the tree, which may look at the records.
            if (!positionsShown) {
                for (std::size_t j = 0; j < at.record.size(); ++j) {
                    at.record[j]->x = at.x[j];
                    at.record[j]->y = at.y[j];
                }
                positionsShown = true;
            }
            Link* link = l.record[k];
            l.gone[k] = 1;
            destroyLink(link);
            continue;
        }
        if (ratio > 100) ratio = 100;
        const float s = l.stiffness[k] * (1.0f / (at.invMass[b] + at.invMass[a]));
        const float px = s * (ratio * dx - dx);
        const float py = s * (ratio * dy - dy);
        at.pushX[a] += px;
        at.pushY[a] += py;
        at.pushX[b] -= px;
        at.pushY[b] -= py;
    }
}

void System::integrate() {
    Atoms& a = atoms;
    const std::size_t n = a.record.size();
    for (std::size_t k = 0; k < n; ++k) {
        Atom* atom = a.record[k];
        if (atom == nullptr) continue;  // already removed by an owner's cascade
        atom->x = a.x[k];
        atom->y = a.y[k];
        atom->prevX = a.prevX[k];
        atom->prevY = a.prevY[k];
        atom->pushX = a.pushX[k];
        atom->pushY = a.pushY[k];
        integrateAtom(atom);
    }
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
