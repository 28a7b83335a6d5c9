#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "physics/world_def.h"
#include "scene/cursor_list.h"

class Atom;
class Game;
class Junk;

// The .pdw world file: the whole world at one moment as plain records, so that
// loading it and stepping on gives the same bits as the world it was taken from.
// docs/worlds.md describes the layout field by field.
//
// Capturing and encoding never fail; decoding checks every count, id, reference
// and number before anything is used, and placing a decoded world cannot fail, so
// a refused file leaves the world on screen as it was.

inline constexpr uint8_t kWorldMagic[8] = {'P', 'D', 'W', 'F', 0x0d, 0x0a, 0x1a, 0x0a};
inline constexpr uint32_t kWorldVersion = 1;

// The largest world file read: far above a full world of the game's pieces
// (about 2 MB), far below what would strain memory.
inline constexpr std::size_t kMaxWorldFileBytes = std::size_t{256} << 20;

// A whole world file, as a piece file is read: a regular file, at most
// kMaxWorldFileBytes. On failure `why` says why, for a line naming the file.
bool readWorldFile(const char* path, std::vector<uint8_t>& bytes, std::string& why);

struct WorldHeader {
    float width = 0, height = 0, gravity = 0, scaleX = 0, scaleY = 0;
    uint32_t stepCount = 1;
    uint32_t paused = 0;
    int32_t maxIterations = 0;
    uint32_t linkSerial = 0;
    int32_t removedAtoms = 0, removedLinks = 0, removedTriangles = 0;
};

struct WorldPiece {
    int32_t removedAtoms = 0, removedLinks = 0, removedTriangles = 0;
    std::vector<int32_t> textures;  // indexes into WorldImage::textures, in list order
};

// `piece` is an index into WorldImage::pieces (-1: the root itself owns the
// record) and `pieceOrder` the record's place in that piece's own list.
struct WorldAtom {
    int32_t id = 0;
    float x = 0, y = 0, prevX = 0, prevY = 0, pushX = 0, pushY = 0;
    int32_t iterations = 3;
    float invIterations = 1.0f / 3;
    int32_t group = 1;
    float pushCarry = 0.1f, radius = 5, mass = 1, invMass = 1;
    float kinematicStepX = 0, kinematicStepY = 0;
    int32_t tag = 0;
    int32_t piece = -1, pieceOrder = 0;
    std::array<uint8_t, 50> collidesWith{};
    uint8_t kinematic = 0, dead = 0;
};

struct WorldLink {
    int32_t atomA = 0, atomB = 0;  // atom ids
    float restLength = 0, minRatio = 0, maxRatio = 0, stiffness = 0;
    uint32_t reserved = 0;
    int32_t iterations = 3;
    int32_t tag = 0;
    uint32_t serial = 0;
    int32_t piece = -1, pieceOrder = 0;
    uint8_t visible = 1, restoresCollision = 1;
};

struct WorldTriangle {
    int32_t atomA = 0, atomB = 0, atomC = 0;  // atom ids
    float reserved[6] = {};
    float sA = 0, tA = 0, sB = 0, tB = 0, sC = 0, tC = 0;
    int32_t texture = -1;                           // index into WorldImage::textures
    int32_t edgeAB = -1, edgeAC = -1, edgeBC = -1;  // indexes into WorldImage::links
    int32_t piece = -1, pieceOrder = 0;
    uint8_t visible = 1;
};

struct WorldHold {
    int32_t atom = 0;  // atom id
    float invMass = 0;
    float targetX = 0, targetY = 0;
};

struct WorldPin {
    int32_t atom = 0;   // atom id
    float invMass = 0;  // what it had before it was pinned
};

// Records in the root's list order; textures in the order the world grouped its
// triangles by.
struct WorldImage {
    WorldHeader header;
    std::vector<std::string> textures;
    std::vector<WorldPiece> pieces;  // newest first, as the pieces list
    std::vector<WorldAtom> atoms;
    std::vector<WorldLink> links;
    std::vector<WorldTriangle> triangles;
    // Pair-matrix bits (row * kMaxAtoms + column) that differ from a new world's,
    // ascending: each pair collides (row > column) unless listed.
    std::vector<uint32_t> pairs;
    std::vector<WorldHold> held;  // none or one
    std::vector<WorldPin> pins;   // in the order they were pinned
};

// What the world commands hold on to: the atom in hand and the pinned atoms,
// each with the inverse mass it gets back when let go.
struct PinnedAtom {
    Atom* atom;
    float invMass;
};
struct CommandState {
    Atom* held = nullptr;
    float heldInvMass = 0;
    float targetX = 0, targetY = 0;
    std::vector<PinnedAtom> pins;
};

WorldImage captureWorld(const Game& root, const CursorList<Junk>& pieces,
                        const CommandState& state);
std::vector<uint8_t> encodeWorld(const WorldImage& image);

// Reads and checks a whole file for a world built from `def`. On failure returns
// false and sets `problem` to the section and record and what is wrong
// ("link 17: end 5012 is not an atom of this world").
bool decodeWorld(const uint8_t* data, std::size_t size, const WorldDef& def, WorldImage& image,
                 std::string& problem);

// Replaces the world with a decoded image. The caller has emptied it first:
// nothing registered, no piece, no image held. Returns what the commands hold.
CommandState placeWorld(const WorldImage& image, Game& root, CursorList<Junk>& pieces);
