#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "content/texture_cache.h"

class Junk;

// What a load left out of a piece it accepted: links whose ends, and triangles
// whose corners, links or texture found no match.
struct PieceLoadReport {
    int leftOutLinks = 0;
    int leftOutTriangles = 0;
};

// Reads one open piece file into `piece`, every position shifted by the offset.
// The file is checked whole first: a malformed file, or one whose atoms do not fit
// in the world, is refused with one reported line naming `fileName`, and nothing
// enters the world. Returns whether the piece was loaded; `report`, when given,
// says what was left out.
bool loadPiece(Junk& piece, std::FILE* file, float offsetX, float offsetY,
               const char* fileName = "piece", PieceLoadReport* report = nullptr);

// Why the piece file at `path` would drop nothing (it cannot be read, is no piece
// file, or would be refused whole), or "" when it can be spawned.
std::string pieceFileProblem(const char* path);

// As loadPiece, from the bytes of a piece file already read.
bool loadPieceBytes(Junk& piece, const std::vector<uint8_t>& bytes, float offsetX, float offsetY,
                    const char* fileName, PieceLoadReport* report = nullptr);

// As loadPiece, from records already read (a drawn body): checked the same way.
struct PieceFile;
bool loadPieceRecords(Junk& piece, const PieceFile& records, float offsetX, float offsetY,
                      const char* fileName, PieceLoadReport* report = nullptr);

// Takes a loaded piece out of the world the way the step removes dead atoms (each
// atom's removal destroys its links, and they take their triangles along),
// releases its textures and detaches it from its parent. The caller frees it.
void unloadPiece(Junk& piece);

// The rest of unloadPiece, for a piece whose records have left the world another
// way: releases its textures and detaches it from its parent.
void releasePiece(Junk& piece);
