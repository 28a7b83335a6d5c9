#include "content/piece_loader.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "content/piece_file.h"
#include "content/piece_source.h"
#include "content/report.h"
#include "content/texture_cache.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"
#include "scene/texture.h"
#include "scene/triangle.h"

namespace {

std::string plural(int n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// The bytes parsed whole; returns why they are refused, or nothing.
std::string parsePiece(const std::vector<uint8_t>& bytes, PieceFile& piece) {
    std::string error;
    if (!parsePieceFile(bytes.data(), bytes.size(), piece, error)) return error;
    return {};
}

// Why the records may not be loaded, or nothing.
std::string checkPiece(const PieceFile& piece) {
    const std::vector<PieceProblem> problems = checkPieceFile(piece);
    if (problems.empty()) return {};
    std::string line = problems.front().text;
    if (problems.size() > 1)
        line += " (and " + plural(int(problems.size() - 1), "more problem") + ")";
    return line;
}

Game* worldRoot(Object& object) {
    Object* top = &object;
    while (top->parent != nullptr) top = top->parent;
    return dynamic_cast<Game*>(top);
}

// Whether the piece can go where it is put: finite positions, and room for all
// its atoms in the world.
std::string placementProblem(const PieceFile& piece, const Game* root, float offsetX,
                             float offsetY) {
    if (!std::isfinite(offsetX) || !std::isfinite(offsetY)) return "spawn position is not finite";
    for (std::size_t i = 0; i < piece.atoms.size(); ++i) {
        const AtomRecord& a = piece.atoms[i];
        if (!std::isfinite(a.x + offsetX) || !std::isfinite(a.y + offsetY) ||
            !std::isfinite(a.prevX + offsetX) || !std::isfinite(a.prevY + offsetY))
            return "atom " + std::to_string(i + 1) + " of " + std::to_string(piece.atoms.size()) +
                   ": position overflows at the spawn position";
    }
    if (root == nullptr || root->world == nullptr) return "no world to load into";
    const int32_t freeIds = root->world->freeIds();
    if (static_cast<std::size_t>(freeIds) < piece.atoms.size())
        return "world full: " + std::to_string(kMaxAtoms - freeIds) + " of " +
               std::to_string(kMaxAtoms) + " atoms in use, the piece has " +
               std::to_string(piece.atoms.size());
    return {};
}

std::vector<Atom*> placeAtoms(Junk& piece, const PieceFile& pf, float offsetX, float offsetY) {
    std::vector<Atom*> atoms;
    atoms.reserve(pf.atoms.size());
    for (const AtomRecord& r : pf.atoms) {
        // Built at rest with unit mass; the record's fields replace those below.
        constexpr float kUnitMass = 1, kAtRest = 0;
        Atom* a =
            new Atom(r.x, r.y, kUnitMass, kAtRest, kAtRest, kPieceAtomPushCarry, kPieceAtomRadius);
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
    return atoms;
}

// Links and triangles find their atoms where registration put them (clamped into
// the world), as they will see them.
PieceMatches matchPlaced(const PieceFile& pf, const std::vector<Atom*>& atoms, float offsetX,
                         float offsetY) {
    std::vector<float> atomX, atomY;
    for (const Atom* a : atoms) {
        atomX.push_back(a->x);
        atomY.push_back(a->y);
    }
    return matchPiece(pf, atomX, atomY, offsetX, offsetY);
}

// Returns how many links were left out.
int placeLinks(Junk& piece, const PieceFile& pf, const std::vector<Atom*>& atoms,
               const PieceMatches& matches) {
    int leftOut = 0;
    for (std::size_t i = 0; i < pf.links.size(); ++i) {
        const PieceMatches::LinkEnds& ends = matches.links[i];
        if (!ends.kept()) {
            ++leftOut;
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
    return leftOut;
}

std::vector<Texture*> attachTextures(Junk& piece, const PieceFile& pf) {
    std::vector<Texture*> textures;
    for (const TextureRecord& r : pf.textures) {
        Texture* t = acquireTexture(pieceName(r.name).c_str());
        piece.addTexture(t);
        textures.push_back(t);
    }
    return textures;
}

// Returns how many triangles were left out.
int wireTriangles(Junk& piece, const PieceFile& pf, const std::vector<Atom*>& atoms,
                  const std::vector<Texture*>& textures, const PieceMatches& matches) {
    int leftOut = 0;
    for (std::size_t i = 0; i < pf.triangles.size(); ++i) {
        const PieceMatches::TriangleRefs& refs = matches.triangles[i];
        if (!refs.kept()) {
            ++leftOut;
            continue;
        }
        const TriangleRecord& r = pf.triangles[i];
        Triangle* t = new Triangle;
        t->setCorners(atoms[static_cast<std::size_t>(refs.a)],
                      atoms[static_cast<std::size_t>(refs.b)],
                      atoms[static_cast<std::size_t>(refs.c)]);
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
    return leftOut;
}

void reportLeftOut(const char* fileName, int links, int triangles) {
    if (links == 0 && triangles == 0) return;
    std::string what;
    if (links > 0) what = plural(links, "link");
    if (triangles > 0) what += (what.empty() ? "" : " and ") + plural(triangles, "triangle");
    report(Severity::error, "%s: left out %s", fileName, what.c_str());
}

}  // namespace

std::string pieceFileProblem(const char* path) {
    std::string why;
    std::vector<uint8_t> bytes;
    std::FILE* file = openPieceFile(path, why);
    if (file == nullptr) return why;
    const bool read = readOpenedFile(file, bytes, why);
    std::fclose(file);
    if (!read) return why;
    PieceFile pf;
    const std::string problem = parsePiece(bytes, pf);
    return problem.empty() ? checkPiece(pf) : problem;
}

bool loadPiece(Junk& piece, std::FILE* file, float offsetX, float offsetY, const char* fileName,
               PieceLoadReport* leftOut) {
    if (fileName == nullptr) fileName = "piece";
    std::vector<uint8_t> bytes;
    std::string why = "no file";
    if (file == nullptr || !readOpenedFile(file, bytes, why, SIZE_MAX)) {
        report(Severity::error, "%s: %s", fileName, why.c_str());
        return false;
    }
    return loadPieceBytes(piece, bytes, offsetX, offsetY, fileName, leftOut);
}

bool readSpawnedFile(const char* path, std::vector<uint8_t>& bytes, bool* missing) {
    std::string why;
    std::FILE* in = openPieceFile(path, why);
    if (missing != nullptr) *missing = in == nullptr && why == kPieceFileMissing;
    if (in == nullptr) {
        reportPieceNotOpened(path, why);
        return false;
    }
    const bool read = readOpenedFile(in, bytes, why);
    std::fclose(in);
    if (!read) report(Severity::error, "%s: %s", path, why.c_str());
    return read;
}

Junk* keepLoadedPiece(Junk* piece, bool loaded) {
    if (!loaded && piece->atoms.count == 0 && piece->textures.count == 0) {
        piece->teardown();
        delete piece;
        return nullptr;
    }
    return piece;
}

SpawnedPiece spawnPieceFile(Game& root, const char* path, float x, float y) {
    SpawnedPiece spawned;
    std::vector<uint8_t> bytes;
    if (!readSpawnedFile(path, bytes, &spawned.missing)) return spawned;
    auto* piece = new Junk(&root);
    spawned.loaded = loadPieceBytes(*piece, bytes, x, y, path, &spawned.leftOut);
    spawned.piece = keepLoadedPiece(piece, spawned.loaded);
    return spawned;
}

bool loadPieceBytes(Junk& piece, const std::vector<uint8_t>& bytes, float offsetX, float offsetY,
                    const char* fileName, PieceLoadReport* leftOut) {
    if (fileName == nullptr) fileName = "piece";
    PieceFile pf;
    const std::string problem = parsePiece(bytes, pf);
    if (!problem.empty()) {
        report(Severity::error, "%s: %s", fileName, problem.c_str());
        return false;
    }
    return loadPieceRecords(piece, pf, offsetX, offsetY, fileName, leftOut);
}

bool loadPieceRecords(Junk& piece, const PieceFile& pf, float offsetX, float offsetY,
                      const char* fileName, PieceLoadReport* leftOut) {
    if (fileName == nullptr) fileName = "piece";
    auto refuse = [fileName](const std::string& why) {
        report(Severity::error, "%s: %s", fileName, why.c_str());
        return false;
    };
    std::string problem = checkPiece(pf);
    if (problem.empty()) problem = placementProblem(pf, worldRoot(piece), offsetX, offsetY);
    if (!problem.empty()) return refuse(problem);

    std::vector<Atom*> atoms;
    try {
        atoms = placeAtoms(piece, pf, offsetX, offsetY);
    } catch (const std::out_of_range&) {
        // Unreachable after the free-id check, unless the tree registers atoms
        // elsewhere too; never let the world's range error out of a load.
        return refuse("world full while loading");
    }
    const PieceMatches matches = matchPlaced(pf, atoms, offsetX, offsetY);
    const int leftLinks = placeLinks(piece, pf, atoms, matches);
    const std::vector<Texture*> textures = attachTextures(piece, pf);
    const int leftTriangles = wireTriangles(piece, pf, atoms, textures, matches);
    reportLeftOut(fileName, leftLinks, leftTriangles);
    if (leftOut != nullptr) *leftOut = {leftLinks, leftTriangles};
    return true;
}

void unloadPiece(Junk& piece) {
    piece.atoms.rewind();
    while (Atom* atom = piece.atoms.advance()) {
        piece.removeAtom(atom);
        delete atom;
    }
    releasePiece(piece);
}

void releasePiece(Junk& piece) {
    piece.textures.rewind();
    while (Texture* texture = piece.textures.advance()) releaseTexture(texture);
    piece.teardown();
}
