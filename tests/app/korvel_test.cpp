#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/korvel.h"
#include "app/window_proc.h"
#include "fakes.h"
#include "physics/atom.h"
#include "piece_dir.h"
#include "render/gl_renderer.h"
#include "render/grid.h"
#include "scene/roster.h"

namespace {

class KorvelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        GLRenderer::fullscreen = false;
        dir.writeFamily("drask", PieceDir::triangle());
        dir.writeFamily("pimo", PieceDir::triangle());
        korvel = std::make_unique<Korvel>(nullptr);
    }

    // Where the first atom of the newest piece landed: the piece origin.
    std::pair<float, float> newestOrigin() {
        Junk* piece = korvel->pieces.first()->value;
        EXPECT_NE(piece, nullptr);
        Atom* first = nullptr;
        piece->atoms.forEach([&](Atom* a) { first = a; });  // the list reads newest first
        return {first->x, first->y};
    }

    PieceDir dir;
    std::unique_ptr<Korvel> korvel;
};

TEST_F(KorvelTest, TheWindowProcedureReachesTheGameWhileTheWindowIsCreated) {
    EXPECT_EQ(currentGame, korvel.get());
    EXPECT_EQ(currentRenderer, korvel->renderer);
    EXPECT_EQ(fake::state().createTitle, "Pimo Drask");
    // WM_SIZE from inside CreateWindowExA came through resize, before the context.
    EXPECT_LT(fake::state().indexOf("glViewport"), fake::state().indexOf("wglMakeCurrent"));
    EXPECT_EQ(korvel->renderer->height, 430);
    // The clear colour needs the context that open made current.
    EXPECT_EQ(fake::state().gl().back(), "glClearColor(0, 0, 0, 0)");
    EXPECT_EQ(korvel->children.count, 1);
    EXPECT_EQ(korvel->children.first()->value, korvel->gridChild);
}

TEST_F(KorvelTest, SpawnKeysSnapTheirScreenPositionsToTheGrid) {
    korvel->keyDown('1');
    EXPECT_EQ(newestOrigin(), std::make_pair(152.0f, 418.0f));
    korvel->keyDown('0');
    EXPECT_EQ(newestOrigin(), std::make_pair(532.0f, 418.0f));
    korvel->keyDown('9');
    EXPECT_EQ(newestOrigin(), std::make_pair(418.0f, 418.0f));
    EXPECT_EQ(korvel->keys['9'], 1);
}

TEST_F(KorvelTest, SnappingGoesToTheNearestStepAndHalfWayDown) {
    EXPECT_EQ(snapToStep(19, 38), 0);
    EXPECT_EQ(snapToStep(19.5f, 38), 38);
    EXPECT_EQ(snapToStep(57, 38), 38);
    EXPECT_EQ(snapToStep(430, 38), 418);
    korvel->snapToGrid = false;
    korvel->spawnDrask(19.5f, 57);
    EXPECT_EQ(newestOrigin(), std::make_pair(19.5f, 57.0f));
}

TEST_F(KorvelTest, EverySpawnAddsAChildAndAPieceNewestFirst) {
    korvel->keyDown('1');
    korvel->keyDown('7');
    korvel->keyDown('4');
    EXPECT_EQ(korvel->children.count, 4);
    ASSERT_EQ(korvel->pieces.count, 3);
    std::vector<Object*> children, pieces;
    korvel->children.forEach([&](Object* o) { children.push_back(o); });
    korvel->pieces.forEach([&](Junk* j) { pieces.push_back(j); });
    EXPECT_EQ(children.back(), korvel->gridChild);
    children.pop_back();
    EXPECT_EQ(children, pieces);
    EXPECT_EQ(korvel->atoms.count, 9);
}

TEST_F(KorvelTest, QWAndEscapeActAndOtherKeysOnlySetTheirState) {
    korvel->keyDown('Q');
    EXPECT_EQ(korvel->frameSkip, 1u);
    for (int key : {int('W'), int('W'), int('Q'), int('5'), int('6'), -1, 256, 256 + '1'})
        korvel->keyDown(key);
    EXPECT_EQ(korvel->frameSkip, 2u);
    EXPECT_EQ(korvel->keys['5'], 1);
    EXPECT_EQ(korvel->children.count, 1);
    EXPECT_FALSE(korvel->quitRequested);
    korvel->keyDown(VK_ESCAPE);
    EXPECT_TRUE(korvel->quitRequested);
    EXPECT_EQ(korvel->keys[VK_ESCAPE], 1);
}

TEST_F(KorvelTest, AMissingPieceFileIsReportedAndSpawnsNothing) {
    dir.removeFamily("pimo");
    testing::internal::CaptureStderr();
    korvel->keyDown('0');
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Unable to open pimo", 0), 0u) << err;
    EXPECT_NE(err.find(".pob\n"), std::string::npos) << err;
    EXPECT_EQ(korvel->children.count, 1);
    EXPECT_EQ(korvel->pieces.count, 0);
}

TEST_F(KorvelTest, ARefusedPieceLeavesNoEmptyPieceBehind) {
    std::vector<uint8_t> truncated = writePieceFile(PieceDir::triangle());
    truncated.resize(30);
    for (int n = 1; n <= 4; ++n) dir.write("drask" + std::to_string(n) + ".pob", truncated);
    testing::internal::CaptureStderr();
    korvel->keyDown('2');
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("drask", 0), 0u) << err;
    EXPECT_EQ(korvel->children.count, 1);
    EXPECT_EQ(korvel->pieces.count, 0);
    EXPECT_EQ(korvel->atoms.count, 0);
    korvel->keyDown('8');  // the game goes on
    EXPECT_EQ(korvel->pieces.count, 1);
}

TEST_F(KorvelTest, FramesCarryTheViewAndTheOverlayLineWidth) {
    fake::state().journal.clear();
    korvel->renderer->drawFrame();
    const std::vector<std::string> gl = fake::state().gl();
    ASSERT_GE(gl.size(), 5u);
    EXPECT_EQ(gl[2], "glScalef(1, 1, 1)");
    EXPECT_EQ(gl[3], "glTranslatef(0, 0, 0)");
    EXPECT_EQ(gl.back(), "glLineWidth(4)");
}

}  // namespace
