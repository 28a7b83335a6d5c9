#include "stage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/sandbox_controls.h"
#include "content/piece_loader.h"
#include "fakes.h"
#include "platform/gl.h"
#include "platform/sdl/bitmap_font.h"
#include "render/gl_renderer.h"
#include "render/texture_upload.h"
#include "scene/roster.h"

namespace {

struct OverlayPass : Object {
    OverlayPass(Object* parent, std::function<void()> draw)
        : Object(parent), draw(std::move(draw)) {}
    void drawOverlay() override { draw(); }
    std::function<void()> draw;
};

}  // namespace

Stage::Stage() {
    fake::reset();
    fake::state().fontBitmaps = [](DWORD first, DWORD count, DWORD base, int height) {
        return pimo::sdl::compileBitmapFont(first, count, base, std::abs(height)) ? TRUE : FALSE;
    };
    std::string error;
    if (!gl.open(kWindowWidth, kWindowHeight, error)) ADD_FAILURE() << error;
    setTextureUploader(uploadTexture);
    korvel = std::make_unique<Korvel>(nullptr);
    EXPECT_TRUE(korvel->glRenderer()->opened);
    // The information overlay has a scene of its own; the others show the world.
    korvel->controls->overlayVisible = false;
}

Stage::~Stage() {
    korvel.reset();
    setTextureUploader(nullptr);
}

Junk& Stage::load(const char* file, float x, float y) {
    // Piece files name their textures relative to the game's working directory.
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(PIMO_ASSETS);
    const SpawnedPiece spawned = spawnPieceFile(*korvel, file, x, y);
    std::filesystem::current_path(here);
    EXPECT_TRUE(spawned.loaded) << file;
    korvel->pieces.pushFront(spawned.piece);
    return *spawned.piece;
}

Junk& Stage::piece() {
    auto* junk = new Junk(korvel.get());
    korvel->pieces.pushFront(junk);
    return *junk;
}

void Stage::overlay(std::function<void()> draw) {
    overlays.push_back(std::make_unique<OverlayPass>(korvel.get(), std::move(draw)));
}

Picture Stage::draw(int frames) {
    for (int i = 0; i < frames; ++i) korvel->glRenderer()->drawFrame();
    glFinish();
    return readPicture(kWindowWidth, kWindowHeight);
}

void drawText(int x, int y, const char* text) {
    glRasterPos2i(x, y);
    glListBase(GLRenderer::fontBase - 32);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
}
