#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "content/drawn_body.h"
#include "content/piece_file.h"
#include "physics/system.h"
#include "scene/roster.h"
#include "session/replay.h"
#include "session/world_commands.h"
#include "in_assets.h"

namespace {

using Outline = std::vector<OutlinePoint>;

// Outlines from corner lists, with a point every 2 units between corners, as a
// hand drawing them would give (and a tremble of a unit on every other point).
Outline traced(const std::vector<std::pair<float, float>>& corners, bool tremble = true) {
    Outline out;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const auto [x0, y0] = corners[i];
        const auto [x1, y1] = corners[(i + 1) % corners.size()];
        const int steps = static_cast<int>(std::hypot(x1 - x0, y1 - y0) / 2) + 1;
        for (int k = 0; k < steps; ++k) {
            const float t = static_cast<float>(k) / static_cast<float>(steps);
            const float wobble = tremble && (k % 2 == 1) ? 1.0f : 0.0f;
            out.push_back({x0 + (x1 - x0) * t + wobble, y0 + (y1 - y0) * t - wobble});
        }
    }
    return out;
}

Outline circle(float cx, float cy, float r) {
    std::vector<std::pair<float, float>> corners;
    for (int k = 0; k < 48; ++k) {
        const double a = 2 * 3.14159265358979 * k / 48;
        // Whole units: the same outline on every system, whatever its cos and sin.
        corners.push_back({std::round(cx + r * static_cast<float>(std::cos(a))),
                           std::round(cy + r * static_cast<float>(std::sin(a)))});
    }
    return traced(corners);
}

struct Shape {
    const char* name;
    Outline outline;
    BodyFamily family;
    int minAtoms;  // 0: refused
    const char* refusal;
};

std::vector<Shape> shapes() {
    using enum BodyFamily;
    return {
        {"square", traced({{100, 100}, {200, 100}, {200, 200}, {100, 200}}), Sturdy, 64, ""},
        {"circle", circle(350, 250, 60), Soft, 80, ""},
        {"concaveL", traced({{400, 50}, {520, 50}, {520, 90}, {440, 90}, {440, 200}, {400, 200}}),
         Sturdy, 30, ""},
        {"thinBar", traced({{50, 300}, {300, 300}, {300, 315}, {50, 315}}), Soft, 30, ""},
        {"halfOutsideRight", traced({{620, 100}, {740, 100}, {740, 180}, {620, 180}}), Sturdy, 10,
         ""},
        {"figureEight", traced({{100, 100}, {200, 200}, {200, 100}, {100, 200}}), Soft, 0,
         "crosses itself"},
        {"sliver", traced({{100, 100}, {300, 104}, {100, 106}}, false), Soft, 0, "too small"},
        {"spikeAway",
         Outline{{100, 100}, {200, 100}, {1e30f, 100}, {200, 100}, {200, 200}, {100, 200}}, Soft, 0,
         "larger than the world"},
        {"threePoints", Outline{{10, 10}, {11, 10}, {10, 11}}, Soft, 0, "too small"},
        {"mostlyBelow", traced({{100, -200}, {200, -200}, {200, 20}, {100, 20}}), Sturdy, 0,
         "mostly outside"},
        {"mostlyLeft", traced({{-300, 100}, {30, 100}, {30, 200}, {-300, 200}}), Sturdy, 0,
         "mostly outside"},
    };
}

class DrawnBody : public ::testing::TestWithParam<Shape> {};

// What makes a body hold together: atoms no closer than the spacing, each linked
// at least twice, every triangle edge a link, the texture within its image and
// every atom inside the world.
TEST_P(DrawnBody, FillsTheOutlineOrSaysWhyNot) {
    const Shape& shape = GetParam();
    PieceFile piece;
    std::string problem;
    const bool built =
        buildDrawnBody(shape.outline, shape.family, "crate.tga", kDefaultWorldDef, piece, problem);
    if (shape.minAtoms == 0) {
        EXPECT_FALSE(built);
        EXPECT_NE(problem.find(shape.refusal), std::string::npos) << problem;
        EXPECT_TRUE(piece.atoms.empty());
        return;
    }
    ASSERT_TRUE(built) << problem;
    EXPECT_TRUE(checkPieceFile(piece).empty());
    EXPECT_GE(static_cast<int>(piece.atoms.size()), shape.minAtoms);
    const BodyStuff& stuff = stuffOf(shape.family);
    std::map<std::pair<float, float>, int> links;
    for (const LinkRecord& l : piece.links) {
        ++links[{l.xA, l.yA}];
        ++links[{l.xB, l.yB}];
        EXPECT_EQ(l.stiffness, stuff.stiffness);
        EXPECT_EQ(l.maxRatio, stuff.maxRatio);
    }
    for (std::size_t i = 0; i < piece.atoms.size(); ++i) {
        const AtomRecord& a = piece.atoms[i];
        EXPECT_GE((links[{a.x, a.y}]), 2) << i;
        EXPECT_EQ(a.mass, stuff.mass);
        EXPECT_TRUE(a.x >= 0 && a.x <= 700 && a.y >= 0 && a.y <= 530) << a.x << "," << a.y;
        for (std::size_t j = i + 1; j < piece.atoms.size(); ++j)
            EXPECT_GE(std::hypot(a.x - piece.atoms[j].x, a.y - piece.atoms[j].y),
                      kBodySpacing - 1e-3f);
    }
    std::vector<float> xs, ys;
    for (const AtomRecord& a : piece.atoms) {
        xs.push_back(a.x);
        ys.push_back(a.y);
    }
    const PieceMatches matches = matchPiece(piece, xs, ys, 0, 0);
    for (std::size_t t = 0; t < piece.triangles.size(); ++t) {
        EXPECT_TRUE(matches.triangles[t].kept()) << "triangle " << t << " of " << shape.name;
        const TriangleRecord& r = piece.triangles[t];
        for (float st : {r.sA, r.tA, r.sB, r.tB, r.sC, r.tC}) EXPECT_TRUE(st >= 0 && st <= 1);
    }
    for (const auto& ends : matches.links) EXPECT_TRUE(ends.kept());
}

INSTANTIATE_TEST_SUITE_P(Outlines, DrawnBody, ::testing::ValuesIn(shapes()),
                         [](const auto& info) { return std::string(info.param.name); });

// The same outline gives the same bits on every system: a hash of the records,
// pinned here, is checked by the Linux build and the Windows one under Wine.
TEST(DrawnBodyBits, TheRecordsOfACircleAreTheSameEverywhere) {
    PieceFile piece;
    std::string problem;
    ASSERT_TRUE(buildDrawnBody(circle(350, 250, 60), BodyFamily::Soft, "jelly.tga",
                               kDefaultWorldDef, piece, problem));
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const uint8_t b : writePieceFile(piece)) hash = (hash ^ b) * 0x100000001b3ull;
    EXPECT_EQ(hash, 0x089984537fbf8d10ull) << std::hex << hash;
}

class DrawnBodyWorld : public InAssets {};

// Drawn into the world, a body of either family holds together alone for 2000
// steps, from the air and from the floor.
TEST_F(DrawnBodyWorld, LandsWholeAndHoldsTogether) {
    for (BodyFamily family : {BodyFamily::Sturdy, BodyFamily::Soft}) {
        for (float height : {200.0f, 460.0f}) {
            ReplayWorld w;
            ASSERT_NE(w.commands().draw(circle(120, height, 45), family, "jelly.tga"), nullptr);
            const int atoms = w.root().atoms.count;
            EXPECT_EQ(atoms, static_cast<int>(w.commands().lastDrawn().atoms.size()));
            EXPECT_EQ(w.root().links.count, int(w.commands().lastDrawn().links.size()));
            run(w, 2000);
            EXPECT_EQ(w.root().atoms.count, atoms) << familyName(family) << " from " << height;
        }
    }
}

}  // namespace
