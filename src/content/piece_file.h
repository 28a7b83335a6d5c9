#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The .pob piece file as plain records: parsing, checking and writing, with no world
// involved. The loader, pob and the asset generator share it.
//
// Layout: four sections (atoms, links, textures, triangles), each a signed 32-bit
// count followed by that many packed little-endian records. A count of zero or less
// means no records. Bytes after the last section are kept as the trailer.

inline constexpr std::size_t kPieceNameSize = 256;
inline constexpr int kFileCollisionGroups = 10;
// More relaxation iterations than this would stall the game for every step.
inline constexpr int32_t kMaxPieceIterations = 1000;

// Each record lists its fields once, in file order (fields()): reading, writing and
// the record sizes all follow that list. Numbers are 4 bytes, arrays their length.
struct AtomRecord {
    float x = 0, y = 0, prevX = 0, prevY = 0;
    float mass = 1;
    int32_t iterations = 3;
    int32_t tag = 0;
    int32_t group = 1;
    uint8_t collidesWith[kFileCollisionGroups] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1};

    template <class R, class V>
    static constexpr void fields(R& r, V&& v) {
        v(r.x), v(r.y), v(r.prevX), v(r.prevY), v(r.mass), v(r.iterations), v(r.tag), v(r.group),
            v(r.collidesWith);
    }
};

struct LinkRecord {
    float xA = 0, yA = 0, xB = 0, yB = 0;
    float restLength = -1, minRatio = 0.8f, maxRatio = 1.2f, stiffness = 0.2f;
    uint8_t reserved[4] = {};
    int32_t iterations = 3;
    int32_t tag = 0;

    template <class R, class V>
    static constexpr void fields(R& r, V&& v) {
        v(r.xA), v(r.yA), v(r.xB), v(r.yB), v(r.restLength), v(r.minRatio), v(r.maxRatio),
            v(r.stiffness), v(r.reserved), v(r.iterations), v(r.tag);
    }
};

// Names are kept as the raw 256 bytes: the loader reads them up to the first zero,
// but the bytes after it belong to the file too.
struct TextureRecord {
    uint8_t name[kPieceNameSize] = {};

    template <class R, class V>
    static constexpr void fields(R& r, V&& v) {
        v(r.name);
    }
};

struct TriangleRecord {
    float xA = 0, yA = 0, xB = 0, yB = 0, xC = 0, yC = 0;
    uint8_t reserved[24] = {};
    float sA = 0, tA = 0, sB = 0, tB = 0, sC = 0, tC = 0;
    uint8_t texture[kPieceNameSize] = {};

    template <class R, class V>
    static constexpr void fields(R& r, V&& v) {
        v(r.xA), v(r.yA), v(r.xB), v(r.yB), v(r.xC), v(r.yC), v(r.reserved), v(r.sA), v(r.tA),
            v(r.sB), v(r.tB), v(r.sC), v(r.tC), v(r.texture);
    }
};

// A record's size in the file: the sum of its fields'.
template <class Record>
constexpr std::size_t recordSize() {
    Record r{};
    std::size_t size = 0;
    Record::fields(r, [&size](const auto& field) { size += sizeof field; });
    return size;
}

inline constexpr std::size_t kAtomRecordSize = recordSize<AtomRecord>();
inline constexpr std::size_t kLinkRecordSize = recordSize<LinkRecord>();
inline constexpr std::size_t kTextureRecordSize = recordSize<TextureRecord>();
inline constexpr std::size_t kTriangleRecordSize = recordSize<TriangleRecord>();
// The format as pieces have been written: a changed field list must not change it.
static_assert(kAtomRecordSize == 42 && kLinkRecordSize == 44 && kTextureRecordSize == 256 &&
              kTriangleRecordSize == 328);

struct PieceFile {
    // The counts as stored. Only a count of zero or less without records is kept
    // as it is; with records, the record count is written.
    int32_t atomCount = 0, linkCount = 0, textureCount = 0, triangleCount = 0;
    std::vector<AtomRecord> atoms;
    std::vector<LinkRecord> links;
    std::vector<TextureRecord> textures;
    std::vector<TriangleRecord> triangles;
    std::vector<uint8_t> trailer;
};

// Reads the structure of a file. Fails, with a message such as
// "file ends inside link 3 of 12", when the bytes do not hold every record the
// counts announce. Never allocates for more records than the bytes can hold.
bool parsePieceFile(const uint8_t* data, std::size_t size, PieceFile& piece, std::string& error);

std::vector<uint8_t> writePieceFile(const PieceFile& piece);

// Something wrong with one record of a file: which record travels as values, so a
// tool can place it (at a line of its text form) without reading the words back.
enum class PieceSection { atoms, links, textures, triangles };
struct PieceProblem {
    PieceSection section;
    std::size_t index;
    std::string text;  // the whole line, "link 3 of 12: minRatio is not a finite number"
};

// Problems that make the loader refuse the file whole: numbers that are not finite,
// masses not above 0, groups outside 0 to 49, iteration counts outside 0 to 1000,
// names without a zero byte. Empty when the file may be loaded.
std::vector<PieceProblem> checkPieceFile(const PieceFile& piece);

// Four bytes of a file, little-endian, as a number or as the float they hold.
uint32_t readLittleEndian32(const uint8_t* bytes);
float readLittleEndianFloat(const uint8_t* bytes);

// Sets a name field to a C string (truncated to 255 bytes), zeros after it.
void setPieceName(uint8_t (&field)[kPieceNameSize], const std::string& name);
// The name up to its first zero byte (all 256 bytes when there is none).
std::string pieceName(const uint8_t (&field)[kPieceNameSize]);
bool pieceNameTerminated(const uint8_t (&field)[kPieceNameSize]);

// How the records of a file find each other: link ends and triangle corners by
// exact position (the first atom of the file at that position), triangle textures
// by name (the last texture record of that name). -1 where nothing matches.
struct PieceMatches {
    struct LinkEnds {
        int a = -1, b = -1;
        bool kept() const { return a >= 0 && b >= 0; }
    };
    struct TriangleRefs {
        int a = -1, b = -1, c = -1;
        int texture = -1;
        // Corner pairs AB, AC, BC joined by a kept link.
        bool joined[3] = {false, false, false};
        bool kept() const {
            return a >= 0 && b >= 0 && c >= 0 && texture >= 0 && joined[0] && joined[1] &&
                   joined[2];
        }
    };
    std::vector<LinkEnds> links;
    std::vector<TriangleRefs> triangles;
};

// atomX/atomY are where the atoms stand (for the loader: after registration, which
// clamps them into the world); link ends and corners are the file values plus the
// offset, compared as 32-bit floats.
PieceMatches matchPiece(const PieceFile& piece, const std::vector<float>& atomX,
                        const std::vector<float>& atomY, float offsetX, float offsetY);

// What the loader would leave out of a piece loaded at the origin, one line each
// ("link 3 of 12: end B (4, 5) matches no atom"); a texture name that no record
// holds is said once, at its first triangle ("triangle 3 of 12 and 8 more: ...").
std::vector<PieceProblem> describeLeftOuts(const PieceFile& piece, const PieceMatches& matches);
