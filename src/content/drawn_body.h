#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/piece_file.h"
#include "physics/world_def.h"

// Bodies drawn by hand: an outline in, the records of a piece file out, so that
// the game, the exporter, a replay and the tests all make the same body from the
// same outline. 32-bit float throughout and no library maths beyond sqrt, so the
// bits are the same on every system.

// How a family of pieces behaves: the game's sturdy (drask) and soft (pimo)
// pieces are made of these.
struct BodyStuff {
    float mass;
    int32_t atomIterations;
    int32_t linkIterations;
    float stiffness;
    float minRatio;
    float maxRatio;
};

enum class BodyFamily : int32_t { Sturdy = 0, Soft = 1 };

inline constexpr BodyStuff kSturdyStuff{2.0f, 6, 6, 0.5f, 0.6f, 2.2f};
inline constexpr BodyStuff kSoftStuff{0.5f, 8, 8, 0.2f, 0.5f, 2.4f};
const BodyStuff& stuffOf(BodyFamily family);
// "sturdy" or "soft", as the journal and the overlay name them.
const char* familyName(BodyFamily family);
bool familyFromName(const std::string& name, BodyFamily& family);

// Atoms of the shipped pieces stand this far apart: more than two collision
// radii, so that no atom starts inside another.
inline constexpr float kBodySpacing = 12;
// Points of a drawn outline closer than this to the last one kept are the hand's
// tremble, not the shape.
inline constexpr float kOutlineStep = 4;
// More points than a hand draws in a long drag; a longer outline is refused.
inline constexpr std::size_t kMaxOutlinePoints = 4096;

struct OutlinePoint {
    float x;
    float y;
};

// Fills the outline (world coordinates, closed from its last point to its first)
// with a triangular lattice of atoms kBodySpacing apart, as the shipped round
// pieces are made: each triangle of the lattice that lies inside is a textured
// triangle, its sides links (and an atom on the rim held by three links or fewer
// is linked across to the far corner of the triangle beside it, as a rim atom
// of the shipped pieces is held), the texture spanning the whole body. Only what lies
// inside the world is kept, and of that the largest connected part. The records
// stand at world positions: load them at offset 0. Refuses, with `problem`
// saying why, an outline that crosses itself, one too small to hold a triangle,
// one larger than the world or mostly outside it.
bool buildDrawnBody(const std::vector<OutlinePoint>& outline, BodyFamily family,
                    const std::string& texture, const WorldDef& world, PieceFile& piece,
                    std::string& problem);

// The same records moved so that the body's bounding box is centred on the
// origin, as a piece file stands for a spawn at any spot.
PieceFile centredPiece(const PieceFile& piece);
