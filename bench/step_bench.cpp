// One physics step of a full world: 5000 atoms in 50 lattice pieces of 10 × 10
// atoms (structural and diagonal links, two triangles per cell, iterations 3),
// settled into a pile first.
#include <benchmark/benchmark.h>

#include <cstring>
#include <malloc.h>
#include <memory>
#include <vector>

#include "test_world.h"

namespace {

// Bytes held by malloc: counts the world exactly, whatever pages are reused.
size_t heapInUse() {
    return mallinfo2().uordblks + mallinfo2().hblkhd;
}

struct FullWorld {
    std::unique_ptr<TestWorld> w;
    Texture texture;
    std::vector<std::unique_ptr<Junk>> pieces;

    FullWorld() : w(std::make_unique<TestWorld>()) {
        for (int i = 0; i < 50; ++i) {
            const float x = 4.0f + 69.5f * static_cast<float>(i % 10);
            const float y = 4.0f + 70.0f * static_cast<float>(i / 10);
            pieces.push_back(std::make_unique<Junk>(&w->root));
            buildLattice(*pieces.back(), &texture, x, y, 10, 10, 7, 3, 0.3f, 0.2f, 5.0f);
        }
    }
};

void BM_StepFullWorld(benchmark::State& state) {
    const size_t before = heapInUse();
    FullWorld full;
    for (int i = 0; i < 500; ++i) full.w->world->step();
    // After the steps, so that whatever the step keeps between steps counts.
    const size_t after = heapInUse();
    for (auto _ : state) full.w->world->step();
    state.counters["atoms"] = full.w->root.atoms.count;
    state.counters["links"] = full.w->root.links.count;
    state.counters["world_MB"] = static_cast<double>(after - before) / (1024.0 * 1024.0);
}
BENCHMARK(BM_StepFullWorld)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
