#pragma once

#include <cstdio>

class Junk;
struct Texture;

// Makes a loaded texture live in GL. The game installs the GL uploader; without
// one (pimo-sim, most tests) textures are decoded and nothing is uploaded.
using TextureUploader = void (*)(Texture& texture);
void setTextureUploader(TextureUploader uploader);

// What a load left out of a piece it accepted: links whose ends, and triangles
// whose corners, links or texture found no match.
struct PieceLoadReport {
    int leftOutLinks = 0;
    int leftOutTriangles = 0;
};

// Reads one open piece file into `piece`, every position shifted by the offset.
// The file is checked whole first: a malformed file, or one whose atoms do not fit
// in the world, is refused with one line on stderr naming `fileName`, and nothing
// enters the world. Returns whether the piece was loaded; `report`, when given,
// says what was left out.
bool loadPiece(Junk& piece, std::FILE* file, float offsetX, float offsetY,
               const char* fileName = "piece", PieceLoadReport* report = nullptr);
