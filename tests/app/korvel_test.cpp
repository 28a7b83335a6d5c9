#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/korvel.h"
#include "app/window_proc.h"
#include "fakes.h"
#include "physics/atom.h"
#include "piece_dir.h"
#include "render/gl_renderer.h"
#include "scene/roster.h"

namespace {

class KorvelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        dir.writeFamily("drask", PieceDir::triangle());
        dir.writeFamily("pimo", PieceDir::triangle());
        korvel = std::make_unique<Korvel>(nullptr);
    }

    // Where the first atom of the newest piece landed: the piece origin.
    std::pair<float, float> newestOrigin() {
        Atom* first = nullptr;
        korvel->pieces.first()->value->atoms.forEach([&](Atom* a) { first = a; });
        return {first->x, first->y};
    }

    PieceDir dir;
    std::unique_ptr<Korvel> korvel;
};

TEST_F(KorvelTest, TheWindowProcedureReachesTheGameWhileTheWindowIsCreated) {
    EXPECT_EQ(currentGame, korvel.get());
    EXPECT_EQ(fake::state().texts("CreateWindowExA(Pimo Drask,").size(), 1u);
    // WM_SIZE from inside CreateWindowExA came through resize, before the context.
    EXPECT_LT(fake::state().indexOf("glViewport"), fake::state().indexOf("wglMakeCurrent"));
    EXPECT_EQ(korvel->renderer->height, 430);
    EXPECT_EQ(korvel->children.count, 1);
}

TEST_F(KorvelTest, SpawnKeysSnapTheirScreenPositionsToTheGrid) {
    const struct {
        int key;
        float x, y;
    } spawns[] = {{'1', 152, 418}, {'0', 532, 418}, {'9', 418, 418}};
    for (const auto& s : spawns) {
        korvel->keyDown(s.key);
        EXPECT_EQ(newestOrigin(), std::make_pair(s.x, s.y)) << char(s.key);
    }
    // Every spawn adds a piece as a child beside the grid.
    EXPECT_EQ(korvel->children.count, 4);
    EXPECT_EQ(korvel->pieces.count, 3);
}

TEST(SnapToStepTest, GoesToTheNearestStepAndHalfWayDown) {
    EXPECT_EQ(snapToStep(19, 38), 0);
    EXPECT_EQ(snapToStep(19.5f, 38), 38);
    EXPECT_EQ(snapToStep(57, 38), 38);
}

TEST_F(KorvelTest, QAndWChangeTheFrameSkipButNeverBelowOne) {
    for (int key : {'Q', 'W', 'W', 'Q'}) korvel->keyDown(key);
    EXPECT_EQ(korvel->frameSkip, 2u);
    for (int key : {'Q', 'Q', 'Q'}) korvel->keyDown(key);
    EXPECT_EQ(korvel->frameSkip, 1u);
}

TEST_F(KorvelTest, AMissingOrRefusedPieceFileIsReportedAndSpawnsNothing) {
    dir.removeFamily("pimo");
    std::vector<uint8_t> truncated = writePieceFile(PieceDir::triangle());
    truncated.resize(30);
    for (int n = 1; n <= 4; ++n) dir.write("drask" + std::to_string(n) + ".pob", truncated);
    testing::internal::CaptureStderr();
    korvel->keyDown('0');
    korvel->keyDown('2');
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Unable to open pimo", 0), 0u) << err;
    EXPECT_NE(err.find(".pob\ndrask"), std::string::npos) << err;
    EXPECT_EQ(korvel->children.count, 1);
    EXPECT_EQ(korvel->pieces.count, 0);
    EXPECT_EQ(korvel->atoms.count, 0);
}

}  // namespace
