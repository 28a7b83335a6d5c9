#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Game;

// One number for the whole state of a world: FNV-1a (64 bit) over, in list order,
// the number of atoms and each atom's id and the bits of x, y, prevX and prevY;
// the number of links and each link's two atom ids; the number of triangles and
// each triangle's three atom ids. Every value is fed as 4 little-endian bytes, so
// the number is the same on every platform. The game writes it at the end of its
// journal and the replay compares against it.
uint64_t worldHash(const Game& root);

// The same FNV-1a over a file's bytes: what a journal records of a piece file, so a
// replay can tell the piece the session spawned from another of the same name.
uint64_t bytesHash(const uint8_t* data, std::size_t size);

// A hash as it is written and read in text: 16 lower-case hex digits.
std::string hashText(uint64_t hash);
// The reverse; false for anything but 16 hex digits.
bool hashFromText(const std::string& text, uint64_t& hash);
