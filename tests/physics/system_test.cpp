#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "lattice.h"
#include "content/piece_loader.h"
#include "scene/world_hash.h"
#include "test_world.h"

namespace {

size_t bit(int32_t row, int32_t column) {
    return static_cast<size_t>(row) * kMaxAtoms + column;
}

TEST(System, RegistrationClampsIntoTheWorldAndHashesTheClampedPosition) {
    TestWorld w;
    Atom* a = TestWorld::makeAtom(-20, 600);
    a->prevX = -21;
    a->prevY = 601;
    Object piece(&w.root);
    piece.adoptAtom(a);
    EXPECT_EQ(a->x, 0.0f);
    EXPECT_EQ(a->y, 530.0f);
    EXPECT_EQ(a->prevX, -21.0f);
    EXPECT_EQ(a->prevY, 601.0f);
    EXPECT_EQ(a->cellX, 1);
    EXPECT_EQ(a->cellY, 54);
    EXPECT_EQ(a->owner, &piece);
    EXPECT_EQ(a->world, w.world);

    // A coordinate that is not a number is clamped to 0, never hashed as is.
    Atom* n = TestWorld::makeAtom(std::nanf(""), 100);
    piece.adoptAtom(n);
    EXPECT_EQ(n->x, 0.0f);
    EXPECT_EQ(n->cellX, 1);
    EXPECT_EQ(n->cellY, 11);
}

TEST(System, PairBitsFollowLinksInBothOrdersAndRestoreOnlyTheLargerRow) {
    TestWorld w;
    Junk piece(&w.root);
    Atom* atoms[8];
    for (int i = 0; i < 8; ++i) atoms[i] = TestWorld::addAtom(piece, 20.0f + 40 * i, 10);
    Atom* a3 = atoms[3];
    Atom* a7 = atoms[7];
    EXPECT_TRUE(w.world->pairs.test(bit(7, 3)));
    EXPECT_FALSE(w.world->pairs.test(bit(3, 7)));
    EXPECT_FALSE(w.world->pairs.test(bit(7, 7)));

    Link* l = TestWorld::addLink(piece, a7, a3);
    EXPECT_FALSE(w.world->pairs.test(bit(7, 3)));
    EXPECT_FALSE(w.world->pairs.test(bit(3, 7)));
    w.world->unregisterLink(l);
    EXPECT_TRUE(w.world->pairs.test(bit(7, 3)));
    EXPECT_FALSE(w.world->pairs.test(bit(3, 7)));

    w.world->registerLink(l);
    l->restoresCollision = false;
    w.world->unregisterLink(l);
    EXPECT_FALSE(w.world->pairs.test(bit(7, 3)));
}

TEST(System, GridChainsLiveUnderOneStamp) {
    TestWorld w;
    Junk piece(&w.root);
    Atom* a = TestWorld::addAtom(piece, 15, 15);
    Atom* b = TestWorld::addAtom(piece, 16, 16);
    GridCell& cell = w.world->cell(2, 2);
    EXPECT_EQ(cell.stamp, w.world->currentStamp);
    EXPECT_EQ(w.world->atomWithId(cell.first), a);
    EXPECT_EQ(w.world->atomWithId(cell.last), b);
    EXPECT_EQ(a->nextInCell, b);
    EXPECT_EQ(b->nextInCell, nullptr);

    // Under a newer stamp the old chain is discarded, not unlinked.
    w.world->currentStamp += 1;
    w.world->insertIntoGrid(b);
    EXPECT_EQ(w.world->atomWithId(cell.first), b);
    EXPECT_EQ(w.world->atomWithId(cell.last), b);
    EXPECT_EQ(a->nextInCell, b);
}

TEST(System, AFullWorldRefusesOneMoreAtomBeforeChangingAnything) {
    TestWorld w;
    Junk piece(&w.root);
    for (int i = 0; i < kMaxAtoms; ++i) w.world->registerAtom(TestWorld::makeAtom(350, 265));
    EXPECT_EQ(w.world->freeIds(), 0);
    Atom* extra = TestWorld::makeAtom(-5, 10);
    try {
        w.world->registerAtom(extra);
        FAIL() << "a 5001st atom was registered";
    } catch (const std::out_of_range& e) {
        EXPECT_EQ(std::string(e.what()), "invalid bitset<N> position");
    }
    EXPECT_EQ(extra->id, -1);
    EXPECT_EQ(extra->world, nullptr);
    EXPECT_EQ(extra->x, -5.0f);
    delete extra;
    for (int id = 0; id < kMaxAtoms; ++id) delete w.world->atomWithId(id);
}

TEST(System, UnregisteringAnAtomDestroysAllItsLinksThroughTheirOwners) {
    TestWorld w;
    Junk piece(&w.root);
    Atom* hub = TestWorld::addAtom(piece, 100, 100);
    Atom* other = TestWorld::addAtom(piece, 200, 200);
    Atom* spokes[3];
    for (int i = 0; i < 3; ++i) {
        spokes[i] = TestWorld::addAtom(piece, 112.0f + 12 * i, 100);
        TestWorld::addLink(piece, hub, spokes[i]);
    }
    Link* keep = TestWorld::addLink(piece, spokes[0], other);
    int32_t maxBefore = w.world->maxIterations;

    piece.removeAtom(hub);
    EXPECT_EQ(piece.removedLinks, 3);
    EXPECT_EQ(TestWorld::items(w.root.links), (std::vector<Link*>{keep}));
    EXPECT_FALSE(w.world->ids.test(static_cast<size_t>(hub->id)));
    EXPECT_EQ(spokes[1]->linkCount, 0);
    EXPECT_EQ(w.world->maxIterations, maxBefore);
    delete hub;
}

TEST(System, AnAtomRemovedBetweenStepsLeavesItsCellsChain) {
    TestWorld w;
    Junk piece(&w.root);
    Atom* a = TestWorld::addAtom(piece, 15, 15);
    Atom* b = TestWorld::addAtom(piece, 16, 16);
    Atom* c = TestWorld::addAtom(piece, 17, 17);
    for (Atom* gone : {c, a}) {  // the last of the chain, then the first
        piece.removeAtom(gone);
        delete gone;
    }
    // The lowest free id, not the one freed last; in the same cell.
    Atom* d = TestWorld::addAtom(piece, 18, 18);
    EXPECT_EQ(d->id, 0);
    EXPECT_EQ(w.world->freeIds(), kMaxAtoms - 2);
    GridCell& cell = w.world->cell(2, 2);
    EXPECT_EQ(w.world->atomWithId(cell.first), b);
    EXPECT_EQ(b->nextInCell, d);
    EXPECT_EQ(w.world->atomWithId(cell.last), d);
    piece.removeAtom(b);
    piece.removeAtom(d);
    EXPECT_NE(cell.stamp, w.world->currentStamp);
    delete b;
    delete d;
}

// Every pair of two different atoms collides, each pair once: the bit in the row
// of the larger id. Rows are not whole words, so every boundary is checked.
TEST(System, ANewWorldsPairMatrixIsTheStrictLowerTriangleBitForBit) {
    TestWorld w;
    std::vector<uint32_t> expected(PairMatrix::kWords, 0);
    for (std::size_t row = 0; row < kMaxAtoms; ++row)
        for (std::size_t column = 0; column < row; ++column) {
            const std::size_t b = row * kMaxAtoms + column;
            expected[b >> 5] |= 1u << (b & 31);
        }
    EXPECT_EQ(std::memcmp(w.world->pairs.words, expected.data(), sizeof w.world->pairs.words), 0);
    std::fill(std::begin(w.world->pairs.words), std::end(w.world->pairs.words), 0x5a5a5a5au);
    w.world->renew();
    EXPECT_EQ(std::memcmp(w.world->pairs.words, expected.data(), sizeof w.world->pairs.words), 0);
}

// A link that does not restore collision leaves its pair cleared when it goes;
// an emptied world renewed hands those ids out again as a fresh world would.
TEST(System, RenewingAnEmptyWorldForgetsPairsLeftByGoneLinks) {
    TestWorld w;
    Junk piece(&w.root);
    Atom* a = TestWorld::addAtom(piece, 15, 15, 4);
    Atom* b = TestWorld::addAtom(piece, 30, 15, 4);
    Link* link = TestWorld::addLink(piece, a, b);
    link->restoresCollision = false;
    destroyLink(link);
    EXPECT_FALSE(w.world->pairs.test(1 * kMaxAtoms + 0));
    for (Atom* gone : {a, b}) {
        piece.removeAtom(gone);
        delete gone;
    }
    w.world->renew();
    EXPECT_EQ(w.world->maxIterations, 0);
    Atom* c = TestWorld::addAtom(piece, 15, 15);
    Atom* d = TestWorld::addAtom(piece, 30, 15);
    EXPECT_EQ(d->id, 1);
    EXPECT_TRUE(w.world->pairs.test(1 * kMaxAtoms + 0));
    EXPECT_FALSE(w.world->pairs.test(0 * kMaxAtoms + 1));
    EXPECT_FALSE(w.world->pairs.test(1 * kMaxAtoms + 1));
    EXPECT_TRUE(w.world->pairs.test(4999ull * kMaxAtoms + 4998));
    for (Atom* gone : {c, d}) {
        piece.removeAtom(gone);
        delete gone;
    }
}

// Thirty lattices of 48 atoms, iterations 8 and 3 in turn.
std::vector<Junk*> fillWithLattices(TestWorld& w, Texture* tex) {
    std::vector<Junk*> pieces;
    for (int i = 0; i < 30; ++i) {
        pieces.push_back(new Junk(&w.root));
        buildLattice(*pieces.back(), tex, 20.0f + 110 * (i % 6), 20.0f + 90 * (i / 6), 8, 6, 9,
                     i % 2 ? 8 : 3);
    }
    return pieces;
}

// A world emptied through the tree's own removal is as good as new: every id
// free, the pair matrix back to the lower triangle, no chain left in the grid,
// and, once renewed, no iterations.
TEST(System, AWorldClearedThroughTheTreeIsAsNew) {
    TestWorld w;
    const auto fresh = std::make_unique<System>(&w.root, 700, 530, -0.05f, 0.1f, 0.1f);
    Texture tex;
    std::vector<Junk*> pieces = fillWithLattices(w, &tex);
    for (int i = 0; i < 40; ++i) w.root.tick();
    ASSERT_GT(w.root.atoms.count, 1000);
    for (Junk* piece : pieces) {
        unloadPiece(*piece);
        delete piece;
    }

    EXPECT_EQ(w.world->freeIds(), kMaxAtoms);
    EXPECT_EQ(w.root.atoms.count + w.root.links.count + w.root.triangles.count, 0);
    EXPECT_EQ(std::memcmp(w.world->pairs.words, fresh->pairs.words, sizeof fresh->pairs.words), 0);
    EXPECT_EQ(std::memcmp(w.world->ids.words, fresh->ids.words, sizeof fresh->ids.words), 0);
    EXPECT_EQ(w.world->maxIterations, 8);
    w.world->renew();
    EXPECT_EQ(w.world->maxIterations, 0);
    for (int column = 0; column < 80; ++column)
        for (int row = 0; row < 60; ++row)
            ASSERT_NE(w.world->cell(column, row).stamp, w.world->currentStamp);

    // And it runs as before: the first piece gets id 0 and the step moves it.
    Junk* again = new Junk(&w.root);
    buildLattice(*again, &tex, 300, 300, 3, 3, 9);
    EXPECT_EQ(w.root.atoms.first()->value->id, 8);
    EXPECT_EQ(w.world->maxIterations, 3);
    w.root.tick();
    EXPECT_LT(w.root.atoms.first()->value->y, 318.0f);
    unloadPiece(*again);
    delete again;
}

// Dropped at once, a world ends where the tree's own removal and renew() leave
// it, and what is built in it afterwards runs bit for bit as in a fresh world.
TEST(System, AWorldDroppedAtOnceIsAsNewAndRunsAsANewOne) {
    TestWorld w;
    const auto fresh = std::make_unique<System>(&w.root, 700, 530, -0.05f, 0.1f, 0.1f);
    Texture tex;
    std::vector<Junk*> pieces = fillWithLattices(w, &tex);
    // A pair whose link left without restoring collision, and one linked to itself.
    Link* keepsApart = w.root.links.first()->value;
    keepsApart->restoresCollision = false;
    destroyLink(keepsApart);
    Atom* loner = w.root.atoms.first()->value;
    TestWorld::addLink(*pieces.front(), loner, loner);
    for (int i = 0; i < 40; ++i) w.root.tick();
    ASSERT_GT(w.root.atoms.count, 1000);

    w.root.dropAll();
    for (Junk* piece : pieces) {
        piece->teardown();
        delete piece;
    }
    EXPECT_EQ(w.root.atoms.count + w.root.links.count + w.root.triangles.count, 0);
    EXPECT_EQ(w.world->freeIds(), kMaxAtoms);
    EXPECT_EQ(std::memcmp(w.world->pairs.words, fresh->pairs.words, sizeof fresh->pairs.words), 0);
    EXPECT_EQ(std::memcmp(w.world->ids.words, fresh->ids.words, sizeof fresh->ids.words), 0);
    EXPECT_EQ(w.world->maxIterations, 0);
    for (int column = 0; column < 80; ++column)
        for (int row = 0; row < 60; ++row)
            ASSERT_NE(w.world->cell(column, row).stamp, w.world->currentStamp);

    // Ids, links, grid and iterations all start again as in a fresh world.
    TestWorld control;
    Junk again(&w.root);
    Junk same(&control.root);
    for (Junk* piece : {&again, &same}) {
        buildLattice(*piece, &tex, 300, 10, 6, 4, 9, 8);
        buildLattice(*piece, &tex, 305, 60, 3, 3, 9);
    }
    for (int i = 0; i < 150; ++i) {
        w.root.tick();
        control.root.tick();
    }
    ASSERT_GT(w.root.atoms.count, 20);
    EXPECT_EQ(worldHash(w.root), worldHash(control.root));
    again.teardown();
    same.teardown();
}

}  // namespace
