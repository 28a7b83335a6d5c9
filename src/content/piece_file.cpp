#include "content/piece_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <type_traits>
#include <unordered_map>

#include "content/byte_io.h"
#include "content/piece_source.h"

namespace {

using Reader = ByteReader;
using Writer = ByteWriter;

// Reads one section's count and checks its records are all there before anything
// is allocated for them. Returns the number of records to read.
bool readCount(Reader& in, const char* what, std::size_t recordSize, int32_t& count,
               std::size_t& records, std::string& error) {
    if (in.remaining() < 4) {
        error = std::string("file ends before the ") + what + " count";
        return false;
    }
    count = in.i32();
    records = count > 0 ? static_cast<std::size_t>(count) : 0;
    const std::size_t whole = in.remaining() / recordSize;
    if (records > whole) {
        if (static_cast<unsigned long long>(records) * recordSize > kMaxPieceFileBytes) {
            error = std::string("not a piece file: its ") + what + " count is " +
                    std::to_string(count) + ", more than any piece holds";
            return false;
        }
        char buf[96];
        std::snprintf(buf, sizeof buf, "file ends inside %s %zu of %zu", what, whole + 1, records);
        error = buf;
        return false;
    }
    return true;
}

template <class Record>
void readRecord(Reader& in, Record& record) {
    Record::fields(record, [&in](auto& field) {
        using Field = std::remove_reference_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, float>)
            field = in.f32();
        else if constexpr (std::is_same_v<Field, int32_t>)
            field = in.i32();
        else
            in.bytes(field, sizeof field);
    });
}

template <class Record>
void writeRecord(Writer& out, const Record& record) {
    Record::fields(record, [&out](const auto& field) {
        using Field = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, float>)
            out.f32(field);
        else if constexpr (std::is_same_v<Field, int32_t>)
            out.i32(field);
        else
            out.bytes(field, sizeof field);
    });
}

std::string recordName(const char* what, std::size_t index, std::size_t count) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %zu of %zu", what, index + 1, count);
    return buf;
}

std::string number(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

// Exact float equality as a hash key: +0 and -0 compare equal, so they share a key.
uint64_t positionKey(float x, float y) {
    if (x == 0) x = 0;
    if (y == 0) y = 0;
    uint32_t bx, by;
    std::memcpy(&bx, &x, 4);
    std::memcpy(&by, &y, 4);
    return (static_cast<uint64_t>(bx) << 32) | by;
}

}  // namespace

bool parsePieceFile(const uint8_t* data, std::size_t size, PieceFile& piece, std::string& error) {
    piece = PieceFile{};
    Reader in(data, size);
    std::size_t n = 0;

    if (!readCount(in, "atom", kAtomRecordSize, piece.atomCount, n, error)) return false;
    piece.atoms.resize(n);
    for (AtomRecord& a : piece.atoms) readRecord(in, a);

    if (!readCount(in, "link", kLinkRecordSize, piece.linkCount, n, error)) return false;
    piece.links.resize(n);
    for (LinkRecord& l : piece.links) readRecord(in, l);

    if (!readCount(in, "texture", kTextureRecordSize, piece.textureCount, n, error)) return false;
    piece.textures.resize(n);
    for (TextureRecord& t : piece.textures) readRecord(in, t);

    if (!readCount(in, "triangle", kTriangleRecordSize, piece.triangleCount, n, error))
        return false;
    piece.triangles.resize(n);
    for (TriangleRecord& t : piece.triangles) readRecord(in, t);

    piece.trailer.resize(in.remaining());
    in.bytes(piece.trailer.data(), piece.trailer.size());
    return true;
}

namespace {

int32_t storedCount(int32_t count, std::size_t records) {
    if (records > 0) return static_cast<int32_t>(records);
    return count < 0 ? count : 0;
}

}  // namespace

std::vector<uint8_t> writePieceFile(const PieceFile& piece) {
    std::vector<uint8_t> bytes;
    bytes.reserve(16 + kAtomRecordSize * piece.atoms.size() + kLinkRecordSize * piece.links.size() +
                  kTextureRecordSize * piece.textures.size() +
                  kTriangleRecordSize * piece.triangles.size() + piece.trailer.size());
    Writer out(bytes);

    out.i32(storedCount(piece.atomCount, piece.atoms.size()));
    for (const AtomRecord& a : piece.atoms) writeRecord(out, a);
    out.i32(storedCount(piece.linkCount, piece.links.size()));
    for (const LinkRecord& l : piece.links) writeRecord(out, l);
    out.i32(storedCount(piece.textureCount, piece.textures.size()));
    for (const TextureRecord& t : piece.textures) writeRecord(out, t);
    out.i32(storedCount(piece.triangleCount, piece.triangles.size()));
    for (const TriangleRecord& t : piece.triangles) writeRecord(out, t);

    out.bytes(piece.trailer.data(), piece.trailer.size());
    out.finish();
    return bytes;
}

std::vector<PieceProblem> checkPieceFile(const PieceFile& piece) {
    std::vector<PieceProblem> problems;
    PieceSection section = PieceSection::atoms;
    std::size_t index = 0;
    std::string where;
    auto at = [&](PieceSection s, std::size_t i, std::size_t count) {
        static const char* const names[] = {"atom", "link", "texture", "triangle"};
        section = s, index = i, where = recordName(names[int(s)], i, count);
    };
    auto problem = [&](const std::string& what) {
        problems.push_back({section, index, where + ": " + what});
    };
    auto finite = [&](const char* field, float v) {
        if (!std::isfinite(v)) problem(std::string(field) + " is not a finite number");
    };
    auto iterations = [&](int32_t v) {
        // A negative count is valid: the step never examines that atom or solves that
        // link, and the world's sorted lists put it last.
        if (v > kMaxPieceIterations)
            problem("iterations " + std::to_string(v) + " is above " +
                    std::to_string(kMaxPieceIterations));
    };

    for (std::size_t i = 0; i < piece.atoms.size(); ++i) {
        const AtomRecord& a = piece.atoms[i];
        at(PieceSection::atoms, i, piece.atoms.size());
        finite("x", a.x);
        finite("y", a.y);
        finite("prevX", a.prevX);
        finite("prevY", a.prevY);
        finite("mass", a.mass);
        if (!(a.mass > 0))
            problem("mass " + number(a.mass) + " is not above 0");
        else if (std::isfinite(a.mass) && !std::isfinite(1.0f / a.mass))
            problem("mass " + number(a.mass) + " is too small");
        if (a.group < 0 || a.group > 49)
            problem("group " + std::to_string(a.group) + " is outside 0 to 49");
        iterations(a.iterations);
    }
    for (std::size_t i = 0; i < piece.links.size(); ++i) {
        const LinkRecord& l = piece.links[i];
        at(PieceSection::links, i, piece.links.size());
        finite("xA", l.xA);
        finite("yA", l.yA);
        finite("xB", l.xB);
        finite("yB", l.yB);
        finite("restLength", l.restLength);
        finite("minRatio", l.minRatio);
        finite("maxRatio", l.maxRatio);
        finite("stiffness", l.stiffness);
        iterations(l.iterations);
    }
    for (std::size_t i = 0; i < piece.textures.size(); ++i) {
        at(PieceSection::textures, i, piece.textures.size());
        if (!pieceNameTerminated(piece.textures[i].name)) problem("name has no zero byte");
    }
    for (std::size_t i = 0; i < piece.triangles.size(); ++i) {
        const TriangleRecord& t = piece.triangles[i];
        at(PieceSection::triangles, i, piece.triangles.size());
        const char* fields[] = {"xA", "yA", "xB", "yB", "xC", "yC",
                                "sA", "tA", "sB", "tB", "sC", "tC"};
        const float values[] = {t.xA, t.yA, t.xB, t.yB, t.xC, t.yC,
                                t.sA, t.tA, t.sB, t.tB, t.sC, t.tC};
        for (int f = 0; f < 12; ++f) finite(fields[f], values[f]);
        if (!pieceNameTerminated(t.texture)) problem("texture name has no zero byte");
    }
    return problems;
}

void setPieceName(uint8_t (&field)[kPieceNameSize], const std::string& name) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name.data(), std::min(name.size(), kPieceNameSize - 1));
}

std::string pieceName(const uint8_t (&field)[kPieceNameSize]) {
    const void* zero = std::memchr(field, 0, sizeof field);
    const std::size_t n =
        zero ? static_cast<std::size_t>(static_cast<const uint8_t*>(zero) - field) : sizeof field;
    return std::string(reinterpret_cast<const char*>(field), n);
}

bool pieceNameTerminated(const uint8_t (&field)[kPieceNameSize]) {
    return std::memchr(field, 0, sizeof field) != nullptr;
}

PieceMatches matchPiece(const PieceFile& piece, const std::vector<float>& atomX,
                        const std::vector<float>& atomY, float offsetX, float offsetY) {
    // The first atom of the file at a position wins; emplace keeps the first.
    std::unordered_map<uint64_t, int> atomAt;
    atomAt.reserve(piece.atoms.size());
    for (std::size_t i = 0; i < atomX.size(); ++i)
        atomAt.emplace(positionKey(atomX[i], atomY[i]), static_cast<int>(i));
    auto find = [&](float x, float y) {
        auto it = atomAt.find(positionKey(x + offsetX, y + offsetY));
        return it == atomAt.end() ? -1 : it->second;
    };

    PieceMatches m;
    m.links.resize(piece.links.size());
    std::unordered_map<uint64_t, bool> joined;  // unordered atom pair of a kept link
    auto pairKey = [](int a, int b) {
        if (a > b) std::swap(a, b);
        return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
    };
    for (std::size_t i = 0; i < piece.links.size(); ++i) {
        const LinkRecord& l = piece.links[i];
        m.links[i].a = find(l.xA, l.yA);
        m.links[i].b = find(l.xB, l.yB);
        if (m.links[i].kept()) joined[pairKey(m.links[i].a, m.links[i].b)] = true;
    }

    // The last texture of the file with a name wins.
    std::unordered_map<std::string, int> textureNamed;
    for (std::size_t i = 0; i < piece.textures.size(); ++i)
        if (pieceNameTerminated(piece.textures[i].name))
            textureNamed[pieceName(piece.textures[i].name)] = static_cast<int>(i);

    m.triangles.resize(piece.triangles.size());
    for (std::size_t i = 0; i < piece.triangles.size(); ++i) {
        const TriangleRecord& t = piece.triangles[i];
        PieceMatches::TriangleRefs& r = m.triangles[i];
        r.a = find(t.xA, t.yA);
        r.b = find(t.xB, t.yB);
        r.c = find(t.xC, t.yC);
        if (pieceNameTerminated(t.texture)) {
            auto it = textureNamed.find(pieceName(t.texture));
            if (it != textureNamed.end()) r.texture = it->second;
        }
        const int corners[3][2] = {{r.a, r.b}, {r.a, r.c}, {r.b, r.c}};
        for (int e = 0; e < 3; ++e) {
            const int p = corners[e][0], q = corners[e][1];
            r.joined[e] = p >= 0 && q >= 0 && joined.count(pairKey(p, q)) != 0;
        }
    }
    return m;
}

std::vector<PieceProblem> describeLeftOuts(const PieceFile& piece, const PieceMatches& matches) {
    std::vector<PieceProblem> lines;
    auto at = [](float x, float y) { return " (" + number(x) + ", " + number(y) + ")"; };
    for (std::size_t i = 0; i < matches.links.size(); ++i) {
        const LinkRecord& l = piece.links[i];
        const std::string where = recordName("link", i, piece.links.size());
        if (matches.links[i].a < 0)
            lines.push_back(
                {PieceSection::links, i, where + ": end A" + at(l.xA, l.yA) + " matches no atom"});
        if (matches.links[i].b < 0)
            lines.push_back(
                {PieceSection::links, i, where + ": end B" + at(l.xB, l.yB) + " matches no atom"});
    }
    // A misspelt name is one mistake however many triangles carry it: said once,
    // at its first triangle, with how many more.
    std::map<std::string, int> unmatchedNames;
    for (std::size_t i = 0; i < matches.triangles.size(); ++i)
        if (matches.triangles[i].texture < 0)
            ++unmatchedNames[pieceName(piece.triangles[i].texture)];
    for (std::size_t i = 0; i < matches.triangles.size(); ++i) {
        const TriangleRecord& t = piece.triangles[i];
        const PieceMatches::TriangleRefs& r = matches.triangles[i];
        std::string where = recordName("triangle", i, piece.triangles.size());
        auto leftOut = [&](const std::string& what) {
            lines.push_back({PieceSection::triangles, i, where + ": " + what});
        };
        if (r.a < 0) leftOut("corner A" + at(t.xA, t.yA) + " matches no atom");
        if (r.b < 0) leftOut("corner B" + at(t.xB, t.yB) + " matches no atom");
        if (r.c < 0) leftOut("corner C" + at(t.xC, t.yC) + " matches no atom");
        const auto unmatched =
            r.texture < 0 ? unmatchedNames.find(pieceName(t.texture)) : unmatchedNames.end();
        if (unmatched != unmatchedNames.end()) {
            const int more = unmatched->second - 1;
            const std::string named = where;
            if (more > 0) where += " and " + std::to_string(more) + " more";
            leftOut("texture \"" + unmatched->first + "\" names no texture of the file");
            where = named;
            unmatchedNames.erase(unmatched);
        }
        const char* pairs[3] = {"A and B", "A and C", "B and C"};
        const bool cornersFound[3] = {r.a >= 0 && r.b >= 0, r.a >= 0 && r.c >= 0,
                                      r.b >= 0 && r.c >= 0};
        for (int e = 0; e < 3; ++e)
            if (cornersFound[e] && !r.joined[e])
                leftOut(std::string("corners ") + pairs[e] + " are joined by no link");
    }
    return lines;
}

uint32_t readLittleEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

float readLittleEndianFloat(const uint8_t* bytes) {
    const uint32_t bits = readLittleEndian32(bytes);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
