#include "session/world_commands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "content/fit_inside.h"
#include "content/numbered_file.h"
#include "content/piece_loader.h"
#include "content/piece_source.h"
#include "content/report.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"
#include "scene/texture.h"
#include "scene/triangle.h"
#include "scene/world_hash.h"
#include "session/journal.h"
#include "session/world_file.h"

WorldCommands::WorldCommands(Game& root, CursorList<Junk>& pieces) : root(root), pieces(pieces) {}

uint32_t WorldCommands::stepsDone() const {
    return root.world->stepCount - 1 + stepOffset;
}

void WorldCommands::remember() {
    states.push(save());
}

void WorldCommands::writeCheck() {
    if (journal != nullptr) journal->check(stepsDone(), worldHash(root));
}

Junk* WorldCommands::spawn(const char* file, float x, float y) {
    std::vector<uint8_t> bytes;
    const bool read = readSpawnedFile(file, bytes);
    return spawnRead(file, x, y, read, bytes);
}

Junk* WorldCommands::spawnRead(const char* file, float x, float y, bool read,
                               const std::vector<uint8_t>& bytes) {
    writeCheck();
    // The bytes' hash lets a replay find this piece under another folder's name.
    if (journal != nullptr)
        journal->spawn(stepsDone(), file, x, y,
                       read ? std::optional(bytesHash(bytes.data(), bytes.size())) : std::nullopt);
    if (!read) return nullptr;
    remember();
    auto* piece = new Junk(&root);
    const bool loaded = loadPieceBytes(*piece, bytes, x, y, file);
    return keepPiece(piece, loaded);
}

Junk* WorldCommands::drop(const char* file, float x, float y) {
    std::vector<uint8_t> bytes;
    const bool read = readSpawnedFile(file, bytes);
    std::string why;
    PieceFile records;
    if (read && parsePieceFile(bytes.data(), bytes.size(), records, why) &&
        checkPieceFile(records).empty() && !fitPiece(records, worldDef(), x, y)) {
        report(Severity::error, "%s", kDroppedOutside);
        return nullptr;
    }
    return spawnRead(file, x, y, read, bytes);
}

Junk* WorldCommands::keepPiece(Junk* piece, bool loaded) {
    Junk* kept = keepLoadedPiece(piece, loaded);
    if (kept == nullptr)
        states.dropLast();
    else
        pieces.pushFront(kept);
    return kept;
}

Junk* WorldCommands::draw(const std::vector<OutlinePoint>& outline, BodyFamily family,
                          const std::string& texture) {
    writeCheck();
    if (journal != nullptr)
        journal->draw(stepsDone(), familyName(family), texture.c_str(), outline);
    PieceFile records;
    std::string problem;
    if (!buildDrawnBody(outline, family, texture, worldDef(), records, problem)) {
        report(Severity::error, "drawn body: %s", problem.c_str());
        return nullptr;
    }
    remember();
    auto* piece = new Junk(&root);
    const bool loaded = loadPieceRecords(*piece, records, 0, 0, "drawn body");
    Junk* kept = keepPiece(piece, loaded);
    if (kept != nullptr) drawnRecords = std::move(records);
    return kept;
}

Junk* WorldCommands::dropDrawn(std::vector<OutlinePoint> outline, BodyFamily family,
                               const std::string& texture) {
    if (!fitOutline(outline, worldDef())) {
        report(Severity::error, "%s", kDroppedOutside);
        return nullptr;
    }
    return draw(outline, family, texture);
}

PinnedAtom* WorldCommands::pinOf(const Atom* atom) {
    for (PinnedAtom& p : state.pins)
        if (p.atom == atom) return &p;
    return nullptr;
}

bool WorldCommands::pinned(const Atom* atom) const {
    return const_cast<WorldCommands*>(this)->pinOf(atom) != nullptr;
}

bool WorldCommands::pin(int32_t id) {
    if (id < 0 || id >= kMaxAtoms) return false;
    Atom* atom = root.world->atomWithId(static_cast<uint32_t>(id));
    if (atom == nullptr || atom->iterations <= 0 || pinned(atom) || atom == state.held)
        return false;
    writeCheck();
    if (journal != nullptr) journal->pin(stepsDone(), id);
    remember();
    state.pins.push_back({atom, atom->invMass});
    holdStill(atom);
    return true;
}

bool WorldCommands::unpin(int32_t id) {
    if (id < 0 || id >= kMaxAtoms) return false;
    Atom* atom = root.world->atomWithId(static_cast<uint32_t>(id));
    PinnedAtom* pin = atom != nullptr && atom != state.held ? pinOf(atom) : nullptr;
    if (pin == nullptr) return false;
    writeCheck();
    if (journal != nullptr) journal->unpin(stepsDone(), id);
    remember();
    atom->kinematic = false;
    atom->invMass = pin->invMass;
    atom->prevX = atom->x;
    atom->prevY = atom->y;
    state.pins.erase(state.pins.begin() + (pin - state.pins.data()));
    return true;
}

Atom* WorldCommands::atomNear(float x, float y, float slack) const {
    Atom* best = nullptr;
    float bestD2 = 0;
    root.atoms.forEach([&](Atom* a) {
        // An atom that takes part in no iteration cannot be carried by the step.
        if (a->dead || a->iterations <= 0) return;
        const float dx = a->x - x;
        const float dy = a->y - y;
        const float d2 = dx * dx + dy * dy;
        const float reach = a->radius + slack;
        if (d2 > reach * reach) return;
        if (best == nullptr || d2 < bestD2) {
            best = a;
            bestD2 = d2;
        }
    });
    return best;
}

bool WorldCommands::grab(int32_t id) {
    if (state.held != nullptr) release(0, 0);
    if (id < 0 || id >= kMaxAtoms) return false;
    Atom* atom = root.world->atomWithId(static_cast<uint32_t>(id));
    if (atom == nullptr || atom->iterations <= 0) return false;
    writeCheck();
    if (journal != nullptr) journal->grab(stepsDone(), id);
    remember();
    state.held = atom;
    const PinnedAtom* pin = pinOf(atom);
    state.heldInvMass = pin != nullptr ? pin->invMass : atom->invMass;
    // At rest where it stands until the pointer moves.
    holdStill(atom);
    state.targetX = atom->x;
    state.targetY = atom->y;
    return true;
}

namespace {

float inside(float v, float limit) {
    return v < 0 ? 0 : (v > limit ? limit : v);
}

// (dx, dy) shortened to at most `most` long.
void limit(float& dx, float& dy, float most) {
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > most)) return;
    dx = dx / length * most;
    dy = dy / length * most;
}

}  // namespace

void WorldCommands::moveGrab(float x, float y) {
    if (state.held == nullptr) return;
    x = inside(x, root.world->width);
    y = inside(y, root.world->height);
    if (journal != nullptr) journal->move(stepsDone(), x, y);
    state.targetX = x;
    state.targetY = y;
}

void WorldCommands::idle() {
    // About a millisecond of zlib's fastest level: a full world's state is
    // packed over a few steps.
    constexpr std::size_t kPackedPerCall = 192 * 1024;
    states.settle(kPackedPerCall);
}

void WorldCommands::beforeStep() {
    idle();
    if (state.held == nullptr) return;
    Atom* a = state.held;
    float dx = state.targetX - a->x;
    float dy = state.targetY - a->y;
    limit(dx, dy, kMaxTravel);
    // The collision passes add the kinematic step once per iteration of the atom;
    // with the previous position where the step will leave it, the integration
    // that ends the step leaves it at rest instead of repeating the move.
    a->kinematicStepX = dx * a->invIterations;
    a->kinematicStepY = dy * a->invIterations;
    a->prevX = a->x + dx;
    a->prevY = a->y + dy;
}

void WorldCommands::placeGrab(float x, float y) {
    if (state.held == nullptr) return;
    x = inside(x, root.world->width);
    y = inside(y, root.world->height);
    if (journal != nullptr) journal->place(stepsDone(), x, y);
    Atom* a = state.held;
    a->x = a->prevX = state.targetX = x;
    a->y = a->prevY = state.targetY = y;
    a->kinematicStepX = 0;
    a->kinematicStepY = 0;
}

// Atoms joined through links, found by their ids (every live id is below kMaxAtoms).
std::vector<Atom*> WorldCommands::linkedTo(const Atom* atom) const {
    std::vector<std::size_t> parent(kMaxAtoms);
    std::iota(parent.begin(), parent.end(), std::size_t{0});
    auto top = [&](const Atom* a) {
        auto i = static_cast<std::size_t>(a->id);
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };
    root.links.forEach([&](Link* l) { parent[top(l->atomA)] = top(l->atomB); });
    const std::size_t mine = top(atom);
    std::vector<Atom*> body;
    root.atoms.forEach([&](Atom* a) {
        if (top(a) == mine) body.push_back(a);
    });
    return body;
}

void WorldCommands::carryGrab(float x, float y) {
    if (state.held == nullptr) return;
    x = inside(x, root.world->width);
    y = inside(y, root.world->height);
    if (journal != nullptr) journal->carry(stepsDone(), x, y);
    Atom* held = state.held;
    const std::vector<Atom*> body = linkedTo(held);
    float x0 = held->x, x1 = x0, y0 = held->y, y1 = y0;
    for (const Atom* a : body) {
        x0 = std::min(x0, a->x);
        x1 = std::max(x1, a->x);
        y0 = std::min(y0, a->y);
        y1 = std::max(y1, a->y);
    }
    float dx = x - held->x;
    float dy = y - held->y;
    if (!fitSpan(x0, x1, root.world->width, dx)) dx = 0;
    if (!fitSpan(y0, y1, root.world->height, dy)) dy = 0;
    for (Atom* a : body) {
        a->x += dx;
        a->y += dy;
        a->prevX += dx;
        a->prevY += dy;
    }
    state.targetX = held->x;
    state.targetY = held->y;
}

void WorldCommands::release(float vx, float vy) {
    if (state.held == nullptr) return;
    writeCheck();
    if (journal != nullptr) journal->release(stepsDone(), vx, vy);
    limit(vx, vy, kMaxTravel);
    Atom* a = state.held;
    state.held = nullptr;
    if (pinned(a)) {
        holdStill(a);
        return;
    }
    a->kinematic = false;
    a->invMass = state.heldInvMass;
    a->kinematicStepX = 0;
    a->kinematicStepY = 0;
    a->prevX = a->x - vx;
    a->prevY = a->y - vy;
}

// Kinematic and massless, at rest: the step leaves it where it is and the
// corrections of its links move only the other ends.
void WorldCommands::holdStill(Atom* atom) {
    atom->invMass = 0;
    atom->kinematic = true;
    atom->prevX = atom->x;
    atom->prevY = atom->y;
    atom->kinematicStepX = 0;
    atom->kinematicStepY = 0;
}

void WorldCommands::atomRemoved(const Atom* atom) {
    if (atom == state.held) state.held = nullptr;
    if (const PinnedAtom* pin = pinOf(atom))
        state.pins.erase(state.pins.begin() + (pin - state.pins.data()));
}

void WorldCommands::clear() {
    writeCheck();
    if (journal != nullptr) journal->clear(stepsDone());
    if (pieces.count > 0 || root.atoms.count > 0 || root.triangles.count > 0) remember();
    empty();
}

void WorldCommands::empty() {
    state.held = nullptr;
    state.pins.clear();
    std::vector<Junk*> all;
    int32_t atoms = 0;
    int32_t links = 0;
    int32_t triangles = 0;
    pieces.forEach([&](Junk* piece) {
        all.push_back(piece);
        atoms += piece->atoms.count;
        links += piece->links.count;
        triangles += piece->triangles.count;
    });
    // When the pieces hold everything the world has, the world drops it all at
    // once; it ends as taking each piece out would leave it, and renewed.
    if (atoms == root.atoms.count && links == root.links.count &&
        triangles == root.triangles.count && root.world->freeIds() == kMaxAtoms - atoms) {
        root.dropAll();
        for (Junk* piece : all) {
            releasePiece(*piece);
            delete piece;
        }
        pieces.clear();
        return;
    }
    for (Junk* piece : all) {
        unloadPiece(*piece);
        pieces.removeValue(piece);
        delete piece;
    }
    if (root.atoms.count == 0) root.world->renew();
}

std::vector<uint8_t> WorldCommands::save() const {
    return encodeWorld(captureWorld(root, pieces, state));
}

bool WorldCommands::saveWorld(const char* path, std::string& error) {
    if (!writeWholeFile(path, save(), error)) return false;
    if (journal != nullptr) journal->saved(stepsDone(), path, worldHash(root));
    return true;
}

bool WorldCommands::loadWorld(const char* path) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!readWorldFile(path, bytes, why)) {
        report(Severity::error, "%s: %s", path, why.c_str());
        return false;
    }
    return loadWorld(bytes, path);
}

bool WorldCommands::loadWorld(const std::vector<uint8_t>& bytes, const char* name) {
    std::string problem;
    if (loadWorld(bytes, name, problem)) return true;
    report(Severity::error, "%s: %s", name, problem.c_str());
    return false;
}

bool WorldCommands::loadWorld(const std::vector<uint8_t>& bytes, const char* name,
                              std::string& problem) {
    WorldImage image;
    if (!decodeWorld(bytes.data(), bytes.size(), worldDef(), image, problem)) return false;
    writeCheck();
    remember();
    replaceWith(image);
    if (journal != nullptr) journal->load(stepsDone(), name, worldHash(root));
    return true;
}

bool WorldCommands::undo() {
    if (!states.canUndo()) return false;
    writeCheck();
    if (journal != nullptr) journal->undo(stepsDone());
    return restore(states.undo(save()), "undo");
}

bool WorldCommands::redo() {
    if (!states.canRedo()) return false;
    writeCheck();
    if (journal != nullptr) journal->redo(stepsDone());
    return restore(states.redo(save()), "redo");
}

bool WorldCommands::restore(const std::vector<uint8_t>& bytes, const char* name) {
    WorldImage image;
    std::string problem;
    if (!decodeWorld(bytes.data(), bytes.size(), worldDef(), image, problem)) {
        report(Severity::error, "%s: %s", name, problem.c_str());
        return false;
    }
    replaceWith(image);
    return true;
}

WorldDef WorldCommands::worldDef() const {
    const System& w = *root.world;
    return {w.width, w.height, w.gravity, w.scaleX, w.scaleY};
}

void WorldCommands::replaceWith(const WorldImage& image) {
    const uint32_t steps = stepsDone();
    empty();
    // What no piece owns (never so in the game) goes too: the image is the whole world.
    std::vector<Atom*> atoms;
    root.atoms.forEach([&](Atom* a) { atoms.push_back(a); });
    for (Atom* a : atoms) {
        a->owner->removeAtom(a);
        delete a;
    }
    std::vector<Triangle*> triangles;
    root.triangles.forEach([&](Triangle* t) { triangles.push_back(t); });
    for (Triangle* t : triangles) {
        t->owner->removeTriangle(t);
        delete t;
    }
    if (!atoms.empty()) root.world->renew();
    state = placeWorld(image, root, pieces);
    stepOffset = steps - (root.world->stepCount - 1);
}
