// The frame drawing proved by its pictures: scenes drawn by the game's renderer into
// an offscreen context and compared with the reference pictures in
// tests/data/pictures (regenerate: PIMO_UPDATE_PICTURES=1 build/debug/bin/picture_tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "content/report.h"
#include "picture_check.h"
#include "platform/gl.h"
#include "render/gl_renderer.h"
#include "render/grid.h"
#include "scene/roster.h"
#include "session/spawn_keys.h"
#include "stage.h"
#include "app/sandbox_controls.h"
#include "test_world.h"

namespace {

// The eight pieces of the game in two rows: triangles of every texture, some with
// alpha, batched by texture.
void loadEveryPiece(Stage& stage, float top) {
    const std::vector<std::string> files = gamePieceFiles();
    for (int i = 0; i < 8; ++i)
        stage.load(files[i].c_str(), 95.0f + 170.0f * float(i % 4), top - 150.0f * float(i / 4));
}

// Green lines: a wheel of visible links, with hidden ones between them that must
// not show; green points: a block of atoms no link uses, beside linked ones that
// must not show.
void addLinksAndAtoms(Stage& stage, float cx, float cy) {
    Junk& piece = stage.piece();
    Atom* hub = TestWorld::addAtom(piece, cx, cy);
    Atom* previous = nullptr;
    for (int i = 0; i < 18; ++i) {
        const float angle = float(i) * 0.349066f;
        Atom* rim = TestWorld::addAtom(piece, cx + 80 * std::cos(angle), cy + 80 * std::sin(angle));
        TestWorld::addLink(piece, hub, rim)->visible = i % 3 != 2;
        if (previous != nullptr) TestWorld::addLink(piece, previous, rim)->visible = i % 2 == 0;
        previous = rim;
    }
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 10; ++column)
            TestWorld::addAtom(piece, 420.0f + 24.0f * float(column) + float(row),
                               40.0f + 22.0f * float(row));
}

// Then, with links and atoms, through the controller's view zoomed and panned.
TEST(Pictures, TexturedPiecesOfEveryTextureAndTheViewPanningAndZoomingThem) {
    Stage stage;
    loadEveryPiece(stage, 330);
    EXPECT_EQ(checkPicture("pieces", stage.draw()), "");
    addLinksAndAtoms(stage, 330, 200);
    stage.korvel->view.zoom = 1.37f;
    stage.korvel->view.panX = -151.3f;
    stage.korvel->view.panY = -108.7f;
    EXPECT_EQ(checkPicture("view", stage.draw()), "");
}

// Translucent black lines show only over something: a pale backdrop behind the world.
TEST(Pictures, GridLinesWeighedByTheirIndex) {
    Stage stage;
    loadEveryPiece(stage, 330);
    Grid* grid = stage.korvel->gridChild;
    stage.overlay([grid] {
        glColor3f(0.95f, 0.9f, 0.75f);
        glBegin(GL_QUADS);
        glVertex3f(0, 0, -1);
        glVertex3f(700, 0, -1);
        glVertex3f(700, 430, -1);
        glVertex3f(0, 430, -1);
        glEnd();
        grid->drawGridLines(9, 5, 19, 37);
    });
    EXPECT_EQ(checkPicture("grid", stage.draw()), "");
}

// Every glyph of the font at the renderer's size. The raster position lies at z 0,
// behind the triangles (z 0.1): the depth test hides the glyphs under the brick.
TEST(Pictures, TextThroughTheFontDisplayLists) {
    Stage stage;
    stage.load("drask2.pob", 350, 215);
    stage.overlay([] {
        glColor3f(1, 1, 0.4f);
        drawText(20, 395, "Pimo Drask 0.1  steps 1234  frame skip 3");
        glColor3f(0.3f, 0.8f, 1);
        drawText(20, 200, "!\"#$%&'()*+,-./0123456789:;<=>?@");
        drawText(20, 170, "ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`");
        drawText(20, 140, "abcdefghijklmnopqrstuvwxyz{|}~");
        glColor3f(1, 1, 1);
        drawText(20, 20, "Saved screenshot-0001.png");
    });
    EXPECT_EQ(checkPicture("text", stage.draw()), "");
}

// The player's view of the sandbox: the information overlay over the world, the
// grid under the pieces, a reported line in the message bar; then the help card.
TEST(Pictures, TheOverlayGridMessageBarAndHelpCard) {
    Stage stage;
    loadEveryPiece(stage, 330);
    addLinksAndAtoms(stage, 330, 200);
    SandboxControls& controls = *stage.korvel->controls;
    controls.overlayVisible = true;
    controls.gridVisible = true;
    report(Severity::error, "pimo3.pob: left out 2 links and 1 triangle");
    controls.restartRates();
    EXPECT_EQ(checkPicture("overlay", stage.draw()), "");
    controls.helpVisible = true;
    controls.restartRates();
    EXPECT_EQ(checkPicture("help", stage.draw()), "");
}

bool lit(const Picture& picture, int x, int y) {
    const uint8_t* p = picture.pixel(x, picture.height - 1 - y);
    return p[0] + p[1] + p[2] > 60;
}

// zoom, pan x and y, window width
class WorldBox : public ::testing::TestWithParam<std::tuple<float, float, float, int32_t>> {};

// The empty world's box, each wall found where the view puts it (x = offset +
// zoom * (x + pan)) with nothing just inside; the design's view draws nothing.
TEST_P(WorldBox, ShowsWhereTheViewPutsTheWalls) {
    const auto [zoom, panX, panY, windowWidth] = GetParam();
    Stage stage;
    stage.korvel->view.zoom = zoom;
    stage.korvel->view.panX = panX;
    stage.korvel->view.panY = panY;
    // A wider window: the frame is centred in it (the picture keeps the design's size).
    stage.korvel->renderer->width = windowWidth;
    const Picture picture = stage.draw();
    const float offset = float(windowWidth - 700) / 2;
    const float left = offset + zoom * panX;
    const float right = offset + zoom * (700 + panX);
    const float floor = zoom * panY;
    const float top = zoom * (530 + panY);
    const auto mid = [](float a, float b, int size) {
        return int(
            (std::clamp(a, 10.0f, float(size) - 10) + std::clamp(b, 10.0f, float(size) - 10)) / 2);
    };
    // Each wall on the picture lit where it runs (or a pixel before), dark just inside.
    const struct {
        float at;
        bool vertical;
        int inward;
    } walls[] = {{left, true, 6}, {right, true, -6}, {floor, false, 6}, {top, false, -6}};
    int shown = 0;
    for (const auto& w : walls) {
        if (w.at < 2 || w.at > (w.vertical ? 697 : 427)) continue;
        const int across = w.vertical ? mid(floor, top, 430) : mid(left, right, 700);
        const auto litAt = [&](int along) {
            return w.vertical ? lit(picture, along, across) : lit(picture, across, along);
        };
        EXPECT_TRUE(litAt(int(w.at)) || litAt(int(w.at) - 1)) << "wall at " << w.at;
        EXPECT_FALSE(litAt(int(w.at) + w.inward)) << "inside the wall at " << w.at;
        ++shown;
    }
    if (shown == 0) {
        EXPECT_EQ(std::count(picture.rgb.begin(), picture.rgb.end(), 0), long(picture.rgb.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Views, WorldBox,
                         ::testing::Values(std::tuple{0.5f, 100.0f, 60.0f, 700},
                                           std::tuple{1.0f, -30.0f, 0.0f, 700},
                                           std::tuple{1.0f, 0.0f, 0.0f, 800},
                                           std::tuple{1.0f, 0.0f, 0.0f, 700}));

// A line longer than the window goes on over more rows, inside the window at any
// width; errors and confirmations in colours of their own, the newest lowest.
TEST(Pictures, TheMessageBarWrapsLongLinesInsideTheWindow) {
    for (const auto& [width, errorRows] : {std::pair{700, 3}, std::pair{400, 4}}) {
        Stage stage;
        stage.korvel->renderer->width = width;
        report(Severity::error,
               "world-0003.pdw: the file ends in the middle of its atoms, so nothing "
               "was loaded and the world on screen stays as it was");
        report(Severity::confirmation, "Saved screenshot-0001.png");
        const Picture picture = stage.draw();
        // Text rows from the bottom, glyphs from 4 below to 14 above a baseline 24
        // apart: i for info, e for error, b for both, . for none.
        std::string rows;
        for (int row = 0; row <= errorRows + 1; ++row) {
            int error = 0, info = 0;
            for (int y = 10 + 24 * row; y <= 28 + 24 * row; ++y)
                for (int x = 0; x < 700; ++x) {
                    const uint8_t* p = picture.pixel(x, picture.height - 1 - y);
                    const bool orange = p[0] > 200 && p[1] > 100 && p[1] < 180;
                    const bool green = p[1] > 200 && p[0] < 60;
                    if ((orange || green) && x >= width - 8) ADD_FAILURE() << "text at x " << x;
                    error += orange;
                    info += green;
                }
            rows += error > 0 ? (info > 0 ? 'b' : 'e') : (info > 0 ? 'i' : '.');
        }
        EXPECT_EQ(rows, "i" + std::string(std::size_t(errorRows), 'e') + ".") << "window " << width;
    }
}

// F12 saves what the frame drew under the next free number, past a file and a
// folder already there; without a folder to write in it says so.
TEST(Pictures, F12SavesWhatTheWindowShowsUnderTheNextFreeNumber) {
    const std::filesystem::path dir = std::filesystem::path(PIMO_PICTURES_OUT) / "screenshots";
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "screenshot-0003.png");
    std::filesystem::current_path(dir);
    std::ofstream("screenshot-0001.png") << "someone's file";
    Stage stage;
    stage.load("drask1.pob", 150, 200);
    stage.load("pimo3.pob", 500, 260);
    const Picture shown = stage.draw();
    for (int i = 0; i < 2; ++i) {
        stage.korvel->keyDown(VK_F12);
        stage.korvel->keyUp(VK_F12);
    }
    EXPECT_TRUE(loadPng("screenshot-0002.png").rgb == shown.rgb) << "not the picture drawn";
    EXPECT_TRUE(std::filesystem::is_regular_file("screenshot-0004.png"));
    EXPECT_EQ(std::filesystem::file_size("screenshot-0001.png"), 14u);
    std::filesystem::remove_all(dir);
    testing::internal::CaptureStderr();
    stage.korvel->keyDown(VK_F12);
    EXPECT_TRUE(testing::internal::GetCapturedStderr().starts_with("Could not create"));
    std::filesystem::current_path(home);
}

// pimo-sim --png, run as a user runs it and with no display: pieces dropped on one
// another and crumbling, drawn by the same frame drawing.
TEST(Pictures, PimoSimDrawsTheFinalWorldWithoutADisplay) {
    const std::filesystem::path out = std::filesystem::path(PIMO_PICTURES_OUT) / "sim.png";
    std::filesystem::create_directories(out.parent_path());
    std::filesystem::remove(out);
    const std::string command = std::string("cd '") + PIMO_ASSETS + "' && env -u DISPLAY '" +
                                PIMO_SIM + "' --steps 130 --png '" + out.string() +
                                "' 0:pimo3.pob:150:300 0:drask2.pob:170:160 0:pimo1.pob:400:420"
                                " 0:drask4.pob:420:200 40:pimo4.pob:600:500";
    // Status 3 says a piece was loaded with records left out, which a piece partly
    // above the world is; the run itself succeeded.
    const int status = std::system(command.c_str());
    ASSERT_TRUE(status == 0 || status == 3 << 8) << status << ": " << command;
    EXPECT_EQ(checkPicture("sim", loadPng(out.string())), "");
}

}  // namespace
