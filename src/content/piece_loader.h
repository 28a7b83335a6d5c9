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
// enters the world. Returns whether the piece was loaded; `leftOut`, when given,
// says what was left out.
bool loadPiece(Junk& piece, std::FILE* file, float offsetX, float offsetY,
               const char* fileName = "piece", PieceLoadReport* leftOut = nullptr);

// Why the piece file at `path` would drop nothing (it cannot be read, is no piece
// file, or would be refused whole), or "" when it can be spawned.
std::string pieceFileProblem(const char* path);

// As loadPiece, from the bytes of a piece file already read.
bool loadPieceBytes(Junk& piece, const std::vector<uint8_t>& bytes, float offsetX, float offsetY,
                    const char* fileName, PieceLoadReport* leftOut = nullptr);

// As loadPiece, from records already read (a drawn body): checked the same way.
struct PieceFile;
bool loadPieceRecords(Junk& piece, const PieceFile& records, float offsetX, float offsetY,
                      const char* fileName, PieceLoadReport* leftOut = nullptr);

class Game;

// What became of a piece file spawned by spawnPieceFile.
struct SpawnedPiece {
    // Null when the file could not be read or the load refused it whole.
    Junk* piece = nullptr;
    bool loaded = false;
    // There was no file of that name.
    bool missing = false;
    PieceLoadReport leftOut;
};

// Reads a piece file for a spawn, its limits checked (content/piece_source.h).
// When it cannot be read, says why in one line naming it and returns false;
// `missing` tells a file that is not there from one that could not be used.
bool readSpawnedFile(const char* path, std::vector<uint8_t>& bytes, bool* missing = nullptr);

// Keeps a piece a load has just filled, or, refused and holding nothing, takes it
// out of the tree and frees it (null). A refused piece that let anything into the
// world stays, as it owns those records.
Junk* keepLoadedPiece(Junk* piece, bool loaded);

// A piece file read and loaded as a new piece under `root` at world (x, y), every
// problem said in one line naming the file. The caller lists the piece.
SpawnedPiece spawnPieceFile(Game& root, const char* path, float x, float y);

// Takes a loaded piece out of the world the way the step removes dead atoms (each
// atom's removal destroys its links, and they take their triangles along),
// releases its textures and detaches it from its parent. The caller frees it.
void unloadPiece(Junk& piece);

// The rest of unloadPiece, for a piece whose records have left the world another
// way: releases its textures and detaches it from its parent.
void releasePiece(Junk& piece);
