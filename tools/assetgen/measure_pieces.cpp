// pimo-piece-measure: how the game's pieces rest, lock and hold together, measured
// in worlds without a window. Run it in the folder that holds the pieces (assets/).
//
//   pimo-piece-measure gap     a piece laid on each resting piece (8 x 8 pairs)
//   pimo-piece-measure drop    a piece dropped from the keys' height on each one
//   pimo-piece-measure lock    two drops on one spot a few steps apart (8 x 8 pairs)
//   pimo-piece-measure pile    piles of twenty: creep, survival and gaps inside
//   pimo-piece-measure alone   each piece dropped alone
//   pimo-piece-measure onto    each piece dropped on a settled pile: what is left of it
//   pimo-piece-measure all     everything above
// -v lists every pair; --quick measures gap, drop and onto at one place instead of
// three, and piece files given after the command take the place of the game's
// eight in gap, drop, alone and onto.
//
// Definitions the figures rest on:
// - Colliding atoms are those that accept some collision group; the others only
//   carry texture (a piece's skin) and are left out of every figure on positions.
// - Two pieces touch when a colliding atom of one is within 10.5 units of a
//   colliding atom of the other (the two radii of 5, and a little slack).
// - The gap between two touching pieces is the shortest distance between their
//   drawn triangles: the background seen between them, 0 when they overlap.
// - Two pieces are locked when the centre of a colliding atom of one lies inside a
//   triangle spanned by three colliding atoms of the other (as loaded, whether or
//   not a snapped link has taken the triangle away since): touching atoms stay 10
//   units apart, so that much only happens when they are through each other.
// - Creep: how far the colliding atoms of a settled pile move over 2000 steps.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "content/piece_file.h"
#include "content/piece_loader.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"
#include "session/spawn_keys.h"

namespace {

const std::vector<std::string> kPieceFiles = gamePieceFiles();
// Where the spawn keys drop their pieces; the key 2 drops in the middle of the world.
const float kSpawnY = keySpot(kSpawnKeys[0]).y;
const float kMiddleX = keySpot(kSpawnKeys[1]).x;

// The places of the keys 1, 2 and 3, or only the middle one.
std::vector<float> keyPlaces(bool quick) {
    if (quick) return {kMiddleX};
    return {keySpot(kSpawnKeys[0]).x, kMiddleX, keySpot(kSpawnKeys[2]).x};
}

void recordBody(const Junk* piece);

// A world of its own per run. The physics world is the large part and is freed;
// the tree and its records are left, as the game leaves them.
class World {
  public:
    World() {
        root = new Game;
        root->world = new System(root, kDefaultWorldDef);
    }
    ~World() { delete root->world; }
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    Junk* spawn(const char* file, float x, float y) {
        const SpawnedPiece spawned = spawnPieceFile(*root, file, x, y);
        if (!spawned.loaded) return nullptr;
        Junk* piece = spawned.piece;
        recordBody(piece);
        pieces.push_back(piece);
        return piece;
    }
    void run(int steps) {
        for (int i = 0; i < steps; ++i) root->tick();
    }

    Game* root;
    std::vector<Junk*> pieces;
};

bool colliding(const Atom* a) {
    for (int g = 0; g < kGroupCount; ++g)
        if (a->collidesWith[g] != 0) return true;
    return false;
}

struct P {
    double x, y;
};
struct Tri {
    P a, b, c;
};

P at(const Atom* a) {
    return {a->x, a->y};
}

std::vector<P> collidingAtoms(const Junk* piece) {
    std::vector<P> out;
    piece->atoms.forEach([&](const Atom* a) {
        if (colliding(a)) out.push_back(at(a));
    });
    return out;
}

std::vector<Tri> triangles(const Junk* piece, bool collidingOnly) {
    std::vector<Tri> out;
    piece->triangles.forEach([&](const Triangle* t) {
        if (collidingOnly && !(colliding(t->atomA) && colliding(t->atomB) && colliding(t->atomC)))
            return;
        out.push_back({at(t->atomA), at(t->atomB), at(t->atomC)});
    });
    return out;
}

double cross(P o, P a, P b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool inside(P p, const Tri& t) {
    const double d1 = cross(t.a, t.b, p), d2 = cross(t.b, t.c, p), d3 = cross(t.c, t.a, p);
    const bool neg = d1 < 0 || d2 < 0 || d3<0, pos = d1> 0 || d2 > 0 || d3 > 0;
    return !(neg && pos) && std::abs(cross(t.a, t.b, t.c)) > 1e-9;
}

double pointSegment(P p, P a, P b) {
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double u = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    u = std::clamp(u, 0.0, 1.0);
    return std::hypot(p.x - (a.x + u * dx), p.y - (a.y + u * dy));
}

bool segmentsCross(P a, P b, P c, P d) {
    const double d1 = cross(a, b, c), d2 = cross(a, b, d), d3 = cross(c, d, a), d4 = cross(c, d, b);
    return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0)) && d1 != 0 && d2 != 0;
}

double segmentSegment(P a, P b, P c, P d) {
    if (segmentsCross(a, b, c, d)) return 0;
    return std::min({pointSegment(a, c, d), pointSegment(b, c, d), pointSegment(c, a, b),
                     pointSegment(d, a, b)});
}

double triangleDistance(const Tri& s, const Tri& t) {
    if (inside(s.a, t) || inside(t.a, s)) return 0;
    const P sp[3] = {s.a, s.b, s.c}, tp[3] = {t.a, t.b, t.c};
    double best = 1e30;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            best = std::min(best, segmentSegment(sp[i], sp[(i + 1) % 3], tp[j], tp[(j + 1) % 3]));
    return best;
}

struct Box {
    double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
    void add(P p) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    double distance(const Box& o) const {
        const double dx = std::max({0.0, o.x0 - x1, x0 - o.x1});
        const double dy = std::max({0.0, o.y0 - y1, y0 - o.y1});
        return std::hypot(dx, dy);
    }
};

Box box(const Tri& t) {
    Box b;
    b.add(t.a), b.add(t.b), b.add(t.c);
    return b;
}

// The background between two pieces' drawn triangles; a large value when either
// has none left.
double drawnGap(const Junk* a, const Junk* b) {
    const std::vector<Tri> ta = triangles(a, false), tb = triangles(b, false);
    std::vector<Box> bb;
    for (const Tri& t : tb) bb.push_back(box(t));
    double best = 1e30;
    for (const Tri& s : ta) {
        const Box sb = box(s);
        for (std::size_t j = 0; j < tb.size(); ++j)
            if (sb.distance(bb[j]) < best) best = std::min(best, triangleDistance(s, tb[j]));
    }
    return best;
}

bool touching(const Junk* a, const Junk* b) {
    const std::vector<P> pa = collidingAtoms(a), pb = collidingAtoms(b);
    for (P p : pa)
        for (P q : pb)
            if (std::hypot(p.x - q.x, p.y - q.y) < 10.5) return true;
    return false;
}

// A piece's body: the triangles between colliding atoms as loaded. Kept apart from
// the world's triangles, which a snapped link takes away while the atoms stay.
std::map<const Junk*, std::vector<std::array<const Atom*, 3>>> bodies;

// A piece's skin atoms, each with the two rim atoms it hangs from and the side of
// them it started on.
struct SkinAtom {
    const Atom *skin, *a, *b;
    bool left;
};
std::map<const Junk*, std::vector<SkinAtom>> skins;

double side(const Atom* a, const Atom* b, const Atom* s) {
    return (double(b->x) - a->x) * (double(s->y) - a->y) -
           (double(b->y) - a->y) * (double(s->x) - a->x);
}

void recordBody(const Junk* piece) {
    auto& body = bodies[piece];
    piece->triangles.forEach([&](const Triangle* t) {
        if (colliding(t->atomA) && colliding(t->atomB) && colliding(t->atomC))
            body.push_back({t->atomA, t->atomB, t->atomC});
    });
    std::map<const Atom*, std::vector<const Atom*>> rimOf;
    piece->links.forEach([&](const Link* l) {
        if (!colliding(l->atomA) && colliding(l->atomB)) rimOf[l->atomA].push_back(l->atomB);
        if (!colliding(l->atomB) && colliding(l->atomA)) rimOf[l->atomB].push_back(l->atomA);
    });
    for (const auto& [skin, rim] : rimOf)
        if (rim.size() == 2)
            skins[piece].push_back({skin, rim[0], rim[1], side(rim[0], rim[1], skin) > 0});
}

// Skin atoms now on the other side of their rim atoms: the skin there is folded
// into the piece and draws nothing beyond the rim.
int foldedSkin(const Junk* piece) {
    std::set<const Atom*> alive;
    piece->atoms.forEach([&](const Atom* atom) { alive.insert(atom); });
    int folded = 0;
    for (const SkinAtom& s : skins[piece])
        if (alive.count(s.skin) != 0 && alive.count(s.a) != 0 && alive.count(s.b) != 0)
            folded += (side(s.a, s.b, s.skin) > 0) != s.left ? 1 : 0;
    return folded;
}

bool through(const Junk* a, const Junk* b) {
    std::set<const Atom*> alive;
    b->atoms.forEach([&](const Atom* atom) { alive.insert(atom); });
    std::vector<Tri> body;
    for (const auto& t : bodies[b])
        if (alive.count(t[0]) != 0 && alive.count(t[1]) != 0 && alive.count(t[2]) != 0)
            body.push_back({at(t[0]), at(t[1]), at(t[2])});
    for (P p : collidingAtoms(a))
        for (const Tri& t : body)
            if (inside(p, t)) return true;
    return false;
}

bool locked(const Junk* a, const Junk* b) {
    return through(a, b) || through(b, a);
}

struct Stats {
    std::vector<double> v;
    void add(double x) { v.push_back(x); }
    double quantile(double q) {
        if (v.empty()) return NAN;
        std::sort(v.begin(), v.end());
        return v[std::min(v.size() - 1, static_cast<std::size_t>(q * (v.size() - 1) + 0.5))];
    }
    double mean() const {
        double s = 0;
        for (double x : v) s += x;
        return v.empty() ? NAN : s / static_cast<double>(v.size());
    }
};

struct Counts {
    long atoms = 0, links = 0, triangles = 0, collidingAtoms = 0, collidingLinks = 0;
};

Counts counts(const Junk* piece) {
    Counts c;
    c.atoms = piece->atoms.count;
    c.links = piece->links.count;
    c.triangles = piece->triangles.count;
    piece->atoms.forEach([&](const Atom* a) { c.collidingAtoms += colliding(a) ? 1 : 0; });
    piece->links.forEach([&](const Link* l) {
        c.collidingLinks += colliding(l->atomA) && colliding(l->atomB) ? 1 : 0;
    });
    return c;
}

std::string shortName(const char* file) {
    std::string s = file;
    return s.substr(0, s.find('.'));
}

// A picture of a world, twice the size, as ImageMagick's vector graphics
// (`convert mvg:FILE out.png`): triangles in one colour per piece, colliding atoms
// as white circles of radius 5.
void picture(const World& w, const char* path) {
    std::FILE* f = std::fopen(path, "w");
    if (f == nullptr) return;
    std::fprintf(f, "viewbox 0 0 1400 1060\nfill black rectangle 0,0 1400,1060\n");
    const char* colours[] = {"#c84", "#4a8", "#88c", "#c6a", "#aa4", "#4aa"};
    auto px = [](P p) { return P{2 * p.x, 2 * (530 - p.y)}; };
    for (std::size_t i = 0; i < w.pieces.size(); ++i) {
        for (const Tri& t : triangles(w.pieces[i], false)) {
            const P a = px(t.a), b = px(t.b), c = px(t.c);
            std::fprintf(f, "fill '%s' stroke none polygon %.2f,%.2f %.2f,%.2f %.2f,%.2f\n",
                         colours[i % 6], a.x, a.y, b.x, b.y, c.x, c.y);
        }
        for (P p : collidingAtoms(w.pieces[i])) {
            const P c = px(p);
            std::fprintf(f, "fill none stroke white stroke-width 0.6 circle %.2f,%.2f %.2f,%.2f\n",
                         c.x, c.y, c.x + 10, c.y);
        }
    }
    std::fclose(f);
}

// The lowest colliding atom of a piece file, relative to its origin.
float lowestAtom(const char* file) {
    std::FILE* f = std::fopen(file, "rb");
    if (f == nullptr) return 0;
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    PieceFile piece;
    std::string error;
    if (!parsePieceFile(bytes.data(), bytes.size(), piece, error)) return 0;
    float low = 1e30f;
    for (const AtomRecord& a : piece.atoms)
        for (uint8_t accepts : a.collidesWith)
            if (accepts != 0) {
                low = std::min(low, a.y);
                break;
            }
    return low;
}

float highestAtom(const Junk* piece) {
    float high = -1e30f;
    piece->atoms.forEach([&](const Atom* a) {
        if (colliding(a)) high = std::max(high, a->y);
    });
    return high;
}

// A piece laid on each resting piece, at three of the keys' places: 400 steps after A, B is spawned
// with its lowest atom 12 units above A's highest (so it falls 2 units), and 1500 steps later the
// two are measured. With `drop`, B falls from the keys' height instead.
void gap(bool drop, bool verbose, bool quick, const std::vector<const char*>& pieces) {
    Stats gaps;
    int touchingPairs = 0, lockedPairs = 0, pairs = 0;
    const std::vector<float> places = keyPlaces(quick);
    for (const float x : places)
        for (const char* lower : pieces)
            for (const char* upper : pieces) {
                World w;
                Junk* a = w.spawn(lower, x, kSpawnY);
                w.run(400);
                if (a == nullptr) continue;
                const float y =
                    drop ? kSpawnY : std::floor(highestAtom(a) + 12 - lowestAtom(upper));
                Junk* b = w.spawn(upper, x, y);
                w.run(1500);
                ++pairs;
                if (a == nullptr || b == nullptr) continue;
                const bool t = touching(a, b), l = locked(a, b);
                const double g = drawnGap(a, b);
                if (t) {
                    ++touchingPairs;
                    gaps.add(g);
                }
                lockedPairs += l ? 1 : 0;
                if (std::getenv("PIMO_MEASURE_PICTURES") != nullptr) {
                    const std::string path = std::string(std::getenv("PIMO_MEASURE_PICTURES")) +
                                             "/" + shortName(upper) + "-on-" + shortName(lower) +
                                             ".mvg";
                    picture(w, path.c_str());
                }
                if (verbose)
                    std::printf("  %s on %s: %s gap %.2f%s\n", shortName(upper).c_str(),
                                shortName(lower).c_str(), t ? "touching," : "apart,", g,
                                l ? ", locked" : "");
            }
    std::printf(
        "gap (piece %s a resting piece, %d pairs): %d touching; drawn gap "
        "min %.2f median %.2f mean %.2f p90 %.2f max %.2f; %d through each other\n",
        drop ? "dropped from the keys' height on" : "laid on", pairs, touchingPairs,
        gaps.quantile(0), gaps.quantile(0.5), gaps.mean(), gaps.quantile(0.9), gaps.quantile(1),
        lockedPairs);
}

void lock(bool verbose) {
    const int delays[] = {1, 2, 3, 5, 8, 12, 20};
    int total = 0, lockedTotal = 0;
    std::string perDelay;
    for (int delay : delays) {
        int n = 0, l = 0;
        for (const std::string& first : kPieceFiles)
            for (const std::string& second : kPieceFiles) {
                World w;
                Junk* a = w.spawn(first.c_str(), kMiddleX, kSpawnY);
                w.run(delay);
                Junk* b = w.spawn(second.c_str(), kMiddleX, kSpawnY);
                w.run(1500);
                if (a == nullptr || b == nullptr) continue;
                ++n;
                const bool isLocked = locked(a, b);
                l += isLocked ? 1 : 0;
                if (verbose && isLocked)
                    std::printf("  locked: %s then %s %d steps later\n",
                                shortName(first.c_str()).c_str(), shortName(second.c_str()).c_str(),
                                delay);
            }
        total += n;
        lockedTotal += l;
        char part[32];
        std::snprintf(part, sizeof part, " %d:%d/%d", delay, l, n);
        perDelay += part;
    }
    std::printf(
        "lock (two drops on one spot, 1500 steps after): %d of %d locked (%.1f%%); "
        "per delay in steps:%s\n",
        lockedTotal, total, 100.0 * lockedTotal / total, perDelay.c_str());
}

// Twenty spawns, one every 100 steps, at the keys' positions and files a seeded
// generator picks; what was loaded.
Counts spawnPile(World& w, int seed) {
    uint32_t state = 0x9e3779b9u * static_cast<uint32_t>(seed);
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 16;
    };
    Counts loaded;
    for (int i = 0; i < 20; ++i) {
        const int key = static_cast<int>(next() % 8), n = static_cast<int>(next() % 4);
        const SpawnKey& k = kSpawnKeys[key];
        Junk* p = w.spawn(familyPiece(k.pattern, n + 1).c_str(), keySpot(k).x, kSpawnY);
        if (p != nullptr) {
            const Counts c = counts(p);
            loaded.atoms += c.atoms, loaded.links += c.links, loaded.triangles += c.triangles;
            loaded.collidingAtoms += c.collidingAtoms;
        }
        w.run(100);
    }
    return loaded;
}

// Piles of twenty settled until step 4000, then watched for 2000 more.
void pile(bool verbose) {
    const int seeds = 6;
    Stats creepMean, creepMax, contactGaps;
    Counts loadedAll, leftAll;
    int lockedAll = 0, contactsAll = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        World w;
        const Counts loaded = spawnPile(w, seed);
        w.run(4000 - 2000);
        std::vector<const Atom*> watched;
        std::vector<P> before;
        w.root->atoms.forEach([&](const Atom* a) {
            if (colliding(a)) watched.push_back(a), before.push_back(at(a));
        });
        w.run(2000);
        // Atoms are freed when they die: compare only those still listed.
        std::vector<const Atom*> alive;
        w.root->atoms.forEach([&](const Atom* a) { alive.push_back(a); });
        std::sort(alive.begin(), alive.end());
        Stats moved;
        for (std::size_t i = 0; i < watched.size(); ++i)
            if (std::binary_search(alive.begin(), alive.end(), watched[i]))
                moved.add(std::hypot(watched[i]->x - before[i].x, watched[i]->y - before[i].y));
        creepMean.add(moved.mean());
        creepMax.add(moved.quantile(1));
        Counts left;
        for (const Junk* p : w.pieces) {
            const Counts c = counts(p);
            left.atoms += c.atoms, left.links += c.links, left.triangles += c.triangles;
            left.collidingAtoms += c.collidingAtoms;
        }
        int contacts = 0, lockedPairs = 0;
        for (std::size_t i = 0; i < w.pieces.size(); ++i)
            for (std::size_t j = i + 1; j < w.pieces.size(); ++j) {
                if (!touching(w.pieces[i], w.pieces[j])) continue;
                ++contacts;
                contactGaps.add(drawnGap(w.pieces[i], w.pieces[j]));
                lockedPairs += locked(w.pieces[i], w.pieces[j]) ? 1 : 0;
            }
        if (verbose)
            std::printf(
                "  pile %d: creep mean %.3f max %.2f; atoms %ld/%ld, links %ld/%ld, "
                "triangles %ld/%ld; %d touching pairs, %d locked\n",
                seed, moved.mean(), moved.quantile(1), left.atoms, loaded.atoms, left.links,
                loaded.links, left.triangles, loaded.triangles, contacts, lockedPairs);
        loadedAll.atoms += loaded.atoms, loadedAll.links += loaded.links;
        loadedAll.triangles += loaded.triangles, loadedAll.collidingAtoms += loaded.collidingAtoms;
        leftAll.atoms += left.atoms, leftAll.links += left.links;
        leftAll.triangles += left.triangles, leftAll.collidingAtoms += left.collidingAtoms;
        lockedAll += lockedPairs;
        contactsAll += contacts;
    }
    std::printf(
        "pile (%d piles of 20, creep over steps 4000-6000): creep mean %.3f, max %.2f "
        "(worst pile); left: colliding atoms %.1f%%, atoms %.1f%%, links %.1f%%, "
        "triangles %.1f%%; touching pairs %d, drawn gap median %.2f p90 %.2f; %d locked\n",
        seeds, creepMean.mean(), creepMax.quantile(1),
        100.0 * leftAll.collidingAtoms / loadedAll.collidingAtoms,
        100.0 * leftAll.atoms / loadedAll.atoms, 100.0 * leftAll.links / loadedAll.links,
        100.0 * leftAll.triangles / loadedAll.triangles, contactsAll, contactGaps.quantile(0.5),
        contactGaps.quantile(0.9), lockedAll);
}

// Each piece dropped from the keys' height onto the piles of `pile` settled for
// 2000 steps, at three of the keys' places; what is left of it 1500 steps later.
void onto(bool verbose, bool quick, const std::vector<const char*>& pieces) {
    const int seeds = 6;
    const std::vector<float> places = keyPlaces(quick);
    std::printf("onto (dropped on %d piles of 20 at %zu places, 1500 steps; left/loaded):\n", seeds,
                places.size());
    for (const char* file : pieces) {
        Counts loaded, left;
        for (int seed = 1; seed <= seeds; ++seed)
            for (const float x : places) {
                World w;
                spawnPile(w, seed);
                w.run(2000);
                Junk* p = w.spawn(file, x, kSpawnY);
                if (p == nullptr) continue;
                const Counts before = counts(p);
                w.run(1500);
                const Counts after = counts(p);
                if (verbose)
                    std::printf("    pile %d at %.0f: atoms %ld/%ld, links %ld/%ld\n", seed,
                                double(x), after.atoms, before.atoms, after.links, before.links);
                loaded.atoms += before.atoms, loaded.links += before.links;
                left.atoms += after.atoms, left.links += after.links;
                loaded.collidingAtoms += before.collidingAtoms;
                left.collidingAtoms += after.collidingAtoms;
            }
        std::printf(
            "  %-12s atoms %.1f%%, colliding atoms %.1f%%, links %.1f%% (of %ld atoms, %ld "
            "links)\n",
            shortName(file).c_str(), 100.0 * left.atoms / loaded.atoms,
            100.0 * left.collidingAtoms / loaded.collidingAtoms, 100.0 * left.links / loaded.links,
            loaded.atoms, loaded.links);
    }
}

void alone(const std::vector<const char*>& pieces) {
    std::printf("alone (each piece dropped at its keys' height, 2000 steps; left/loaded):\n");
    for (const char* file : pieces) {
        World w;
        Junk* p = w.spawn(file, kMiddleX, kSpawnY);
        if (p == nullptr) continue;
        const Counts before = counts(p);
        w.run(2000);
        const Counts after = counts(p);
        std::printf(
            "  %-6s atoms %ld/%ld, links %ld/%ld, triangles %ld/%ld; between colliding "
            "atoms: atoms %ld/%ld, links %ld/%ld; skin folded in: %d of %zu\n",
            shortName(file).c_str(), after.atoms, before.atoms, after.links, before.links,
            after.triangles, before.triangles, after.collidingAtoms, before.collidingAtoms,
            after.collidingLinks, before.collidingLinks, foldedSkin(p), skins[p].size());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc >= 2 ? argv[1] : "";
    bool verbose = false, quick = false;
    std::vector<const char*> pieces;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0)
            verbose = true;
        else if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else
            pieces.push_back(argv[i]);
    }
    if (pieces.empty())
        for (const std::string& file : kPieceFiles) pieces.push_back(file.c_str());
    if (what == "show" && argc == 5) {
        // show FILE STEPS OUT.mvg: one piece dropped at the key 2's spot, after STEPS steps.
        World w;
        w.spawn(argv[2], kMiddleX, kSpawnY);
        w.run(std::atoi(argv[3]));
        picture(w, argv[4]);
        return 0;
    }
    if (what == "gap" || what == "all") gap(false, verbose, quick, pieces);
    if (what == "drop" || what == "all") gap(true, verbose, quick, pieces);
    if (what == "lock" || what == "all") lock(verbose);
    if (what == "pile" || what == "all") pile(verbose);
    if (what == "alone" || what == "all") alone(pieces);
    if (what == "onto" || what == "all") onto(verbose, quick, pieces);
    if (what != "show" && what != "gap" && what != "drop" && what != "lock" && what != "pile" &&
        what != "alone" && what != "onto" && what != "all") {
        std::fprintf(stderr,
                     "usage: pimo-piece-measure gap|drop|lock|pile|alone|onto|all [-v] [--quick] "
                     "[PIECE...]\n");
        return 2;
    }
    return 0;
}
