#pragma once

struct Texture;

// Makes a loaded texture a GL texture object in the current context, bound to
// GL_TEXTURE_2D and filtered linearly. The game installs it as the piece loader's
// uploader.
void uploadTexture(Texture& texture);
// Deletes the texture's GL object; installed as the loader's releaser.
void deleteTexture(Texture& texture);
