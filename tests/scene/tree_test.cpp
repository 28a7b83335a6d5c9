#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_world.h"

namespace {

// Records the operations that reach it and what the root had done by then.
struct LoggingJunk : Junk {
    explicit LoggingJunk(Object* parent, std::vector<std::string>* log = nullptr)
        : Junk(parent), log(log) {}
    Atom* addAtom(Atom* atom) override {
        if (log) log->push_back("addAtom");
        return Junk::addAtom(atom);
    }
    void removeAtom(Atom* atom) override {
        if (log) log->push_back("removeAtom");
        Junk::removeAtom(atom);
    }
    std::vector<std::string>* log;
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

TEST(ObjectTree, TagRoutingGoesToTheNewestMatchingChildAndOwnerIsTheDeepest) {
    TestWorld w;
    Object level1(&w.root);
    std::vector<std::string> olderLog, newerLog;
    LoggingJunk older(&level1, &olderLog);
    LoggingJunk newer(&level1, &newerLog);
    int32_t tag = 7;
    older.atomTags.pushFront(&tag);
    newer.atomTags.pushFront(&tag);

    Atom* tagged = TestWorld::makeAtom(50, 50);
    tagged->tag = 7;
    level1.adoptAtom(tagged);
    EXPECT_EQ(tagged->owner, &newer);
    EXPECT_EQ(newerLog, (std::vector<std::string>{"addAtom"}));
    EXPECT_TRUE(olderLog.empty());
    EXPECT_TRUE(newer.atoms.contains(tagged));

    // No tag matches: the receiving object keeps it.
    Atom* plain = TestWorld::makeAtom(60, 50);
    level1.adoptAtom(plain);
    EXPECT_EQ(plain->owner, &level1);
    EXPECT_EQ(newerLog.size(), 1u);
    EXPECT_TRUE(w.root.atoms.contains(plain));
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
    LoggingJunk custom(&w.root);
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

TEST(Roster, AddTextureListsBeforeTheParentAndTheRootKeepsNone) {
    TestWorld w;
    Junk piece(&w.root);
    Texture t;
    EXPECT_EQ(piece.addTexture(&t), &t);
    EXPECT_EQ(TestWorld::items(piece.textures), (std::vector<Texture*>{&t}));
    EXPECT_EQ(w.root.textures.count, 0);
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
