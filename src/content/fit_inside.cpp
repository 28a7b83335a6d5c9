#include "content/fit_inside.h"

#include <algorithm>
#include <cmath>
#include <limits>

bool insideWorld(float x, float y, const WorldDef& world) {
    return x >= 0 && x <= world.width && y >= 0 && y <= world.height;
}

bool fitSpan(float lo, float hi, float limit, float& at) {
    float a = at;
    if (lo + a < 0) {
        a = -lo;
    } else if (hi + a > limit) {
        a = limit - hi;
        // limit - hi may round so that hi lands an ulp beyond the wall.
        while (hi + a > limit) a = std::nextafter(a, -std::numeric_limits<float>::infinity());
    }
    if (!(lo + a >= 0 && hi + a <= limit)) return false;
    at = a;
    return true;
}

namespace {

template <typename Points, typename X, typename Y>
void extent(const Points& points, X x, Y y, float& x0, float& x1, float& y0, float& y1) {
    x0 = x(points.front());
    x1 = x0;
    y0 = y(points.front());
    y1 = y0;
    for (const auto& p : points) {
        x0 = std::min(x0, x(p));
        x1 = std::max(x1, x(p));
        y0 = std::min(y0, y(p));
        y1 = std::max(y1, y(p));
    }
}

}  // namespace

bool fitPiece(const PieceFile& piece, const WorldDef& world, float& x, float& y) {
    if (piece.atoms.empty()) return true;
    float x0, x1, y0, y1;
    extent(
        piece.atoms, [](const AtomRecord& a) { return a.x; },
        [](const AtomRecord& a) { return a.y; }, x0, x1, y0, y1);
    float fx = x;
    float fy = y;
    if (!fitSpan(x0, x1, world.width, fx) || !fitSpan(y0, y1, world.height, fy)) return false;
    x = fx;
    y = fy;
    return true;
}

bool fitOutline(std::vector<OutlinePoint>& outline, const WorldDef& world) {
    if (outline.empty()) return true;
    float x0, x1, y0, y1;
    extent(
        outline, [](const OutlinePoint& p) { return p.x; },
        [](const OutlinePoint& p) { return p.y; }, x0, x1, y0, y1);
    if (!insideWorld(x0 + (x1 - x0) / 2, y0 + (y1 - y0) / 2, world)) return false;
    float dx = 0;
    float dy = 0;
    if (!fitSpan(x0, x1, world.width, dx) || !fitSpan(y0, y1, world.height, dy)) return false;
    if (dx == 0 && dy == 0) return true;
    for (OutlinePoint& p : outline) {
        p.x += dx;
        p.y += dy;
    }
    return true;
}
