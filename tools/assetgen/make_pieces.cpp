// Writes the game's eight piece files: drask1-4.pob (sturdy: crate, brick, plank,
// boulder) and pimo1-4.pob (soft: jelly, ring, cushion, bean).
//
//   pimo-pieces OUTDIR [SKIN_DEPTH]
//
// Every shape is a lattice of atoms about 12 units apart (the collision radius is 5,
// so unlinked atoms of one piece never start inside each other), linked to its
// neighbours and across its cells, and covered by two triangles per cell;
// texture coordinates span the whole image. With a SKIN_DEPTH, a skin of light
// atoms that collide with nothing is added around the outline (see addSkin): the
// textures then reach that far beyond the rim atoms, so resting pieces look as if
// they touch. The shipped pieces have none: with it, pieces dropped onto others
// end up through them more often (see measure_pieces.cpp). Atoms stay within x -100..90 and
// y -100..110 of the piece's origin.
//
// How the pieces rest on each other, lock and hold together is measured by
// pimo-piece-measure (measure_pieces.cpp).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "content/drawn_body.h"
#include "content/piece_file.h"

namespace {

// How far the skin reaches beyond the rim atoms' centres; a second argument of the
// program sets it (0, the shipped pieces: no skin).
double skinDepth = 0;
// Light and soft, so the skin follows the rim and barely pulls at it; a stiffer
// skin folds onto the rim more often when a piece lands.
constexpr float kSkinMassShare = 0.02f;
constexpr float kSkinStiffness = 0.05f;
constexpr float kSkinMinRatio = 0.1f;
constexpr float kSkinMaxRatio = 50.0f;

// Positions are kept on a 1/16 grid so that they, and their sums with any spawn
// position on whole units, are exact in 32-bit floats.
float snap(double v) {
    return static_cast<float>(std::round(v * 16) / 16);
}

class Shape {
  public:
    int atom(double x, double y) {
        const std::pair<float, float> p{snap(x), snap(y)};
        auto it = index.find(p);
        if (it != index.end()) return it->second;
        xs.push_back(p.first);
        ys.push_back(p.second);
        index[p] = static_cast<int>(xs.size()) - 1;
        return static_cast<int>(xs.size()) - 1;
    }
    // Links are undirected and made once.
    void link(int a, int b) {
        if (a == b || a < 0 || b < 0) return;
        const auto key = a < b ? std::make_pair(a, b) : std::make_pair(b, a);
        if (linked.count(key)) return;
        linked[key] = true;
        links.push_back(key);
    }
    void triangle(int a, int b, int c) {
        link(a, b);
        link(a, c);
        link(b, c);
        triangles.push_back({a, b, c});
    }
    int skinAtom(double x, double y) {
        const int i = atom(x, y);
        skin.resize(xs.size(), false);
        skin[i] = true;
        return i;
    }
    void quad(int a, int b, int c, int d) {  // a b over d c, counter-clockwise a, b, c, d
        triangle(a, b, c);
        triangle(a, c, d);
        link(b, d);  // the second diagonal stiffens the cell
    }

    // Textured skin around every outline of the lattice, `depth` units beyond the
    // rim atoms' centres. Collision keeps other pieces' atoms 10 units from the rim
    // atoms, so without it the textures of two touching pieces stay 8 to 10 units
    // apart. A skin atom stands over the middle of each rim edge in a tent with the
    // edge's ends; a triangle from each rim atom to its two skin neighbours closes
    // the outline. Skin collides with nothing, so it changes no contact.
    //
    // Nothing ties the tent to the inside of the piece: a hard landing can fold it
    // onto the rim, which draws the edge where it was before. A tie inward would
    // keep it out, but the floor clamps the skin and then the tie lifts the whole
    // piece on it, a spring that bounces a crate hard enough to break it.
    void addSkin(double depth) {
        // Rim edges are the directed edges, counter-clockwise per triangle, whose
        // reverse belongs to no triangle; the piece lies to their left.
        std::set<std::pair<int, int>> directed;
        for (auto tri : triangles) {
            if (cross(tri[0], tri[1], tri[2]) < 0) std::swap(tri[1], tri[2]);
            for (int k = 0; k < 3; ++k) directed.insert({tri[k], tri[(k + 1) % 3]});
        }
        std::map<int, int> rimNext;
        for (const auto& [a, b] : directed)
            if (directed.count({b, a}) == 0) rimNext[a] = b;
        // A hole's outline runs clockwise. Nothing rests against it, and skin
        // inside a ring only crowds it as it flattens.
        std::set<int> holeAtoms;
        for (const auto& [first, unused] : rimNext) {
            double area = 0;
            std::vector<int> loop;
            for (int a = first;;) {
                loop.push_back(a);
                const int b = rimNext.at(a);
                area += double(xs[a]) * ys[b] - double(xs[b]) * ys[a];
                a = b;
                if (a == first || loop.size() > rimNext.size()) break;
            }
            if (area < 0) holeAtoms.insert(loop.begin(), loop.end());
        }
        std::map<int, std::pair<int, int>> rimFrom;  // start atom -> (end atom, skin atom)
        for (const auto& [a, b] : rimNext) {
            if (holeAtoms.count(a) != 0) continue;
            const double dx = xs[b] - xs[a], dy = ys[b] - ys[a], len = std::hypot(dx, dy);
            const int s = skinAtom((xs[a] + xs[b]) / 2 + depth * dy / len,
                                   (ys[a] + ys[b]) / 2 - depth * dx / len);
            triangle(a, b, s);
            rimFrom[a] = {b, s};
        }
        for (const auto& [a, next] : rimFrom) {
            const auto [b, s] = next;
            auto after = rimFrom.find(b);
            if (after != rimFrom.end()) triangle(s, b, after->second.second);
        }
        skin.resize(xs.size(), false);
    }

    PieceFile build(const BodyStuff& stuff, const std::string& texture) const {
        auto isSkin = [&](int i) { return static_cast<std::size_t>(i) < skin.size() && skin[i]; };
        PieceFile p;
        float x0 = xs[0], x1 = xs[0], y0 = ys[0], y1 = ys[0];
        for (std::size_t i = 0; i < xs.size(); ++i) {
            x0 = std::min(x0, xs[i]), x1 = std::max(x1, xs[i]);
            y0 = std::min(y0, ys[i]), y1 = std::max(y1, ys[i]);
        }
        for (std::size_t i = 0; i < xs.size(); ++i) {
            AtomRecord a;
            a.x = a.prevX = xs[i];
            a.y = a.prevY = ys[i];
            a.mass = stuff.mass;
            a.iterations = stuff.atomIterations;
            a.group = 1;
            if (isSkin(static_cast<int>(i))) {
                // Skin takes part in no collision: its group is one no atom accepts,
                // and it accepts none. Light, so it follows the rim it hangs on.
                a.mass = stuff.mass * kSkinMassShare;
                a.iterations = 0;
                a.group = 0;
                std::fill(std::begin(a.collidesWith), std::end(a.collidesWith), uint8_t{0});
            }
            p.atoms.push_back(a);
        }
        for (const auto& [a, b] : links) {
            LinkRecord l;
            l.xA = xs[a], l.yA = ys[a], l.xB = xs[b], l.yB = ys[b];
            const float dx = l.xA - l.xB, dy = l.yA - l.yB;
            l.restLength = std::sqrt(dx * dx + dy * dy);
            l.minRatio = stuff.minRatio;
            l.maxRatio = stuff.maxRatio;
            l.stiffness = stuff.stiffness;
            if (isSkin(a) || isSkin(b)) {
                // Skin bends where the rim meets the floor or another piece; it goes
                // only when the rim under it goes.
                l.stiffness = kSkinStiffness;
                l.minRatio = kSkinMinRatio;
                l.maxRatio = kSkinMaxRatio;
            }
            l.iterations = stuff.linkIterations;
            p.links.push_back(l);
        }
        TextureRecord t;
        setPieceName(t.name, texture);
        p.textures.push_back(t);
        // TGA rows are stored bottom up, so t grows with y.
        auto s = [&](int i) { return (xs[i] - x0) / (x1 - x0); };
        auto tt = [&](int i) { return (ys[i] - y0) / (y1 - y0); };
        for (const auto& tri : triangles) {
            TriangleRecord r;
            r.xA = xs[tri[0]], r.yA = ys[tri[0]];
            r.xB = xs[tri[1]], r.yB = ys[tri[1]];
            r.xC = xs[tri[2]], r.yC = ys[tri[2]];
            r.sA = s(tri[0]), r.tA = tt(tri[0]);
            r.sB = s(tri[1]), r.tB = tt(tri[1]);
            r.sC = s(tri[2]), r.tC = tt(tri[2]);
            setPieceName(r.texture, texture);
            p.triangles.push_back(r);
        }
        p.atomCount = static_cast<int32_t>(p.atoms.size());
        p.linkCount = static_cast<int32_t>(p.links.size());
        p.textureCount = static_cast<int32_t>(p.textures.size());
        p.triangleCount = static_cast<int32_t>(p.triangles.size());
        return p;
    }

    std::vector<float> xs, ys;
    std::vector<bool> skin;

  private:
    double cross(int a, int b, int c) const {
        return (double(xs[b]) - xs[a]) * (double(ys[c]) - ys[a]) -
               (double(ys[b]) - ys[a]) * (double(xs[c]) - xs[a]);
    }
    std::map<std::pair<float, float>, int> index;
    std::map<std::pair<int, int>, bool> linked;
    std::vector<std::pair<int, int>> links;
    std::vector<std::array<int, 3>> triangles;
};

// A rectangular lattice of cols x rows atoms centred on the origin.
Shape rectangle(int cols, int rows, double spacing, double centreY) {
    Shape s;
    std::vector<std::vector<int>> at(cols, std::vector<int>(rows));
    const double left = -(cols - 1) * spacing / 2, bottom = centreY - (rows - 1) * spacing / 2;
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) at[c][r] = s.atom(left + c * spacing, bottom + r * spacing);
    for (int c = 0; c + 1 < cols; ++c)
        for (int r = 0; r + 1 < rows; ++r)
            s.quad(at[c][r + 1], at[c][r], at[c + 1][r], at[c + 1][r + 1]);
    return s;
}

// A triangular lattice clipped to a superellipse |x/a|^n + |y/b|^n <= 1 (n = 2 is
// an ellipse, larger n a rounded rectangle): every lattice triangle whose three
// corners lie inside is kept. Alternate rows are shifted by half a spacing.
Shape ellipse(double a, double b, double spacing, double centreY, double n = 2) {
    Shape s;
    const double h = spacing * std::sqrt(3.0) / 2;
    const int rows = static_cast<int>(b / h) + 1, cols = static_cast<int>(a / spacing) + 2;
    auto inside = [&](double x, double y) {
        return std::pow(std::abs(x / a), n) + std::pow(std::abs(y / b), n) <= 1.0 + 1e-9;
    };
    auto pos = [&](int c, int r) {
        return std::make_pair(c * spacing + ((r & 1) != 0 ? spacing / 2 : 0), r * h);
    };
    auto atomAt = [&](int c, int r) {
        auto [x, y] = pos(c, r);
        return s.atom(x, centreY + y);
    };
    for (int r = -rows; r < rows; ++r)
        for (int c = -cols; c <= cols; ++c) {
            // Up and down triangles anchored at (c, r); the row above is shifted
            // right on odd rows.
            const int shift = (r & 1) != 0 ? 1 : 0;
            const std::pair<int, int> up[3] = {{c, r}, {c + 1, r}, {c + shift, r + 1}};
            const std::pair<int, int> down[3] = {
                {c + shift, r + 1}, {c + 1, r}, {c + 1 + shift, r + 1}};
            for (const auto* tri : {up, down}) {
                bool all = true;
                for (int k = 0; k < 3; ++k) {
                    auto [x, y] = pos(tri[k].first, tri[k].second);
                    all = all && inside(x, y);
                }
                if (!all) continue;
                s.triangle(atomAt(tri[0].first, tri[0].second), atomAt(tri[1].first, tri[1].second),
                           atomAt(tri[2].first, tri[2].second));
            }
        }
    return s;
}

// Rings of atoms between two radii, `segments` around, quads between the rings.
Shape ring(double inner, double outer, int rings, int segments, double centreY) {
    Shape s;
    std::vector<std::vector<int>> at(rings, std::vector<int>(segments));
    for (int i = 0; i < rings; ++i) {
        const double r = inner + (outer - inner) * i / (rings - 1);
        for (int k = 0; k < segments; ++k) {
            const double angle = 2 * std::numbers::pi * k / segments;
            at[i][k] = s.atom(r * std::cos(angle), centreY + r * std::sin(angle));
        }
    }
    for (int i = 0; i + 1 < rings; ++i)
        for (int k = 0; k < segments; ++k) {
            const int k1 = (k + 1) % segments;
            s.quad(at[i + 1][k], at[i][k], at[i][k1], at[i + 1][k1]);
        }
    return s;
}

Shape skinned(Shape s) {
    if (skinDepth > 0) s.addSkin(skinDepth);
    return s;
}

bool save(const std::string& dir, const std::string& name, const PieceFile& piece) {
    const std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    const std::vector<uint8_t> bytes = writePieceFile(piece);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "%s: write error\n", path.c_str());
        return false;
    }
    std::printf("%s: %zu atoms, %zu links, %zu triangles\n", path.c_str(), piece.atoms.size(),
                piece.links.size(), piece.triangles.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: pimo-pieces OUTDIR [SKIN_DEPTH]\n");
        return 2;
    }
    if (argc == 3) skinDepth = std::atof(argv[2]);
    const std::string dir = argv[1];

    // Tuned with pimo-sim: a piece dropped alone from the spawn height (about 6 units
    // per step at the floor) squeezes the links of its lowest cells to about half
    // their rest length for a step or two, so squeezing snaps only past that; the
    // harder knocks of pieces landing on each other break links.
    // {mass, atom iterations, link iterations, stiffness, minRatio, maxRatio}
    const BodyStuff& sturdy = kSturdyStuff;
    const BodyStuff& soft = kSoftStuff;
    // A hollow ring flattens as it lands; it takes the squeeze rather than snapping.
    const BodyStuff squashy{0.5f, 8, 8, 0.2f, 0.4f, 5.0f};

    bool ok = true;
    // drask: a crate, a brick, a plank and a boulder.
    ok &= save(dir, "drask1.pob", skinned(rectangle(7, 7, 12, 0)).build(sturdy, "crate.tga"));
    ok &= save(dir, "drask2.pob", skinned(rectangle(10, 4, 12, 0)).build(sturdy, "brick.tga"));
    ok &= save(dir, "drask3.pob", skinned(rectangle(15, 3, 12, 0)).build(sturdy, "plank.tga"));
    ok &= save(dir, "drask4.pob", skinned(ellipse(46, 46, 12, 0)).build(sturdy, "stone.tga"));
    // pimo: a jelly blob, a ring, a cushion and a bean.
    ok &= save(dir, "pimo1.pob", skinned(ellipse(50, 44, 12, 0)).build(soft, "jelly.tga"));
    ok &= save(dir, "pimo2.pob", skinned(ring(16, 52, 4, 12, 0)).build(squashy, "ring.tga"));
    ok &= save(dir, "pimo3.pob", skinned(ellipse(56, 30, 12, 0, 4)).build(soft, "cushion.tga"));
    ok &= save(dir, "pimo4.pob", skinned(ellipse(62, 34, 12, 0)).build(soft, "blob.tga"));
    return ok ? 0 : 1;
}
