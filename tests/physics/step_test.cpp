#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "lattice.h"
#include "test_world.h"

namespace {

struct RecordingJunk : Junk {
    using Junk::Junk;
    std::vector<float> ratios;
    std::vector<std::string> log;
    void onCollide(Atom* own, Atom* other, float ratio) override {
        ratios.push_back(ratio);
        Junk::onCollide(own, other, ratio);
    }
    void removeAtom(Atom* atom) override {
        log.push_back("remove " + std::to_string(atom->id));
        Junk::removeAtom(atom);
    }
    void atomMoved(Atom* atom) override {
        log.push_back("moved " + std::to_string(atom->id));
        Junk::atomMoved(atom);
    }
};

TEST(Step, CoincidentAtomsAreSeparatedAlongYAndToldRatioTen) {
    TestWorld w(0.0f);
    RecordingJunk piece(&w.root);
    Atom* low = TestWorld::addAtom(piece, 100, 100, 1);
    Atom* high = TestWorld::addAtom(piece, 100, 100, 1);
    // Carry the whole push into the previous position so integration adds nothing.
    low->pushCarry = high->pushCarry = 1;
    w.world->step();
    EXPECT_EQ(high->y, 104.5f);
    EXPECT_EQ(low->y, 95.5f);
    EXPECT_EQ(high->x, 100.0f);
    EXPECT_EQ(piece.ratios, (std::vector<float>{10.0f, 10.0f}));
}

TEST(Step, AtomsExactlyTouchingAreToldRatioOneAndNotPushed) {
    TestWorld w(0.0f);
    RecordingJunk piece(&w.root);
    Atom* a = TestWorld::addAtom(piece, 100, 100, 1);
    Atom* b = TestWorld::addAtom(piece, 110, 100, 1);
    w.world->step();
    EXPECT_EQ(piece.ratios, (std::vector<float>{1.0f, 1.0f}));
    EXPECT_EQ(a->x, 100.0f);
    EXPECT_EQ(b->x, 110.0f);
}

TEST(Step, LinkedAtomsAndGroupsOutsideTheTableDoNotCollide) {
    TestWorld w(0.0f);
    RecordingJunk piece(&w.root);
    Atom* a = TestWorld::addAtom(piece, 100, 100, 1);
    Atom* b = TestWorld::addAtom(piece, 105, 100, 1);
    TestWorld::addLink(piece, a, b, 0);
    Atom* c = TestWorld::addAtom(piece, 300, 100, 1);
    Atom* d = TestWorld::addAtom(piece, 305, 100, 1);
    c->group = 10;  // d examines c, and entries 10 to 49 of its table are 0
    w.world->step();
    EXPECT_TRUE(piece.ratios.empty());
    EXPECT_EQ(d->x, 305.0f);
}

TEST(Step, LinksAtExactlyTheirLimitsStayAndLinksBeyondSnap) {
    TestWorld w(0.0f);
    Junk piece(&w.root);
    auto pair = [&](float y, float rest) {
        Atom* a = TestWorld::addAtom(piece, 100, y, 1);
        Atom* b = TestWorld::addAtom(piece, 110, y, 1);  // exactly 10 apart
        Link* l = TestWorld::addLink(piece, a, b, 1);
        l->restLength = rest;
        return l;
    };
    Link* atMin = pair(100, 8.0f);   // ratio 0.8 == minRatio
    Link* atMax = pair(200, 12.0f);  // ratio 1.2 == maxRatio
    pair(300, 7.99f);                // below minRatio
    pair(400, -1.0f);                // default rest length: negative ratio
    Link* degenerate = pair(500, 0.0f);
    // Rest length 0 on coincident atoms: 0 / 0 is not a number, and such a link snaps.
    degenerate->atomB->x = degenerate->atomA->x;

    w.world->step();
    EXPECT_EQ(TestWorld::items(w.root.links), (std::vector<Link*>{atMax, atMin}));
    // A link at its limit is solved: the pair moved towards its rest length.
    EXPECT_LT(atMin->atomB->x - atMin->atomA->x, 10.0f);
    EXPECT_GT(atMax->atomB->x - atMax->atomA->x, 10.0f);
}

TEST(Step, ASnappingLinkWhoseCascadeRemovesOthersNeitherSkipsNorRepeatsTheNext) {
    TestWorld w(0.0f);
    Junk piece(&w.root);
    Texture tex;
    // Solved once, "probe" moves its atoms 0.1 apart each; solved twice, 0.2.
    Atom* p = TestWorld::addAtom(piece, 100, 300, 1);
    Atom* q = TestWorld::addAtom(piece, 110, 300, 1);
    Link* probe = TestWorld::addLink(piece, p, q, 1);
    probe->restLength = 11;
    // Also snaps, right after the cascade in list order.
    Atom* s = TestWorld::addAtom(piece, 300, 300, 1);
    Atom* t = TestWorld::addAtom(piece, 340, 300, 1);
    Link* alsoSnaps = TestWorld::addLink(piece, s, t, 1);
    alsoSnaps->restLength = 10;
    // A triangle whose edge a-b is stretched far past its limit; its other edges
    // b-c and a-c stand after it in the list and go with the triangle.
    Atom* a = TestWorld::addAtom(piece, 500, 300, 1);
    Atom* b = TestWorld::addAtom(piece, 520, 300, 1);
    Atom* c = TestWorld::addAtom(piece, 510, 315, 1);
    TestWorld::addLink(piece, b, c, 1);
    TestWorld::addLink(piece, a, c, 1);
    Link* ab = TestWorld::addLink(piece, a, b, 1);
    ab->restLength = 5;
    TestWorld::addTriangle(piece, a, b, c, &tex);
    ASSERT_EQ(w.root.links.first()->value, ab);

    w.world->step();
    EXPECT_EQ(TestWorld::items(w.root.links), (std::vector<Link*>{probe}));
    EXPECT_EQ(w.root.triangles.count, 0);
    EXPECT_EQ(piece.removedLinks, 4);
    // One solve moves each end 0.1; with the carried share the step ends 10.38 apart.
    EXPECT_NEAR(q->x - p->x, 10.38f, 1e-4);
}

TEST(Step, ADeadAtomInTheMiddleIsRemovedWithItsLinksAndTheWalkGoesOn) {
    TestWorld w(0.0f);
    RecordingJunk piece(&w.root);
    Atom* a = TestWorld::addAtom(piece, 100, 100, 1);
    Atom* b = TestWorld::addAtom(piece, 112, 100, 1);
    Atom* c = TestWorld::addAtom(piece, 124, 100, 1);
    Link* ac = TestWorld::addLink(piece, a, c, 1);
    TestWorld::addLink(piece, b, a, 1);
    TestWorld::addLink(piece, b, c, 1);
    ASSERT_EQ(TestWorld::items(w.root.atoms), (std::vector<Atom*>{c, b, a}));
    b->dead = true;

    w.world->step();
    EXPECT_EQ(piece.log, (std::vector<std::string>{"moved 2", "remove 1", "moved 0"}));
    EXPECT_EQ(TestWorld::items(w.root.atoms), (std::vector<Atom*>{c, a}));
    EXPECT_EQ(TestWorld::items(w.root.links), (std::vector<Link*>{ac}));
    // a was integrated after losing a link, c before.
    EXPECT_TRUE(a->dead);
    EXPECT_FALSE(c->dead);
    EXPECT_FALSE(w.world->ids.test(1));
}

TEST(Step, ZeroIterationAtomsOnlyCountAndIntegrate) {
    TestWorld w(0.0f);
    RecordingJunk piece(&w.root);
    TestWorld::addAtom(piece, 100, 100, 0);
    TestWorld::addAtom(piece, 100, 100, 0);
    w.world->step();
    EXPECT_EQ(w.world->maxIterations, 0);
    EXPECT_EQ(w.world->stepCount, 2u);
    EXPECT_TRUE(piece.ratios.empty());

    w.world->paused = 1;
    w.world->step();
    EXPECT_EQ(w.world->stepCount, 2u);
}

uint64_t fnv(uint64_t h, const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

// A pile of lattices dropped onto each other, run long enough to collide, snap
// links and lose atoms. The hash covers every bit of the final state; it must not
// change with compiler, optimisation level or platform.
TEST(Step, APileIsBitForBitReproducible) {
    TestWorld w;
    Texture tex;
    std::vector<std::unique_ptr<Junk>> pieces;
    const float spots[][2] = {{150, 60},  {190, 130}, {160, 200}, {400, 60},
                              {420, 140}, {140, 270}, {380, 220}};
    for (auto& spot : spots) {
        pieces.push_back(std::make_unique<Junk>(&w.root));
        buildLattice(*pieces.back(), &tex, spot[0], spot[1], 7, 6, 11, 5, 0.4f, 0.6f, 1.6f);
    }
    for (int i = 0; i < 2000; ++i) w.root.tick();

    uint64_t h = 0xcbf29ce484222325ull;
    w.root.atoms.forEach([&](Atom* a) {
        for (float f : {a->x, a->y, a->prevX, a->prevY}) h = fnv(h, &f, sizeof f);
        h = fnv(h, &a->id, sizeof a->id);
        h = fnv(h, &a->linkCount, sizeof a->linkCount);
    });
    w.root.links.forEach([&](Link* l) {
        h = fnv(h, &l->atomA->id, sizeof(int32_t));
        h = fnv(h, &l->atomB->id, sizeof(int32_t));
    });
    w.root.triangles.forEach([&](Triangle* t) { h = fnv(h, &t->atomA->id, sizeof(int32_t)); });
    std::printf("atoms %d links %d triangles %d hash %016llx\n", w.root.atoms.count,
                w.root.links.count, w.root.triangles.count, static_cast<unsigned long long>(h));
    // Some links snapped and some atoms left, most of the pile stands.
    EXPECT_LT(w.root.links.count, 7 * (6 * 5 + 7 * 5 + 2 * 6 * 5));
    EXPECT_GT(w.root.atoms.count, 200);
    EXPECT_EQ(h, 0x64d84ce20daa61f8ull);
}

}  // namespace
