// A body drawn by hand along a long outline, as the game's B and a left drag make
// it: commands.draw builds the lattice inside the outline and drops it into an
// empty world (the undo snapshot before it included). The body is cleared away
// untimed between rounds. The building alone is timed beside it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "content/drawn_body.h"
#include "content/piece_file.h"
#include "scene/game.h"
#include "scene/roster.h"
#include "session/replay.h"

namespace {

// A circle of 2000 points, radius 150, in the middle of the world: about what a
// slow hand gives with a point every 2 pixels.
std::vector<OutlinePoint> longCircle() {
    std::vector<OutlinePoint> outline;
    for (int k = 0; k < 2000; ++k) {
        const double a = 2 * 3.14159265358979 * k / 2000;
        outline.push_back({350 + 150 * static_cast<float>(std::cos(a)),
                           265 + 150 * static_cast<float>(std::sin(a))});
    }
    return outline;
}

void BM_DrawALongOutline(benchmark::State& state) {
    const auto family = static_cast<BodyFamily>(state.range(0));
    const std::vector<OutlinePoint> outline = longCircle();
    ReplayWorld world;
    int atoms = 0;
    int links = 0;
    for (auto _ : state) {
        if (world.commands().draw(outline, family, "jelly.tga") == nullptr)
            state.SkipWithError("outline refused");
        state.PauseTiming();
        atoms = world.root().atoms.count;
        links = world.root().links.count;
        world.commands().clear();
        state.ResumeTiming();
    }
    state.counters["atoms"] = atoms;
    state.counters["links"] = links;
}
BENCHMARK(BM_DrawALongOutline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BuildALongOutlinesBody(benchmark::State& state) {
    const std::vector<OutlinePoint> outline = longCircle();
    for (auto _ : state) {
        PieceFile piece;
        std::string problem;
        if (!buildDrawnBody(outline, BodyFamily::Sturdy, "jelly.tga", kDefaultWorldDef, piece,
                            problem))
            state.SkipWithError("outline refused");
        benchmark::DoNotOptimize(piece);
    }
}
BENCHMARK(BM_BuildALongOutlinesBody)->Unit(benchmark::kMillisecond);

}  // namespace
