#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "content/piece_file.h"
#include "physics/system.h"

// Opening the files a piece names or is: only regular files, and no piece larger
// than a whole world could use. A pipe, a device or a directory is refused at once
// instead of blocking the game in open() or reading until memory runs out.

// The most bytes a piece file may hold: every atom of a full world, each with eight
// links and eight triangles (a planar mesh needs fewer than three and two), each
// triangle with a texture record of its own.
inline constexpr std::size_t kMaxPieceLinks = 8 * static_cast<std::size_t>(kMaxAtoms);
inline constexpr std::size_t kMaxPieceTriangles = 8 * static_cast<std::size_t>(kMaxAtoms);
inline constexpr std::size_t kMaxPieceFileBytes =
    16 + kAtomRecordSize * kMaxAtoms + kLinkRecordSize * kMaxPieceLinks +
    (kTriangleRecordSize + kTextureRecordSize) * kMaxPieceTriangles;

// Whether `path` names a regular file (not a directory, pipe, socket or device;
// on Windows also not a reserved device name such as CON or NUL).
bool isRegularFile(const char* path);

// The reason openPieceFile gives when there is no file of that name.
inline constexpr const char* kPieceFileMissing = "no such file";

// Opens a piece file (or, with a larger `limit`, its text form) for binary
// reading. On failure returns null and sets `why`
// ("not a regular file", "larger than any piece (N bytes, at most M)", or the
// system's reason) for a line that names the file.
std::FILE* openPieceFile(const char* path, std::string& why, std::size_t limit = kMaxPieceFileBytes,
                         const char* kind = "piece");

// The rest of an open file, to at most `limit` bytes; the caller closes it.
bool readOpenedFile(std::FILE* file, std::vector<uint8_t>& bytes, std::string& why,
                    std::size_t limit = kMaxPieceFileBytes, const char* kind = "piece");

// The whole of a file, opened through openPieceFile and read to at most `limit`
// bytes; "-" reads standard input (for pob) under the same bound.
bool readPieceFile(const char* path, std::vector<uint8_t>& bytes, std::string& why,
                   std::size_t limit = kMaxPieceFileBytes, const char* kind = "piece");

// The one line for a piece file that could not be opened: the game's own
// "Unable to open NAME" for a missing file, with the reason for anything else.
void reportPieceNotOpened(const char* path, const std::string& why);
