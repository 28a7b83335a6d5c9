#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "content/piece_loader.h"
#include "scene/world_hash.h"
#include "test_world.h"

namespace {

// Registration clamps each coordinate into the world at its own wall; a coordinate
// that is not a number goes to 0. The previous position is left as it was.
TEST(System, RegistrationClampsEachCoordinateAtItsOwnWall) {
    TestWorld w;
    Object piece(&w.root);
    const float nan = std::nanf("");
    const float cases[][4] = {{-20, 600, 0, 530},
                              {800, -3, 700, 0},
                              {nan, 100, 0, 100},
                              {350, nan, 350, 0},
                              {700, 530, 700, 530}};
    for (const auto& c : cases) {
        Atom* a = TestWorld::makeAtom(c[0], c[1]);
        a->prevX = -21;
        piece.adoptAtom(a);
        EXPECT_EQ(a->x, c[2]) << c[0] << ", " << c[1];
        EXPECT_EQ(a->y, c[3]) << c[0] << ", " << c[1];
        EXPECT_EQ(a->prevX, -21.0f);
        EXPECT_EQ(a->owner, &piece);
        EXPECT_EQ(a->world, w.world);
    }
}

TEST(System, AFullWorldRefusesOneMoreAtomBeforeChangingAnything) {
    TestWorld w;
    Junk piece(&w.root);
    for (int i = 0; i < kMaxAtoms; ++i) w.world->registerAtom(TestWorld::makeAtom(350, 265));
    EXPECT_EQ(w.world->freeIds(), 0);
    Atom* extra = TestWorld::makeAtom(-5, 10);
    EXPECT_THROW(w.world->registerAtom(extra), std::out_of_range);
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

// Every pair of two different atoms collides, each pair once: the bit in the row
// of the larger id. Rows are not whole words, so every boundary counts.
bool isLowerTriangle(const PairMatrix& pairs) {
    std::vector<uint32_t> expected(PairMatrix::kWords, 0);
    for (int32_t row = 0; row < kMaxAtoms; ++row)
        for (size_t bit = size_t(row) * kMaxAtoms, end = bit + size_t(row); bit < end; ++bit)
            expected[bit >> 5] |= 1u << (bit & 31);
    return std::memcmp(pairs.words, expected.data(), sizeof pairs.words) == 0;
}

// New, or emptied through the tree's own removal and renewed (over scribbled pair
// bits), or dropped at once, a world is as new: every id free, the pair matrix the
// lower triangle (a pair whose link left without restoring collision and an atom
// linked to itself included), no iterations; and what is built in it afterwards
// gets the lowest ids and runs bit for bit as in a fresh world.
class EmptiedWorld : public ::testing::TestWithParam<bool> {};

TEST_P(EmptiedWorld, IsAsNewAndRunsAsANewOne) {
    const bool dropAll = GetParam();
    TestWorld w;
    EXPECT_TRUE(isLowerTriangle(w.world->pairs));
    Texture tex;
    std::vector<Junk*> pieces;
    for (int i = 0; i < 30; ++i) {
        pieces.push_back(new Junk(&w.root));
        buildLattice(*pieces.back(), &tex, 20.0f + 110 * (i % 6), 20.0f + 90 * (i / 6), 8, 6, 9,
                     i % 2 ? 8 : 3);
    }
    Link* keepsApart = w.root.links.first()->value;
    keepsApart->restoresCollision = false;
    destroyLink(keepsApart);
    Atom* loner = w.root.atoms.first()->value;
    TestWorld::addLink(*pieces.front(), loner, loner);
    for (int i = 0; i < 40; ++i) w.root.tick();
    ASSERT_GT(w.root.atoms.count, 1000);

    if (dropAll) w.root.dropAll();
    for (Junk* piece : pieces) {
        if (dropAll)
            piece->teardown();
        else
            unloadPiece(*piece);
        delete piece;
    }
    if (!dropAll) {
        EXPECT_EQ(w.world->maxIterations, 8);
        std::fill(std::begin(w.world->pairs.words), std::end(w.world->pairs.words), 0x5a5a5a5au);
        w.world->renew();
    }
    EXPECT_EQ(w.root.atoms.count + w.root.links.count + w.root.triangles.count, 0);
    EXPECT_EQ(w.world->freeIds(), kMaxAtoms);
    EXPECT_TRUE(isLowerTriangle(w.world->pairs));
    EXPECT_EQ(std::count(std::begin(w.world->ids.words), std::end(w.world->ids.words), 0u),
              long(IdPool::kWords));
    EXPECT_EQ(w.world->maxIterations, 0);

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

INSTANTIATE_TEST_SUITE_P(TreeOrAtOnce, EmptiedWorld, ::testing::Bool());

}  // namespace
