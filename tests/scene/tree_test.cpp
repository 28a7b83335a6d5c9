#include <gtest/gtest.h>

#include <vector>

#include "test_world.h"

namespace {

// A class of its own may override the contact calls.
struct CustomJunk : Junk {
    using Junk::Junk;
};

TEST(ObjectTree, ChildrenAreVisitedNewestFirstAndTeardownLeavesTheParent) {
    Object root(nullptr);
    Object older(&root);
    Object newer(&root);
    EXPECT_EQ(TestWorld::items(root.children), (std::vector<Object*>{&newer, &older}));

    older.teardown();
    EXPECT_TRUE(older.destroyed);
    EXPECT_EQ(TestWorld::items(root.children), (std::vector<Object*>{&newer}));
    root.teardown();  // parentless: only the flag
    EXPECT_TRUE(root.destroyed);
}

TEST(ObjectTree, RemovalClimbsToTheRootFirstAndCountsAtEveryLevel) {
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
    Object middle(&root);
    Junk piece(&middle);
    root.piece = &piece;

    Atom* a = TestWorld::addAtom(piece, 10, 10);
    piece.removeAtom(a);
    EXPECT_TRUE(root.pieceStillHadIt);
    EXPECT_EQ(root.removedAtoms, 1);
    EXPECT_EQ(middle.removedAtoms, 1);
    EXPECT_EQ(piece.removedAtoms, 1);
    EXPECT_EQ(piece.atoms.count, 0);
    EXPECT_EQ(root.atoms.count, 0);
    EXPECT_FALSE(world->ids.test(0));
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

TEST(Junk, AtomsWithFewerThanTwoLinksAreMarkedDeadWhenMoved) {
    TestWorld w;
    Junk piece(&w.root);
    Atom* a = TestWorld::addAtom(piece, 10, 10);
    Atom* b = TestWorld::addAtom(piece, 20, 10);
    Atom* c = TestWorld::addAtom(piece, 15, 20);
    TestWorld::addLink(piece, a, b);
    TestWorld::addLink(piece, b, c);
    for (Atom* atom : {a, b, c}) piece.atomMoved(atom);
    EXPECT_TRUE(a->dead);
    EXPECT_FALSE(b->dead);
    EXPECT_TRUE(c->dead);
}

}  // namespace
