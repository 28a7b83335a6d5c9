#include <gtest/gtest.h>

#include <vector>

#include "scene/display.h"
#include "test_world.h"

namespace {

TEST(Game, GlobalListsAreSortedByIterationsNewestFirstAmongEquals) {
    TestWorld w;
    Junk piece(&w.root);
    Atom* first5 = TestWorld::addAtom(piece, 10, 10, 5);
    Atom* only3 = TestWorld::addAtom(piece, 30, 10, 3);
    Atom* second5 = TestWorld::addAtom(piece, 50, 10, 5);
    EXPECT_EQ(TestWorld::items(w.root.atoms), (std::vector<Atom*>{second5, first5, only3}));
    EXPECT_EQ(TestWorld::items(piece.atoms), (std::vector<Atom*>{second5, only3, first5}));
    for (Atom* a : {first5, only3, second5}) EXPECT_EQ(a->owner, &piece);
    EXPECT_EQ(w.world->maxIterations, 5);

    Link* l4 = TestWorld::addLink(piece, first5, only3, 4);
    Link* l2 = TestWorld::addLink(piece, only3, second5, 2);
    Link* l9 = TestWorld::addLink(piece, first5, second5, 9);
    EXPECT_EQ(TestWorld::items(w.root.links), (std::vector<Link*>{l9, l4, l2}));
}

TEST(Game, TrianglesAreGroupedByTextureAndWiredToTheFirstMatchingLinks) {
    TestWorld w;
    Junk piece(&w.root);
    Texture t1, t2;  // t1 created first
    Atom* a = TestWorld::addAtom(piece, 100, 100);
    Atom* b = TestWorld::addAtom(piece, 112, 100);
    Atom* c = TestWorld::addAtom(piece, 106, 110);
    Link* ab = TestWorld::addLink(piece, a, b);
    Link* ba = TestWorld::addLink(piece, b, a);  // newer: stands before ab
    Link* ac = TestWorld::addLink(piece, a, c);
    Link* bc = TestWorld::addLink(piece, c, b);

    Triangle* firstT2 = TestWorld::addTriangle(piece, a, b, c, &t2);
    Triangle* onlyT1 = TestWorld::addTriangle(piece, a, b, c, &t1);
    Triangle* secondT2 = TestWorld::addTriangle(piece, a, b, c, &t2);
    EXPECT_EQ(TestWorld::items(w.root.triangles),
              (std::vector<Triangle*>{onlyT1, secondT2, firstT2}));

    EXPECT_EQ(firstT2->edgeAB, ba);
    EXPECT_EQ(firstT2->edgeAC, ac);
    EXPECT_EQ(firstT2->edgeBC, bc);
    EXPECT_EQ(ba->triangleCount, 3);
    EXPECT_EQ(ab->triangleCount, 0);
    EXPECT_EQ(firstT2->owner, &piece);
}

TEST(Game, RemovingALinkRemovesEveryTriangleOnItAndAppliesThePiecesRule) {
    TestWorld w;
    Junk piece(&w.root);
    Texture tex;
    // Two triangles on the shared edge a-b, a third one (b, d, e) apart.
    Atom* a = TestWorld::addAtom(piece, 100, 100);
    Atom* b = TestWorld::addAtom(piece, 112, 100);
    Atom* c = TestWorld::addAtom(piece, 106, 110);
    Atom* d = TestWorld::addAtom(piece, 106, 90);
    Atom* e = TestWorld::addAtom(piece, 120, 90);
    Link* ab = TestWorld::addLink(piece, a, b);
    Link* ac = TestWorld::addLink(piece, a, c);
    Link* bc = TestWorld::addLink(piece, b, c);
    Link* ad = TestWorld::addLink(piece, a, d);
    Link* bd = TestWorld::addLink(piece, b, d);
    Link* de = TestWorld::addLink(piece, d, e);
    Link* be = TestWorld::addLink(piece, b, e);
    TestWorld::addTriangle(piece, a, b, c, &tex);
    TestWorld::addTriangle(piece, a, b, d, &tex);
    Triangle* apart = TestWorld::addTriangle(piece, b, d, e, &tex);

    destroyLink(ab);
    EXPECT_EQ(w.root.removedTriangles, 2);
    EXPECT_EQ(piece.removedTriangles, 2);
    EXPECT_EQ(TestWorld::items(w.root.triangles), (std::vector<Triangle*>{apart}));
    // ac, bc, ad bordered only the removed triangles; bd still borders "apart".
    EXPECT_EQ(TestWorld::items(w.root.links), (std::vector<Link*>{be, de, bd}));
    EXPECT_EQ(bd->triangleCount, 1);
    EXPECT_FALSE(bd->visible);
    EXPECT_EQ(w.root.removedLinks, 4);
    EXPECT_EQ(c->linkCount, 0);
    (void)ac, (void)bc, (void)ad;

    // A link no triangle uses: only the link list, the pair bit and the counter change.
    Atom* f = TestWorld::addAtom(piece, 300, 300);
    Atom* g = TestWorld::addAtom(piece, 310, 300);
    Link* fg = TestWorld::addLink(piece, f, g);
    EXPECT_FALSE(w.world->pairs.test(static_cast<size_t>(g->id) * kMaxAtoms + f->id));
    destroyLink(fg);
    EXPECT_TRUE(w.world->pairs.test(static_cast<size_t>(g->id) * kMaxAtoms + f->id));
    EXPECT_EQ(w.root.removedLinks, 5);
    EXPECT_EQ(w.root.triangles.count, 1);
}

TEST(Game, TickDrawsWhenTheStepCountIsAMultipleOfFrameSkip) {
    struct CountingDisplay : Display {
        std::vector<uint32_t> framesAt;
        uint32_t* stepCount = nullptr;
        bool drawFrame() override {
            framesAt.push_back(*stepCount);
            return true;
        }
    } renderer;
    TestWorld w;
    w.root.keyDown(-1);  // a write before the key table would show in the sanitizer build
    renderer.stepCount = &w.world->stepCount;
    w.root.renderer = &renderer;
    w.root.frameSkip = 3;
    for (int i = 0; i < 9; ++i) w.root.tick();
    EXPECT_EQ(renderer.framesAt, (std::vector<uint32_t>{3, 6, 9}));

    w.root.paused = true;
    w.root.tick();
    EXPECT_EQ(w.world->stepCount, 10u);
    EXPECT_EQ(renderer.framesAt.size(), 3u);

    // No renderer: the world still steps.
    w.root.paused = false;
    w.root.renderer = nullptr;
    w.root.tick();
    EXPECT_EQ(w.world->stepCount, 11u);
}

}  // namespace
