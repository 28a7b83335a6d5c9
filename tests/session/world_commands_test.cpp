#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "content/texture_cache.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/roster.h"
#include "scene/world_hash.h"
#include "session/replay.h"
#include "session/world_commands.h"
#include "in_assets.h"
#include "test_world.h"

namespace {

class WorldCommandsTest : public InAssets {
  protected:
    void run(int steps) { InAssets::run(replay, steps); }
    Game& root() { return replay.root(); }
    WorldCommands& commands() { return replay.commands(); }

    ReplayWorld replay;
};

TEST_F(WorldCommandsTest, AHeldAtomIsCarriedToItsTargetWithinOneStepAndPullsItsPiece) {
    Junk* piece = commands().spawn("drask1.pob", 304, 418);
    ASSERT_NE(piece, nullptr);
    run(5);
    Atom* atom = commands().atomNear(304, 418, 40);
    ASSERT_NE(atom, nullptr);
    const float startY = atom->y;
    ASSERT_TRUE(commands().grab(atom->id));

    // Raised 30 units: there within the next step, and at rest there after it.
    commands().moveGrab(atom->x, startY + 30);
    run(1);
    EXPECT_NEAR(atom->y, startY + WorldCommands::kMaxTravel, 1e-3);
    run(5);
    EXPECT_NEAR(atom->y, startY + 30, 1e-3);
    run(3);
    EXPECT_NEAR(atom->y, startY + 30, 1e-3);
    // The rest of the piece hangs from it instead of falling to the floor.
    float lowest = 1e9f;
    piece->atoms.forEach([&](Atom* a) { lowest = a->y < lowest ? a->y : lowest; });
    EXPECT_GT(lowest, 0.0f);

    // Let go with a velocity: it goes on with it, under gravity again.
    commands().release(2, 3);
    EXPECT_FALSE(atom->kinematic);
    EXPECT_EQ(atom->x - atom->prevX, 2);
    EXPECT_EQ(atom->y - atom->prevY, 3);
    EXPECT_GT(atom->invMass, 0);
    // A throw is never faster than the atom could follow.
    ASSERT_TRUE(commands().grab(atom->id));
    commands().release(30, -40);
    EXPECT_NEAR(atom->x - atom->prevX, 3, 1e-5);
    EXPECT_NEAR(atom->y - atom->prevY, -4, 1e-5);
    EXPECT_GT(atom->invMass, 0);
    EXPECT_EQ(commands().held(), nullptr);
}

TEST_F(WorldCommandsTest, PlacingPutsTheAtomThereAtRestAndTargetsStayInsideTheWorld) {
    // A lone atom of the root: no piece to tear it from, nothing marks it dead.
    Atom* atom = TestWorld::makeAtom(350, 265);
    root().adoptAtom(atom);
    ASSERT_TRUE(commands().grab(atom->id));
    commands().placeGrab(100, 200);
    EXPECT_EQ(atom->x, 100);
    EXPECT_EQ(atom->prevY, 200);
    commands().placeGrab(-50, 9000);
    EXPECT_EQ(atom->x, 0);
    EXPECT_EQ(atom->y, root().world->height);
    // It travels at most kMaxTravel a step, and no further than the border.
    commands().moveGrab(800, -1);
    run(1);
    EXPECT_NEAR(atom->x * atom->x + (530 - atom->y) * (530 - atom->y), 25, 1e-3);
    run(200);
    EXPECT_NEAR(atom->x, root().world->width, 1e-3);
    EXPECT_NEAR(atom->y, 0, 1e-3);
    commands().moveGrab(-5, 9000);
    run(200);
    EXPECT_NEAR(atom->x, 0, 1e-3);
    EXPECT_NEAR(atom->y, root().world->height, 1e-3);
    commands().release(0, 0);
    root().removeAtom(atom);
    delete atom;
}

TEST_F(WorldCommandsTest, NothingIsTakenThatIsNotThereOrHasDied) {
    commands().spawn("drask1.pob", 152, 418);
    EXPECT_EQ(commands().atomNear(600, 100, 4), nullptr);
    EXPECT_FALSE(commands().grab(4999));
    EXPECT_FALSE(commands().grab(-1));
    // Commands for a grab that is not there change nothing.
    const uint64_t before = worldHash(root());
    commands().moveGrab(1, 1);
    commands().placeGrab(1, 1);
    commands().release(5, 5);
    EXPECT_EQ(worldHash(root()), before);

    Atom* atom = commands().atomNear(152, 418, 40);
    ASSERT_TRUE(commands().grab(atom->id));
    // Its piece crumbles around it: it loses its links and leaves at the next step.
    // (One at a time: a link's fall can take others with it.)
    for (;;) {
        Link* link = nullptr;
        root().links.forEach([&](Link* l) {
            if (l->atomA == atom || l->atomB == atom) link = l;
        });
        if (link == nullptr) break;
        destroyLink(link);
    }
    run(3);
    EXPECT_EQ(commands().held(), nullptr);
    // Later pointer moves and the release must not reach the freed atom (the
    // sanitizer build would see it).
    commands().moveGrab(10, 10);
    commands().release(1, 1);
    run(2);
}

// A clear takes every piece, the images and the held atom. A world of pieces only
// is dropped whole, and what comes after runs exactly as in a world that never
// held anything; an atom no piece owns stays, and the pieces go one by one.
class Clear : public WorldCommandsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Clear, TakesThePiecesAndTheirImages) {
    Atom* lone = GetParam() ? TestWorld::makeAtom(600, 500) : nullptr;
    if (lone != nullptr) root().adoptAtom(lone);
    for (const char* file : {"drask1.pob", "drask3.pob", "pimo4.pob"})
        commands().spawn(file, 304, 418);
    run(120);
    ASSERT_TRUE(commands().grab(commands().atomNear(304, 418, 400)->id));
    const std::size_t images = sharedTextureCount();
    static std::size_t released = 0;
    released = 0;
    setTextureReleaser([](Texture&) { ++released; });
    commands().clear();
    setTextureReleaser(nullptr);
    EXPECT_EQ(commands().held(), nullptr);
    commands().release(1, 1);  // must not reach the freed atom
    EXPECT_GT(images, 0u);
    EXPECT_EQ(released, images);
    EXPECT_EQ(sharedTextureCount(), 0u);
    EXPECT_EQ(root().links.count + root().triangles.count + root().children.count, 0);
    if (lone != nullptr) {
        EXPECT_EQ(TestWorld::items(root().atoms), std::vector<Atom*>{lone});
        EXPECT_EQ(root().world->freeIds(), kMaxAtoms - 1);
        EXPECT_EQ(root().world->atomWithId(static_cast<uint32_t>(lone->id)), lone);
        const float y = lone->y;
        run(3);
        EXPECT_LT(lone->y, y);
        root().removeAtom(lone);
        delete lone;
        return;
    }
    EXPECT_EQ(root().atoms.count, 0);
    EXPECT_EQ(root().world->freeIds(), kMaxAtoms);
    commands().spawn("pimo1.pob", 266, 418);
    commands().spawn("drask2.pob", 304, 418);
    run(200);
    ReplayWorld fresh;
    fresh.commands().spawn("pimo1.pob", 266, 418);
    fresh.commands().spawn("drask2.pob", 304, 418);
    for (int i = 0; i < 200; ++i) fresh.root().tick();
    EXPECT_EQ(worldHash(root()), worldHash(fresh.root()));
    EXPECT_GT(root().atoms.count, 0);
    // The hash sees every bit: one ulp of one previous position tells them apart.
    Atom* atom = root().atoms.first()->value;
    atom->prevX = std::nextafter(atom->prevX, 1e9f);
    EXPECT_NE(worldHash(root()), worldHash(fresh.root()));
}

INSTANTIATE_TEST_SUITE_P(WithOrWithoutALoneAtom, Clear, ::testing::Bool());

}  // namespace
