#include "render/texture_upload.h"

#include <cstdint>

#include "scene/texture.h"
#include "platform/gl.h"

namespace {

// GL reads width * height pixels of the format's size; hand it the buffer only
// when the buffer holds that many.
const void* uploadablePixels(const Texture& texture) {
    uint64_t pixelSize = 0;
    if (texture.glFormat == kGlRgb) pixelSize = 3;
    if (texture.glFormat == kGlRgba) pixelSize = 4;
    const uint64_t needed = pixelSize * texture.width * texture.height;
    if (texture.pixels == nullptr || pixelSize == 0 || texture.imageSize < needed) return nullptr;
    return texture.pixels.get();
}

}  // namespace

void uploadTexture(Texture& texture) {
    GLuint name = 0;
    glGenTextures(1, &name);
    texture.glName = name;
    glBindTexture(GL_TEXTURE_2D, name);
    const void* pixels = uploadablePixels(texture);
    const auto width = static_cast<GLsizei>(pixels != nullptr ? texture.width : 0);
    const auto height = static_cast<GLsizei>(pixels != nullptr ? texture.height : 0);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(texture.glFormat), width, height, 0,
                 texture.glFormat, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void deleteTexture(Texture& texture) {
    const GLuint name = texture.glName;
    if (name != 0) glDeleteTextures(1, &name);
    texture.glName = 0;
}
