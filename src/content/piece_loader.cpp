#include "content/piece_loader.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "content/piece_file.h"
#include "content/report.h"
#include "scene/texture.h"
#include "content/tga.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"

namespace {

TextureUploader currentUploader = nullptr;

bool readAll(std::FILE* file, std::vector<uint8_t>& bytes) {
    uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) return std::ferror(file) == 0;
    }
}

struct PairHash {
    std::size_t operator()(const std::pair<const Atom*, const Atom*>& p) const {
        return std::hash<const Atom*>()(p.first) * 31 + std::hash<const Atom*>()(p.second);
    }
};

Game* worldRoot(Object& object) {
    Object* top = &object;
    while (top->parent != nullptr) top = top->parent;
    return dynamic_cast<Game*>(top);
}

// Atom pairs of this piece that a link of the world root's list joins, in either
// order. One walk over the world's links per load, not one per triangle edge.
std::unordered_set<std::pair<const Atom*, const Atom*>, PairHash> joinedInWorld(
    const Game& root, const std::unordered_set<const Atom*>& pieceAtoms) {
    std::unordered_set<std::pair<const Atom*, const Atom*>, PairHash> joined;
    root.links.forEach([&](const Link* l) {
        if (pieceAtoms.count(l->atomA) != 0 && pieceAtoms.count(l->atomB) != 0) {
            joined.emplace(l->atomA, l->atomB);
            joined.emplace(l->atomB, l->atomA);
        }
    });
    return joined;
}

std::string plural(int n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// Problems that depend on where the piece is put rather than on the file.
std::string placementProblem(const PieceFile& piece, float offsetX, float offsetY) {
    if (!std::isfinite(offsetX) || !std::isfinite(offsetY)) return "spawn position is not finite";
    for (std::size_t i = 0; i < piece.atoms.size(); ++i) {
        const AtomRecord& a = piece.atoms[i];
        if (!std::isfinite(a.x + offsetX) || !std::isfinite(a.y + offsetY) ||
            !std::isfinite(a.prevX + offsetX) || !std::isfinite(a.prevY + offsetY))
            return "atom " + std::to_string(i + 1) + " of " + std::to_string(piece.atoms.size()) +
                   ": position overflows at the spawn position";
    }
    return {};
}

}  // namespace

void setTextureUploader(TextureUploader uploader) {
    currentUploader = uploader;
}

bool loadPiece(Junk& piece, std::FILE* file, float offsetX, float offsetY, const char* fileName,
               PieceLoadReport* report) {
    if (fileName == nullptr) fileName = "piece";
    auto refuse = [fileName](const std::string& why) {
        reportLine("%s: %s", fileName, why.c_str());
        return false;
    };
    if (file == nullptr) return refuse("no file");

    std::vector<uint8_t> bytes;
    if (!readAll(file, bytes)) return refuse("read error");
    PieceFile pf;
    std::string error;
    if (!parsePieceFile(bytes.data(), bytes.size(), pf, error)) return refuse(error);
    bytes = {};
    const std::vector<std::string> problems = checkPieceFile(pf);
    if (!problems.empty()) {
        std::string line = problems.front();
        if (problems.size() > 1)
            line += " (and " + plural(int(problems.size() - 1), "more problem") + ")";
        return refuse(line);
    }
    error = placementProblem(pf, offsetX, offsetY);
    if (!error.empty()) return refuse(error);

    Game* root = worldRoot(piece);
    if (root == nullptr || root->world == nullptr) return refuse("no world to load into");
    const int32_t freeIds = root->world->freeIds();
    if (static_cast<std::size_t>(freeIds) < pf.atoms.size())
        return refuse("world full: " + std::to_string(kMaxAtoms - freeIds) + " of " +
                      std::to_string(kMaxAtoms) + " atoms in use, the piece has " +
                      std::to_string(pf.atoms.size()));

    // Atoms. Matching below compares with where registration put them (clamped
    // into the world), as the links and triangles will see them.
    std::vector<Atom*> atoms;
    std::vector<float> atomX, atomY;
    atoms.reserve(pf.atoms.size());
    try {
        for (const AtomRecord& r : pf.atoms) {
            Atom* a = new Atom(0, 0, 1, 0, 0, 0.1f, 5);
            a->x = r.x;
            a->y = r.y;
            a->prevX = r.prevX;
            a->prevY = r.prevY;
            a->mass = r.mass;
            a->iterations = r.iterations;
            a->tag = r.tag;
            a->group = r.group;
            std::memcpy(a->collidesWith, r.collidesWith, sizeof r.collidesWith);
            a->invMass = 1 / a->mass;
            a->invIterations = 1.0f / static_cast<float>(a->iterations);
            a->x += offsetX;
            a->y += offsetY;
            a->prevX += offsetX;
            a->prevY += offsetY;
            piece.adoptAtom(a);
            atoms.push_back(a);
        }
    } catch (const std::out_of_range&) {
        // Unreachable after the free-id check above, unless the tree registers
        // atoms elsewhere too; never let the world's range error out of a load.
        return refuse("world full while loading");
    }
    for (const Atom* a : atoms) {
        atomX.push_back(a->x);
        atomY.push_back(a->y);
    }
    const PieceMatches matches = matchPiece(pf, atomX, atomY, offsetX, offsetY);

    int leftLinks = 0;
    for (std::size_t i = 0; i < pf.links.size(); ++i) {
        const PieceMatches::LinkEnds& ends = matches.links[i];
        if (!ends.kept()) {
            ++leftLinks;
            continue;
        }
        const LinkRecord& r = pf.links[i];
        Link* l = new Link;
        l->atomA = atoms[static_cast<std::size_t>(ends.a)];
        l->atomB = atoms[static_cast<std::size_t>(ends.b)];
        l->restLength = r.restLength;
        l->minRatio = r.minRatio;
        l->maxRatio = r.maxRatio;
        l->stiffness = r.stiffness;
        l->reserved = readLittleEndian32(r.reserved);
        l->iterations = r.iterations;
        l->tag = r.tag;
        l->visible = false;
        l->atomA->linkAttached(l);
        l->atomB->linkAttached(l);
        piece.adoptLink(l);
    }

    std::vector<Texture*> textures;
    for (const TextureRecord& r : pf.textures) {
        Texture* t = new Texture;  // lives as long as the game: never freed
        std::memcpy(t->name, r.name, sizeof t->name);
        loadTga(*t, t->name);
        // An image that failed to load still has to show as something.
        makeFallbackTexture(*t);
        if (currentUploader != nullptr) currentUploader(*t);
        piece.addTexture(t);
        textures.push_back(t);
    }

    const auto joined =
        joinedInWorld(*root, std::unordered_set<const Atom*>(atoms.begin(), atoms.end()));
    int leftTriangles = 0;
    for (std::size_t i = 0; i < pf.triangles.size(); ++i) {
        const PieceMatches::TriangleRefs& refs = matches.triangles[i];
        if (refs.a < 0 || refs.b < 0 || refs.c < 0 || refs.texture < 0) {
            ++leftTriangles;
            continue;
        }
        Atom* a = atoms[static_cast<std::size_t>(refs.a)];
        Atom* b = atoms[static_cast<std::size_t>(refs.b)];
        Atom* c = atoms[static_cast<std::size_t>(refs.c)];
        if (joined.count({a, b}) == 0 || joined.count({a, c}) == 0 || joined.count({b, c}) == 0) {
            ++leftTriangles;
            continue;
        }
        const TriangleRecord& r = pf.triangles[i];
        Triangle* t = new Triangle;
        t->setCorners(a, b, c);
        for (int k = 0; k < 6; ++k) t->reserved[k] = readLittleEndianFloat(r.reserved + 4 * k);
        t->sA = r.sA;
        t->tA = r.tA;
        t->sB = r.sB;
        t->tB = r.tB;
        t->sC = r.sC;
        t->tC = r.tC;
        t->texture = textures[static_cast<std::size_t>(refs.texture)];
        piece.addTriangle(t);
    }

    if (report != nullptr) *report = {leftLinks, leftTriangles};
    if (leftLinks > 0 || leftTriangles > 0) {
        std::string what;
        if (leftLinks > 0) what = plural(leftLinks, "link");
        if (leftTriangles > 0)
            what += (what.empty() ? "" : " and ") + plural(leftTriangles, "triangle");
        reportLine("%s: left out %s", fileName, what.c_str());
    }
    return true;
}
