#include "physics/system.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

#include "physics/atom.h"
#include "physics/link.h"
#include "physics/world_host.h"

namespace {

std::size_t pairIndex(int32_t row, int32_t column) {
    // Computed wide and taken as unsigned, so an unregistered id (-1) lands far
    // outside the matrix and the range check rejects it.
    return static_cast<std::size_t>(static_cast<int64_t>(row) * kMaxAtoms + column);
}

}  // namespace

System::System(WorldHost* root, float width, float height, float gravity, float scaleX,
               float scaleY)
    : width(width), height(height), scaleX(scaleX), scaleY(scaleY), gravity(gravity), game(root) {
    ids.clearAll();
    renew();
}

void System::clampIntoWorld(Atom* atom) {
    // A coordinate that is not a number fails every comparison; it goes to 0 so
    // that no cell index is ever computed from it.
    if (!(atom->x >= 0)) atom->x = 0;
    if (atom->x > width) atom->x = width;
    if (!(atom->y >= 0)) atom->y = 0;
    if (atom->y > height) atom->y = height;
}

void System::registerAtom(Atom* atom) {
    int32_t id = 0;
    while (id < kMaxAtoms && ids.words[id >> 5] == 0xffffffffu) id += 32;
    while (id < kMaxAtoms && ids.test(static_cast<std::size_t>(id))) ++id;
    if (id >= kMaxAtoms) IdPool::outOfRange();  // the world is full; nothing has changed
    place(atom, id);
}

void System::registerAtomAs(Atom* atom, int32_t id) {
    if (id < 0 || id >= kMaxAtoms || ids.test(static_cast<std::size_t>(id))) IdPool::outOfRange();
    place(atom, id);
}

void System::place(Atom* atom, int32_t id) {
    atom->id = id;
    atom->world = this;
    clampIntoWorld(atom);
    atom->owner = nullptr;
    ids.set(static_cast<std::size_t>(id));
    ++layoutVersion;
    byId[id] = atom;
    ++usedIds;
    pairs.reset(pairIndex(id, id));
    if (inStep) pairsChangedInStep(id);
    if (atom->iterations > maxIterations) maxIterations = atom->iterations;
}

// Bits right of the diagonal are never set; only those left of it are counted.
void System::clearPair(int32_t a, int32_t b) {
    const std::size_t lower = a > b ? pairIndex(a, b) : pairIndex(b, a);
    if (a != b && pairs.test(lower)) clearedInRow[a > b ? a : b] += 1;
    pairs.reset(pairIndex(a, b));
    pairs.reset(pairIndex(b, a));
    if (inStep) pairsChangedInStep(a > b ? a : b);
}

void System::registerLink(Link* link) {
    clearPair(link->atomA->id, link->atomB->id);
    if (link->serial == 0) link->serial = ++linkSerial;
    ++layoutVersion;
    for (Atom* end : {link->atomA, link->atomB}) {
        std::vector<Link*>& mine = linksById[end->id];
        if (std::find(mine.begin(), mine.end(), link) == mine.end()) mine.push_back(link);
    }
}

void System::unregisterAtom(Atom* atom) {
    assert(atom->id >= 0 && atom->id < kMaxAtoms);
    // The atom's links go in the order of the root's link list, as a walk of that
    // list would take them, without walking it.
    std::vector<Link*>& mine = linksById[atom->id];
    while (!mine.empty()) {
        auto first = mine.begin();
        for (auto l = mine.begin() + 1; l != mine.end(); ++l)
            if (listedBefore(*l, *first)) first = l;
        Link* link = *first;
        mine.erase(first);
        destroyLink(link);
    }
    ids.reset(static_cast<std::size_t>(atom->id));
    ++layoutVersion;
    if (inStep) {
        const int32_t k = slotOfId[static_cast<std::size_t>(atom->id)];
        if (k >= 0 && static_cast<std::size_t>(k) < atoms.record.size() && atoms.record[k] == atom)
            atoms.record[k] = nullptr;
    }
    byId[atom->id] = nullptr;
    --usedIds;
}

const std::vector<Link*>& System::linksOf(const Atom* atom) const {
    static const std::vector<Link*> none;
    if (atom->id < 0 || atom->id >= kMaxAtoms) return none;
    return linksById[atom->id];
}

void System::unregisterLink(Link* link) {
    for (Atom* end : {link->atomA, link->atomB}) {
        if (end->id < 0 || end->id >= kMaxAtoms) continue;
        std::vector<Link*>& mine = linksById[end->id];
        auto it = std::find(mine.begin(), mine.end(), link);
        if (it != mine.end()) mine.erase(it);
    }
    if (inStep && link->slot >= 0 && static_cast<std::size_t>(link->slot) < links.record.size() &&
        links.record[link->slot] == link)
        links.gone[link->slot] = 1;
    ++layoutVersion;
    if (!link->restoresCollision) return;
    const int32_t high = std::max(link->atomA->id, link->atomB->id);
    const int32_t low = std::min(link->atomA->id, link->atomB->id);
    if (high != low && !pairs.test(pairIndex(high, low))) clearedInRow[high] -= 1;
    pairs.set(pairIndex(high, low));
    if (inStep) forgetPartner(high, low);
}

namespace {

// Writes runs of equal bits one after the other, each word once.
class BitRuns {
  public:
    explicit BitRuns(uint32_t* words) : out(words) {}

    void run(std::size_t n, bool ones) {
        while (n > 0 && filled != 0) {
            const uint32_t take = n < 32 - filled ? static_cast<uint32_t>(n) : 32 - filled;
            if (ones) pending |= ((1u << take) - 1) << filled;
            filled += take;
            n -= take;
            if (filled == 32) flush();
        }
        const std::size_t whole = n / 32;
        std::fill(out, out + whole, ones ? 0xffffffffu : 0u);
        out += whole;
        n -= whole * 32;
        if (n > 0) {
            pending = ones ? (1u << n) - 1 : 0;
            filled = static_cast<uint32_t>(n);
        }
    }
    // Any bits of a last word that no run reached are left clear.
    void finish() {
        if (filled != 0) flush();
    }

  private:
    void flush() {
        *out++ = pending;
        pending = 0;
        filled = 0;
    }

    uint32_t* out;
    uint32_t pending = 0;
    uint32_t filled = 0;
};

}  // namespace

// Strict lower triangle: each unordered pair has one set bit, in the row of its
// larger id, and no atom pairs with itself.
void System::writeNewPairs() {
    BitRuns rows(pairs.words);
    for (int32_t i = 0; i < kMaxAtoms; ++i) {
        rows.run(static_cast<std::size_t>(i), true);
        rows.run(static_cast<std::size_t>(kMaxAtoms - i), false);
    }
    rows.finish();
    std::fill(std::begin(clearedInRow), std::end(clearedInRow), 0);
}

void System::renew() {
    assert(usedIds == 0 && "renew() needs an empty world");
    writeNewPairs();
    maxIterations = 0;
}

namespace {

// A new world's pair matrix, made once: what pairsChanged compares against.
const std::vector<uint32_t>& newPairs() {
    static const std::vector<uint32_t> words = [] {
        std::vector<uint32_t> w(PairMatrix::kWords);
        BitRuns rows(w.data());
        for (int32_t i = 0; i < kMaxAtoms; ++i) {
            rows.run(static_cast<std::size_t>(i), true);
            rows.run(static_cast<std::size_t>(kMaxAtoms - i), false);
        }
        rows.finish();
        return w;
    }();
    return words;
}

}  // namespace

std::vector<uint32_t> System::pairsChanged() const {
    std::vector<uint32_t> changed;
    const uint32_t* expected = newPairs().data();
    // Most of the matrix is as new: blocks that match are passed over whole.
    constexpr std::size_t kBlock = 64;
    for (std::size_t block = 0; block < PairMatrix::kWords; block += kBlock) {
        const std::size_t n = std::min(kBlock, PairMatrix::kWords - block);
        if (std::memcmp(pairs.words + block, expected + block, n * sizeof(uint32_t)) == 0) continue;
        for (std::size_t w = block; w < block + n; ++w) {
            uint32_t differ = pairs.words[w] ^ expected[w];
            while (differ != 0) {
                const int bit = std::countr_zero(differ);
                changed.push_back(static_cast<uint32_t>(w * 32 + static_cast<std::size_t>(bit)));
                differ &= differ - 1;
            }
        }
    }
    return changed;
}

void System::restorePairs(const std::vector<uint32_t>& changed) {
    assert(!inStep && "restorePairs() runs between steps");
    writeNewPairs();
    for (const uint32_t index : changed) {
        assert(index < PairMatrix::kSize);
        pairs.words[index >> 5] ^= 1u << (index & 31);
        const uint32_t row = index / kMaxAtoms;
        if (index % kMaxAtoms < row) clearedInRow[row] += 1;
    }
    ++layoutVersion;
}

void System::unregisterAll() {
    assert(!inStep && "unregisterAll() runs between steps");
    for (int32_t id = 0; id < kMaxAtoms; ++id) {
        linksById[id].clear();
        byId[id] = nullptr;
    }
    ids.clearAll();
    usedIds = 0;
    ++layoutVersion;
    renew();
}
