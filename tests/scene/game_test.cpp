#include <gtest/gtest.h>

#include <vector>

#include "scene/display.h"
#include "test_world.h"

namespace {

// A class of its own may override the contact calls.
struct CustomJunk : Junk {
    using Junk::Junk;
};

TEST(ObjectTree, ChildrenComeNewestFirstAndRemovalClimbsToTheRootFirstAndCountsAtEveryLevel) {
    struct CheckingGame : Game {
        Junk* piece = nullptr;
        bool pieceStillHadIt = false;
        void removeAtom(Atom* atom) override {
            pieceStillHadIt = piece->atoms.contains(atom);
            Game::removeAtom(atom);
        }
    } root;
    System* world = new System(&root);
    root.world = world;
    Object older(&root);
    Object middle(&root);
    Junk piece(&middle);
    root.piece = &piece;
    EXPECT_EQ(TestWorld::items(root.children), (std::vector<Object*>{&middle, &older}));
    older.teardown();
    EXPECT_TRUE(older.destroyed);
    EXPECT_EQ(TestWorld::items(root.children), (std::vector<Object*>{&middle}));

    Atom* a = TestWorld::addAtom(piece, 10, 10);
    piece.removeAtom(a);
    EXPECT_TRUE(root.pieceStillHadIt);
    EXPECT_EQ(root.removedAtoms, 1);
    EXPECT_EQ(middle.removedAtoms, 1);
    EXPECT_EQ(piece.removedAtoms, 1);
    EXPECT_EQ(piece.atoms.count, 0);
    EXPECT_EQ(root.atoms.count, 0);
    EXPECT_FALSE(world->ids.test(0));
    root.teardown();  // parentless: only the flag
    EXPECT_TRUE(root.destroyed);
    delete a;
    delete world;
}

// The step skips mayCollide and onCollide only for owners whose answers are the
// Game's own; a class that may override them is asked.
TEST(ObjectTree, OnlyTheForwardingClassesUnderTheGameNeedNoContactCalls) {
    TestWorld w;
    Junk piece(&w.root);
    Object part(&piece);
    CustomJunk custom(&w.root);
    Object underCustom(&custom);
    EXPECT_FALSE(w.root.hearsContacts());
    EXPECT_FALSE(piece.hearsContacts());
    EXPECT_FALSE(part.hearsContacts());
    EXPECT_TRUE(custom.hearsContacts());
    EXPECT_TRUE(underCustom.hearsContacts());

    struct OwnRoot : Game {};
    OwnRoot root;
    Junk underOwnRoot(&root);
    EXPECT_TRUE(underOwnRoot.hearsContacts());
}

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

// Four triangles on the edge a-b, one more (b, d, e) apart.
TEST(Game, TrianglesGroupByTextureWireToTheFirstMatchingLinksAndGoWithAnyOfThem) {
    TestWorld w;
    Junk piece(&w.root);
    Texture t1, t2;  // t1 created first
    Atom* a = TestWorld::addAtom(piece, 100, 100);
    Atom* b = TestWorld::addAtom(piece, 112, 100);
    Atom* c = TestWorld::addAtom(piece, 106, 110);
    Atom* d = TestWorld::addAtom(piece, 106, 90);
    Atom* e = TestWorld::addAtom(piece, 120, 90);
    Link* ab = TestWorld::addLink(piece, a, b);
    Link* ba = TestWorld::addLink(piece, b, a);  // newer: stands before ab
    Link* ac = TestWorld::addLink(piece, a, c);
    Link* bc = TestWorld::addLink(piece, c, b);
    TestWorld::addLink(piece, a, d);
    Link* bd = TestWorld::addLink(piece, b, d);
    Link* de = TestWorld::addLink(piece, d, e);
    Link* be = TestWorld::addLink(piece, b, e);
    Triangle* firstT2 = TestWorld::addTriangle(piece, a, b, c, &t2);
    Triangle* onlyT1 = TestWorld::addTriangle(piece, a, b, c, &t1);
    Triangle* secondT2 = TestWorld::addTriangle(piece, a, b, c, &t2);
    Triangle* abd = TestWorld::addTriangle(piece, a, b, d, &t1);
    Triangle* apart = TestWorld::addTriangle(piece, b, d, e, &t1);
    EXPECT_EQ(TestWorld::items(w.root.triangles),
              (std::vector<Triangle*>{apart, abd, onlyT1, secondT2, firstT2}));
    EXPECT_EQ(firstT2->edgeAB, ba);
    EXPECT_EQ(firstT2->edgeAC, ac);
    EXPECT_EQ(firstT2->edgeBC, bc);
    EXPECT_EQ(ba->triangleCount, 4);
    EXPECT_EQ(ab->triangleCount, 0);
    EXPECT_EQ(firstT2->owner, &piece);

    // The triangles on b-a go, and with them the links that bordered only them:
    // a-c, c-b and a-d; b-d still borders "apart", and a-b never bordered any.
    destroyLink(ba);
    EXPECT_EQ(w.root.removedTriangles, 4);
    EXPECT_EQ(piece.removedTriangles, 4);
    EXPECT_EQ(TestWorld::items(w.root.triangles), (std::vector<Triangle*>{apart}));
    EXPECT_EQ(TestWorld::items(w.root.links), (std::vector<Link*>{be, de, bd, ab}));
    EXPECT_EQ(bd->triangleCount, 1);
    EXPECT_EQ(w.root.removedLinks, 4);
    EXPECT_EQ(c->linkCount, 0);
    // An atom moved with fewer than two links left is dead.
    for (Atom* atom : {a, b, c}) piece.atomMoved(atom);
    EXPECT_TRUE(a->dead && c->dead);
    EXPECT_FALSE(b->dead);

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
