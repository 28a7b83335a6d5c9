#pragma once

#include <cstdio>

struct Texture;

// Reads a true-colour TGA (type 2 or 10, 24 or 32 bits) into the texture.
// Failures are reported through showMessageBox (a missing file on stderr) and
// leave the texture without pixels.
bool loadTga(Texture& texture, const char* path);
bool readUncompressed(Texture& texture, std::FILE* file);
bool readRunLength(Texture& texture, std::FILE* file);
