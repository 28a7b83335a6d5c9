// The simulation step. Every formula is evaluated in 32-bit float in the order
// written here; the build forbids contraction into fused multiply-adds, so a run
// gives the same bits on every compiler and platform.
//
// The atom and link records stay the world's storage: the loader, the drawing and
// anything that moves atoms between steps read and write them. A step copies what
// it needs into arrays in the root's list order, works on those, and writes the
// results back as it integrates. Within a step the set of atoms is fixed until
// the integration pass: the step sorts the atoms by cell (list order kept within
// a cell) and the neighbour search reads each column of three cells as one run.
// Pairs are taken in that order and every push is summed in list order, which is
// what fixes the results to the bit.
#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "physics/world_host.h"

namespace {

template <typename V>
void fit(V& v, std::size_t n) {
    if (v.size() != n) v.resize(n);
}

// Room after the last atom for the neighbour search, which reads four at a time.
constexpr std::size_t kPad = 4;

}  // namespace

void System::step() {
    if (paused) return;
    stepCount += 1;
    inStep = true;
    gather();

    for (int32_t i = 0; i < maxIterations; ++i) {
        int32_t examining = 0;
        const int32_t n = static_cast<int32_t>(atoms.record.size());
        while (examining < n && atoms.iterations[examining] > i) ++examining;
        // Only a collision pass reads the sort.
        sortIntoCells();
        collide(examining);
        pushPass();
        linkPass(i);
        pushPass();
    }

    integrate();
    inStep = false;
}

// What may change between steps (positions, the kinematic state, the inverse
// mass) is read from the records every step; the order, the links and the fields
// nothing changes after registration only when the lists have changed.
void System::gather() {
    Atoms& a = atoms;
    const bool relist = gatheredVersion != layoutVersion;
    if (relist) {
        a.record.clear();
        game->listAtoms(a.record);
        gatherFixed();
    }
    const std::size_t n = a.record.size();
    bool massChanged = relist;
    for (std::size_t k = 0; k < n; ++k) {
        const Atom* atom = a.record[k];
        a.x[k] = atom->x;
        a.y[k] = atom->y;
        a.prevX[k] = atom->prevX;
        a.prevY[k] = atom->prevY;
        a.pushX[k] = atom->pushX;
        a.pushY[k] = atom->pushY;
        massChanged |= a.invMass[k] != atom->invMass;
        a.invMass[k] = atom->invMass;
        a.kinematic[k] = atom->kinematic;
    }
    placeBox();
    if (relist) {
        gatherLinks();
        listLinkedPartners();
    }
    if (massChanged) {
        Links& l = links;
        for (std::size_t k = 0; k < l.record.size(); ++k)
            l.share[k] = l.record[k]->stiffness * (1.0f / (a.invMass[l.b[k]] + a.invMass[l.a[k]]));
    }
    std::fill(links.gone.begin(), links.gone.end(), 0);
    gatheredVersion = layoutVersion;
}

void System::gatherFixed() {
    Atoms& a = atoms;
    const std::size_t n = a.record.size();
    for (auto* v :
         {&a.x, &a.y, &a.prevX, &a.prevY, &a.pushX, &a.pushY, &a.invMass, &a.pushCarry, &a.radius})
        fit(*v, n);
    fit(a.id, n);
    fit(a.iterations, n);
    fit(a.key, n);
    fit(a.kinematic, n);
    fit(a.group, n);
    fit(a.accepts, n);
    fit(a.owner, n);
    fit(a.hears, n);
    const WorldHost* lastOwner = nullptr;
    bool lastHears = true;
    anyHears = false;
    for (std::size_t k = 0; k < n; ++k) {
        const Atom* atom = a.record[k];
        a.pushCarry[k] = atom->pushCarry;
        a.radius[k] = atom->radius;
        a.id[k] = atom->id;
        a.iterations[k] = atom->iterations;
        a.group[k] = atom->group >= 0 && atom->group < kGroupCount ? atom->group : 63;
        a.owner[k] = atom->owner;
        if (atom->owner != lastOwner) {
            lastOwner = atom->owner;
            lastHears = lastOwner == nullptr || lastOwner->hearsContacts();
        }
        a.hears[k] = lastHears;
        anyHears |= lastHears;
        uint64_t accepts = 0;
        for (int g = 0; g < kGroupCount; ++g)
            accepts |= static_cast<uint64_t>(atom->collidesWith[g] != 0) << g;
        a.accepts[k] = accepts;
        slotOfId[static_cast<std::size_t>(atom->id)] = static_cast<int32_t>(k);
    }
}

void System::gatherLinks() {
    Links& l = links;
    l.record.clear();
    game->listLinks(l.record);
    const std::size_t m = l.record.size();
    fit(l.iterations, m);
    // Room after the last link for the four-at-a-time passes; padding links join
    // atom 0 to itself.
    for (auto* v : {&l.a, &l.b}) v->assign(m + kPad, 0);
    for (auto* v : {&l.restLength, &l.minRatio, &l.maxRatio, &l.share}) fit(*v, m + kPad);
    for (auto* v : {&l.pushX, &l.pushY}) fit(*v, 2 * (m + kPad));
    fit(l.within, m / 4 + 1);
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
    }
    // A counting sort of the link ends by atom keeps list order within an atom.
    const std::size_t n = atoms.record.size();
    l.endsOf.assign(n + 1, 0);
    for (std::size_t k = 0; k < m; ++k) {
        l.endsOf[static_cast<std::size_t>(l.a[k]) + 1] += 1;
        l.endsOf[static_cast<std::size_t>(l.b[k]) + 1] += 1;
    }
    for (std::size_t i = 0; i < n; ++i) l.endsOf[i + 1] += l.endsOf[i];
    fit(l.ends, 2 * m);
    std::vector<int32_t> next(l.endsOf.begin(), l.endsOf.end() - 1);
    for (std::size_t k = 0; k < m; ++k) {
        l.ends[static_cast<std::size_t>(next[static_cast<std::size_t>(l.a[k])]++)] =
            static_cast<int32_t>(2 * k);
        l.ends[static_cast<std::size_t>(next[static_cast<std::size_t>(l.b[k])]++)] =
            static_cast<int32_t>(2 * k + 1);
    }
}

void System::listLinkedPartners() {
    Atoms& a = atoms;
    const std::size_t n = a.record.size();
    fit(a.linked, n);
    fit(a.highest, n);
    fit(a.pairsKnown, n);
    for (std::size_t k = 0; k < n; ++k) {
        const int32_t id = a.id[k];
        const std::size_t row = static_cast<std::size_t>(id) * kMaxAtoms;
        a.highest[k] = pairs.testUnchecked(row + static_cast<std::size_t>(id)) ? id : id - 1;
        std::array<int32_t, 4>& list = a.linked[k];
        list.fill(-1);
        std::size_t filled = 0;
        for (const Link* link : linksById[static_cast<std::size_t>(id)]) {
            const int32_t partner = link->atomA->id == id ? link->atomB->id : link->atomA->id;
            if (partner >= id || pairs.testUnchecked(row + static_cast<std::size_t>(partner)))
                continue;
            if (std::find(list.begin(), list.end(), partner) != list.end()) continue;
            list[filled++] = partner;
            if (filled == list.size()) break;
        }
        a.pairsKnown[k] = filled == clearedInRow[id];
    }
}

// A pair bit cleared during the step: the atom's search goes back to the matrix.
void System::pairsChangedInStep(int32_t id) {
    const int32_t k = slotOfId[static_cast<std::size_t>(id)];
    if (k < 0 || static_cast<std::size_t>(k) >= atoms.record.size() || atoms.id[k] != id) return;
    atoms.pairsKnown[k] = 0;
}

// A pair bit set again during the step: the search must offer the pair again.
void System::forgetPartner(int32_t id, int32_t partner) {
    const int32_t k = slotOfId[static_cast<std::size_t>(id)];
    if (k < 0 || static_cast<std::size_t>(k) >= atoms.record.size() || atoms.id[k] != id) return;
    if (partner == id) atoms.highest[k] = id;
    for (int32_t& p : atoms.linked[k])
        if (p == partner) p = -1;
}

// The box of cells the sort covers: the world's, with a cell of margin all round
// for the 3 by 3 search, widened for atoms that were put outside the world
// between steps. Pushes clamp, so the box holds for the whole step.
void System::placeBox() {
    Atoms& a = atoms;
    int32_t minColumn = 1, minRow = 1;
    int32_t maxColumn = cellIndex(scaleX * width), maxRow = cellIndex(scaleY * height);
    for (std::size_t k = 0; k < a.record.size(); ++k) {
        const int32_t column = cellIndex(scaleX * a.x[k]);
        const int32_t row = cellIndex(scaleY * a.y[k]);
        minColumn = column < minColumn ? column : minColumn;
        maxColumn = column > maxColumn ? column : maxColumn;
        minRow = row < minRow ? row : minRow;
        maxRow = row > maxRow ? row : maxRow;
    }
    Sorted& s = sorted;
    s.column0 = minColumn - 1;
    s.row0 = minRow - 1;
    s.rows = maxRow - minRow + 3;
    s.columns = maxColumn - minColumn + 3;
    for (std::size_t k = 0; k < a.record.size(); ++k) a.key[k] = boxKey(a.x[k], a.y[k]);
    cellsMoved = true;
}

int32_t System::boxKey(float x, float y) const {
    return (cellIndex(scaleX * x) - sorted.column0) * sorted.rows + cellIndex(scaleY * y) -
           sorted.row0;
}

// A counting sort over the box. Filling each cell in list order keeps list order
// within a cell.
void System::sortIntoCells() {
    Sorted& s = sorted;
    const std::size_t n = atoms.record.size();
    fit(s.x, n + kPad);
    fit(s.y, n + kPad);
    if (!cellsMoved) {
        for (std::size_t j = 0; j < n; ++j) {
            const int32_t k = s.slot[j];
            s.x[j] = atoms.x[k];
            s.y[j] = atoms.y[k];
        }
        return;
    }
    cellsMoved = false;
    const std::size_t boxCells =
        static_cast<std::size_t>(s.columns) * static_cast<std::size_t>(s.rows);
    s.start.assign(boxCells + 1, 0);
    for (std::size_t k = 0; k < n; ++k) s.start[static_cast<std::size_t>(atoms.key[k]) + 1] += 1;
    for (std::size_t c = 0; c < boxCells; ++c) s.start[c + 1] += s.start[c];
    fit(s.slot, n);
    fit(s.at, n);
    fit(s.found, n);
    fit(s.radius, n + kPad);
    fit(s.id, n + kPad);
    s.fill.assign(s.start.begin(), s.start.end() - 1);
    for (std::size_t k = 0; k < n; ++k) {
        const int32_t j = s.fill[static_cast<std::size_t>(atoms.key[k])]++;
        s.slot[j] = static_cast<int32_t>(k);
        s.at[k] = j;
        s.x[j] = atoms.x[k];
        s.y[j] = atoms.y[k];
        s.radius[j] = atoms.radius[k];
        s.id[j] = atoms.id[k];
    }
}

// For each examining atom, the three columns of its 3 by 3 cells, each a run of
// the sort, first to last: the order in which neighbours are offered. Four neighbours at a time are
// tested for reach, id order and linked partner without a branch; the few that pass are handled one
// by one, in order, with the same scalar arithmetic as ever.
void System::collide(int32_t examining) {
    Sorted& s = sorted;
    Atoms& at = atoms;
    // Touching changes pushes only, never these arrays.
    const float* sx = s.x.data();
    const float* sy = s.y.data();
    const float* sr = s.radius.data();
    const int32_t* sid = s.id.data();
    const int32_t* start = s.start.data();
    // With no owner to tell of a contact, nothing a touch does reaches the
    // search: an atom's finds are touched after its search, which then runs
    // without a call.
    const bool quiet = !anyHears;
    int32_t* found = s.found.data();
    for (int32_t k = 0; k < examining; ++k) {
        int32_t count = 0;
#if defined(__SSE2__)
        const __m128 vax = _mm_set1_ps(at.x[k]);
        const __m128 vay = _mm_set1_ps(at.y[k]);
        const __m128 var = _mm_set1_ps(at.radius[k]);
        const __m128i highest = _mm_set1_epi32(at.highest[k]);
        const std::array<int32_t, 4>& linked = at.linked[k];
        const __m128i p0 = _mm_set1_epi32(linked[0]);
        const __m128i p1 = _mm_set1_epi32(linked[1]);
        const __m128i p2 = _mm_set1_epi32(linked[2]);
        const __m128i p3 = _mm_set1_epi32(linked[3]);
        const __m128 tiny = _mm_set1_ps(0.05f);
#endif
        for (int32_t dc = -1; dc <= 1; ++dc) {
            const int32_t centre = at.key[k] + dc * s.rows;
            const int32_t end = start[centre + 2];
            int32_t j = start[centre - 1];
#if defined(__SSE2__)
            // Past the end the lanes read the next run's atoms (or the padding):
            // a lane found there ends the run, since lanes are taken in order.
            for (; j < end; j += 4) {
                const __m128 dx = _mm_sub_ps(vax, _mm_loadu_ps(sx + j));
                const __m128 dy = _mm_sub_ps(vay, _mm_loadu_ps(sy + j));
                const __m128 d2 = _mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy));
                const __m128 r = _mm_add_ps(_mm_loadu_ps(sr + j), var);
                // In reach, coincident atoms always (touch sorts them out).
                const __m128 reach =
                    _mm_or_ps(_mm_cmpnlt_ps(_mm_mul_ps(r, r), d2), _mm_cmplt_ps(d2, tiny));
                const __m128i ids = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sid + j));
                const __m128i partner =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi32(ids, p0), _mm_cmpeq_epi32(ids, p1)),
                                 _mm_or_si128(_mm_cmpeq_epi32(ids, p2), _mm_cmpeq_epi32(ids, p3)));
                const __m128i away = _mm_or_si128(partner, _mm_cmpgt_epi32(ids, highest));
                const __m128i pass = _mm_andnot_si128(away, _mm_castps_si128(reach));
                for (int mask = _mm_movemask_ps(_mm_castsi128_ps(pass)); mask != 0;
                     mask &= mask - 1) {
                    const int32_t at4 = j + __builtin_ctz(static_cast<unsigned>(mask));
                    if (at4 >= end) break;
                    if (quiet)
                        found[count++] = at4;
                    else
                        touch(k, at4);
                }
            }
#else
            for (; j < end; ++j) {
                if (sid[j] > at.highest[k]) continue;
                const std::array<int32_t, 4>& linked = at.linked[k];
                if (std::find(linked.begin(), linked.end(), sid[j]) != linked.end()) continue;
                touch(k, j);
            }
#endif
        }
        for (int32_t f = 0; f < count; ++f) touch(k, found[f]);
        if (at.kinematic[k]) {
            Atom* a = at.record[k];
            at.x[k] += a->kinematicStepX;
            at.y[k] += a->kinematicStepY;
            a->x = at.x[k];
            a->y = at.y[k];
            s.x[s.at[k]] = at.x[k];
            s.y[s.at[k]] = at.y[k];
        }
    }
}

// One neighbour in reach: the full test and, for a contact, the push.
void System::touch(int32_t k, int32_t j) {
    Sorted& s = sorted;
    Atoms& at = atoms;
    float dx = at.x[k] - s.x[j];
    float dy = at.y[k] - s.y[j];
    float d2 = (dx * dx) + (dy * dy);
    const float r = s.radius[j] + at.radius[k];
    if (d2 < 0.05f) {
        dx = 0;
        dy = 1;
        d2 = 1;
    }
    if (r * r < d2) return;
    // Bits above the diagonal are never set (links restore only the bit in the
    // row of the larger id), which is why the search skips larger ids.
    const std::size_t bit =
        static_cast<std::size_t>(at.id[k]) * kMaxAtoms + static_cast<std::size_t>(s.id[j]);
    if (!at.pairsKnown[k] && !pairs.testUnchecked(bit)) return;
    const int32_t kb = s.slot[j];
    if (((at.accepts[k] >> at.group[kb]) & 1u) == 0) return;
    const float ratio = r / std::sqrt(d2);
    // The owners are asked only about pairs in contact: their answer is a pure
    // query, so the same pairs are resolved, and the near misses of a dense pile
    // cost no calls up the tree.
    if (at.hears[k] | at.hears[kb]) {
        Atom* a = at.record[k];
        Atom* b = at.record[kb];
        if (!at.owner[k]->mayCollide(a, b)) return;
        if (!at.owner[kb]->mayCollide(b, a)) return;
        at.owner[k]->onCollide(a, b, ratio);
        at.owner[kb]->onCollide(b, a, ratio);
    }
    const float w = 1.0f / (at.invMass[kb] + at.invMass[k]);
    const float px = w * (ratio * dx - dx);
    const float py = w * (ratio * dy - dy);
    at.pushX[k] += px;
    at.pushY[k] += py;
    at.pushX[kb] -= px;
    at.pushY[kb] -= py;
}

void System::pushPass() {
    Atoms& a = atoms;
    const std::size_t n = a.record.size();
    bool moved = false;
    std::size_t k = 0;
#if defined(__SSE2__)
    // Four atoms at a time, each lane exactly the scalar code below: the clamps as
    // masks (a lane that is not a number fails x >= 0 and becomes 0) and the cell
    // arithmetic in floats, exact for every key the box can hold.
    const __m128 zero = _mm_setzero_ps();
    const __m128 right = _mm_set1_ps(width);
    const __m128 bottom = _mm_set1_ps(height);
    const __m128 sx = _mm_set1_ps(scaleX);
    const __m128 sy = _mm_set1_ps(scaleY);
    const __m128 last = _mm_set1_ps(static_cast<float>(kGridSide - 3));
    const __m128i one = _mm_set1_epi32(1);
    const __m128i column0 = _mm_set1_epi32(sorted.column0);
    const __m128i row0 = _mm_set1_epi32(sorted.row0);
    const __m128 rows = _mm_set1_ps(static_cast<float>(sorted.rows));
    const auto cell = [&](__m128 scaled) {
        scaled = _mm_and_ps(_mm_cmpgt_ps(scaled, zero), scaled);
        return _mm_add_epi32(_mm_cvttps_epi32(_mm_min_ps(scaled, last)), one);
    };
    __m128i changed = _mm_setzero_si128();
    for (; k + 4 <= n; k += 4) {
        const __m128 invMass = _mm_loadu_ps(&a.invMass[k]);
        const __m128 ax = _mm_mul_ps(invMass, _mm_loadu_ps(&a.pushX[k]));
        const __m128 ay = _mm_mul_ps(invMass, _mm_loadu_ps(&a.pushY[k]));
        __m128 x = _mm_add_ps(_mm_loadu_ps(&a.x[k]), ax);
        __m128 y = _mm_add_ps(_mm_loadu_ps(&a.y[k]), ay);
        const __m128 carry = _mm_loadu_ps(&a.pushCarry[k]);
        _mm_storeu_ps(&a.prevX[k], _mm_add_ps(_mm_loadu_ps(&a.prevX[k]), _mm_mul_ps(carry, ax)));
        _mm_storeu_ps(&a.prevY[k], _mm_add_ps(_mm_loadu_ps(&a.prevY[k]), _mm_mul_ps(carry, ay)));
        _mm_storeu_ps(&a.pushX[k], zero);
        _mm_storeu_ps(&a.pushY[k], zero);
        x = _mm_min_ps(right, _mm_and_ps(_mm_cmpge_ps(x, zero), x));
        y = _mm_min_ps(bottom, _mm_and_ps(_mm_cmpge_ps(y, zero), y));
        _mm_storeu_ps(&a.x[k], x);
        _mm_storeu_ps(&a.y[k], y);
        const __m128 column = _mm_cvtepi32_ps(_mm_sub_epi32(cell(_mm_mul_ps(sx, x)), column0));
        const __m128i key = _mm_sub_epi32(
            _mm_add_epi32(_mm_cvttps_epi32(_mm_mul_ps(column, rows)), cell(_mm_mul_ps(sy, y))),
            row0);
        __m128i* keys = reinterpret_cast<__m128i*>(&a.key[k]);
        changed = _mm_or_si128(changed, _mm_xor_si128(key, _mm_loadu_si128(keys)));
        _mm_storeu_si128(keys, key);
    }
    moved = _mm_movemask_epi8(_mm_cmpeq_epi32(changed, _mm_setzero_si128())) != 0xffff;
#endif
    for (; k < n; ++k) {
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
        const int32_t key = boxKey(x, y);
        moved |= key != a.key[k];
        a.key[k] = key;
    }
    cellsMoved |= moved;
}

// Positions stand still through a link pass (only pushes add up), so every
// link's length and correction is worked out first, four at a time; the pushes
// are then added and the snapped links destroyed one link at a time, in list
// order.
void System::linkPass(int32_t iteration) {
    Links& l = links;
    Atoms& at = atoms;
    // The list is sorted by iterations, so the walk ends where they run out.
    const std::size_t m =
        static_cast<std::size_t>(std::partition_point(l.iterations.begin(), l.iterations.end(),
                                                      [&](int32_t it) { return it > iteration; }) -
                                 l.iterations.begin());
    const float* x = at.x.data();
    const float* y = at.y.data();
    for (std::size_t k = 0; k < m; k += 4) {
        // Lanes past the end read the padding (atom 0); their results are not used.
        const int32_t* a = &l.a[k];
        const int32_t* b = &l.b[k];
#if defined(__SSE2__)
        const __m128 dx = _mm_sub_ps(_mm_setr_ps(x[a[0]], x[a[1]], x[a[2]], x[a[3]]),
                                     _mm_setr_ps(x[b[0]], x[b[1]], x[b[2]], x[b[3]]));
        const __m128 dy = _mm_sub_ps(_mm_setr_ps(y[a[0]], y[a[1]], y[a[2]], y[a[3]]),
                                     _mm_setr_ps(y[b[0]], y[b[1]], y[b[2]], y[b[3]]));
        const __m128 length = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)));
        __m128 ratio = _mm_div_ps(_mm_loadu_ps(&l.restLength[k]), length);
        // Not within the limits, a ratio that is not a number included: the link snaps.
        const __m128 within = _mm_and_ps(_mm_cmpge_ps(ratio, _mm_loadu_ps(&l.minRatio[k])),
                                         _mm_cmple_ps(ratio, _mm_loadu_ps(&l.maxRatio[k])));
        const __m128 hundred = _mm_set1_ps(100);
        const __m128 over = _mm_cmpgt_ps(ratio, hundred);
        ratio = _mm_or_ps(_mm_and_ps(over, hundred), _mm_andnot_ps(over, ratio));
        const __m128 w = _mm_loadu_ps(&l.share[k]);
        const __m128 px = _mm_mul_ps(w, _mm_sub_ps(_mm_mul_ps(ratio, dx), dx));
        const __m128 py = _mm_mul_ps(w, _mm_sub_ps(_mm_mul_ps(ratio, dy), dy));
        const __m128 sign = _mm_set1_ps(-0.0f);
        const __m128 nx = _mm_xor_ps(px, sign);
        const __m128 ny = _mm_xor_ps(py, sign);
        _mm_storeu_ps(&l.pushX[2 * k], _mm_unpacklo_ps(px, nx));
        _mm_storeu_ps(&l.pushX[2 * k + 4], _mm_unpackhi_ps(px, nx));
        _mm_storeu_ps(&l.pushY[2 * k], _mm_unpacklo_ps(py, ny));
        _mm_storeu_ps(&l.pushY[2 * k + 4], _mm_unpackhi_ps(py, ny));
        l.within[k / 4] = static_cast<uint8_t>(_mm_movemask_ps(within));
#else
        uint8_t within = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const float dx = x[a[i]] - x[b[i]];
            const float dy = y[a[i]] - y[b[i]];
            const float length = std::sqrt((dx * dx) + (dy * dy));
            float ratio = l.restLength[k + i] / length;
            if (ratio >= l.minRatio[k + i] && ratio <= l.maxRatio[k + i]) within |= 1u << i;
            if (ratio > 100) ratio = 100;
            const float px = l.share[k + i] * (ratio * dx - dx);
            const float py = l.share[k + i] * (ratio * dy - dy);
            l.pushX[2 * (k + i)] = px;
            l.pushX[2 * (k + i) + 1] = -px;
            l.pushY[2 * (k + i)] = py;
            l.pushY[2 * (k + i) + 1] = -py;
        }
        l.within[k / 4] = within;
#endif
    }
    // Which links push is settled in list order, snaps and what they take along
    // included; an atom then adds its links' corrections in list order, as a walk
    // of the list would. Subtracting is adding the negation, to the bit.
    bool positionsShown = false;
    for (std::size_t k = 0; k < m; ++k) {
        const bool keeps = ((l.within[k / 4] >> (k % 4)) & 1u) != 0;
        if (!l.gone[k] && keeps) continue;
        l.pushX[2 * k] = l.pushX[2 * k + 1] = -0.0f;
        l.pushY[2 * k] = l.pushY[2 * k + 1] = -0.0f;
        if (l.gone[k]) continue;
        // The removal runs through the tree, which may look at the records.
        if (!positionsShown) {
            for (std::size_t j = 0; j < at.record.size(); ++j) {
                if (at.record[j] == nullptr) continue;
                at.record[j]->x = at.x[j];
                at.record[j]->y = at.y[j];
            }
            positionsShown = true;
        }
        l.gone[k] = 1;
        destroyLink(l.record[k]);
    }
    const int32_t used = static_cast<int32_t>(2 * m);
    const int32_t* ends = l.ends.data();
    const float* sx = l.pushX.data();
    const float* sy = l.pushY.data();
    for (std::size_t i = 0; i < at.record.size(); ++i) {
        float px = at.pushX[i];
        float py = at.pushY[i];
        for (int32_t e = l.endsOf[i]; e < l.endsOf[i + 1] && ends[e] < used; ++e) {
            px += sx[ends[e]];
            py += sy[ends[e]];
        }
        at.pushX[i] = px;
        at.pushY[i] = py;
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
}
