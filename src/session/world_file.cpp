#include "session/world_file.h"

#include <zlib.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include "content/byte_io.h"
#include "content/piece_file.h"
#include "content/piece_source.h"
#include "content/texture_cache.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/pointer_map.h"
#include "scene/roster.h"
#include "scene/texture.h"
#include "scene/triangle.h"

namespace {

// The sections in the order they stand in the file, each with the size of its
// records in this version. A later version may make records longer; the bytes
// past what this one knows are skipped.
struct Section {
    char tag[5];
    const char* name;  // for messages: "link 17: ..."
    uint32_t recordSize;
};

constexpr Section kWorldSection{"WRLD", "world", 48};
constexpr Section kTextureSection{"TEXS", "texture", 256};
constexpr Section kPieceSection{"PIEC", "piece", 12};
constexpr Section kPieceTextureSection{"PTEX", "piece texture", 8};
constexpr Section kAtomSection{"ATOM", "atom", 136};
constexpr Section kLinkSection{"LINK", "link", 52};
constexpr Section kTriangleSection{"TRIS", "triangle", 88};
constexpr Section kPairSection{"PAIR", "pair", 4};
constexpr Section kHeldSection{"HELD", "held atom", 16};
constexpr Section kPinSection{"PINS", "pin", 8};

constexpr std::size_t kHeaderSize = sizeof kWorldMagic + 4;
constexpr std::size_t kSectionHeaderSize = 12;
constexpr std::size_t kChecksumSize = 4;

uint32_t crcOf(const uint8_t* data, std::size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes lengths as uInt; a world file is far below 4 GB, but say so.
    while (size > 0) {
        const uInt chunk = size > 0x40000000u ? 0x40000000u : static_cast<uInt>(size);
        crc = crc32(crc, data, chunk);
        data += chunk;
        size -= chunk;
    }
    return static_cast<uint32_t>(crc);
}

// ---- capture ----

// Where each record of a piece stands: the piece and its place in the piece's
// own list. Records of the root itself are in no map.
struct Member {
    int32_t piece = -1;
    int32_t order = 0;
};

struct Membership {
    std::vector<Member> atoms = std::vector<Member>(kMaxAtoms);  // by id
    PointerMap<Link, Member> links;
    PointerMap<Triangle, Member> triangles;

    template <typename T>
    static void of(const PointerMap<T, Member>& map, const T* record, int32_t& piece,
                   int32_t& order) {
        const Member* m = map.find(record);
        piece = m != nullptr ? m->piece : -1;
        order = m != nullptr ? m->order : 0;
    }
};
}  // namespace

WorldImage captureWorld(const Game& root, const CursorList<Junk>& pieces,
                        const CommandState& state) {
    WorldImage image;
    const System& world = *root.world;
    image.header = {world.width,       world.height,        world.gravity,
                    world.scaleX,      world.scaleY,        world.stepCount,
                    world.paused,      world.maxIterations, world.lastLinkSerial(),
                    root.removedAtoms, root.removedLinks,   root.removedTriangles};

    Membership members;
    std::vector<const Texture*> textures;
    pieces.forEach([&](const Junk* piece) {
        const auto p = static_cast<int32_t>(image.pieces.size());
        image.pieces.push_back(
            {piece->removedAtoms, piece->removedLinks, piece->removedTriangles, {}});
        piece->textures.forEach([&](const Texture* t) { textures.push_back(t); });
        // Only records the piece owns: a list could hold one owned elsewhere.
        int32_t i = 0;
        piece->atoms.forEach([&](const Atom* a) {
            if (a->owner == piece && a->id >= 0 && a->id < kMaxAtoms)
                members.atoms[static_cast<std::size_t>(a->id)] = {p, i};
            ++i;
        });
        i = 0;
        piece->links.forEach([&](const Link* l) {
            if (l->owner == piece) members.links[l] = {p, i};
            ++i;
        });
        i = 0;
        piece->triangles.forEach([&](const Triangle* t) {
            if (t->owner == piece) members.triangles[t] = {p, i};
            ++i;
        });
    });
    // The images in the order the world groups its triangles by.
    std::sort(textures.begin(), textures.end(),
              [](const Texture* a, const Texture* b) { return a->serial < b->serial; });
    textures.erase(std::unique(textures.begin(), textures.end()), textures.end());
    PointerMap<Texture, int32_t> textureIndex;
    for (const Texture* t : textures) {
        textureIndex[t] = static_cast<int32_t>(image.textures.size());
        image.textures.emplace_back(t->name);
    }
    std::size_t p = 0;
    pieces.forEach([&](const Junk* piece) {
        piece->textures.forEach(
            [&](const Texture* t) { image.pieces[p].textures.push_back(*textureIndex.find(t)); });
        ++p;
    });

    image.atoms.reserve(static_cast<std::size_t>(root.atoms.count));
    root.atoms.forEach([&](const Atom* a) {
        WorldAtom w;
        w.id = a->id;
        w.x = a->x;
        w.y = a->y;
        w.prevX = a->prevX;
        w.prevY = a->prevY;
        w.pushX = a->pushX;
        w.pushY = a->pushY;
        w.iterations = a->iterations;
        w.invIterations = a->invIterations;
        w.group = a->group;
        w.pushCarry = a->pushCarry;
        w.radius = a->radius;
        w.mass = a->mass;
        w.invMass = a->invMass;
        w.kinematicStepX = a->kinematicStepX;
        w.kinematicStepY = a->kinematicStepY;
        w.tag = a->tag;
        w.piece = members.atoms[static_cast<std::size_t>(a->id)].piece;
        w.pieceOrder = members.atoms[static_cast<std::size_t>(a->id)].order;
        std::memcpy(w.collidesWith.data(), a->collidesWith, w.collidesWith.size());
        w.kinematic = a->kinematic ? 1 : 0;
        w.dead = a->dead ? 1 : 0;
        image.atoms.push_back(w);
    });

    PointerMap<Link, int32_t> linkIndex;
    {
        int32_t i = 0;
        root.links.forEach([&](const Link* l) { linkIndex[l] = i++; });
    }
    image.links.reserve(static_cast<std::size_t>(root.links.count));
    root.links.forEach([&](const Link* l) {
        WorldLink w;
        w.atomA = l->atomA->id;
        w.atomB = l->atomB->id;
        w.restLength = l->restLength;
        w.minRatio = l->minRatio;
        w.maxRatio = l->maxRatio;
        w.stiffness = l->stiffness;
        w.reserved = l->reserved;
        w.iterations = l->iterations;
        w.tag = l->tag;
        w.serial = l->serial;
        Membership::of(members.links, l, w.piece, w.pieceOrder);
        w.visible = l->visible ? 1 : 0;
        w.restoresCollision = l->restoresCollision ? 1 : 0;
        image.links.push_back(w);
    });

    auto edge = [&](const Link* l) {
        const int32_t* found = l != nullptr ? linkIndex.find(l) : nullptr;
        return found != nullptr ? *found : -1;
    };
    image.triangles.reserve(static_cast<std::size_t>(root.triangles.count));
    root.triangles.forEach([&](const Triangle* t) {
        WorldTriangle w;
        w.atomA = t->atomA->id;
        w.atomB = t->atomB->id;
        w.atomC = t->atomC->id;
        std::copy(std::begin(t->reserved), std::end(t->reserved), w.reserved);
        w.sA = t->sA;
        w.tA = t->tA;
        w.sB = t->sB;
        w.tB = t->tB;
        w.sC = t->sC;
        w.tC = t->tC;
        const int32_t* texture = t->texture != nullptr ? textureIndex.find(t->texture) : nullptr;
        w.texture = texture != nullptr ? *texture : -1;
        w.edgeAB = edge(t->edgeAB);
        w.edgeAC = edge(t->edgeAC);
        w.edgeBC = edge(t->edgeBC);
        Membership::of(members.triangles, t, w.piece, w.pieceOrder);
        w.visible = t->visible ? 1 : 0;
        image.triangles.push_back(w);
    });

    image.pairs = world.pairsChanged();
    if (state.held != nullptr)
        image.held.push_back({state.held->id, state.heldInvMass, state.targetX, state.targetY});
    for (const PinnedAtom& pin : state.pins) image.pins.push_back({pin.atom->id, pin.invMass});
    return image;
}

// ---- encoding ----

namespace {

void sectionHeader(ByteWriter& out, const Section& s, std::size_t count) {
    out.bytes(reinterpret_cast<const uint8_t*>(s.tag), 4);
    out.u32(s.recordSize);
    out.u32(static_cast<uint32_t>(count));
}

// The section that starts at `start` holds `count` records of its size.
[[maybe_unused]] bool whole(const ByteWriter& out, std::size_t start, const Section& s,
                            std::size_t count) {
    return out.size() - start == kSectionHeaderSize + count * s.recordSize;
}

}  // namespace

std::vector<uint8_t> encodeWorld(const WorldImage& image) {
    std::vector<uint8_t> bytes;
    ByteWriter out(bytes);
    out.expect(kHeaderSize + 9 * kSectionHeaderSize + kChecksumSize +
               image.atoms.size() * kAtomSection.recordSize +
               image.links.size() * kLinkSection.recordSize +
               image.triangles.size() * kTriangleSection.recordSize +
               image.pairs.size() * kPairSection.recordSize);
    out.bytes(kWorldMagic, sizeof kWorldMagic);
    out.u32(kWorldVersion);

    const WorldHeader& h = image.header;
    sectionHeader(out, kWorldSection, 1);
    for (float f : {h.width, h.height, h.gravity, h.scaleX, h.scaleY}) out.f32(f);
    out.u32(h.stepCount);
    out.u32(h.paused);
    out.i32(h.maxIterations);
    out.u32(h.linkSerial);
    out.i32(h.removedAtoms);
    out.i32(h.removedLinks);
    out.i32(h.removedTriangles);

    sectionHeader(out, kTextureSection, image.textures.size());
    for (const std::string& name : image.textures) {
        uint8_t field[kTextureSection.recordSize] = {};
        std::memcpy(field, name.data(), std::min<std::size_t>(name.size(), sizeof field - 1));
        out.bytes(field, sizeof field);
    }

    sectionHeader(out, kPieceSection, image.pieces.size());
    std::size_t pieceTextures = 0;
    for (const WorldPiece& p : image.pieces) {
        out.i32(p.removedAtoms);
        out.i32(p.removedLinks);
        out.i32(p.removedTriangles);
        pieceTextures += p.textures.size();
    }
    sectionHeader(out, kPieceTextureSection, pieceTextures);
    for (std::size_t i = 0; i < image.pieces.size(); ++i) {
        for (const int32_t t : image.pieces[i].textures) {
            out.i32(static_cast<int32_t>(i));
            out.i32(t);
        }
    }

    [[maybe_unused]] const std::size_t atomsAt = out.size();
    sectionHeader(out, kAtomSection, image.atoms.size());
    for (const WorldAtom& a : image.atoms) {
        out.i32(a.id);
        // Two reserved floats where older worlds kept a copy of the previous position.
        for (float f : {a.x, a.y, a.prevX, a.prevY, 0.0f, 0.0f, a.pushX, a.pushY}) out.f32(f);
        out.i32(a.iterations);
        out.f32(a.invIterations);
        out.i32(a.group);
        for (float f :
             {a.pushCarry, a.radius, a.mass, a.invMass, a.kinematicStepX, a.kinematicStepY})
            out.f32(f);
        out.i32(a.tag);
        out.i32(a.piece);
        out.i32(a.pieceOrder);
        out.bytes(a.collidesWith.data(), a.collidesWith.size());
        out.u8(a.kinematic);
        out.u8(a.dead);
    }

    assert(whole(out, atomsAt, kAtomSection, image.atoms.size()));
    [[maybe_unused]] const std::size_t linksAt = out.size();
    sectionHeader(out, kLinkSection, image.links.size());
    for (const WorldLink& l : image.links) {
        out.i32(l.atomA);
        out.i32(l.atomB);
        for (float f : {l.restLength, l.minRatio, l.maxRatio, l.stiffness}) out.f32(f);
        out.u32(l.reserved);
        out.i32(l.iterations);
        out.i32(l.tag);
        out.u32(l.serial);
        out.i32(l.piece);
        out.i32(l.pieceOrder);
        out.u8(l.visible);
        out.u8(l.restoresCollision);
        out.zeros(2);
    }

    assert(whole(out, linksAt, kLinkSection, image.links.size()));
    [[maybe_unused]] const std::size_t trianglesAt = out.size();
    sectionHeader(out, kTriangleSection, image.triangles.size());
    for (const WorldTriangle& t : image.triangles) {
        out.i32(t.atomA);
        out.i32(t.atomB);
        out.i32(t.atomC);
        for (float f : t.reserved) out.f32(f);
        for (float f : {t.sA, t.tA, t.sB, t.tB, t.sC, t.tC}) out.f32(f);
        out.i32(t.texture);
        out.i32(t.edgeAB);
        out.i32(t.edgeAC);
        out.i32(t.edgeBC);
        out.i32(t.piece);
        out.i32(t.pieceOrder);
        out.u8(t.visible);
        out.zeros(3);
    }

    assert(whole(out, trianglesAt, kTriangleSection, image.triangles.size()));
    sectionHeader(out, kPairSection, image.pairs.size());
    for (const uint32_t p : image.pairs) out.u32(p);

    sectionHeader(out, kHeldSection, image.held.size());
    for (const WorldHold& h2 : image.held) {
        out.i32(h2.atom);
        out.f32(h2.invMass);
        out.f32(h2.targetX);
        out.f32(h2.targetY);
    }

    sectionHeader(out, kPinSection, image.pins.size());
    for (const WorldPin& pin : image.pins) {
        out.i32(pin.atom);
        out.f32(pin.invMass);
    }

    const uint32_t crc = crcOf(bytes.data(), out.size());
    out.u32(crc);
    out.finish();
    return bytes;
}

// ---- decoding ----

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class Decoder {
  public:
    Decoder(const uint8_t* data, std::size_t size, const WorldDef& def, WorldImage& image)
        : in(data, size - kChecksumSize), def(def), image(image) {}

    // Every check, in file order; the first failure is the one reported.
    bool run() {
        in.skip(kHeaderSize);
        return world() && textures() && pieces() && pieceTextures() && atoms() && links() &&
               triangles() && pairs() && held() && pins() && end();
    }

    std::string problem;

  private:
    bool fail(std::string what) {
        problem = std::move(what);
        return false;
    }
    bool failAt(const Section& s, std::size_t index, const std::string& what) {
        return fail(std::string(s.name) + " " + std::to_string(index + 1) + ": " + what);
    }

    // A section's header, and room in the file for every record it announces,
    // before anything is allocated for them.
    bool open(const Section& s, std::size_t& count) {
        if (in.remaining() < kSectionHeaderSize)
            return fail(std::string(s.name) + " section: the file ends before it");
        uint8_t tag[4];
        in.bytes(tag, 4);
        if (std::memcmp(tag, s.tag, 4) != 0)
            return fail(std::string(s.name) + " section: expected \"" + s.tag + "\" here");
        stride = in.u32();
        count = in.u32();
        if (stride < s.recordSize)
            return fail(std::string(s.name) + " section: records of " + std::to_string(stride) +
                        " bytes, at least " + std::to_string(s.recordSize) + " expected");
        if (count > in.remaining() / stride)
            return fail(std::string(s.name) + " section: " + std::to_string(count) +
                        " records do not fit in the file");
        return true;
    }
    // Skips what a later version added to a record.
    void next(const Section& s) { in.skip(stride - s.recordSize); }

    bool finite(const Section& s, std::size_t i, std::initializer_list<float> values,
                const char* what) {
        for (float v : values)
            if (!std::isfinite(v))
                return failAt(s, i, std::string(what) + " is not a finite number");
        return true;
    }

    bool world() {
        std::size_t count = 0;
        if (!open(kWorldSection, count)) return false;
        if (count != 1)
            return fail("world section: " + std::to_string(count) + " records, 1 expected");
        WorldHeader& h = image.header;
        h.width = in.f32();
        h.height = in.f32();
        h.gravity = in.f32();
        h.scaleX = in.f32();
        h.scaleY = in.f32();
        h.stepCount = in.u32();
        h.paused = in.u32();
        h.maxIterations = in.i32();
        h.linkSerial = in.u32();
        h.removedAtoms = in.i32();
        h.removedLinks = in.i32();
        h.removedTriangles = in.i32();
        next(kWorldSection);
        if (!sameBits(h.width, def.width) || !sameBits(h.height, def.height) ||
            !sameBits(h.gravity, def.gravity) || !sameBits(h.scaleX, def.scaleX) ||
            !sameBits(h.scaleY, def.scaleY))
            return fail("world: made for a world of " + number(h.width) + " by " +
                        number(h.height) + " with gravity " + number(h.gravity) + ", not " +
                        number(def.width) + " by " + number(def.height) + " with gravity " +
                        number(def.gravity));
        if (h.stepCount == 0) return fail("world: step count 0 (a world starts at 1)");
        if (h.paused > 1)
            return fail("world: paused is " + std::to_string(h.paused) + ", not 0 or 1");
        if (h.maxIterations < 0 || h.maxIterations > kMaxPieceIterations)
            return fail("world: " + std::to_string(h.maxIterations) +
                        " iterations a step, outside 0 to " + std::to_string(kMaxPieceIterations));
        return true;
    }

    bool textures() {
        std::size_t count = 0;
        if (!open(kTextureSection, count)) return false;
        image.textures.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            uint8_t field[kTextureSection.recordSize];
            in.bytes(field, sizeof field);
            next(kTextureSection);
            const auto* zero = static_cast<const uint8_t*>(std::memchr(field, 0, sizeof field));
            if (zero == nullptr)
                return failAt(kTextureSection, i, "name without a terminating zero");
            std::string name(reinterpret_cast<const char*>(field),
                             static_cast<std::size_t>(zero - field));
            if (std::find(image.textures.begin(), image.textures.end(), name) !=
                image.textures.end())
                return failAt(kTextureSection, i, "\"" + name + "\" is listed twice");
            image.textures.push_back(std::move(name));
        }
        return true;
    }

    bool pieces() {
        std::size_t count = 0;
        if (!open(kPieceSection, count)) return false;
        image.pieces.resize(count);
        for (WorldPiece& p : image.pieces) {
            p.removedAtoms = in.i32();
            p.removedLinks = in.i32();
            p.removedTriangles = in.i32();
            next(kPieceSection);
        }
        return true;
    }

    bool pieceTextures() {
        std::size_t count = 0;
        if (!open(kPieceTextureSection, count)) return false;
        std::vector<uint8_t> held(image.textures.size(), 0);
        int32_t lastPiece = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const int32_t piece = in.i32();
            const int32_t texture = in.i32();
            next(kPieceTextureSection);
            if (piece < lastPiece || piece >= static_cast<int32_t>(image.pieces.size()))
                return failAt(kPieceTextureSection, i,
                              "piece " + std::to_string(piece) + " is out of order or not a piece");
            if (texture < 0 || texture >= static_cast<int32_t>(image.textures.size()))
                return failAt(
                    kPieceTextureSection, i,
                    "texture " + std::to_string(texture) + " is not a texture of this world");
            lastPiece = piece;
            image.pieces[static_cast<std::size_t>(piece)].textures.push_back(texture);
            held[static_cast<std::size_t>(texture)] = 1;
        }
        for (std::size_t t = 0; t < held.size(); ++t)
            if (held[t] == 0) return failAt(kTextureSection, t, "held by no piece");
        return true;
    }

    // A record's piece exists, and its place in that piece's list is free.
    bool member(const Section& s, std::size_t i, int32_t piece, int32_t order,
                std::vector<std::vector<uint8_t>>& taken) {
        if (piece < -1 || piece >= static_cast<int32_t>(image.pieces.size()))
            return failAt(s, i, "piece " + std::to_string(piece) + " is not a piece of this world");
        if (piece < 0) return true;
        std::vector<uint8_t>& places = taken[static_cast<std::size_t>(piece)];
        if (order < 0 || static_cast<std::size_t>(order) >= places.size() ||
            places[static_cast<std::size_t>(order)] != 0)
            return failAt(
                s, i, "place " + std::to_string(order) + " in its piece is taken or out of range");
        places[static_cast<std::size_t>(order)] = 1;
        return true;
    }

    // How many records of a section each piece holds, for member().
    template <typename R>
    std::vector<std::vector<uint8_t>> places(const std::vector<R>& records) {
        std::vector<std::size_t> counts(image.pieces.size(), 0);
        for (const R& r : records)
            if (r.piece >= 0 && static_cast<std::size_t>(r.piece) < counts.size())
                ++counts[static_cast<std::size_t>(r.piece)];
        std::vector<std::vector<uint8_t>> taken(image.pieces.size());
        for (std::size_t p = 0; p < counts.size(); ++p) taken[p].assign(counts[p], 0);
        return taken;
    }

    bool atoms() {
        std::size_t count = 0;
        if (!open(kAtomSection, count)) return false;
        if (count > static_cast<std::size_t>(kMaxAtoms))
            return fail("atom section: " + std::to_string(count) +
                        " atoms, a world holds at most " + std::to_string(kMaxAtoms));
        image.atoms.resize(count);
        for (WorldAtom& a : image.atoms) {
            a.id = in.i32();
            float reserved[2];
            for (float* f :
                 {&a.x, &a.y, &a.prevX, &a.prevY, &reserved[0], &reserved[1], &a.pushX, &a.pushY})
                *f = in.f32();
            a.iterations = in.i32();
            a.invIterations = in.f32();
            a.group = in.i32();
            for (float* f : {&a.pushCarry, &a.radius, &a.mass, &a.invMass, &a.kinematicStepX,
                             &a.kinematicStepY})
                *f = in.f32();
            a.tag = in.i32();
            a.piece = in.i32();
            a.pieceOrder = in.i32();
            in.bytes(a.collidesWith.data(), a.collidesWith.size());
            a.kinematic = in.u8();
            a.dead = in.u8();
            next(kAtomSection);
        }
        auto taken = places(image.atoms);
        atomIndex.assign(kMaxAtoms, -1);
        for (std::size_t i = 0; i < count; ++i) {
            const WorldAtom& a = image.atoms[i];
            const Section& s = kAtomSection;
            if (a.id < 0 || a.id >= kMaxAtoms)
                return failAt(s, i,
                              "id " + std::to_string(a.id) + " is outside 0 to " +
                                  std::to_string(kMaxAtoms - 1));
            if (atomIndex[static_cast<std::size_t>(a.id)] >= 0)
                return failAt(s, i, "id " + std::to_string(a.id) + " is taken by another atom");
            atomIndex[static_cast<std::size_t>(a.id)] = static_cast<int32_t>(i);
            if (!finite(s, i, {a.x, a.y, a.prevX, a.prevY}, "its position") ||
                !finite(s, i, {a.pushX, a.pushY, a.kinematicStepX, a.kinematicStepY},
                        "its motion") ||
                !finite(s, i, {a.invIterations, a.pushCarry, a.radius, a.mass, a.invMass},
                        "a property"))
                return false;
            if (a.x < 0 || a.x > def.width || a.y < 0 || a.y > def.height)
                return failAt(
                    s, i,
                    "position (" + number(a.x) + ", " + number(a.y) + ") is outside the world");
            if (a.iterations > kMaxPieceIterations || a.iterations > image.header.maxIterations)
                return failAt(
                    s, i, std::to_string(a.iterations) + " iterations, more than the world runs");
            if (i > 0 && a.iterations > image.atoms[i - 1].iterations)
                return failAt(s, i, "out of order: more iterations than the atom before it");
            if (a.group < 0 || a.group >= kGroupCount)
                return failAt(s, i,
                              "group " + std::to_string(a.group) + " is outside 0 to " +
                                  std::to_string(kGroupCount - 1));
            if (!(a.mass > 0) || !(a.invMass >= 0))
                return failAt(s, i,
                              "mass " + number(a.mass) + " (inverse " + number(a.invMass) +
                                  ") is not a mass");
            // The neighbour search reaches one grid cell around an atom.
            if (!(a.radius >= 0) || a.radius > 0.5f / std::max(def.scaleX, def.scaleY))
                return failAt(s, i, "radius " + number(a.radius) + " is out of range");
            if (a.kinematic > 1 || a.dead > 1) return failAt(s, i, "a flag is neither 0 nor 1");
            if (!member(s, i, a.piece, a.pieceOrder, taken)) return false;
        }
        return true;
    }

    // The index of the atom with this id, or -1.
    int32_t atomWithId(int32_t id) const {
        return id >= 0 && id < kMaxAtoms ? atomIndex[static_cast<std::size_t>(id)] : -1;
    }
    int32_t pieceOfAtom(int32_t id) const {
        return image.atoms[static_cast<std::size_t>(atomWithId(id))].piece;
    }

    bool links() {
        std::size_t count = 0;
        if (!open(kLinkSection, count)) return false;
        image.links.resize(count);
        for (WorldLink& l : image.links) {
            l.atomA = in.i32();
            l.atomB = in.i32();
            for (float* f : {&l.restLength, &l.minRatio, &l.maxRatio, &l.stiffness}) *f = in.f32();
            l.reserved = in.u32();
            l.iterations = in.i32();
            l.tag = in.i32();
            l.serial = in.u32();
            l.piece = in.i32();
            l.pieceOrder = in.i32();
            l.visible = in.u8();
            l.restoresCollision = in.u8();
            in.skip(2);
            next(kLinkSection);
        }
        auto taken = places(image.links);
        for (std::size_t i = 0; i < count; ++i) {
            const WorldLink& l = image.links[i];
            const Section& s = kLinkSection;
            for (const auto& [end, id] : {std::pair{"A", l.atomA}, std::pair{"B", l.atomB}}) {
                if (atomWithId(id) < 0)
                    return failAt(
                        s, i,
                        std::string("end ") + std::to_string(id) + " is not an atom of this world");
                if (pieceOfAtom(id) != l.piece)
                    return failAt(s, i, std::string("end ") + end + " belongs to another piece");
            }
            if (!finite(s, i, {l.restLength, l.minRatio, l.maxRatio, l.stiffness}, "a property"))
                return false;
            if (l.iterations > kMaxPieceIterations)
                return failAt(
                    s, i, std::to_string(l.iterations) + " iterations, more than any world runs");
            if (l.serial == 0 || l.serial > image.header.linkSerial)
                return failAt(s, i,
                              "serial " + std::to_string(l.serial) + " is outside 1 to " +
                                  std::to_string(image.header.linkSerial));
            if (i > 0) {
                const WorldLink& before = image.links[i - 1];
                if (!(before.iterations > l.iterations ||
                      (before.iterations == l.iterations && before.serial > l.serial)))
                    return failAt(s, i, "out of order: the link before it should come after it");
            }
            if (l.visible > 1 || l.restoresCollision > 1)
                return failAt(s, i, "a flag is neither 0 nor 1");
            if (!member(s, i, l.piece, l.pieceOrder, taken)) return false;
        }
        return true;
    }

    bool triangles() {
        std::size_t count = 0;
        if (!open(kTriangleSection, count)) return false;
        image.triangles.resize(count);
        for (WorldTriangle& t : image.triangles) {
            t.atomA = in.i32();
            t.atomB = in.i32();
            t.atomC = in.i32();
            for (float& f : t.reserved) f = in.f32();
            for (float* f : {&t.sA, &t.tA, &t.sB, &t.tB, &t.sC, &t.tC}) *f = in.f32();
            t.texture = in.i32();
            t.edgeAB = in.i32();
            t.edgeAC = in.i32();
            t.edgeBC = in.i32();
            t.piece = in.i32();
            t.pieceOrder = in.i32();
            t.visible = in.u8();
            in.skip(3);
            next(kTriangleSection);
        }
        auto taken = places(image.triangles);
        for (std::size_t i = 0; i < count; ++i) {
            const WorldTriangle& t = image.triangles[i];
            const Section& s = kTriangleSection;
            for (const auto& [corner, id] :
                 {std::pair{"A", t.atomA}, std::pair{"B", t.atomB}, std::pair{"C", t.atomC}}) {
                if (atomWithId(id) < 0)
                    return failAt(s, i,
                                  std::string("corner ") + corner + " (" + std::to_string(id) +
                                      ") is not an atom of this world");
                if (pieceOfAtom(id) != t.piece)
                    return failAt(s, i,
                                  std::string("corner ") + corner + " belongs to another piece");
            }
            // Every edge is a link between its two corners: the triangle leaves
            // the world with any of them, so it never outlives its atoms.
            const struct {
                const char* name;
                int32_t link, p, q;
            } edges[3] = {{"AB", t.edgeAB, t.atomA, t.atomB},
                          {"AC", t.edgeAC, t.atomA, t.atomC},
                          {"BC", t.edgeBC, t.atomB, t.atomC}};
            for (const auto& e : edges) {
                if (e.link < 0 || e.link >= static_cast<int32_t>(image.links.size()))
                    return failAt(s, i,
                                  std::string("edge ") + e.name + " is not a link of this world");
                const WorldLink& l = image.links[static_cast<std::size_t>(e.link)];
                if (!((l.atomA == e.p && l.atomB == e.q) || (l.atomA == e.q && l.atomB == e.p)))
                    return failAt(s, i,
                                  std::string("edge ") + e.name + " does not join its corners");
            }
            if (!finite(s, i, {t.sA, t.tA, t.sB, t.tB, t.sC, t.tC}, "a texture coordinate"))
                return false;
            if (t.texture < -1 || t.texture >= static_cast<int32_t>(image.textures.size()))
                return failAt(
                    s, i,
                    "texture " + std::to_string(t.texture) + " is not a texture of this world");
            if (t.texture >= 0) {
                if (t.piece < 0) return failAt(s, i, "textured, but no piece holds it");
                const auto& own = image.pieces[static_cast<std::size_t>(t.piece)].textures;
                if (std::find(own.begin(), own.end(), t.texture) == own.end())
                    return failAt(s, i, "its texture is not one its piece holds");
            }
            if (i > 0 && t.texture < image.triangles[i - 1].texture)
                return failAt(s, i, "out of order: its texture comes before the one before it");
            if (t.visible > 1) return failAt(s, i, "a flag is neither 0 nor 1");
            if (!member(s, i, t.piece, t.pieceOrder, taken)) return false;
        }
        return true;
    }

    bool pairs() {
        std::size_t count = 0;
        if (!open(kPairSection, count)) return false;
        image.pairs.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const uint32_t p = in.u32();
            next(kPairSection);
            if (p >= PairMatrix::kSize)
                return failAt(kPairSection, i, std::to_string(p) + " is outside the pair matrix");
            // A world only ever changes pairs of the lower triangle and its diagonal.
            if (p % kMaxAtoms > p / kMaxAtoms)
                return failAt(kPairSection, i, std::to_string(p) + " is above the diagonal");
            if (i > 0 && p <= image.pairs[i - 1])
                return failAt(kPairSection, i, "out of order or listed twice");
            image.pairs[i] = p;
        }
        return true;
    }

    bool held() {
        std::size_t count = 0;
        if (!open(kHeldSection, count)) return false;
        if (count > 1)
            return fail("held atom section: " + std::to_string(count) + " records, at most 1");
        for (std::size_t i = 0; i < count; ++i) {
            WorldHold h;
            h.atom = in.i32();
            h.invMass = in.f32();
            h.targetX = in.f32();
            h.targetY = in.f32();
            next(kHeldSection);
            const int32_t a = atomWithId(h.atom);
            if (a < 0)
                return failAt(kHeldSection, i,
                              "atom " + std::to_string(h.atom) + " is not an atom of this world");
            const WorldAtom& atom = image.atoms[static_cast<std::size_t>(a)];
            if (atom.iterations <= 0 || atom.kinematic == 0)
                return failAt(kHeldSection, i,
                              "atom " + std::to_string(h.atom) + " cannot be held");
            if (!finite(kHeldSection, i, {h.invMass, h.targetX, h.targetY}, "a value"))
                return false;
            if (!(h.invMass >= 0) || h.targetX < 0 || h.targetX > def.width || h.targetY < 0 ||
                h.targetY > def.height)
                return failAt(kHeldSection, i, "its mass or target is out of range");
            image.held.push_back(h);
        }
        return true;
    }

    bool pins() {
        std::size_t count = 0;
        if (!open(kPinSection, count)) return false;
        std::vector<uint8_t> pinned(kMaxAtoms, 0);
        image.pins.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            WorldPin pin;
            pin.atom = in.i32();
            pin.invMass = in.f32();
            next(kPinSection);
            const int32_t a = atomWithId(pin.atom);
            if (a < 0)
                return failAt(kPinSection, i,
                              "atom " + std::to_string(pin.atom) + " is not an atom of this world");
            if (image.atoms[static_cast<std::size_t>(a)].kinematic == 0 ||
                pinned[static_cast<std::size_t>(pin.atom)] != 0)
                return failAt(kPinSection, i,
                              "atom " + std::to_string(pin.atom) +
                                  " cannot be pinned twice or is not held still");
            if (!std::isfinite(pin.invMass) || !(pin.invMass >= 0))
                return failAt(kPinSection, i, "its mass is out of range");
            pinned[static_cast<std::size_t>(pin.atom)] = 1;
            image.pins.push_back(pin);
        }
        return true;
    }

    bool end() {
        if (in.remaining() != 0)
            return fail("end: " + std::to_string(in.remaining()) + " bytes after the last section");
        return true;
    }

    ByteReader in;
    const WorldDef& def;
    WorldImage& image;
    uint32_t stride = 0;
    std::vector<int32_t> atomIndex;
};

}  // namespace

bool decodeWorld(const uint8_t* data, std::size_t size, const WorldDef& def, WorldImage& image,
                 std::string& problem) {
    image = WorldImage{};
    if (size < kHeaderSize + kChecksumSize) {
        problem = "header: the file ends inside it (" + std::to_string(size) + " bytes)";
        return false;
    }
    if (std::memcmp(data, kWorldMagic, sizeof kWorldMagic) != 0) {
        problem = "header: not a world file";
        return false;
    }
    ByteReader header(data + sizeof kWorldMagic, 4);
    const uint32_t version = header.u32();
    if (version != kWorldVersion) {
        problem = "header: version " + std::to_string(version) + ", this game reads version " +
                  std::to_string(kWorldVersion);
        return false;
    }
    ByteReader stored(data + size - kChecksumSize, kChecksumSize);
    if (stored.u32() != crcOf(data, size - kChecksumSize)) {
        problem = "checksum: the content does not match it (the file is damaged or cut short)";
        return false;
    }
    Decoder decoder(data, size, def, image);
    if (decoder.run()) return true;
    problem = decoder.problem;
    image = WorldImage{};
    return false;
}

bool readWorldFile(const char* path, std::vector<uint8_t>& bytes, std::string& why) {
    return readPieceFile(path, bytes, why, kMaxWorldFileBytes, "world");
}

// ---- placing ----

CommandState placeWorld(const WorldImage& image, Game& root, CursorList<Junk>& pieces) {
    System& world = *root.world;
    const WorldHeader& h = image.header;
    world.stepCount = h.stepCount;
    world.paused = h.paused;
    world.continueLinkSerials(h.linkSerial);
    root.removedAtoms = h.removedAtoms;
    root.removedLinks = h.removedLinks;
    root.removedTriangles = h.removedTriangles;

    // Acquired in the file's order, the images get ascending serials, which is
    // the order the triangle list groups them by (the world holds none now).
    std::vector<Texture*> textures;
    textures.reserve(image.textures.size());
    for (const std::string& name : image.textures) textures.push_back(acquireTexture(name.c_str()));

    // Oldest first, so that each is the newest child and the head of the list.
    std::vector<Junk*> made(image.pieces.size());
    for (std::size_t i = made.size(); i-- > 0;) {
        const WorldPiece& p = image.pieces[i];
        Junk* piece = made[i] = new Junk(&root);
        piece->removedAtoms = p.removedAtoms;
        piece->removedLinks = p.removedLinks;
        piece->removedTriangles = p.removedTriangles;
        for (auto t = p.textures.rbegin(); t != p.textures.rend(); ++t)
            piece->textures.pushFront(
                acquireTexture(image.textures[static_cast<std::size_t>(*t)].c_str()));
        pieces.pushFront(piece);
    }
    for (Texture* t : textures) releaseTexture(t);

    auto ownerOf = [&](int32_t piece) -> Object* {
        return piece >= 0 ? static_cast<Object*>(made[static_cast<std::size_t>(piece)]) : &root;
    };
    // Each piece's own lists, filled in their saved order at the end.
    std::vector<std::vector<Atom*>> pieceAtoms(made.size());
    std::vector<std::vector<Link*>> pieceLinks(made.size());
    std::vector<std::vector<Triangle*>> pieceTriangles(made.size());
    auto keep = [](auto& lists, int32_t piece, int32_t order, auto* record) {
        if (piece < 0) return;
        auto& list = lists[static_cast<std::size_t>(piece)];
        if (list.size() <= static_cast<std::size_t>(order))
            list.resize(static_cast<std::size_t>(order) + 1);
        list[static_cast<std::size_t>(order)] = record;
    };

    std::vector<Atom*> byId(kMaxAtoms, nullptr);
    std::vector<Atom*> atoms(image.atoms.size());
    for (std::size_t i = atoms.size(); i-- > 0;) {
        const WorldAtom& w = image.atoms[i];
        Atom* a = atoms[i] = new Atom(w.x, w.y, w.mass, 0, 0, w.pushCarry, w.radius);
        a->prevX = w.prevX;
        a->prevY = w.prevY;
        a->pushX = w.pushX;
        a->pushY = w.pushY;
        a->iterations = w.iterations;
        a->invIterations = w.invIterations;
        a->group = w.group;
        std::memcpy(a->collidesWith, w.collidesWith.data(), sizeof a->collidesWith);
        a->invMass = w.invMass;
        a->kinematic = w.kinematic != 0;
        a->kinematicStepX = w.kinematicStepX;
        a->kinematicStepY = w.kinematicStepY;
        a->tag = w.tag;
        a->dead = w.dead != 0;
        root.restoreAtom(a, w.id);
        a->owner = ownerOf(w.piece);
        byId[static_cast<std::size_t>(w.id)] = a;
        keep(pieceAtoms, w.piece, w.pieceOrder, a);
    }

    std::vector<Link*> links(image.links.size());
    for (std::size_t i = links.size(); i-- > 0;) {
        const WorldLink& w = image.links[i];
        Link* l = links[i] = new Link;
        l->atomA = byId[static_cast<std::size_t>(w.atomA)];
        l->atomB = byId[static_cast<std::size_t>(w.atomB)];
        l->restLength = w.restLength;
        l->minRatio = w.minRatio;
        l->maxRatio = w.maxRatio;
        l->stiffness = w.stiffness;
        l->reserved = w.reserved;
        l->iterations = w.iterations;
        l->tag = w.tag;
        l->serial = w.serial;
        l->restoresCollision = w.restoresCollision != 0;
        l->atomA->linkAttached(l);
        l->atomB->linkAttached(l);
        root.restoreLink(l);
        l->owner = ownerOf(w.piece);
        keep(pieceLinks, w.piece, w.pieceOrder, l);
    }

    for (std::size_t i = image.triangles.size(); i-- > 0;) {
        const WorldTriangle& w = image.triangles[i];
        auto* t = new Triangle;
        t->setCorners(byId[static_cast<std::size_t>(w.atomA)],
                      byId[static_cast<std::size_t>(w.atomB)],
                      byId[static_cast<std::size_t>(w.atomC)]);
        std::copy(std::begin(w.reserved), std::end(w.reserved), t->reserved);
        t->sA = w.sA;
        t->tA = w.tA;
        t->sB = w.sB;
        t->tB = w.tB;
        t->sC = w.sC;
        t->tC = w.tC;
        t->texture = w.texture >= 0 ? textures[static_cast<std::size_t>(w.texture)] : nullptr;
        t->visible = w.visible != 0;
        root.restoreTriangle(t, links[static_cast<std::size_t>(w.edgeAB)],
                             links[static_cast<std::size_t>(w.edgeAC)],
                             links[static_cast<std::size_t>(w.edgeBC)]);
        t->owner = ownerOf(w.piece);
        keep(pieceTriangles, w.piece, w.pieceOrder, t);
    }
    // Wiring the triangles hid their edges; the file says what shows.
    for (std::size_t i = 0; i < links.size(); ++i) links[i]->visible = image.links[i].visible != 0;

    for (std::size_t p = 0; p < made.size(); ++p) {
        for (auto a = pieceAtoms[p].rbegin(); a != pieceAtoms[p].rend(); ++a)
            made[p]->atoms.pushFront(*a);
        for (auto l = pieceLinks[p].rbegin(); l != pieceLinks[p].rend(); ++l)
            made[p]->links.pushFront(*l);
        for (auto t = pieceTriangles[p].rbegin(); t != pieceTriangles[p].rend(); ++t)
            made[p]->triangles.pushFront(*t);
    }

    world.maxIterations = h.maxIterations;
    world.restorePairs(image.pairs);
    world.atomsChanged();

    CommandState state;
    if (!image.held.empty()) {
        const WorldHold& w = image.held.front();
        state.held = byId[static_cast<std::size_t>(w.atom)];
        state.heldInvMass = w.invMass;
        state.targetX = w.targetX;
        state.targetY = w.targetY;
    }
    for (const WorldPin& pin : image.pins)
        state.pins.push_back({byId[static_cast<std::size_t>(pin.atom)], pin.invMass});
    return state;
}
