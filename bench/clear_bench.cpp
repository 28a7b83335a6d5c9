// Clearing a full world as the sandbox's C does: the real pieces spawned until the
// next one no longer fits, then WorldCommands::clear, which drops every record
// at once and renews the world. Also reports the heap in use before the world is
// filled, when it is full and after the clear (glibc's mallinfo2); what stays is
// kept for the next fill (list nodes, the root's indexes, per-atom link lists).
#include <benchmark/benchmark.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "full_world.h"
#include "scene/game.h"
#include "session/replay.h"

namespace {

double heapInUse() {
#if defined(__GLIBC__)
    return static_cast<double>(mallinfo2().uordblks);
#else
    return 0;
#endif
}

void BM_ClearAFullWorld(benchmark::State& state) {
    ReplayWorld world;
    const double before = heapInUse();
    double full = 0;
    int pieces = 0;
    int atoms = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pieces = fillWithPieces(world.commands());
        // The undo states the spawns left packed, as the game's steps pack them.
        for (int i = 0; i < 100; ++i) world.commands().idle();
        atoms = world.root().atoms.count;
        full = heapInUse();
        state.ResumeTiming();
        world.commands().clear();
    }
    state.counters["pieces"] = pieces;
    state.counters["atoms"] = atoms;
    state.counters["heap_before"] = before;
    state.counters["heap_full"] = full;
    state.counters["heap_after"] = heapInUse();
}
BENCHMARK(BM_ClearAFullWorld)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
