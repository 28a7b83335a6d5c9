#pragma once

#include <cstddef>

struct Texture;

// Makes a loaded texture live in GL, and lets it go again. The game installs the
// GL pair; without them (pimo-sim, most tests) textures are decoded and nothing is
// uploaded.
using TextureUploader = void (*)(Texture& texture);
using TextureReleaser = void (*)(Texture& texture);
void setTextureUploader(TextureUploader uploader);
void setTextureReleaser(TextureReleaser releaser);

// Each image file is read and uploaded once per session and shared by every piece
// that names it: acquireTexture hands out the loaded texture (an image that fails
// to load shows as the fallback checker) and counts the user; releaseTexture drops
// one use, and the last one frees the texture and its GL object.
Texture* acquireTexture(const char* name);
void releaseTexture(Texture* texture);
// Images held at the moment.
std::size_t sharedTextureCount();
