#pragma once

#include <cstdio>

struct Texture;

// Reads a true-colour TGA (type 2 or 10, 24 or 32 bits) into the texture.
// Failures are reported with a message box (a missing file without one) and
// leave the texture without pixels.
bool loadTga(Texture& texture, const char* path);
// The same for a file already open at its first byte; closes the file.
bool readTga(Texture& texture, std::FILE* file);
// The two image types from the header's image description (offset 12) on; both
// close the file.
bool readUncompressed(Texture& texture, std::FILE* file);
bool readRunLength(Texture& texture, std::FILE* file);

// Gives a texture that has no pixels a 2 x 2 magenta and black checker, so an
// image that failed to load is plain to see. A texture with pixels is left alone.
void makeFallbackTexture(Texture& texture);
