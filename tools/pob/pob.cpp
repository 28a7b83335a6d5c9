// pob: looks into piece files, checks them, and turns them into text and back.
//
//   pob info FILE...          counts, extent, textures, ranges and every problem
//   pob check FILE...         exit 0 when every file loads whole, 1 otherwise
//   pob dump FILE.pob         the file as text, one record per line
//   pob build TEXT -o FILE    the file from that text ("-" reads standard input),
//                             refused when check would reject it (--force writes
//                             it anyway: test files that must be wrong)
//
// docs/pieces.md describes the format and walks through making a piece.
//
// dump then build gives back the same bytes: floats are written so they read back
// exactly (raw bits where a decimal would not), and name tails, reserved bytes,
// counts of zero or less and bytes after the last section are all kept.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "content/piece_file.h"
#include "content/piece_source.h"
#include "physics/system.h"
#include "physics/world_def.h"

namespace {

constexpr const char* kUsage =
    "usage: pob info FILE...\n"
    "       pob check FILE...\n"
    "       pob dump FILE.pob\n"
    "       pob build TEXT -o FILE.pob [--force]\n"
    "       pob --help | --version\n"
    "check exits 0 when every file loads whole, 1 otherwise; build refuses a piece\n"
    "that check would reject, unless --force (for test files that must be wrong).\n"
    "The piece format and a walkthrough: docs/pieces.md\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The text form may be several times the size of the piece it describes.
constexpr std::size_t kMaxTextBytes = 8 * kMaxPieceFileBytes;

bool readFile(const char* path, std::vector<uint8_t>& bytes,
              std::size_t limit = kMaxPieceFileBytes) {
    std::string why;
    if (readPieceFile(path, bytes, why, limit)) return true;
    std::fprintf(stderr, "%s: cannot read: %s\n", path, why.c_str());
    return false;
}

bool loadFile(const char* path, PieceFile& piece, std::size_t* size = nullptr) {
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes)) return false;
    std::string error;
    if (!parsePieceFile(bytes.data(), bytes.size(), piece, error)) {
        std::fprintf(stderr, "%s: %s\n", path, error.c_str());
        return false;
    }
    if (size != nullptr) *size = bytes.size();
    return true;
}

// ---- text form ----------------------------------------------------------------

uint32_t bitsOf(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

std::string floatText(float f) {
    char buf[32];
    if (std::isfinite(f)) {
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
        if (bitsOf(std::strtof(buf, nullptr)) == bitsOf(f)) return buf;
    }
    std::snprintf(buf, sizeof buf, "bits:%08x", bitsOf(f));
    return buf;
}

std::string hexText(const uint8_t* p, std::size_t n) {
    std::string s;
    char buf[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", p[i]);
        s += buf;
    }
    return s;
}

// A name as a quoted string, then, when the bytes after its zero are not all zero,
// those bytes in hex (trailing zeros left off).
std::string nameText(const uint8_t (&field)[kPieceNameSize]) {
    const std::string name = pieceName(field);
    std::string s = "\"";
    char buf[8];
    for (unsigned char c : name) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            s += buf;
        } else {
            s += static_cast<char>(c);
        }
    }
    s += '"';
    if (name.size() < kPieceNameSize) {
        std::size_t end = kPieceNameSize;
        while (end > name.size() + 1 && field[end - 1] == 0) --end;
        if (end > name.size() + 1)
            s += " tail " + hexText(field + name.size() + 1, end - name.size() - 1);
    }
    return s;
}

void dumpPiece(const char* path, const PieceFile& p) {
    std::printf("# %s\n", path);
    std::printf("# atom x y prevX prevY mass iterations tag group collidesWith(0-9)\n");
    std::printf("atoms %d\n", p.atoms.empty() ? std::min(p.atomCount, 0) : int(p.atoms.size()));
    for (const AtomRecord& a : p.atoms)
        std::printf("atom %s %s %s %s %s %d %d %d %s\n", floatText(a.x).c_str(),
                    floatText(a.y).c_str(), floatText(a.prevX).c_str(), floatText(a.prevY).c_str(),
                    floatText(a.mass).c_str(), a.iterations, a.tag, a.group,
                    hexText(a.collidesWith, sizeof a.collidesWith).c_str());
    std::printf(
        "# link xA yA xB yB restLength minRatio maxRatio stiffness reserved iterations tag\n");
    std::printf("links %d\n", p.links.empty() ? std::min(p.linkCount, 0) : int(p.links.size()));
    for (const LinkRecord& l : p.links)
        std::printf("link %s %s %s %s %s %s %s %s %s %d %d\n", floatText(l.xA).c_str(),
                    floatText(l.yA).c_str(), floatText(l.xB).c_str(), floatText(l.yB).c_str(),
                    floatText(l.restLength).c_str(), floatText(l.minRatio).c_str(),
                    floatText(l.maxRatio).c_str(), floatText(l.stiffness).c_str(),
                    hexText(l.reserved, sizeof l.reserved).c_str(), l.iterations, l.tag);
    std::printf("textures %d\n",
                p.textures.empty() ? std::min(p.textureCount, 0) : int(p.textures.size()));
    for (const TextureRecord& t : p.textures) std::printf("texture %s\n", nameText(t.name).c_str());
    std::printf("# triangle xA yA xB yB xC yC reserved(6) sA tA sB tB sC tC texture\n");
    std::printf("triangles %d\n",
                p.triangles.empty() ? std::min(p.triangleCount, 0) : int(p.triangles.size()));
    for (const TriangleRecord& t : p.triangles) {
        std::string line = "triangle";
        for (float f : {t.xA, t.yA, t.xB, t.yB, t.xC, t.yC}) (line += ' ') += floatText(f);
        for (int k = 0; k < 6; ++k) {
            uint32_t bits = 0;
            for (int b = 0; b < 4; ++b) bits |= uint32_t(t.reserved[4 * k + b]) << (8 * b);
            float f;
            std::memcpy(&f, &bits, 4);
            (line += ' ') += floatText(f);
        }
        for (float f : {t.sA, t.tA, t.sB, t.tB, t.sC, t.tC}) (line += ' ') += floatText(f);
        (line += ' ') += nameText(t.texture);
        std::printf("%s\n", line.c_str());
    }
    if (!p.trailer.empty())
        std::printf("trailer %s\n", hexText(p.trailer.data(), p.trailer.size()).c_str());
}

// Reading the text back. Errors name the line.
struct TextReader {
    const char* path = "";
    int lineNumber = 0;
    std::string error;
    // Where each section's count line and each record stand in the text.
    int headerLine[4] = {0, 0, 0, 0};
    std::vector<int> recordLines[4];

    bool fail(const std::string& why) {
        if (error.empty())
            error = std::string(path) + ":" + std::to_string(lineNumber) + ": " + why;
        return false;
    }

    // Splits a line into words; a quoted word keeps its escapes resolved and is
    // marked by a leading '"' in the result.
    bool split(const std::string& line, std::vector<std::string>& words) {
        std::size_t i = 0;
        while (i < line.size()) {
            if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
                ++i;
                continue;
            }
            if (line[i] == '#') break;
            if (line[i] == '"') {
                std::string w = "\"";
                for (++i;; ++i) {
                    if (i >= line.size()) return fail("unterminated string");
                    if (line[i] == '"') break;
                    if (line[i] == '\\') {
                        if (++i >= line.size()) return fail("unterminated string");
                        if (line[i] == 'x') {
                            uint8_t byte = 0;
                            if (!toHex(line.substr(i + 1, 2), &byte, 1)) return fail("bad escape");
                            w += static_cast<char>(byte);
                            i += 2;
                        } else {
                            w += line[i];
                        }
                    } else {
                        w += line[i];
                    }
                }
                ++i;
                words.push_back(w);
                continue;
            }
            std::size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
            words.push_back(line.substr(i, j - i));
            i = j;
        }
        return true;
    }

    bool toFloat(const std::string& w, float& f) {
        if (w.rfind("bits:", 0) == 0) {
            uint32_t b = 0;
            if (!toHex(w.substr(5), reinterpret_cast<uint8_t*>(&b), 4, true)) return false;
            std::memcpy(&f, &b, 4);
            return true;
        }
        char* end = nullptr;
        f = std::strtof(w.c_str(), &end);
        if (w.empty() || *end != '\0') return fail("not a number: " + w);
        return true;
    }

    bool toInt(const std::string& w, int32_t& v) {
        char* end = nullptr;
        errno = 0;
        const long long x = std::strtoll(w.c_str(), &end, 10);
        if (w.empty() || *end != '\0' || errno != 0 || x < INT32_MIN || x > INT32_MAX)
            return fail("not a 32-bit integer: " + w);
        v = static_cast<int32_t>(x);
        return true;
    }

    // Hex digits into bytes; `word` reads them as one big-endian 32-bit word.
    bool toHex(const std::string& w, uint8_t* out, std::size_t n, bool word = false) {
        if (w.size() != 2 * n) return fail("expected " + std::to_string(2 * n) + " hex digits");
        std::vector<uint8_t> bytes(n);
        for (std::size_t i = 0; i < n; ++i) {
            unsigned v;
            if (!std::isxdigit(static_cast<unsigned char>(w[2 * i])) ||
                !std::isxdigit(static_cast<unsigned char>(w[2 * i + 1])) ||
                std::sscanf(w.substr(2 * i, 2).c_str(), "%2x", &v) != 1)
                return fail("bad hex: " + w);
            bytes[i] = static_cast<uint8_t>(v);
        }
        if (word) {
            const uint32_t v = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) |
                               (uint32_t(bytes[2]) << 8) | bytes[3];
            std::memcpy(out, &v, 4);
        } else {
            std::memcpy(out, bytes.data(), n);
        }
        return true;
    }

    // A quoted name, optionally followed by "tail HEX".
    bool toName(const std::vector<std::string>& w, std::size_t at,
                uint8_t (&field)[kPieceNameSize]) {
        if (at >= w.size() || w[at].empty() || w[at][0] != '"')
            return fail("expected a quoted name");
        const std::string name = w[at].substr(1);
        if (name.size() > kPieceNameSize) return fail("name longer than 256 bytes");
        if (name.find('\0') != std::string::npos) return fail("name holds a zero byte");
        std::memset(field, 0, sizeof field);
        std::memcpy(field, name.data(), name.size());
        std::size_t used = at + 1;
        if (used < w.size() && w[used] == "tail") {
            if (used + 1 >= w.size()) return fail("tail needs hex bytes");
            const std::string& hex = w[used + 1];
            const std::size_t room =
                kPieceNameSize - name.size() - (name.size() < kPieceNameSize ? 1 : 0);
            if (name.size() == kPieceNameSize || hex.size() % 2 != 0 || hex.size() / 2 > room)
                return fail("tail does not fit the name field");
            if (!toHex(hex, field + name.size() + 1, hex.size() / 2)) return false;
            used += 2;
        }
        if (used != w.size()) return fail("unexpected words after the name");
        return true;
    }

    bool arity(const std::vector<std::string>& w, std::size_t n) {
        if (w.size() != n) return fail(w[0] + " needs " + std::to_string(n - 1) + " values");
        return true;
    }

    bool parse(const std::string& text, PieceFile& p) {
        const char* sections[] = {"atoms", "links", "textures", "triangles"};
        const char* records[] = {"atom", "link", "texture", "triangle"};
        int32_t* counts[] = {&p.atomCount, &p.linkCount, &p.textureCount, &p.triangleCount};
        bool counted[4] = {false, false, false, false};
        bool given[4] = {false, false, false, false};
        int section = 0;
        bool trailerSeen = false;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            ++lineNumber;
            std::vector<std::string> w;
            if (!split(line, w)) return false;
            if (w.empty()) continue;
            if (trailerSeen) return fail("nothing may follow the trailer");
            if (w[0] == "trailer") {
                if (!arity(w, 2) || w[1].size() % 2 != 0) return fail("trailer needs hex bytes");
                p.trailer.resize(w[1].size() / 2);
                if (!toHex(w[1], p.trailer.data(), p.trailer.size())) return false;
                trailerSeen = true;
                continue;
            }
            int kind = -1;
            bool header = false;
            for (int k = 0; k < 4; ++k) {
                if (w[0] == sections[k]) kind = k, header = true;
                if (w[0] == records[k]) kind = k;
            }
            if (kind < 0) return fail("unknown record " + w[0]);
            if (kind < section)
                return fail(w[0] + " out of order: sections go atoms, links, textures, triangles");
            section = kind;
            if (header) {
                if (counted[kind]) return fail("second " + w[0] + " line");
                counted[kind] = true;
                headerLine[kind] = lineNumber;
                if (w.size() == 2) {
                    if (!toInt(w[1], *counts[kind])) return false;
                    given[kind] = true;
                } else if (w.size() != 1) {
                    return fail(w[0] + " takes at most a count");
                }
                continue;
            }
            if (!recordLine(kind, w, p)) return false;
            recordLines[kind].push_back(lineNumber);
        }
        const std::size_t sizes[] = {p.atoms.size(), p.links.size(), p.textures.size(),
                                     p.triangles.size()};
        for (int k = 0; k < 4; ++k) {
            if (!given[k]) {
                *counts[k] = static_cast<int32_t>(sizes[k]);
            } else if (*counts[k] > 0 ? std::size_t(*counts[k]) != sizes[k] : sizes[k] != 0) {
                lineNumber = headerLine[k];
                return fail(std::string(sections[k]) + " " + std::to_string(*counts[k]) + " but " +
                            std::to_string(sizes[k]) + " records");
            }
        }
        return true;
    }

    bool recordLine(int kind, const std::vector<std::string>& w, PieceFile& p) {
        if (kind == 0) {
            AtomRecord a;
            if (!arity(w, 10)) return false;
            if (!toFloat(w[1], a.x) || !toFloat(w[2], a.y) || !toFloat(w[3], a.prevX) ||
                !toFloat(w[4], a.prevY) || !toFloat(w[5], a.mass) || !toInt(w[6], a.iterations) ||
                !toInt(w[7], a.tag) || !toInt(w[8], a.group) ||
                !toHex(w[9], a.collidesWith, sizeof a.collidesWith))
                return false;
            p.atoms.push_back(a);
        } else if (kind == 1) {
            LinkRecord l;
            if (!arity(w, 12)) return false;
            if (!toFloat(w[1], l.xA) || !toFloat(w[2], l.yA) || !toFloat(w[3], l.xB) ||
                !toFloat(w[4], l.yB) || !toFloat(w[5], l.restLength) ||
                !toFloat(w[6], l.minRatio) || !toFloat(w[7], l.maxRatio) ||
                !toFloat(w[8], l.stiffness) || !toHex(w[9], l.reserved, sizeof l.reserved) ||
                !toInt(w[10], l.iterations) || !toInt(w[11], l.tag))
                return false;
            p.links.push_back(l);
        } else if (kind == 2) {
            TextureRecord t;
            if (!toName(w, 1, t.name)) return false;
            p.textures.push_back(t);
        } else {
            TriangleRecord t;
            if (w.size() < 20) return fail("triangle needs 18 numbers and a name");
            float* fields[] = {&t.xA, &t.yA, &t.xB, &t.yB, &t.xC, &t.yC};
            for (int k = 0; k < 6; ++k)
                if (!toFloat(w[1 + k], *fields[k])) return false;
            for (int k = 0; k < 6; ++k) {
                float f;
                if (!toFloat(w[7 + k], f)) return false;
                const uint32_t bits = bitsOf(f);
                for (int b = 0; b < 4; ++b) t.reserved[4 * k + b] = uint8_t(bits >> (8 * b));
            }
            float* coords[] = {&t.sA, &t.tA, &t.sB, &t.tB, &t.sC, &t.tC};
            for (int k = 0; k < 6; ++k)
                if (!toFloat(w[13 + k], *coords[k])) return false;
            if (!toName(w, 19, t.texture)) return false;
            p.triangles.push_back(t);
        }
        return true;
    }
};

// ---- info and check -----------------------------------------------------------

// A problem or a warning; `record` says which record it is about, when it is about one.
struct Finding {
    bool warning = false;
    std::string text;
    std::optional<std::pair<PieceSection, std::size_t>> record;
};

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string number(float f) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(f));
    return text;
}

std::string more(std::size_t n) {
    return n > 0 ? " (and " + std::to_string(n) + " more)" : "";
}

// Records find their atoms by position, the first atom at a spot: an atom on top
// of another is never found, and a link between the two joins one atom to itself.
void stackedAtoms(const PieceFile& p, const PieceMatches& m, std::vector<Finding>& found) {
    std::map<std::pair<float, float>, std::size_t> first;
    std::size_t stacked = 0, at = 0;
    for (std::size_t i = 0; i < p.atoms.size(); ++i)
        if (!first.emplace(std::pair(p.atoms[i].x, p.atoms[i].y), i).second && stacked++ == 0)
            at = i;
    if (stacked > 0) {
        const AtomRecord& a = p.atoms[at];
        found.push_back({true,
                         "atom " + std::to_string(at + 1) + " of " +
                             std::to_string(p.atoms.size()) + more(stacked - 1) +
                             " stands on atom " + std::to_string(first[{a.x, a.y}] + 1) + " at (" +
                             number(a.x) + ", " + number(a.y) +
                             "): links and triangles find that one",
                         std::pair(PieceSection::atoms, at)});
    }
    std::size_t looped = 0;
    for (std::size_t i = 0; i < m.links.size(); ++i)
        if (m.links[i].kept() && m.links[i].a == m.links[i].b && looped++ == 0) at = i;
    if (looped > 0)
        found.push_back({true,
                         "link " + std::to_string(at + 1) + " of " +
                             std::to_string(p.links.size()) + more(looped - 1) +
                             ": both ends find atom " + std::to_string(m.links[at].a + 1) +
                             ", so it joins that atom to itself and holds nothing",
                         std::pair(PieceSection::links, at)});
}

// The one check, for check, info and build alike. Problems keep the file from
// loading whole when spawned inside the world; warnings are about a piece that
// loads but will not look or hold as its author meant. Textures are looked for
// in `textureDir`, the folder the piece sits in.
std::vector<Finding> examine(const PieceFile& p, const std::string& textureDir) {
    std::vector<Finding> found;
    for (PieceProblem& s : checkPieceFile(p))
        found.push_back({false, std::move(s.text), std::pair(s.section, s.index)});
    if (p.atoms.size() > std::size_t(kMaxAtoms))
        found.push_back({false,
                         std::to_string(p.atoms.size()) + " atoms never fit in the world's " +
                             std::to_string(kMaxAtoms),
                         std::nullopt});
    if (!found.empty()) return found;

    std::vector<float> xs, ys;
    for (const AtomRecord& a : p.atoms) {
        xs.push_back(a.x);
        ys.push_back(a.y);
    }
    const PieceMatches m = matchPiece(p, xs, ys, 0, 0);
    for (const PieceProblem& s : describeLeftOuts(p, m))
        found.push_back({false, s.text + " (left out)", std::pair(s.section, s.index)});

    // The world drops an atom with fewer than two links at its first step.
    std::vector<int> ends(p.atoms.size(), 0);
    for (const PieceMatches::LinkEnds& e : m.links)
        if (e.kept()) ++ends[std::size_t(e.a)], ++ends[std::size_t(e.b)];
    for (std::size_t i = 0; i < ends.size(); ++i)
        if (ends[i] < 2)
            found.push_back({true,
                             "atom " + std::to_string(i + 1) + " of " +
                                 std::to_string(ends.size()) + ": " + std::to_string(ends[i]) +
                                 (ends[i] == 1 ? " link" : " links") +
                                 ", so the world drops it at the first step",
                             std::pair(PieceSection::atoms, i)});
    stackedAtoms(p, m, found);
    // Every atom is pushed inside the world's borders as it enters; one pushed in
    // no longer meets its links' ends, wherever the piece is dropped.
    if (!p.atoms.empty()) {
        const auto [xLow, xHigh] =
            std::minmax_element(p.atoms.begin(), p.atoms.end(),
                                [](const AtomRecord& a, const AtomRecord& b) { return a.x < b.x; });
        const auto [yLow, yHigh] =
            std::minmax_element(p.atoms.begin(), p.atoms.end(),
                                [](const AtomRecord& a, const AtomRecord& b) { return a.y < b.y; });
        const float width = xHigh->x - xLow->x;
        const float height = yHigh->y - yLow->y;
        if (width > kDefaultWorldDef.width || height > kDefaultWorldDef.height)
            found.push_back({true,
                             "the atoms span " + number(width) + " by " + number(height) +
                                 ", more than the world's " + number(kDefaultWorldDef.width) +
                                 " by " + number(kDefaultWorldDef.height) +
                                 ": wherever it drops, atoms pushed inside the borders "
                                 "lose their links",
                             std::nullopt});
    }
    for (std::size_t i = 0; i < p.textures.size(); ++i) {
        const std::string name = pieceName(p.textures[i].name);
        if (!isRegularFile((textureDir + name).c_str()))
            found.push_back({true,
                             "texture " + std::to_string(i + 1) + " of " +
                                 std::to_string(p.textures.size()) + ": no file " +
                                 (textureDir + name) + " beside the piece",
                             std::pair(PieceSection::textures, i)});
    }
    return found;
}

std::size_t problemCount(const std::vector<Finding>& found) {
    return std::size_t(
        std::count_if(found.begin(), found.end(), [](const Finding& f) { return !f.warning; }));
}

template <typename T, typename F>
std::string range(const std::vector<T>& records, F field, const char* format) {
    if (records.empty()) return "none";
    auto lo = field(records.front()), hi = lo;
    for (const T& r : records) {
        lo = std::min(lo, field(r));
        hi = std::max(hi, field(r));
    }
    char buf[96];
    std::snprintf(buf, sizeof buf, format, lo, hi);
    return buf;
}

void info(const char* path, const PieceFile& p, std::size_t bytes) {
    std::printf("%s: %zu atoms, %zu links, %zu textures, %zu triangles, %zu bytes\n", path,
                p.atoms.size(), p.links.size(), p.textures.size(), p.triangles.size(), bytes);
    if (!p.atoms.empty()) {
        float x0 = p.atoms[0].x, x1 = x0, y0 = p.atoms[0].y, y1 = y0;
        for (const AtomRecord& a : p.atoms) {
            x0 = std::min(x0, a.x), x1 = std::max(x1, a.x);
            y0 = std::min(y0, a.y), y1 = std::max(y1, a.y);
        }
        std::printf("  extent: x %.9g to %.9g, y %.9g to %.9g\n", double(x0), double(x1),
                    double(y0), double(y1));
    }
    std::string names;
    for (const TextureRecord& t : p.textures) (names += ' ') += pieceName(t.name);
    std::printf("  textures:%s\n", names.empty() ? " none" : names.c_str());
    std::printf("  atom iterations: %s\n",
                range(
                    p.atoms, [](const AtomRecord& a) { return a.iterations; }, "%d to %d")
                    .c_str());
    std::printf("  link iterations: %s\n",
                range(
                    p.links, [](const LinkRecord& l) { return l.iterations; }, "%d to %d")
                    .c_str());
    std::printf("  mass: %s\n",
                range(
                    p.atoms, [](const AtomRecord& a) { return double(a.mass); }, "%.9g to %.9g")
                    .c_str());
    std::printf(
        "  stiffness: %s\n",
        range(
            p.links, [](const LinkRecord& l) { return double(l.stiffness); }, "%.9g to %.9g")
            .c_str());
    std::printf("  ratios: min %s, max %s\n",
                range(
                    p.links, [](const LinkRecord& l) { return double(l.minRatio); }, "%.9g to %.9g")
                    .c_str(),
                range(
                    p.links, [](const LinkRecord& l) { return double(l.maxRatio); }, "%.9g to %.9g")
                    .c_str());
    if (p.atomCount < 0 || p.linkCount < 0 || p.textureCount < 0 || p.triangleCount < 0)
        std::printf("  counts as stored: %d %d %d %d\n", p.atomCount, p.linkCount, p.textureCount,
                    p.triangleCount);
    if (!p.trailer.empty()) std::printf("  %zu bytes after the last section\n", p.trailer.size());

    // Atoms of one piece closer than two radii push each other apart unless linked.
    if (p.atoms.size() <= 5000 && p.atoms.size() > 1) {
        std::vector<std::pair<float, float>> pos;
        for (const AtomRecord& a : p.atoms) pos.emplace_back(a.x, a.y);
        std::vector<float> xs, ys;
        for (auto& q : pos) xs.push_back(q.first), ys.push_back(q.second);
        std::vector<std::vector<int>> linked(p.atoms.size());
        for (const auto& e : matchPiece(p, xs, ys, 0, 0).links)
            if (e.kept()) linked[e.a].push_back(e.b), linked[e.b].push_back(e.a);
        int crowded = 0;
        for (std::size_t i = 0; i < pos.size(); ++i)
            for (std::size_t j = i + 1; j < pos.size(); ++j) {
                const float dx = pos[i].first - pos[j].first, dy = pos[i].second - pos[j].second;
                if (dx * dx + dy * dy < 100 &&
                    std::find(linked[i].begin(), linked[i].end(), int(j)) == linked[i].end())
                    ++crowded;
            }
        std::printf("  unlinked atom pairs closer than 10: %d\n", crowded);
    }

    const std::vector<Finding> found = examine(p, directoryOf(path));
    if (problemCount(found) == 0) std::printf("  problems: none\n");
    for (const Finding& f : found)
        std::printf("  %s: %s\n", f.warning ? "warning" : "problem", f.text.c_str());
}

int infoOrCheck(bool check, int argc, char** argv) {
    if (argc < 3) return usage();
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        PieceFile p;
        std::size_t size = 0;
        if (!loadFile(argv[i], p, &size)) {
            status = 1;
            continue;
        }
        if (!check) {
            info(argv[i], p, size);
            continue;
        }
        const std::vector<Finding> found = examine(p, directoryOf(argv[i]));
        for (const Finding& f : found)
            std::fprintf(stderr, "%s: %s%s\n", argv[i], f.warning ? "warning: " : "",
                         f.text.c_str());
        if (problemCount(found) == 0)
            std::printf("%s: ok\n", argv[i]);
        else
            status = 1;
    }
    return status;
}

int build(int argc, char** argv) {
    const bool force = argc == 6 && std::strcmp(argv[5], "--force") == 0;
    if ((argc != 5 && !force) || std::strcmp(argv[3], "-o") != 0) return usage();
    std::vector<uint8_t> text;
    if (!readFile(argv[2], text, kMaxTextBytes)) return 1;
    TextReader reader;
    reader.path = argv[2];
    PieceFile p;
    if (!reader.parse(std::string(text.begin(), text.end()), p)) {
        std::fprintf(stderr, "%s\n", reader.error.c_str());
        return 1;
    }
    // What build writes is checked as check would check the file, each finding
    // named by the line of the record it is about.
    const std::vector<Finding> found = examine(p, directoryOf(argv[4]));
    for (const Finding& f : found) {
        int line = reader.headerLine[0];
        if (f.record && f.record->second < reader.recordLines[int(f.record->first)].size())
            line = reader.recordLines[int(f.record->first)][f.record->second];
        else if (!reader.recordLines[0].empty() && line == 0)
            line = reader.recordLines[0].front();
        std::fprintf(stderr, "%s:%d: %s%s\n", argv[2], line, f.warning ? "warning: " : "",
                     f.text.c_str());
    }
    if (problemCount(found) != 0 && !force) {
        std::fprintf(stderr, "%s: not written: pob check would reject it\n", argv[4]);
        return 1;
    }
    const std::vector<uint8_t> bytes = writePieceFile(p);
    std::FILE* f = std::fopen(argv[4], "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "%s: cannot create: %s\n", argv[4], std::strerror(errno));
        return 1;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "%s: write error\n", argv[4]);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    if (argc < 2) return usage();
    const std::string command = argv[1];
    if (command == "info") return infoOrCheck(false, argc, argv);
    if (command == "check") return infoOrCheck(true, argc, argv);
    if (command == "build") return build(argc, argv);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("pob %s\n", PIMO_VERSION);
        return 0;
    }
    if (command == "dump") {
        if (argc != 3) return usage();
        PieceFile p;
        if (!loadFile(argv[2], p)) return 1;
        dumpPiece(argv[2], p);
        return 0;
    }
    return usage();
}
