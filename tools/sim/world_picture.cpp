#include "world_picture.h"

#include "content/piece_loader.h"
#include "platform/gl.h"
#include "render/draw_world.h"
#include "render/gl_state.h"
#include "render/picture.h"
#include "render/texture_upload.h"
#include "scene/game.h"

bool WorldPicture::open(std::string& error) {
    if (!context.open(kWindowWidth, kWindowHeight, error)) return false;
    setProjection(kWindowWidth, kWindowHeight);
    setFixedGlState();
    setTextureUploader(uploadTexture);
    return true;
}

bool WorldPicture::write(Game& root, const std::string& path, std::string& error) {
    drawWorld(root, root);
    glFinish();
    return writePng(path, readPicture(kWindowWidth, kWindowHeight), error);
}
