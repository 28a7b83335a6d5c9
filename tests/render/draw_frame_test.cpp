#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/texture.h"
#include "scene/triangle.h"
#include "fakes.h"
#include "platform/gl.h"
#include "render/gl_renderer.h"
#include "render/texture_upload.h"
#include "test_world.h"

// What the pictures (tests/pictures) cannot see: how many binds and batches a frame
// costs, and what it reports. How each rule looks is proved there.
namespace {

using Texts = std::vector<std::string>;
using fake::call;

// Elements drawn at depth z, the layer of one kind of record.
Texts elementsAt(float z) {
    Texts out;
    const std::string depth = ", " + fake::arg(z);
    for (const std::string& e : fake::state().texts("element("))
        if (e.find(depth + ",") != std::string::npos || e.ends_with(depth + ")")) out.push_back(e);
    return out;
}

// A world root drawn by a renderer over the fake GL, with one piece to hold records.
class FrameTest : public ::testing::Test {
  protected:
    FrameTest() {
        renderer.deviceContext = fake::kDeviceContext;
        fake::reset();
    }
    Triangle* triangle(Texture& texture, float x) {
        Atom* a = TestWorld::addAtom(piece, x, 0);
        Atom* b = TestWorld::addAtom(piece, x + 1, 0);
        Atom* c = TestWorld::addAtom(piece, x, 1);
        Triangle* t = TestWorld::addTriangle(piece, a, b, c, &texture);
        t->sB = 1, t->tC = 1;
        return t;
    }

    TestWorld w;
    GLRenderer renderer{&w.root, &w.root, nullptr, nullptr};
    Junk piece{&w.root};
};

TEST_F(FrameTest, AFrameClearsSwapsAndDrawsEachRunOfEqualTexturesInOneBatch) {
    EXPECT_TRUE(renderer.drawFrame());
    EXPECT_EQ(fake::state().count("glDrawArrays"), 0);
    EXPECT_EQ(fake::state().calls.back(), call("SwapBuffers", fake::kDeviceContext));
    fake::state().failing = {"SwapBuffers"};
    EXPECT_FALSE(renderer.drawFrame());
    fake::reset();

    Texture t1, t2;
    t1.glName = 11, t2.glName = 22;
    triangle(t1, 10);
    triangle(t2, 20);
    triangle(t1, 30)->visible = false;
    triangle(t1, 40);
    renderer.drawFrame();
    const fake::State& s = fake::state();
    EXPECT_EQ(s.calls.front(), call("glClear", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    EXPECT_EQ(s.texts("glBindTexture"), (Texts{call("glBindTexture", GL_TEXTURE_2D, 11),
                                               call("glBindTexture", GL_TEXTURE_2D, 22)}));
    EXPECT_EQ(s.texts("glDrawArrays(" + fake::arg(GL_TRIANGLES) + ","),
              (Texts{call("glDrawArrays", GL_TRIANGLES, 0, 6),
                     call("glDrawArrays", GL_TRIANGLES, 6, 3)}));
    // Newest first within a texture: 40, (30), 10, then 20; each corner's texture
    // coordinates are its offset from the first.
    Texts corners;
    for (float x : {40, 10, 20})
        for (auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}})
            corners.push_back(call("element", x + dx, dy, 0.1f, dx, dy));
    EXPECT_EQ(elementsAt(0.1f), corners);
}

TEST(TextureUploadTest, HandsGlThePixelsOnlyWhenTheBufferHoldsTheImage) {
    fake::reset();
    Texture t;
    t.width = 2, t.height = 2, t.imageSize = 12;
    t.glFormat = kGlRgb;
    t.pixels = std::make_unique<uint8_t[]>(12);
    uploadTexture(t);
    EXPECT_EQ(t.glName, 1u);
    t.glFormat = kGlRgba;  // 16 bytes needed, 12 held
    uploadTexture(t);
    EXPECT_EQ(fake::state().texts("glTexImage2D"),
              (Texts{call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB,
                          GL_UNSIGNED_BYTE, "ptr"),
                     call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 0, GL_RGBA,
                          GL_UNSIGNED_BYTE, nullptr)}));
}

}  // namespace
