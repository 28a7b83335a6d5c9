#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "content/texture.h"
#include "content/triangle.h"
#include "fakes.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "render/gl_renderer.h"
#include "render/grid.h"
#include "render/texture_upload.h"
#include "scene/game.h"
#include "scene/roster.h"

namespace {

using Names = std::vector<std::string>;

// A world root drawn by a renderer over the fake GL, with one piece to hold records.
class FrameTest : public ::testing::Test {
  protected:
    FrameTest() : world(new System(&root, 700, 530, -0.05f, 0.1f, 0.1f)) {
        root.world = world.get();
        root.renderer = &renderer;
        renderer.deviceContext = fake::kDeviceContext;
        fake::reset();
    }
    ~FrameTest() override {
        root.triangles.forEach([](Triangle* t) { delete t; });
        root.links.forEach([](Link* l) { delete l; });
        root.atoms.forEach([](Atom* a) { delete a; });
    }

    Atom* atom(float x, float y) {
        Atom* a = new Atom(x, y, 1, 0, 0, 0.1f, 5);
        piece.adoptAtom(a);
        return a;
    }
    Link* link(Atom* a, Atom* b) {
        Link* l = new Link;
        l->atomA = a;
        l->atomB = b;
        a->linkAttached(l);
        b->linkAttached(l);
        piece.adoptLink(l);
        return l;
    }
    Triangle* triangle(Texture* texture, float x) {
        Atom* a = atom(x, 0);
        Atom* b = atom(x + 1, 0);
        Atom* c = atom(x, 1);
        link(a, b);
        link(a, c);
        link(b, c);
        auto* t = new Triangle;
        t->atomA = a, t->atomB = b, t->atomC = c;
        t->xOfA = &a->x, t->yOfA = &a->y, t->xOfB = &b->x, t->yOfB = &b->y;
        t->xOfC = &c->x, t->yOfC = &c->y;
        t->sB = 1, t->tC = 1;
        t->texture = texture;
        piece.addTriangle(t);
        return t;
    }
    static std::unique_ptr<Texture> texture(uint32_t glName) {
        auto t = std::make_unique<Texture>();
        t->glName = glName;
        return t;
    }
    Names frame() {
        fake::state().journal.clear();
        EXPECT_TRUE(renderer.drawFrame());
        return fake::state().gl();
    }
    static Names between(const Names& gl, const std::string& from, const std::string& to) {
        auto b = std::find(gl.begin(), gl.end(), from);
        auto e = std::find(b, gl.end(), to);
        return Names(b, e == gl.end() ? e : e + 1);
    }

    Game root;
    std::unique_ptr<System> world;
    GLRenderer renderer{&root, &root, nullptr, nullptr};
    Junk piece{&root};
};

TEST_F(FrameTest, AnEmptyWorldStillClearsDrawsEmptyBatchesAndSwaps) {
    EXPECT_EQ(frame(),
              (Names{"glClear(GL_COLOR_BUFFER_BIT|GL_DEPTH_BUFFER_BIT)", "glLoadIdentity()",
                     "glColor4f(1, 1, 1, 1)", "glEnable(GL_TEXTURE_2D)", "glDisable(GL_TEXTURE_2D)",
                     "glColor3f(0, 1, 0)", "glBegin(GL_LINES)", "glEnd()", "glPointSize(5)",
                     "glColor3f(0, 1, 0)", "glBegin(GL_POINTS)", "glEnd()"}));
    EXPECT_EQ(fake::state().names().back(), "SwapBuffers");
    fake::state().failing = {"SwapBuffers"};
    EXPECT_FALSE(renderer.drawFrame());
}

TEST_F(FrameTest, EachRunOfEqualTexturesIsOneBindAndOneBatchEvenAcrossHiddenTriangles) {
    auto t1 = texture(11), t2 = texture(22);
    triangle(t1.get(), 10);
    triangle(t2.get(), 20);
    triangle(t1.get(), 30)->visible = false;
    triangle(t1.get(), 40);
    const Names gl = frame();
    // Newest first within a texture: 40, (30), 10, then 20.
    const Names expected = {"glBindTexture(GL_TEXTURE_2D, 11)",
                            "glBegin(GL_TRIANGLES)",
                            "glTexCoord2f(0, 0)",
                            "glVertex3f(40, 0, 0.1)",
                            "glTexCoord2f(1, 0)",
                            "glVertex3f(41, 0, 0.1)",
                            "glTexCoord2f(0, 1)",
                            "glVertex3f(40, 1, 0.1)",
                            "glTexCoord2f(0, 0)",
                            "glVertex3f(10, 0, 0.1)",
                            "glTexCoord2f(1, 0)",
                            "glVertex3f(11, 0, 0.1)",
                            "glTexCoord2f(0, 1)",
                            "glVertex3f(10, 1, 0.1)",
                            "glEnd()",
                            "glBindTexture(GL_TEXTURE_2D, 22)",
                            "glBegin(GL_TRIANGLES)",
                            "glTexCoord2f(0, 0)",
                            "glVertex3f(20, 0, 0.1)",
                            "glTexCoord2f(1, 0)",
                            "glVertex3f(21, 0, 0.1)",
                            "glTexCoord2f(0, 1)",
                            "glVertex3f(20, 1, 0.1)",
                            "glEnd()",
                            "glDisable(GL_TEXTURE_2D)"};
    EXPECT_EQ(between(gl, "glBindTexture(GL_TEXTURE_2D, 11)", "glDisable(GL_TEXTURE_2D)"),
              expected);
}

TEST_F(FrameTest, LinksShowWhenVisibleAndAtomsWhenUnlinked) {
    Atom* a = atom(1, 2);
    Atom* b = atom(3, 4);
    Atom* c = atom(5, 6);
    Link* shown = link(a, b);
    Link* hidden = link(b, c);
    hidden->visible = false;
    atom(7, 8);
    (void)shown;
    const Names gl = frame();
    EXPECT_EQ(
        between(gl, "glBegin(GL_LINES)", "glEnd()"),
        (Names{"glBegin(GL_LINES)", "glVertex3f(1, 2, 0.2)", "glVertex3f(3, 4, 0.2)", "glEnd()"}));
    EXPECT_EQ(between(gl, "glBegin(GL_POINTS)", "glEnd()"),
              (Names{"glBegin(GL_POINTS)", "glVertex3f(7, 8, 0.3)", "glEnd()"}));
}

TEST(GridTest, DrawGridLinesWeighsLinesByTheirIndex) {
    fake::reset();
    Grid grid(nullptr);
    grid.drawGridLines(10, 20, 50, 3);
    EXPECT_EQ(fake::state().gl(),
              (Names{"glLineWidth(1)", "glColor4f(0, 0, 0, 0.5)", "glLineWidth(2)",
                     "glColor4f(0, 0, 0, 0.75)", "glLineWidth(3)", "glColor4f(0, 0, 0, 1)",
                     "glLineWidth(4)", "glLineWidth(5)", "glBegin(GL_LINES)",
                     "glVertex3i(0, 20, 2)", "glVertex3i(4096, 20, 2)", "glVertex3i(10, 0, 2)",
                     "glVertex3i(10, 4096, 2)", "glEnd()",
                     // i = 1
                     "glLineWidth(1)", "glColor4f(0, 0, 0, 0.5)", "glBegin(GL_LINES)",
                     "glVertex3i(0, 70, 2)", "glVertex3i(4096, 70, 2)", "glVertex3i(60, 0, 2)",
                     "glVertex3i(60, 4096, 2)", "glEnd()",
                     // i = 2
                     "glLineWidth(1)", "glColor4f(0, 0, 0, 0.5)", "glLineWidth(2)",
                     "glColor4f(0, 0, 0, 0.75)", "glBegin(GL_LINES)", "glVertex3i(0, 120, 2)",
                     "glVertex3i(4096, 120, 2)", "glVertex3i(110, 0, 2)",
                     "glVertex3i(110, 4096, 2)", "glEnd()"}));
    fake::state().journal.clear();
    grid.drawGridLines(0, 0, 10, 0);
    EXPECT_TRUE(fake::state().journal.empty());
}

TEST(TextureUploadTest, UploadsTheImageOnlyWhenTheBufferHoldsIt) {
    fake::reset();
    Texture t;
    t.width = 2;
    t.height = 2;
    t.glFormat = kGlRgb;
    t.imageSize = 12;
    t.pixels = std::make_unique<uint8_t[]>(12);
    uploadTexture(t);
    EXPECT_EQ(t.glName, 1u);
    EXPECT_EQ(fake::state().gl(),
              (Names{"glGenTextures(1)", "glBindTexture(GL_TEXTURE_2D, 1)",
                     "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, "
                     "pixels)",
                     "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR)",
                     "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR)"}));

    fake::state().journal.clear();
    t.glFormat = kGlRgba;  // 16 bytes needed, 12 held
    uploadTexture(t);
    EXPECT_EQ(fake::state().gl()[2],
              "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, null)");
}

}  // namespace
