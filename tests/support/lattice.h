#pragma once

#include <cmath>
#include <vector>

#include "scene/texture.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "scene/roster.h"

// Each neighbour pair of a columns × rows lattice, across and down and both
// diagonals, in the order the pinned worlds were built.
template <class At, class LinkPair>
void linkLattice(int columns, int rows, At at, LinkPair link) {
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c + 1 < columns) link(at(c, r), at(c + 1, r));
            if (r + 1 < rows) link(at(c, r), at(c, r + 1));
            if (c + 1 < columns && r + 1 < rows) {
                link(at(c, r), at(c + 1, r + 1));
                link(at(c + 1, r), at(c, r + 1));
            }
        }
    }
}

// Builds a rectangular soft body straight into a piece: columns × rows atoms at
// `spacing`, structural and diagonal links, two triangles per cell. The records
// reach the piece in the loader's order (atoms, links, triangles).
inline void buildLattice(Junk& piece, Texture* texture, float originX, float originY, int columns,
                         int rows, float spacing, int32_t iterations = 3, float stiffness = 0.2f,
                         float minRatio = 0.8f, float maxRatio = 1.2f) {
    std::vector<Atom*> grid(static_cast<size_t>(columns * rows));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            Atom* a = new Atom(0, 0, 1, 0, 0, 0.1f, 5);
            a->x = a->prevX = originX + spacing * static_cast<float>(c);
            a->y = a->prevY = originY + spacing * static_cast<float>(r);
            a->iterations = iterations;
            a->invIterations = 1.0f / static_cast<float>(iterations);
            piece.adoptAtom(a);
            grid[static_cast<size_t>(r * columns + c)] = a;
        }
    }
    auto at = [&](int c, int r) { return grid[static_cast<size_t>(r * columns + c)]; };
    auto link = [&](Atom* a, Atom* b) {
        Link* l = new Link;
        l->atomA = a;
        l->atomB = b;
        const float dx = a->x - b->x, dy = a->y - b->y;
        l->restLength = std::sqrt((dx * dx) + (dy * dy));
        l->minRatio = minRatio;
        l->maxRatio = maxRatio;
        l->stiffness = stiffness;
        l->iterations = iterations;
        l->visible = false;
        a->linkAttached(l);
        b->linkAttached(l);
        piece.adoptLink(l);
    };
    linkLattice(columns, rows, at, link);
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            Atom* corners[2][3] = {{at(c, r), at(c + 1, r), at(c + 1, r + 1)},
                                   {at(c, r), at(c + 1, r + 1), at(c, r + 1)}};
            for (auto& k : corners) {
                Triangle* t = new Triangle;
                t->setCorners(k[0], k[1], k[2]);
                t->sA = 0, t->tA = 0, t->sB = 1, t->tB = 0, t->sC = 1, t->tC = 1;
                t->texture = texture;
                piece.addTriangle(t);
            }
        }
    }
}
