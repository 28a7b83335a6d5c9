#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "test_world.h"

namespace {

struct RecordingJunk : Junk {
    using Junk::Junk;
    std::vector<float> ratios;
    void onCollide(Atom* own, Atom* other, float ratio) override {
        ratios.push_back(ratio);
        Junk::onCollide(own, other, ratio);
    }
};

// One step without gravity, pairs far apart: coincident atoms are pushed apart
// along y and told ratio 10, atoms exactly touching are told ratio 1 and stay, and
// linked atoms or a group outside the examining atom's table are not examined.
TEST(Step, ContactsPushCoincidentAtomsApartAndSkipLinkedOrUnlistedOnes) {
    TestWorld w(0.0f);
    RecordingJunk piece(&w.root);
    Atom* low = TestWorld::addAtom(piece, 100, 100, 1);
    Atom* high = TestWorld::addAtom(piece, 100, 100, 1);
    // Carry the whole push into the previous position so integration adds nothing.
    low->pushCarry = high->pushCarry = 1;
    Atom* touchA = TestWorld::addAtom(piece, 200, 100, 1);
    Atom* touchB = TestWorld::addAtom(piece, 210, 100, 1);
    TestWorld::addLink(piece, TestWorld::addAtom(piece, 300, 100, 1),
                       TestWorld::addAtom(piece, 305, 100, 1), 0);
    TestWorld::addAtom(piece, 400, 100, 1)->group = 10;
    Atom* examiner = TestWorld::addAtom(piece, 405, 100, 1);  // its entries 10 to 49 are 0
    w.world->step();
    EXPECT_EQ(std::tuple(low->y, high->y, high->x), std::tuple(95.5f, 104.5f, 100.0f));
    EXPECT_EQ(std::tuple(touchA->x, touchB->x, examiner->x), std::tuple(200.0f, 210.0f, 405.0f));
    std::sort(piece.ratios.begin(), piece.ratios.end());
    EXPECT_EQ(piece.ratios, (std::vector<float>{1.0f, 1.0f, 10.0f, 10.0f}));
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

}  // namespace
