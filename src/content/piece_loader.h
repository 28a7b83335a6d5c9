#pragma once

#include <cstdio>

class Junk;
struct Texture;

// Makes a loaded texture live in GL. The game installs the GL uploader; without
// one (pimo-sim, most tests) textures are decoded and nothing is uploaded.
using TextureUploader = void (*)(Texture& texture);
void setTextureUploader(TextureUploader uploader);

// Reads one open piece file into `piece`, every position shifted by the offset.
// The file is checked whole first: a malformed file, or one whose atoms do not fit
// in the world, is refused with one line on stderr naming `fileName`, and nothing
// enters the world. Returns whether the piece was loaded.
bool loadPiece(Junk& piece, std::FILE* file, float offsetX, float offsetY,
               const char* fileName = "piece");
