#include "content/drawn_body.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <utility>

const BodyStuff& stuffOf(BodyFamily family) {
    return family == BodyFamily::Soft ? kSoftStuff : kSturdyStuff;
}

const char* familyName(BodyFamily family) {
    return family == BodyFamily::Soft ? "soft" : "sturdy";
}

bool familyFromName(const std::string& name, BodyFamily& family) {
    if (name == "sturdy")
        family = BodyFamily::Sturdy;
    else if (name == "soft")
        family = BodyFamily::Soft;
    else
        return false;
    return true;
}

namespace {

using Outline = std::vector<OutlinePoint>;

// The hand's tremble out: each point kept is at least kOutlineStep from the one
// before, and the last one from the first.
Outline steadied(const Outline& drawn) {
    Outline kept;
    for (const OutlinePoint& p : drawn) {
        if (!kept.empty()) {
            const float dx = p.x - kept.back().x;
            const float dy = p.y - kept.back().y;
            if (dx * dx + dy * dy < kOutlineStep * kOutlineStep) continue;
        }
        kept.push_back(p);
    }
    while (kept.size() > 1) {
        const float dx = kept.back().x - kept.front().x;
        const float dy = kept.back().y - kept.front().y;
        if (dx * dx + dy * dy >= kOutlineStep * kOutlineStep) break;
        kept.pop_back();
    }
    return kept;
}

// Which side of the line through a and b the point c lies on: +1 left, -1 right.
int side(const OutlinePoint& a, const OutlinePoint& b, const OutlinePoint& c) {
    const float cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
}

bool crossesItself(const Outline& o) {
    const std::size_t n = o.size();
    for (std::size_t i = 0; i < n; ++i) {
        const OutlinePoint& a = o[i];
        const OutlinePoint& b = o[(i + 1) % n];
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;  // neighbours through the closing edge
            const OutlinePoint& c = o[j];
            const OutlinePoint& d = o[(j + 1) % n];
            if (side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0) return true;
        }
    }
    return false;
}

float area(const Outline& o) {
    float twice = 0;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const OutlinePoint& a = o[i];
        const OutlinePoint& b = o[(i + 1) % o.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::fabs(twice) / 2;
}

// The part of the outline on the inner side of one edge of the world's box.
template <typename Inside, typename Cut>
Outline clipped(const Outline& o, Inside inside, Cut cut) {
    Outline out;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const OutlinePoint& a = o[i];
        const OutlinePoint& b = o[(i + 1) % o.size()];
        if (inside(a)) out.push_back(a);
        if (inside(a) != inside(b)) out.push_back(cut(a, b));
    }
    return out;
}

float areaInside(const Outline& o, float width, float height) {
    auto at = [](const OutlinePoint& a, const OutlinePoint& b, float t) {
        return OutlinePoint{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    };
    Outline c = clipped(
        o, [](const OutlinePoint& p) { return p.x >= 0; },
        [&](const OutlinePoint& a, const OutlinePoint& b) {
            return at(a, b, (0 - a.x) / (b.x - a.x));
        });
    c = clipped(
        c, [&](const OutlinePoint& p) { return p.x <= width; },
        [&](const OutlinePoint& a, const OutlinePoint& b) {
            return at(a, b, (width - a.x) / (b.x - a.x));
        });
    c = clipped(
        c, [](const OutlinePoint& p) { return p.y >= 0; },
        [&](const OutlinePoint& a, const OutlinePoint& b) {
            return at(a, b, (0 - a.y) / (b.y - a.y));
        });
    c = clipped(
        c, [&](const OutlinePoint& p) { return p.y <= height; },
        [&](const OutlinePoint& a, const OutlinePoint& b) {
            return at(a, b, (height - a.y) / (b.y - a.y));
        });
    return c.size() < 3 ? 0 : area(c);
}

// Even-odd rule along a ray to the right of the point.
bool encloses(const Outline& o, float x, float y) {
    bool inside = false;
    for (std::size_t i = 0, j = o.size() - 1; i < o.size(); j = i++) {
        const OutlinePoint& a = o[i];
        const OutlinePoint& b = o[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

}  // namespace

bool buildDrawnBody(const std::vector<OutlinePoint>& drawn, BodyFamily family,
                    const std::string& texture, const WorldDef& world, PieceFile& piece,
                    std::string& problem) {
    piece = PieceFile{};
    if (drawn.size() > kMaxOutlinePoints) {
        problem = "the outline has more than " + std::to_string(kMaxOutlinePoints) + " points";
        return false;
    }
    for (const OutlinePoint& p : drawn) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            problem = "the outline has a point that is not a finite number";
            return false;
        }
    }
    const Outline outline = steadied(drawn);
    if (outline.size() >= 4 && crossesItself(outline)) {
        problem = "the outline crosses itself";
        return false;
    }
    if (outline.size() < 3 || area(outline) < kBodySpacing * kBodySpacing) {
        problem = "too small to hold a body";
        return false;
    }
    if (areaInside(outline, world.width, world.height) * 2 < area(outline)) {
        problem = "mostly outside the world";
        return false;
    }

    float minX = outline[0].x, maxX = minX, minY = outline[0].y, maxY = minY;
    for (const OutlinePoint& p : outline) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    // Also what keeps the lattice's size bounded whatever the points are.
    if (maxX - minX > 2 * world.width || maxY - minY > 2 * world.height) {
        problem = "larger than the world";
        return false;
    }
    // Rows of a triangular lattice, as the shipped round pieces are made, centred
    // in the outline's box; points outside the world count as outside.
    const float s = kBodySpacing;
    const float h = s * std::sqrt(3.0f) / 2;
    const int32_t rows = static_cast<int32_t>(std::floor((maxY - minY) / h)) + 1;
    const int32_t columns = static_cast<int32_t>(std::floor((maxX - minX) / s)) + 2;
    const float x0 = minX + (maxX - minX - s * static_cast<float>(columns - 2)) / 2 - s / 4;
    const float y0 = minY + (maxY - minY - h * static_cast<float>(rows - 1)) / 2;
    auto px = [&](int32_t c, int32_t r) {
        return x0 + s * static_cast<float>(c) + ((r & 1) != 0 ? s / 2 : 0.0f);
    };
    auto py = [&](int32_t r) { return y0 + h * static_cast<float>(r); };
    auto inWorld = [&](float x, float y) {
        return x >= 0 && x <= world.width && y >= 0 && y <= world.height;
    };
    std::vector<uint8_t> in(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    auto point = [&](int32_t c, int32_t r) { return r * columns + c; };
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c)
            in[static_cast<std::size_t>(point(c, r))] =
                inWorld(px(c, r), py(r)) && encloses(outline, px(c, r), py(r)) ? 1 : 0;

    // A triangle counts when its corners and its middle are inside: a notch of
    // the outline between two corners takes it out.
    std::vector<std::array<int32_t, 3>> triangles;
    for (int32_t r = 0; r + 1 < rows; ++r) {
        const int32_t shift = r & 1;
        for (int32_t c = 0; c + 1 < columns; ++c) {
            const std::array<int32_t, 3> up = {point(c, r), point(c + 1, r),
                                               point(c + shift, r + 1)};
            const std::array<int32_t, 3> down = {
                point(c + shift, r + 1), point(c + 1, r),
                c + 1 + shift < columns ? point(c + 1 + shift, r + 1) : -1};
            for (const auto& tri : {up, down}) {
                bool inside = true;
                float mx = 0, my = 0;
                for (const int32_t p : tri) {
                    inside = inside && p >= 0 && in[static_cast<std::size_t>(p)] != 0;
                    if (!inside) break;
                    mx += px(p % columns, p / columns);
                    my += py(p / columns);
                }
                if (inside && encloses(outline, mx / 3, my / 3)) triangles.push_back(tri);
            }
        }
    }
    // The largest part joined through shared edges; the first found of equal ones.
    std::vector<int32_t> parent(triangles.size());
    for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = static_cast<int32_t>(i);
    auto root = [&](int32_t i) {
        while (parent[static_cast<std::size_t>(i)] != i)
            i = parent[static_cast<std::size_t>(i)] =
                parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
        return i;
    };
    std::map<std::pair<int32_t, int32_t>, int32_t> edgeOwner;
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        for (int k = 0; k < 3; ++k) {
            const int32_t p = triangles[t][k], q = triangles[t][(k + 1) % 3];
            const auto key = p < q ? std::make_pair(p, q) : std::make_pair(q, p);
            const auto [it, fresh] = edgeOwner.emplace(key, static_cast<int32_t>(t));
            if (!fresh)
                parent[static_cast<std::size_t>(root(static_cast<int32_t>(t)))] = root(it->second);
        }
    }
    std::map<int32_t, std::size_t> sizes;
    int32_t best = -1;
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        const std::size_t size = ++sizes[root(static_cast<int32_t>(t))];
        if (best < 0 || size > sizes[best]) best = root(static_cast<int32_t>(t));
    }
    if (best < 0) {
        problem = "too small to hold a body";
        return false;
    }

    const BodyStuff& stuff = stuffOf(family);
    std::vector<int32_t> atomOf(in.size(), -1);
    std::vector<std::array<int32_t, 3>> kept;
    for (std::size_t t = 0; t < triangles.size(); ++t)
        if (root(static_cast<int32_t>(t)) == best) kept.push_back(triangles[t]);
    std::vector<int32_t> used;
    for (const auto& tri : kept) used.insert(used.end(), tri.begin(), tri.end());
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    for (const int32_t p : used) {
        atomOf[static_cast<std::size_t>(p)] = static_cast<int32_t>(piece.atoms.size());
        AtomRecord a;
        a.x = a.prevX = px(p % columns, p / columns);
        a.y = a.prevY = py(p / columns);
        a.mass = stuff.mass;
        a.iterations = stuff.atomIterations;
        piece.atoms.push_back(a);
    }
    float bx0 = piece.atoms[0].x, bx1 = bx0, by0 = piece.atoms[0].y, by1 = by0;
    for (const AtomRecord& a : piece.atoms) {
        bx0 = std::min(bx0, a.x);
        bx1 = std::max(bx1, a.x);
        by0 = std::min(by0, a.y);
        by1 = std::max(by1, a.y);
    }

    std::set<std::pair<int32_t, int32_t>> linked;
    auto link = [&](int32_t p, int32_t q) {
        if (!linked.insert(p < q ? std::make_pair(p, q) : std::make_pair(q, p)).second) return;
        const AtomRecord& a = piece.atoms[static_cast<std::size_t>(p)];
        const AtomRecord& b = piece.atoms[static_cast<std::size_t>(q)];
        LinkRecord l;
        l.xA = a.x;
        l.yA = a.y;
        l.xB = b.x;
        l.yB = b.y;
        const float dx = a.x - b.x, dy = a.y - b.y;
        l.restLength = std::sqrt(dx * dx + dy * dy);
        l.minRatio = stuff.minRatio;
        l.maxRatio = stuff.maxRatio;
        l.stiffness = stuff.stiffness;
        l.iterations = stuff.linkIterations;
        piece.links.push_back(l);
    };
    for (const auto& tri : kept) {
        const int32_t corners[3] = {atomOf[static_cast<std::size_t>(tri[0])],
                                    atomOf[static_cast<std::size_t>(tri[1])],
                                    atomOf[static_cast<std::size_t>(tri[2])]};
        for (int k = 0; k < 3; ++k) link(corners[k], corners[(k + 1) % 3]);
        TriangleRecord r;
        float* xy[3][2] = {{&r.xA, &r.yA}, {&r.xB, &r.yB}, {&r.xC, &r.yC}};
        float* st[3][2] = {{&r.sA, &r.tA}, {&r.sB, &r.tB}, {&r.sC, &r.tC}};
        for (int k = 0; k < 3; ++k) {
            const AtomRecord& a = piece.atoms[static_cast<std::size_t>(corners[k])];
            *xy[k][0] = a.x;
            *xy[k][1] = a.y;
            *st[k][0] = (a.x - bx0) / (bx1 - bx0);
            *st[k][1] = (a.y - by0) / (by1 - by0);
        }
        setPieceName(r.texture, texture);
        piece.triangles.push_back(r);
    }
    // An atom on a single triangle hangs by two links, and one snapped link
    // takes it out of the world: it is linked across to the far corner of the
    // triangle beside it as well.
    std::vector<int32_t> linkCount(piece.atoms.size(), 0);
    for (const auto& [p, q] : linked) {
        ++linkCount[static_cast<std::size_t>(p)];
        ++linkCount[static_cast<std::size_t>(q)];
    }
    std::map<std::pair<int32_t, int32_t>, std::vector<int32_t>> across;  // edge -> far corners
    for (const auto& tri : kept) {
        for (int k = 0; k < 3; ++k) {
            const int32_t p = atomOf[static_cast<std::size_t>(tri[k])];
            const int32_t q = atomOf[static_cast<std::size_t>(tri[(k + 1) % 3])];
            across[p < q ? std::make_pair(p, q) : std::make_pair(q, p)].push_back(
                atomOf[static_cast<std::size_t>(tri[(k + 2) % 3])]);
        }
    }
    for (const auto& [edge, far] : across) {
        if (far.size() != 2) continue;
        for (int k = 0; k < 2; ++k)
            if (linkCount[static_cast<std::size_t>(far[k])] <= 3) link(far[k], far[1 - k]);
    }

    TextureRecord t;
    setPieceName(t.name, texture);
    piece.textures.push_back(t);
    piece.atomCount = static_cast<int32_t>(piece.atoms.size());
    piece.linkCount = static_cast<int32_t>(piece.links.size());
    piece.textureCount = 1;
    piece.triangleCount = static_cast<int32_t>(piece.triangles.size());
    return true;
}

PieceFile centredPiece(const PieceFile& piece) {
    PieceFile out = piece;
    if (piece.atoms.empty()) return out;
    float x0 = piece.atoms[0].x, x1 = x0, y0 = piece.atoms[0].y, y1 = y0;
    for (const AtomRecord& a : piece.atoms) {
        x0 = std::min(x0, a.x);
        x1 = std::max(x1, a.x);
        y0 = std::min(y0, a.y);
        y1 = std::max(y1, a.y);
    }
    // Whole units, so that every position moves exactly and ends still meet.
    const float cx = std::floor((x0 + x1) / 2);
    const float cy = std::floor((y0 + y1) / 2);
    for (AtomRecord& a : out.atoms) {
        a.x -= cx;
        a.y -= cy;
        a.prevX -= cx;
        a.prevY -= cy;
    }
    for (LinkRecord& l : out.links) {
        l.xA -= cx;
        l.yA -= cy;
        l.xB -= cx;
        l.yB -= cy;
    }
    for (TriangleRecord& t : out.triangles) {
        t.xA -= cx;
        t.yA -= cy;
        t.xB -= cx;
        t.yB -= cy;
        t.xC -= cx;
        t.yC -= cy;
    }
    return out;
}
