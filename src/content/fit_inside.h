#pragma once

#include <vector>

#include "content/drawn_body.h"
#include "content/piece_file.h"
#include "physics/world_def.h"

// What the player drops with the mouse lands whole. Registration pushes an atom
// that stands outside the world against the wall, and the links and triangles
// that named it by position are left out; so a drop is moved the least that
// brings all of it inside first, or refused with this line.
inline constexpr const char* kDroppedOutside = "outside the world: nothing dropped";

// Whether world (x, y) lies in the world's box, walls included.
bool insideWorld(float x, float y, const WorldDef& world);

// Moves `at` the least that puts lo + at and hi + at, added as 32-bit floats as
// the loader adds a spawn position, within 0 to `limit` (every value between
// follows, float addition keeping order). False, leaving `at`, when the span
// does not fit.
bool fitSpan(float lo, float hi, float limit, float& at);

// The spawn position (x, y) of a piece moved so that all its atoms stand inside
// the world. False when the piece is larger than the world.
bool fitPiece(const PieceFile& piece, const WorldDef& world, float& x, float& y);

// A drawn outline moved so that all of it lies inside the world, untouched when
// it does already. False, leaving it, when the middle of its box lies outside
// the world (drawn out there) or it is larger than the world.
bool fitOutline(std::vector<OutlinePoint>& outline, const WorldDef& world);
